#include "mediamodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMutex>

namespace DesklineMedia
{

namespace
{

const char *const kOverrideVariable = "DESKLINE_MEDIA_MODULE";
const char *const kFileName = "libdeskline_media.so";

QMutex &sinkMutex()
{
    static QMutex m;
    return m;
}

std::function<void(const QString &)> &sink()
{
    static std::function<void(const QString &)> s;
    return s;
}

void report(const QString &line)
{
    qWarning("%s", qUtf8Printable(line));
    QMutexLocker lock(&sinkMutex());
    if (sink())
        sink()(line);
}

struct Loaded {
    Module *module = nullptr;
    QString error;
};

Loaded load()
{
    using Entry = Module *(*)();
    QStringList reasons;
    for (const QString &path : candidatePaths()) {
        if (!QFileInfo::exists(path)) {
            reasons << QStringLiteral("%1: no such file").arg(path);
            continue;
        }
        // Never unloaded: the engine's threads and objects may live until exit.
        QLibrary library(path);
        if (!library.load()) {
            reasons << library.errorString();
            continue;
        }
        const auto entry = reinterpret_cast<Entry>(library.resolve(kEntryPoint));
        if (!entry) {
            reasons << library.errorString();
            continue;
        }
        Module *module = entry();
        if (!module) {
            reasons << QStringLiteral("%1: no module").arg(path);
            continue;
        }
        if (module->interfaceVersion() != kInterfaceVersion) {
            reasons << QStringLiteral("%1: interface version %2, expected %3")
                           .arg(path)
                           .arg(module->interfaceVersion())
                           .arg(kInterfaceVersion);
            continue;
        }
        return {module, QString()};
    }
    Loaded failed;
    failed.error = reasons.join(QStringLiteral("; "));
    report(
        QStringLiteral("Media module not loaded (no softphone, sounds or voicemail playback): %1").arg(failed.error));
    return failed;
}

const Loaded &loaded()
{
    static const Loaded l = load();
    return l;
}

} // namespace

QStringList candidatePaths()
{
    const QString chosen = qEnvironmentVariable(kOverrideVariable);
    if (!chosen.isEmpty())
        return {chosen};
    QStringList paths;
    if (QCoreApplication::instance())
        paths << QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/deskline/") +
                                 QLatin1String(kFileName));
#ifdef DESKLINE_MEDIA_BUILD_PATH
    const QString built = QStringLiteral(DESKLINE_MEDIA_BUILD_PATH);
    if (!paths.contains(built))
        paths << built;
#endif
    return paths;
}

Module *module()
{
    return loaded().module;
}

QString loadError()
{
    return loaded().error;
}

void setLogSink(std::function<void(const QString &line)> s)
{
    QMutexLocker lock(&sinkMutex());
    sink() = std::move(s);
}

} // namespace DesklineMedia

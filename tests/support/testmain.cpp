#include "testmain.h"

#include "connectionwarnings.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace testsupport
{
namespace
{
std::unique_ptr<QTemporaryDir> g_home;
std::atomic<int> g_connectionWarnings{0};
QtMessageHandler g_previous = nullptr;

void strictHandler(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (type == QtWarningMsg && isConnectionWarning(msg)) {
        ++g_connectionWarnings;
        std::fprintf(stderr, "FAIL! connection warning: %s\n", qPrintable(msg));
    }
    if (g_previous)
        g_previous(type, ctx, msg);
}
} // namespace

void setUpIsolatedEnvironment()
{
    g_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/deskline-test-XXXXXX"));
    const QString home = g_home->path();
    const QByteArray h = QFile::encodeName(home);
    qputenv("HOME", h);
    qputenv("XDG_CONFIG_HOME", h + "/.config");
    qputenv("XDG_DATA_HOME", h + "/.local/share");
    qputenv("XDG_CACHE_HOME", h + "/.cache");
    qputenv("XDG_RUNTIME_DIR", h + "/.runtime");
    QDir().mkpath(home + QStringLiteral("/.runtime"));
    QFile::setPermissions(home + QStringLiteral("/.runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests start several copies of the program side by side.
    if (qEnvironmentVariableIsEmpty("QDTEST_DISABLE_SINGLETON"))
        qputenv("QDTEST_DISABLE_SINGLETON", "1");
}

QString isolatedHome()
{
    return g_home ? g_home->path() : QString();
}

void installStrictMessageHandler()
{
    g_previous = qInstallMessageHandler(strictHandler);
}

int execWithTimeout(int timeoutMs, int timeoutCode)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [timeoutCode] { QCoreApplication::exit(timeoutCode); });
    watchdog.start(timeoutMs);
    return QCoreApplication::exec();
}

int connectionWarningCount()
{
    return g_connectionWarnings.load();
}

QStringList connectionWarnings()
{
    QStringList list;
    for (const char *warning : generated::kConnectionWarnings)
        list.append(QString::fromLatin1(warning));
    return list;
}

bool isConnectionWarning(const QString &message)
{
    for (const char *warning : generated::kConnectionWarnings)
        if (message.contains(QLatin1String(warning)))
            return true;
    return false;
}

} // namespace testsupport

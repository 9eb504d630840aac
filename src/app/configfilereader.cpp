#include "configfilereader.h"

#include <QDebug>
#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DesklineStartup
{

QHash<QString, QString> readConfigFileKeys(const QString &path)
{
    QHash<QString, QString> keys;
    // Only a regular file is read: a FIFO, a device or a directory named with
    // -c would block the start-up or never end. The check is made on the
    // opened descriptor (opened without blocking), so the file cannot be
    // swapped between the check and the read.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return keys;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        qWarning() << MainLogPrefix << "Config file" << path << "is not a regular file, ignored";
        return keys;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return keys;
    }
    return parseConfigFileKeys(file.read(MaxConfigFileBytes));
}

QHash<QString, QString> parseConfigFileKeys(QByteArray data)
{
    QHash<QString, QString> keys;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    const QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    bool topLevel = true;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString section = line.mid(1, line.size() - 2).trimmed();
            topLevel = section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!topLevel)
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        keys.insert(key, value);
    }
    return keys;
}

int startupModeFromText(const QString &text)
{
    bool ok = false;
    const int mode = text.trimmed().toInt(&ok);
    if (!ok || mode < 0 || mode > 2)
        return 2;
    return mode;
}

} // namespace DesklineStartup

#include "uniqlogger.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutexLocker>
#include <QThread>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace UNQL
{
const EndOfMessage eom{};
const FlushMessages fls{};

QString priorityName(int priority)
{
    if (priority <= LOG_FATAL)
        return QStringLiteral("FATAL");
    if (priority <= LOG_CRITICAL)
        return QStringLiteral("CRITICAL");
    if (priority <= LOG_WARNING)
        return QStringLiteral("WARNING");
    if (priority <= LOG_INFO)
        return QStringLiteral("INFO");
    if (priority <= LOG_DBG)
        return QStringLiteral("DEBUG");
    return QStringLiteral("DEBUG_ALL");
}
} // namespace UNQL

int UniqLogger::DEFAULT_OK_STATUS = UniqLogger::DEFAULT_OK;

// One destination shared by every logger that writes to it.
class LogWriter
{
public:
    virtual ~LogWriter() = default;
    virtual void write(const QByteArray &line) = 0;
    virtual void flush() = 0;
    virtual int descriptor() const = 0;
};

namespace
{

class ConsoleWriter : public LogWriter
{
public:
    void write(const QByteArray &line) override
    {
        QMutexLocker lock(&m_mutex);
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
    void flush() override
    {
        QMutexLocker lock(&m_mutex);
        std::fflush(stderr);
    }
    int descriptor() const override { return STDERR_FILENO; }

private:
    QMutex m_mutex;
};

class FileWriter : public LogWriter
{
public:
    FileWriter(const QString &path, const WriterConfig &config) : m_path(path), m_config(config) {}

    bool open()
    {
        QMutexLocker lock(&m_mutex);
        return openLocked();
    }

    void write(const QByteArray &line) override
    {
        QMutexLocker lock(&m_mutex);
        if (!m_file.isOpen() && !openLocked())
            return;
        m_file.write(line);
        ++m_pending;
        if (m_config.maxMessageNum <= 0 || m_pending >= m_config.maxMessageNum) {
            m_file.flush();
            m_pending = 0;
        }
        const qint64 limit = qint64(m_config.maxFileSize) * 1024;
        if (limit > 0 && m_file.size() >= limit)
            rotateLocked();
    }

    void flush() override
    {
        QMutexLocker lock(&m_mutex);
        if (m_file.isOpen())
            m_file.flush();
        m_pending = 0;
    }

    int descriptor() const override
    {
        QMutexLocker lock(&m_mutex);
        return m_file.isOpen() ? m_file.handle() : -1;
    }

private:
    // Log files may hold user names, numbers and addresses: they are created
    // readable by their owner only, and an older, looser file of ours is
    // tightened when it is opened again.
    bool openLocked()
    {
        if (m_file.isOpen())
            m_file.close();
        const QByteArray native = QFile::encodeName(m_path);
        const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0)
            return false;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
            ::fchmod(fd, st.st_mode & 0700);
        if (!m_file.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                         QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return false;
        }
        return true;
    }

    // The live file becomes "<name>.1", "<name>.1" becomes "<name>.2", and so on;
    // at most maxFileNum files exist afterwards, the live one included.
    void rotateLocked()
    {
        m_file.flush();
        m_file.close();
        const int keep = qMax(1, m_config.maxFileNum);
        if (keep == 1) {
            QFile::remove(m_path);
        } else {
            QFile::remove(m_path + QLatin1Char('.') + QString::number(keep - 1));
            for (int i = keep - 2; i >= 1; --i)
                QFile::rename(m_path + QLatin1Char('.') + QString::number(i),
                              m_path + QLatin1Char('.') + QString::number(i + 1));
            QFile::rename(m_path, m_path + QStringLiteral(".1"));
        }
        openLocked();
    }

    QString m_path;
    WriterConfig m_config;
    QFile m_file;
    int m_pending = 0;
    mutable QMutex m_mutex;
};

QMutex &registryMutex()
{
    static QMutex mutex;
    return mutex;
}

// Writers are shared by path while any logger uses them.
std::map<QString, std::weak_ptr<LogWriter>> &fileWriters()
{
    static std::map<QString, std::weak_ptr<LogWriter>> writers;
    return writers;
}

struct PendingMessage {
    int priority = UNQL::LOG_INFO;
    QString text;
    bool started = false;
};

} // namespace

// Pending messages are kept per logger and per thread, so that two threads
// streaming into one logger never mix their pieces.
namespace
{
QMutex &pendingMutex()
{
    static QMutex mutex;
    return mutex;
}
QHash<QPair<const void *, Qt::HANDLE>, PendingMessage> &pendingMessages()
{
    static QHash<QPair<const void *, Qt::HANDLE>, PendingMessage> pending;
    return pending;
}
} // namespace

Logger::Logger(const QString &module, std::shared_ptr<LogWriter> writer, QChar left, QChar right, QChar spacing,
               const QString &timeFormat)
    : m_module(module), m_writer(std::move(writer)), m_left(left), m_right(right), m_spacing(spacing),
      m_timeFormat(timeFormat)
{
}

Logger::~Logger()
{
    {
        QMutexLocker lock(&pendingMutex());
        auto &pending = pendingMessages();
        for (auto it = pending.begin(); it != pending.end();) {
            if (it.key().first == this)
                it = pending.erase(it);
            else
                ++it;
        }
    }
    if (m_writer)
        m_writer->flush();
}

void Logger::setVerbosityAcceptedLevel(int level)
{
    QMutexLocker lock(&m_mutex);
    m_verbosity = level;
}

int Logger::getVerbosityAcceptedLevel() const
{
    QMutexLocker lock(&m_mutex);
    return m_verbosity;
}

Logger &Logger::operator<<(UNQL::LogMessagePriorityType priority)
{
    QMutexLocker lock(&pendingMutex());
    PendingMessage &msg = pendingMessages()[qMakePair(static_cast<const void *>(this), QThread::currentThreadId())];
    msg.priority = priority;
    msg.text.clear();
    msg.started = true;
    return *this;
}

void Logger::append(const QString &piece)
{
    QMutexLocker lock(&pendingMutex());
    PendingMessage &msg = pendingMessages()[qMakePair(static_cast<const void *>(this), QThread::currentThreadId())];
    if (!msg.text.isEmpty())
        msg.text += m_spacing;
    msg.text += piece;
}

Logger &Logger::operator<<(const UNQL::EndOfMessage &)
{
    PendingMessage msg;
    {
        QMutexLocker lock(&pendingMutex());
        msg = pendingMessages().take(qMakePair(static_cast<const void *>(this), QThread::currentThreadId()));
    }
    log(msg.priority, msg.text);
    return *this;
}

Logger &Logger::operator<<(const UNQL::FlushMessages &)
{
    flush();
    return *this;
}

Logger &Logger::operator<<(const QString &value)
{
    append(value);
    return *this;
}

Logger &Logger::operator<<(const char *value)
{
    append(value ? QString::fromUtf8(value) : QStringLiteral("(null)"));
    return *this;
}

Logger &Logger::operator<<(const QByteArray &value)
{
    append(QString::fromUtf8(value));
    return *this;
}

Logger &Logger::operator<<(const QStringList &value)
{
    append(QLatin1Char('(') + value.join(QStringLiteral(", ")) + QLatin1Char(')'));
    return *this;
}

Logger &Logger::operator<<(QChar value)
{
    append(QString(value));
    return *this;
}

Logger &Logger::operator<<(char value)
{
    append(QString(QLatin1Char(value)));
    return *this;
}

Logger &Logger::operator<<(bool value)
{
    append(value ? QStringLiteral("true") : QStringLiteral("false"));
    return *this;
}

Logger &Logger::operator<<(int value)
{
    append(QString::number(value));
    return *this;
}

Logger &Logger::operator<<(unsigned int value)
{
    append(QString::number(value));
    return *this;
}

Logger &Logger::operator<<(long value)
{
    append(QString::number(value));
    return *this;
}

Logger &Logger::operator<<(unsigned long value)
{
    append(QString::number(value));
    return *this;
}

Logger &Logger::operator<<(long long value)
{
    append(QString::number(value));
    return *this;
}

Logger &Logger::operator<<(unsigned long long value)
{
    append(QString::number(value));
    return *this;
}

Logger &Logger::operator<<(double value)
{
    append(QString::number(value));
    return *this;
}

Logger &Logger::operator<<(const void *value)
{
    append(QStringLiteral("0x") + QString::number(quintptr(value), 16));
    return *this;
}

Logger &Logger::operator<<(const QVariant &value)
{
    append(value.toString());
    return *this;
}

void Logger::log(int priority, const QString &message)
{
    QString line;
    {
        QMutexLocker lock(&m_mutex);
        if (priority > m_verbosity || !m_writer)
            return;
        line.reserve(message.size() + 64);
        line += m_left + QDateTime::currentDateTime().toString(m_timeFormat) + m_right + m_spacing;
        line += m_left + m_module + m_right + m_spacing;
        line += m_left + UNQL::priorityName(priority) + m_right + m_spacing;
    }
    line += message;
    line += QLatin1Char('\n');
    m_writer->write(line.toUtf8());
}

void Logger::flush()
{
    if (m_writer)
        m_writer->flush();
}

int Logger::fileDescriptor() const
{
    return m_writer ? m_writer->descriptor() : -1;
}

UniqLogger::UniqLogger(const QString &name) : m_name(name) {}

UniqLogger *UniqLogger::instance(const QString &name, int)
{
    static QMutex mutex;
    static std::map<QString, std::unique_ptr<UniqLogger>> instances; // live for the whole process
    QMutexLocker lock(&mutex);
    std::unique_ptr<UniqLogger> &inst = instances[name];
    if (!inst)
        inst.reset(new UniqLogger(name));
    return inst.get();
}

Logger *UniqLogger::createFileLogger(const QString &module, const QString &fileName, const WriterConfig &config,
                                     int &status)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    std::shared_ptr<LogWriter> writer;
    {
        QMutexLocker lock(&registryMutex());
        auto &writers = fileWriters();
        auto it = writers.find(path);
        if (it != writers.end())
            writer = it->second.lock();
        if (!writer) {
            auto fileWriter = std::make_shared<FileWriter>(path, config);
            if (!fileWriter->open()) {
                status = ERROR_CREATING;
                return nullptr;
            }
            writer = fileWriter;
            writers[path] = writer;
        }
    }
    status = DEFAULT_OK;
    QMutexLocker lock(&m_mutex);
    return new Logger(module, writer, m_left, m_right, m_spacing, m_timeFormat);
}

Logger *UniqLogger::createConsoleLogger(const QString &module, UNQL::ConsoleColorScheme, const WriterConfig &,
                                        int &status)
{
    static std::shared_ptr<LogWriter> console = std::make_shared<ConsoleWriter>();
    status = DEFAULT_OK;
    QMutexLocker lock(&m_mutex);
    return new Logger(module, console, m_left, m_right, m_spacing, m_timeFormat);
}

void UniqLogger::setEncasingChars(QChar left, QChar right)
{
    QMutexLocker lock(&m_mutex);
    m_left = left;
    m_right = right;
}

void UniqLogger::setSpacingChar(QChar spacing)
{
    QMutexLocker lock(&m_mutex);
    m_spacing = spacing;
}

void UniqLogger::setTimeStampFormat(const QString &format)
{
    QMutexLocker lock(&m_mutex);
    m_timeFormat = format;
}

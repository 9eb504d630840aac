// Logging library used by every component of the client.
//
// A `UniqLogger` instance (one per name) creates loggers; a `Logger` takes
// messages as a stream: a priority, then any number of values, then
// `UNQL::eom`, which writes the message as one line:
//
//     *log << UNQL::LOG_INFO << Q_FUNC_INFO << "Connected to" << host << UNQL::eom;
//
// Line format:  <L>timestamp<R><sp><L>module<R><sp><L>PRIORITY<R><sp>value<sp>value...
// where <L>/<R> are the encasing characters and <sp> the spacing character of
// the instance. Messages whose priority is above the accepted verbosity are
// dropped. Loggers are thread-safe; each thread builds its own pending message.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QFile;

namespace UNQL
{

enum LogMessagePriorityType {
    LOG_FATAL = 0,
    LOG_CRITICAL = 10,
    LOG_WARNING = 100,
    LOG_INFO = 1000,
    LOG_DBG = 10000,
    LOG_DBG_ALL = 100000,
};

enum ConsoleColorScheme {
    DefaultColorScheme = 0,
    NoColorScheme,
};

// End-of-message manipulator.
struct EndOfMessage {
};
extern const EndOfMessage eom;

// Flush manipulator (same as Logger::flush()).
struct FlushMessages {
};
extern const FlushMessages fls;

QString priorityName(int priority);

} // namespace UNQL

// Writer settings of a logger.
struct WriterConfig {
    int maxFileSize = 0;          // KiB after which the file is rotated; 0 = never
    int maxFileNum = 1;           // files kept: the live one plus maxFileNum-1 rotated ones
    bool compressRotated = false; // kept for callers that set it; rotated files stay plain
    int writerFlushSecs = 5;      // how often buffered lines reach the disk, in seconds
    int maxMessageNum = 0;        // lines buffered before a forced flush; 0 = flush every line
    bool writeIdleMark = false;
};

class LogWriter;

class Logger
{
public:
    ~Logger();

    Logger(const Logger &) = delete;
    Logger &operator=(const Logger &) = delete;

    void setVerbosityAcceptedLevel(int level);
    int getVerbosityAcceptedLevel() const;
    const QString &moduleName() const { return m_module; }

    Logger &operator<<(UNQL::LogMessagePriorityType priority);
    Logger &operator<<(const UNQL::EndOfMessage &);
    Logger &operator<<(const UNQL::FlushMessages &);
    Logger &operator<<(const QString &value);
    Logger &operator<<(const char *value);
    Logger &operator<<(const QByteArray &value);
    Logger &operator<<(const QStringList &value);
    Logger &operator<<(QChar value);
    Logger &operator<<(char value);
    Logger &operator<<(bool value);
    Logger &operator<<(int value);
    Logger &operator<<(unsigned int value);
    Logger &operator<<(long value);
    Logger &operator<<(unsigned long value);
    Logger &operator<<(long long value);
    Logger &operator<<(unsigned long long value);
    Logger &operator<<(double value);
    Logger &operator<<(const void *value);
    Logger &operator<<(const QVariant &value);

    // Writes a whole message at once.
    void log(int priority, const QString &message);

    // Pushes buffered lines to the file now.
    void flush();

    // Descriptor of the open log file (stderr for a console logger, -1 when
    // none); async-signal-safe writers such as the crash handler use it.
    int fileDescriptor() const;

private:
    friend class UniqLogger;
    Logger(const QString &module, std::shared_ptr<LogWriter> writer, QChar left, QChar right, QChar spacing,
           const QString &timeFormat);

    void append(const QString &piece);

    QString m_module;
    std::shared_ptr<LogWriter> m_writer;
    QChar m_left;
    QChar m_right;
    QChar m_spacing;
    QString m_timeFormat;
    int m_verbosity = UNQL::LOG_INFO;
    mutable QMutex m_mutex;
};

class UniqLogger
{
public:
    enum Status { DEFAULT_OK = 0, ERROR_CREATING = -1 };
    // Status variable for callers that do not check the result.
    static int DEFAULT_OK_STATUS;

    // The instance for `name`, created on first use and kept for the process.
    static UniqLogger *instance(const QString &name = QStringLiteral("UniqLogger"), int nthreads = 0);

    // A logger writing to `fileName` (relative names are taken in the current
    // directory). Loggers writing the same file share one writer. Returns null
    // and sets `status` when the file cannot be opened. The caller owns the logger.
    Logger *createFileLogger(const QString &module, const QString &fileName,
                             const WriterConfig &config = WriterConfig(), int &status = DEFAULT_OK_STATUS);
    Logger *createConsoleLogger(const QString &module, UNQL::ConsoleColorScheme scheme = UNQL::DefaultColorScheme,
                                const WriterConfig &config = WriterConfig(), int &status = DEFAULT_OK_STATUS);

    void setEncasingChars(QChar left, QChar right);
    void setSpacingChar(QChar spacing);
    void setTimeStampFormat(const QString &format);

    QString name() const { return m_name; }

    ~UniqLogger() = default;

private:
    explicit UniqLogger(const QString &name);

    QString m_name;
    QChar m_left = QLatin1Char('[');
    QChar m_right = QLatin1Char(']');
    QChar m_spacing = QLatin1Char(' ');
    QString m_timeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    mutable QMutex m_mutex;
};

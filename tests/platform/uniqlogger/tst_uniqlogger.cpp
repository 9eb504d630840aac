#include "testmain.h"
#include "uniqlogger.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <sys/stat.h>
#include <vector>

namespace
{
QStringList readLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
} // namespace

class TestUniqLogger : public QObject
{
    Q_OBJECT

private slots:
    void lineFormat();
    void verbosityFilter_data();
    void verbosityFilter();
    void rotation();
    void concurrentWriters();
    void callerDeletesLogger();
    void unwritableFileFails();
    void filesOwnerOnly();
};

void TestUniqLogger::lineFormat()
{
    QTemporaryDir dir;
    UniqLogger *inst = UniqLogger::instance(QStringLiteral("fmt"), 0);
    inst->setEncasingChars(QLatin1Char('['), QLatin1Char(']'));
    inst->setSpacingChar(QLatin1Char(' '));
    inst->setTimeStampFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    std::unique_ptr<Logger> log(inst->createFileLogger(QStringLiteral("MPHONE"), dir.filePath("mphone.log")));
    QVERIFY(log);
    *log << UNQL::LOG_INFO << Q_FUNC_INFO << "Starting" << QStringLiteral("Deskline") << "v." << 42 << UNQL::eom;
    log->flush();

    const QStringList lines = readLines(dir.filePath("mphone.log"));
    QCOMPARE(lines.size(), 1);
    const QRegularExpression re(
        QStringLiteral(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[MPHONE\] \[INFO\] (.*)$)"));
    const auto m = re.match(lines.first());
    QVERIFY2(m.hasMatch(), qPrintable(lines.first()));
    // The message starts with the caller's full signature, pieces spaced by the spacing char.
    QCOMPARE(m.captured(1), QStringLiteral("void TestUniqLogger::lineFormat() Starting Deskline v. 42"));

    // Other encasing and spacing characters apply to loggers created afterwards.
    UniqLogger *other = UniqLogger::instance(QStringLiteral("fmt2"), 0);
    other->setEncasingChars(QLatin1Char('<'), QLatin1Char('>'));
    other->setSpacingChar(QLatin1Char('|'));
    other->setTimeStampFormat(QStringLiteral("yyyy"));
    std::unique_ptr<Logger> log2(other->createFileLogger(QStringLiteral("X"), dir.filePath("other.log")));
    *log2 << UNQL::LOG_WARNING << "a"
          << "b" << UNQL::eom;
    const QStringList lines2 = readLines(dir.filePath("other.log"));
    QCOMPARE(lines2.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral(R"(^<\d{4}>\|<X>\|<WARNING>\|a\|b$)")).match(lines2.first()).hasMatch(),
             qPrintable(lines2.first()));
}

void TestUniqLogger::verbosityFilter_data()
{
    QTest::addColumn<int>("accepted");
    QTest::addColumn<QStringList>("expected");
    const QStringList all{"p10", "p100", "p1000", "p10000", "p100000"};
    QTest::newRow("error only") << 10 << QStringList{"p10"};
    QTest::newRow("warnings") << 100 << QStringList{"p10", "p100"};
    QTest::newRow("info (default)") << 1000 << QStringList{"p10", "p100", "p1000"};
    QTest::newRow("debug as the main window sets") << 10000 << QStringList{"p10", "p100", "p1000", "p10000"};
    QTest::newRow("everything") << 100000 << all;
}

void TestUniqLogger::verbosityFilter()
{
    QFETCH(int, accepted);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    std::unique_ptr<Logger> log(
        UniqLogger::instance(QStringLiteral("filter"))->createFileLogger(QStringLiteral("F"), dir.filePath("f.log")));
    log->setVerbosityAcceptedLevel(accepted);
    QCOMPARE(log->getVerbosityAcceptedLevel(), accepted);
    for (auto p : {UNQL::LOG_CRITICAL, UNQL::LOG_WARNING, UNQL::LOG_INFO, UNQL::LOG_DBG, UNQL::LOG_DBG_ALL})
        *log << p << QStringLiteral("p%1").arg(int(p)) << UNQL::eom;
    log->flush();
    QStringList got;
    for (const QString &line : readLines(dir.filePath("f.log")))
        got << line.section(QLatin1Char(' '), -1);
    QCOMPARE(got, expected);
}

void TestUniqLogger::rotation()
{
    QTemporaryDir dir;
    WriterConfig cfg;
    cfg.maxFileSize = 1; // KiB
    cfg.maxFileNum = 3;  // live file + two rotated ones
    std::unique_ptr<Logger> log(
        UniqLogger::instance(QStringLiteral("rot"))->createFileLogger(QStringLiteral("R"), dir.filePath("r.log"), cfg));
    QVERIFY(log);
    const QString filler(200, QLatin1Char('x'));
    for (int i = 0; i < 60; ++i)
        *log << UNQL::LOG_INFO << QString::number(i) << filler << UNQL::eom;
    log->flush();

    QVERIFY(QFile::exists(dir.filePath("r.log")));
    QVERIFY(QFile::exists(dir.filePath("r.log.1")));
    QVERIFY(QFile::exists(dir.filePath("r.log.2")));
    QVERIFY(!QFile::exists(dir.filePath("r.log.3")));
    for (const QString name : {"r.log.1", "r.log.2"})
        QVERIFY(QFileInfo(dir.filePath(name)).size() < 1024 + 400);
    // The newest line is in the live file, older ones in the rotated files, none lost in between.
    const QStringList live = readLines(dir.filePath("r.log"));
    const QStringList one = readLines(dir.filePath("r.log.1"));
    QVERIFY(live.isEmpty() || live.last().contains(QStringLiteral("] 59 ")));
    const int lastInOne = one.last().section(QLatin1Char(' '), 4, 4).toInt();
    const int firstInLive = live.isEmpty() ? 60 : live.first().section(QLatin1Char(' '), 4, 4).toInt();
    QCOMPARE(firstInLive, lastInOne + 1);
}

void TestUniqLogger::concurrentWriters()
{
    QTemporaryDir dir;
    UniqLogger *inst = UniqLogger::instance(QStringLiteral("mt"));
    std::unique_ptr<Logger> shared(inst->createFileLogger(QStringLiteral("S"), dir.filePath("mt.log")));
    constexpr int threads = 6;
    constexpr int perThread = 300;
    std::vector<std::unique_ptr<QThread>> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back(QThread::create([&shared, t] {
            for (int i = 0; i < perThread; ++i)
                *shared << UNQL::LOG_INFO << QStringLiteral("t%1").arg(t) << "piece" << i << "end" << UNQL::eom;
        }));
        workers.back()->start();
    }
    for (auto &w : workers)
        QVERIFY(w->wait(30000));
    shared->flush();

    const QStringList lines = readLines(dir.filePath("mt.log"));
    QCOMPARE(lines.size(), threads * perThread);
    const QRegularExpression whole(QStringLiteral(R"(\] t\d piece \d+ end$)"));
    for (const QString &line : lines)
        QVERIFY2(whole.match(line).hasMatch(), qPrintable(line)); // no interleaved pieces
}

void TestUniqLogger::callerDeletesLogger()
{
    QTemporaryDir dir;
    UniqLogger *inst = UniqLogger::instance(QStringLiteral("del"));
    Logger *kept = inst->createFileLogger(QStringLiteral("KEPT"), dir.filePath("d.log"));
    Logger *owned = inst->createFileLogger(QStringLiteral("DB"), dir.filePath("d.log"));
    *owned << UNQL::LOG_INFO << "from owned" << UNQL::eom;
    *owned << UNQL::LOG_INFO << "half-built message"; // never ended
    delete owned;
    *kept << UNQL::LOG_INFO << "still writing" << UNQL::eom;
    kept->flush();
    const QStringList lines = readLines(dir.filePath("d.log"));
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).endsWith(QStringLiteral("from owned")));
    QVERIFY(lines.at(1).endsWith(QStringLiteral("still writing")));
    delete kept;
}

void TestUniqLogger::unwritableFileFails()
{
    int status = UniqLogger::DEFAULT_OK;
    Logger *log =
        UniqLogger::instance(QStringLiteral("bad"))
            ->createFileLogger(QStringLiteral("B"), QStringLiteral("/nonexistent-dir/x/y.log"), WriterConfig(), status);
    QVERIFY(!log);
    QCOMPARE(status, int(UniqLogger::ERROR_CREATING));
}

// Log files are created 0600 whatever the umask, a looser existing one is
// tightened, and rotated files keep the mode.
void TestUniqLogger::filesOwnerOnly()
{
    QTemporaryDir dir;
    const mode_t oldMask = ::umask(022);
    const QString loose = dir.filePath("old.log");
    {
        QFile f(loose);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("an older line\n");
    }
    QVERIFY(QFile::setPermissions(loose, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                             QFileDevice::ReadOther));
    WriterConfig cfg;
    cfg.maxFileSize = 1; // KiB
    cfg.maxFileNum = 2;
    std::unique_ptr<Logger> fresh(UniqLogger::instance(QStringLiteral("perm"))
                                      ->createFileLogger(QStringLiteral("P"), dir.filePath("new.log"), cfg));
    std::unique_ptr<Logger> old(
        UniqLogger::instance(QStringLiteral("perm"))->createFileLogger(QStringLiteral("P"), loose, WriterConfig()));
    ::umask(oldMask);
    QVERIFY(fresh && old);
    for (int i = 0; i < 20; ++i)
        *fresh << UNQL::LOG_INFO << QString(200, QLatin1Char('x')) << UNQL::eom;
    fresh->flush();
    QVERIFY(QFile::exists(dir.filePath("new.log.1")));
    for (const QString name : {"new.log", "new.log.1", "old.log"}) {
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(dir.filePath(name)).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }
    QCOMPARE(readLines(loose).first(), QStringLiteral("an older line"));
}

DESKLINE_TEST_MAIN(TestUniqLogger)
#include "tst_uniqlogger.moc"

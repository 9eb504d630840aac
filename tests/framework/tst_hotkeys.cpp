#include "framework/systemshortcut.h"
#include "testmain.h"
#include "uniqlogger.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

namespace
{

// A file logger per test function, read back line by line.
class LogCapture
{
public:
    LogCapture()
    {
        static int n = 0;
        m_path = m_dir.filePath(QStringLiteral("hotkeys%1.log").arg(++n));
        logger.reset(
            UniqLogger::instance(QStringLiteral("hotkeytest"), 0)->createFileLogger(QStringLiteral("HOTKEY"), m_path));
    }

    QStringList lines() const
    {
        QFile f(m_path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Number of lines of that priority containing every one of `parts`.
    int count(const QString &priority, const QStringList &parts) const
    {
        int n = 0;
        for (const QString &l : lines()) {
            bool all = l.contains(QLatin1Char('[') + priority + QLatin1Char(']'));
            for (const QString &p : parts)
                all = all && l.contains(p);
            n += all ? 1 : 0;
        }
        return n;
    }

    std::unique_ptr<Logger> logger;

private:
    QTemporaryDir m_dir;
    QString m_path;
};

} // namespace

class TestHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void setShortcutFails_data();
    void setShortcutFails();
    void unregisterFreshObject();
    void registerForms();
    void translationGivesZeroPairs_data();
    void translationGivesZeroPairs();
    void constructorsWithSequenceRegisterNothing();
    void windowId();
    void eventFilterConsumesNothing();
    void worksWithoutLogger();
    void triggeredIsEmitted();
    void destructorLogsAndUnregisters();
};

void TestHotKeys::setShortcutFails_data()
{
    QTest::addColumn<QKeySequence>("seq");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("translations");

    QTest::newRow("one key") << QKeySequence(Qt::CTRL + Qt::Key_1) << QString() << 1;
    QTest::newRow("empty") << QKeySequence() << "No shortcut sequence passed: " << 0;
    QTest::newRow("two keys") << QKeySequence(Qt::CTRL + Qt::Key_1, Qt::CTRL + Qt::Key_2)
                              << "Shortcut with multiple sequences are not supported yet" << 0;
}

// Every registration fails on this platform; the current sequence stays empty,
// which is how callers see the failure.
void TestHotKeys::setShortcutFails()
{
    QFETCH(QKeySequence, seq);
    QFETCH(QString, refusal);
    QFETCH(int, translations);

    LogCapture log;
    SystemShortcut sc(nullptr);
    sc.logger = log.logger.get();
    sc.setShortcut(seq);
    QVERIFY(sc.shortcut().isEmpty());

    const QString text = seq.toString(QKeySequence::PortableText);
    // Three lines of its own, each starting with its signature.
    QCOMPARE(log.count("INFO", {"SystemShortcut::setShortcut(QKeySequence)"}), 3);
    QCOMPARE(log.count("INFO", {"First unregistering previous shortcut"}), 1);
    QCOMPARE(log.count("INFO", {"Now trying to register new sequence " + text, ".... FAILURE!"}), 1);
    QCOMPARE(log.count("INFO", {"SystemShortcut::registerShortcut("}), translations + 1 + (refusal.isEmpty() ? 0 : 1));
    if (!refusal.isEmpty())
        QCOMPARE(log.count("INFO", {refusal}), 1);
    // Unregistering the (empty) previous sequence is refused at warning priority.
    QCOMPARE(log.count("WARNING", {"invalid / empty keyseq"}), 1);
    QCOMPARE(log.count("INFO", {"Result of keyseq2ModKeys transaltion: ", "false"}), translations);
    // The "Now trying" line is the last one.
    QVERIFY(log.lines().last().contains(".... FAILURE!"));
}

void TestHotKeys::unregisterFreshObject()
{
    LogCapture log;
    SystemShortcut sc(nullptr);
    sc.logger = log.logger.get();
    QCOMPARE(sc.unregister(), false);
    QCOMPARE(log.count("WARNING", {"invalid / empty keyseq"}), 1);
    QCOMPARE(log.count("INFO", {"Unregistering keyseq result... ", "false"}), 1);
    QCOMPARE(sc.unregisterShortcut(QKeySequence(Qt::ALT + Qt::Key_F5)), false);
    QCOMPARE(log.count("INFO", {"Result of keyseq2ModKeys transaltion: ", "false"}), 1);
}

// Both registration forms refuse; the display-server form no longer claims
// a registration that never happened.
void TestHotKeys::registerForms()
{
    LogCapture log;
    SystemShortcut sc(nullptr);
    sc.logger = log.logger.get();
    const QKeySequence seq(Qt::CTRL + Qt::SHIFT + Qt::Key_C);
    QCOMPARE(sc.registerShortcut(seq), false);
    int display = 0;
    QCOMPARE(sc.registerShortcut(seq, 42, &display), false);
    QVERIFY(sc.shortcut().isEmpty());
    QCOMPARE(log.count("INFO", {"Result of keyseq2ModKeys transaltion: ", "false"}), 2);
}

void TestHotKeys::translationGivesZeroPairs_data()
{
    QTest::addColumn<QKeySequence>("seq");
    QTest::addColumn<int>("keys");
    QTest::newRow("none") << QKeySequence() << 0;
    QTest::newRow("one") << QKeySequence(Qt::CTRL + Qt::Key_1) << 1;
    QTest::newRow("two") << QKeySequence(Qt::CTRL + Qt::Key_1, Qt::Key_2) << 2;
}

void TestHotKeys::translationGivesZeroPairs()
{
    QFETCH(QKeySequence, seq);
    QFETCH(int, keys);
    SystemShortcut sc(nullptr);
    QList<quint32> mods{7};
    QList<quint32> codes;
    QCOMPARE(sc.keySeq2ModsKeys(seq, mods, codes), false);
    // Appended after what the lists held.
    QCOMPARE(mods.size(), 1 + keys);
    QCOMPARE(mods.first(), quint32(7));
    QCOMPARE(codes.size(), keys);
    for (int i = 0; i < keys; ++i) {
        QCOMPARE(mods.at(1 + i), quint32(0));
        QCOMPARE(codes.at(i), quint32(0));
    }
}

void TestHotKeys::constructorsWithSequenceRegisterNothing()
{
    QWidget window;
    const QKeySequence seq(Qt::CTRL + Qt::Key_1);
    SystemShortcut a(seq, nullptr);
    SystemShortcut b(seq, &window, nullptr);
    QVERIFY(a.shortcut().isEmpty());
    QVERIFY(b.shortcut().isEmpty());
}

void TestHotKeys::windowId()
{
    QWidget window;
    SystemShortcut withWindow(&window, nullptr);
    QCOMPARE(withWindow.windowId(), quint64(window.winId()));
    QVERIFY(withWindow.windowId() != 0);
    SystemShortcut withoutWindow(static_cast<QWidget *>(nullptr), nullptr);
    QCOMPARE(withoutWindow.windowId(), quint64(0));
}

void TestHotKeys::eventFilterConsumesNothing()
{
    SystemShortcut sc(nullptr);
    long result = 0;
    int event = 0;
    QCOMPARE(sc.nativeEventFilter("xcb_generic_event_t", &event, &result), false);
    QCOMPARE(sc.nativeEventFilter("NSEvent", nullptr, &result), false);
    QCOMPARE(result, 0L);
    // Removing and installing again, or removing twice, is harmless.
    sc.restorePrevEventFilter();
    sc.installNewEventFilter();
    sc.restorePrevEventFilter();
    sc.restorePrevEventFilter();
    QCoreApplication::processEvents();
}

void TestHotKeys::worksWithoutLogger()
{
    SystemShortcut sc(nullptr);
    sc.setShortcut(QKeySequence(Qt::CTRL + Qt::Key_1));
    QCOMPARE(sc.unregister(), false);
    QVERIFY(sc.shortcut().isEmpty());
}

void TestHotKeys::triggeredIsEmitted()
{
    SystemShortcut sc(nullptr);
    // Signal and slot are reached by name (the settings dialog relays triggered()).
    QSignalSpy spy(&sc, SIGNAL(triggered()));
    QVERIFY(QMetaObject::invokeMethod(&sc, "setShortcut", Q_ARG(QKeySequence, QKeySequence(Qt::Key_F9))));
    QCOMPARE(spy.count(), 0);
    sc.emitSignal();
    QCOMPARE(spy.count(), 1);
}

void TestHotKeys::destructorLogsAndUnregisters()
{
    LogCapture log;
    {
        SystemShortcut sc(nullptr);
        sc.logger = log.logger.get();
    }
    QCOMPARE(log.count("INFO", {"SystemShortcut::~SystemShortcut()"}), 1);
    QCOMPARE(log.count("WARNING", {"invalid / empty keyseq"}), 1);
}

DESKLINE_TEST_MAIN(TestHotKeys)
#include "tst_hotkeys.moc"

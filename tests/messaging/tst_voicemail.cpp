// The voicemail tab without a PBX: the rows kept in step with the PBX's lists,
// the download report and the check of the reported file, playback with a
// scripted player (its end, marking as heard, pause, seek) and deletion.
#include "desklineresources.h"
#include "messaging/voicemaillink.h"
#include "messaging/voicemailpanel.h"
#include "messaging/voicemailplayer.h"
#include "messaging/wdgvoicemailline.h"
#include "scriptedprompts.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QVBoxLayout>

namespace
{

// What the rows asked of the PBX, as "download:id:uuid", "mark:id", "delete:id", "list".
struct RecordingLink : VoicemailLink {
    QStringList calls;
    QString lastDirectory;
    bool isConnected() const override { return true; }
    void downloadMessage(const QString &id, const QString &uuid, const QString &directory) override
    {
        calls << QStringLiteral("download:%1:%2").arg(id, uuid);
        lastDirectory = directory;
    }
    void markHeard(const QString &id) override { calls << QStringLiteral("mark:") + id; }
    void deleteMessage(const QString &id) override { calls << QStringLiteral("delete:") + id; }
    void requestList() override { calls << QStringLiteral("list"); }
    void requestMailboxStatus() override { calls << QStringLiteral("mailbox"); }
};

// A player driven by the test: it records what the row asks and reports what
// the test makes it report.
class FakePlayer : public VoicemailPlayer
{
public:
    using VoicemailPlayer::VoicemailPlayer;
    enum State { Stopped, Playing, Paused };
    State state = Stopped;
    QString file;
    qint64 position = 0;
    void setLocalFile(const QString &path) override { file = path; }
    void play() override { state = Playing; }
    void pause() override { state = Paused; }
    void stop() override
    {
        state = Stopped;
        position = 0;
    }
    void setPosition(qint64 ms) override { position = ms; }
    QString errorString() const override { return QStringLiteral("broken"); }
    // Reports as a loaded file of `ms` does.
    void load(qint64 ms) { emit durationChanged(ms); }
    void reach(qint64 ms)
    {
        position = ms;
        emit positionChanged(ms);
    }
    void finish() { emit endOfMedia(); }
};

VoicemailMessage message(const QString &uuid, bool unheard = true)
{
    VoicemailMessage m;
    m.id = QStringLiteral("id-") + uuid;
    m.uuid = uuid;
    m.senderNum = QStringLiteral("0612345678");
    m.senderName = QStringLiteral("Mario Verdi");
    m.arrival = QDateTime(QDate(2026, 3, 4), QTime(9, 5));
    m.duration = 8;
    m.unheard = unheard;
    return m;
}

VoicemailMessageList messages(const QStringList &uuids)
{
    VoicemailMessageList out;
    for (const QString &u : uuids)
        out << message(u);
    return out;
}

// The rows' players, driven by the tests.
struct FakePlayers : VoicemailPlayer::Maker {
    VoicemailPlayer *make(QObject *parent) override { return new FakePlayer(parent); }
};

// The voicemail tab on its own form, its rows talking to a recording link.
struct Tab {
    FakePlayers fakePlayers;
    ScriptedPrompts prompts;
    QWidget form;
    QStackedWidget *stack = new QStackedWidget(&form);
    QWidget *noResults = new QWidget;
    QWidget *page = new QWidget;
    QVBoxLayout *layout = new QVBoxLayout(page);
    std::shared_ptr<RecordingLink> link = std::make_shared<RecordingLink>();
    std::unique_ptr<VoicemailPanel> panel;

    Tab()
    {
        noResults->setObjectName(QStringLiteral("pageVoicemailNoResults"));
        page->setObjectName(QStringLiteral("pageVoicemail"));
        stack->addWidget(noResults);
        stack->addWidget(page);
        layout->addStretch();
        VoicemailPanel::Widgets w;
        w.voicemailStckWidget = stack;
        w.pageVoicemailNoResults = noResults;
        w.pageVoicemail = page;
        w.VoicemailLayout = layout;
        panel.reset(new VoicemailPanel(w, link, fakePlayers));
        (new QVBoxLayout(&form))->addWidget(stack);
        form.resize(500, 600);
        form.show();
    }
    // The rows' uuids from the top down.
    QStringList shownOrder() const
    {
        QStringList out;
        for (int i = 0; i < layout->count(); ++i) {
            if (auto *row = qobject_cast<wdgVoicemailLine *>(layout->itemAt(i)->widget()))
                out << row->uuid();
        }
        return out;
    }
    wdgVoicemailLine *row(const QString &uuid) const { return panel->rows().value(uuid); }
    static FakePlayer *player(wdgVoicemailLine *row) { return static_cast<FakePlayer *>(row->player()); }
    // The row's audio downloaded and loaded (`ms` long).
    FakePlayer *load(const QString &uuid, qint64 ms = 8000)
    {
        wdgVoicemailLine *r = row(uuid);
        testsupport::clickButton(*r, QStringLiteral("downloadButton"));
        const QString file = QDir(link->lastDirectory).filePath(QStringLiteral("audio.wav"));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write("RIFF") != 4)
            return nullptr;
        f.close();
        panel->onVoicemailDownloadCompleted(r->id(), uuid, file);
        player(r)->load(ms);
        return player(r);
    }
};

} // namespace

class TestVoicemail : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void rowsFollowTheList();
    void longListIsCut();
    void senderText_data();
    void senderText();
    void rowShowsTheMessage();
    void downloadAndPathCheck_data();
    void downloadAndPathCheck();
    void unknownDownloadAsksForTheList();
    void playToTheEnd_data();
    void playToTheEnd();
    void pauseResumeAndSeek();
    void deleteMessage();
    void unusableTemporaryDirectory();
    void mailboxStatusAsksOnChange_data();
    void mailboxStatusAsksOnChange();
};

// New messages on top in list order, kept rows untouched (their audio too),
// rows gone from the list removed with their temporary directories.
void TestVoicemail::rowsFollowTheList()
{
    Tab t;
    t.panel->onVoicemailMsgListReceived({});
    QCOMPARE(t.stack->currentWidget(), t.noResults);

    t.panel->onVoicemailMsgListReceived(messages({"a", "b"}));
    QCOMPARE(t.shownOrder(), (QStringList{"a", "b"}));
    QCOMPARE(t.stack->currentWidget(), t.panel->listPage());
    QVERIFY(t.panel->listPage()->isAncestorOf(t.page));
    QPointer<wdgVoicemailLine> a = t.row("a"), b = t.row("b");
    FakePlayer *aPlayer = t.load("a");
    QVERIFY(aPlayer);
    const QString aAudio = a->audioFile();
    QVERIFY(!aAudio.isEmpty());

    // The same list again, then two new ones around the kept ones.
    t.panel->onVoicemailMsgListReceived(messages({"a", "b"}));
    t.panel->onVoicemailMsgListReceived(messages({"c", "a", "d", "b"}));
    QCOMPARE(t.shownOrder(), (QStringList{"c", "d", "a", "b"}));
    QCOMPARE(t.row("a"), a.data());
    QCOMPARE(t.row("b"), b.data());
    QCOMPARE(Tab::player(a), aPlayer);
    QCOMPARE(a->audioFile(), aAudio);
    QCOMPARE(aPlayer->file, aAudio);

    // Only "d" left: the others go at once from the view, then with their audio.
    const QStringList dirs{a->temporaryPath(), b->temporaryPath(), t.row("c")->temporaryPath()};
    t.panel->onVoicemailMsgListReceived(messages({"d"}));
    QCOMPARE(t.shownOrder(), QStringList{"d"});
    QCOMPARE(t.panel->rows().keys(), QStringList{"d"});
    QTRY_VERIFY(a.isNull() && b.isNull());
    for (const QString &dir : dirs)
        QVERIFY2(!QDir(dir).exists(), qPrintable(dir));

    t.panel->onVoicemailMsgListReceived({});
    QVERIFY(t.panel->rows().isEmpty());
    QCOMPARE(t.stack->currentWidget(), t.noResults);
}

// A list longer than the tab holds: its first messages are shown.
void TestVoicemail::longListIsCut()
{
    Tab t;
    QStringList uuids;
    for (int i = 0; i <= VoicemailPanel::MaxRows; ++i)
        uuids << QStringLiteral("m%1").arg(i);
    t.panel->onVoicemailMsgListReceived(messages(uuids));
    QCOMPARE(t.panel->rows().size(), VoicemailPanel::MaxRows);
    QCOMPARE(t.shownOrder(), uuids.mid(0, VoicemailPanel::MaxRows));
}

void TestVoicemail::senderText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("unheard");
    QTest::addColumn<bool>("urgent");
    QTest::addColumn<QString>("shown");
    QTest::newRow("name, new") << " Mario Verdi "
                               << "0612345678" << true << false << "Mario Verdi *";
    QTest::newRow("number without a name, urgent") << "  "
                                                   << " 0612345678" << false << true << "0612345678 !";
    QTest::newRow("nobody, both marks") << ""
                                        << "" << true << true << "Unknown *";
    QTest::newRow("heard, no mark") << "Anna"
                                    << "" << false << false << "Anna ";
}

void TestVoicemail::senderText()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(bool, unheard);
    QFETCH(bool, urgent);
    QFETCH(QString, shown);
    VoicemailMessage m = message(QStringLiteral("x"), unheard);
    m.senderName = name;
    m.senderNum = number;
    m.urgent = urgent;
    Tab t;
    t.panel->onVoicemailMsgListReceived({m});
    QCOMPARE(testsupport::child<QLabel>(*t.row("x"), QStringLiteral("senderLabel"))->text(), shown);
}

void TestVoicemail::rowShowsTheMessage()
{
    Tab t;
    t.panel->onVoicemailMsgListReceived(messages({"x"}));
    wdgVoicemailLine *row = t.row("x");
    QCOMPARE(testsupport::child<QLabel>(*row, QStringLiteral("dateOfArrivalLabel"))->text(),
             QStringLiteral("04-03-2026, 09:05"));
    QCOMPARE(testsupport::child<QLabel>(*row, QStringLiteral("lengthLabel"))->text(), QStringLiteral("00:08"));
    auto *pages = testsupport::child<QStackedWidget>(*row, QStringLiteral("stackedWidget"));
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("pageEmpty"));

    // The PBX marks it heard: a row already shown is left as it is.
    VoicemailMessage heard = message(QStringLiteral("x"), false);
    t.panel->onVoicemailMsgListReceived({heard});
    QCOMPARE(t.row("x"), row);
    QCOMPARE(testsupport::child<QLabel>(*row, QStringLiteral("senderLabel"))->text(), QStringLiteral("Mario Verdi *"));
}

// The reported file is played only when it is a file inside the row's own
// temporary directory.
void TestVoicemail::downloadAndPathCheck_data()
{
    QTest::addColumn<QString>("where"); // "inside", "outside", "dotdot", "symlink", "directory", "missing"
    QTest::addColumn<bool>("accepted");
    QTest::newRow("a file in the row's directory") << "inside" << true;
    QTest::newRow("a file elsewhere") << "outside" << false;
    QTest::newRow("out through ..") << "dotdot" << false;
    QTest::newRow("a link inside to a file outside") << "symlink" << false;
    QTest::newRow("the directory itself") << "directory" << false;
    QTest::newRow("a file that is not there") << "missing" << false;
}

void TestVoicemail::downloadAndPathCheck()
{
    QFETCH(QString, where);
    QFETCH(bool, accepted);
    Tab t;
    t.panel->onVoicemailMsgListReceived(messages({"x"}));
    wdgVoicemailLine *row = t.row("x");
    testsupport::clickButton(*row, QStringLiteral("downloadButton"));
    QCOMPARE(t.link->calls, QStringList{"download:id-x:x"});
    QCOMPARE(t.link->lastDirectory, row->temporaryPath());

    QTemporaryDir elsewhere;
    const QString outsideFile = elsewhere.filePath(QStringLiteral("other.wav"));
    QFile out(outsideFile);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.close();
    const QDir dir(row->temporaryPath());
    QString reported;
    if (where == QLatin1String("inside") || where == QLatin1String("dotdot")) {
        QFile in(dir.filePath(QStringLiteral("x.wav")));
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.close();
        reported = where == QLatin1String("inside")
                       ? in.fileName()
                       : dir.filePath(QStringLiteral("../")) + QFileInfo(elsewhere.path()).fileName() + "/other.wav";
    } else if (where == QLatin1String("outside")) {
        reported = outsideFile;
    } else if (where == QLatin1String("symlink")) {
        reported = dir.filePath(QStringLiteral("x.wav"));
        QVERIFY(QFile::link(outsideFile, reported));
    } else if (where == QLatin1String("directory")) {
        reported = dir.path();
    } else {
        reported = dir.filePath(QStringLiteral("none.wav"));
    }
    t.panel->onVoicemailDownloadCompleted(QStringLiteral("id-x"), QStringLiteral("x"), reported);
    QCOMPARE(row->player() != nullptr, accepted);
    QCOMPARE(!row->audioFile().isEmpty(), accepted);
    if (accepted)
        QCOMPARE(Tab::player(row)->file, QFileInfo(reported).canonicalFilePath());
}

void TestVoicemail::unknownDownloadAsksForTheList()
{
    Tab t;
    t.panel->onVoicemailMsgListReceived(messages({"x"}));
    t.panel->onVoicemailDownloadCompleted(QStringLiteral("id-y"), QStringLiteral("y"), QStringLiteral("/tmp/y.wav"));
    QCOMPARE(t.link->calls, QStringList{"list"});
    QVERIFY(!t.row("x")->player());
}

// The end of a message comes by the player's end of media, by a position at
// (or past) the end, or both: the row stops once and a new message is marked
// as heard once per play.
void TestVoicemail::playToTheEnd_data()
{
    QTest::addColumn<bool>("unheard");
    QTest::addColumn<QString>("end"); // "media", "position", "past", "both"
    QTest::addColumn<QStringList>("requests");
    const QStringList marked{"mark:id-x", "list"};
    QTest::newRow("new, end of media") << true << "media" << marked;
    QTest::newRow("new, position at the end") << true << "position" << marked;
    QTest::newRow("new, position past the end") << true << "past" << marked;
    QTest::newRow("new, position then end of media") << true << "both" << marked;
    QTest::newRow("heard before: nothing to mark") << false << "both" << QStringList();
}

void TestVoicemail::playToTheEnd()
{
    QFETCH(bool, unheard);
    QFETCH(QString, end);
    QFETCH(QStringList, requests);
    Tab t;
    t.panel->onVoicemailMsgListReceived({message(QStringLiteral("x"), unheard)});
    wdgVoicemailLine *row = t.row("x");
    FakePlayer *player = t.load(QStringLiteral("x"), 8000);
    auto *slider = testsupport::child<QSlider>(*row, QStringLiteral("horizontalSlider"));
    QCOMPARE(testsupport::child<QStackedWidget>(*row, QStringLiteral("stackedWidget"))->currentWidget()->objectName(),
             QStringLiteral("pageSlider"));
    QCOMPARE(slider->maximum(), 8000);

    for (int round = 1; round <= 2; ++round) {
        t.link->calls.clear();
        testsupport::clickButton(*row, QStringLiteral("playButton"));
        QCOMPARE(player->state, FakePlayer::Playing);
        QVERIFY(row->isPlaying());
        player->reach(7990);
        QCOMPARE(slider->value(), 7990);
        if (end == QLatin1String("position") || end == QLatin1String("both"))
            player->reach(8000);
        if (end == QLatin1String("past"))
            player->reach(8100);
        if (end == QLatin1String("media") || end == QLatin1String("both"))
            player->finish();
        player->finish(); // a late end report changes nothing more
        QCOMPARE(player->state, FakePlayer::Stopped);
        QVERIFY(!row->isPlaying());
        QCOMPARE(slider->value(), 0);
        // The list request of the second round waits for the first one's
        // answer and keeps its spacing from it.
        QTRY_COMPARE(t.link->calls, requests);
        t.panel->onVoicemailMsgListReceived({message(QStringLiteral("x"), unheard)});
    }
}

void TestVoicemail::pauseResumeAndSeek()
{
    Tab t;
    t.panel->onVoicemailMsgListReceived(messages({"x"}));
    wdgVoicemailLine *row = t.row("x");
    FakePlayer *player = t.load(QStringLiteral("x"), 8000);
    auto *slider = testsupport::child<QSlider>(*row, QStringLiteral("horizontalSlider"));

    testsupport::clickButton(*row, QStringLiteral("playButton"));
    player->reach(3000);
    testsupport::clickButton(*row, QStringLiteral("playButton"));
    QCOMPARE(player->state, FakePlayer::Paused);
    QVERIFY(!row->isPlaying());
    QCOMPARE(slider->value(), 3000);
    // Paused at its end is no end of the message.
    player->reach(8000);
    QVERIFY(t.link->calls.indexOf("mark:id-x") < 0);

    testsupport::clickButton(*row, QStringLiteral("playButton"));
    QCOMPARE(player->state, FakePlayer::Playing);
    QVERIFY(row->isPlaying());

    // Dragging the slider moves the playback position.
    slider->setSliderDown(true);
    slider->setSliderPosition(5000);
    slider->setSliderDown(false);
    QCOMPARE(player->position, qint64(5000));
}

void TestVoicemail::deleteMessage()
{
    Tab t;
    t.panel->onVoicemailMsgListReceived(messages({"x", "y"}));
    QPointer<wdgVoicemailLine> x = t.row("x");
    testsupport::clickButton(*x, QStringLiteral("trashBin"));
    QCOMPARE(t.link->calls, (QStringList{"delete:id-x", "list"}));
    // The row goes with the PBX's next list, or at once when told so.
    QVERIFY(t.row("x"));
    t.panel->onVoicemailDeletion(QStringLiteral("x"));
    t.panel->onVoicemailDeletion(QStringLiteral("unknown"));
    QCOMPARE(t.shownOrder(), QStringList{"y"});
    QTRY_VERIFY(x.isNull());
    t.panel->onVoicemailDeletion(QStringLiteral("y"));
    QCOMPARE(t.stack->currentWidget(), t.noResults);
}

void TestVoicemail::unusableTemporaryDirectory()
{
    // Temporary files are to go under a plain file: no directory can be made.
    QTemporaryFile notADirectory;
    QVERIFY(notADirectory.open());
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(notADirectory.fileName()));
    Tab t;
    t.panel->onVoicemailMsgListReceived(messages({"x"}));
    qputenv("TMPDIR", saved);
    testsupport::clickButton(*t.row("x"), QStringLiteral("downloadButton"));
    QCOMPARE(t.prompts.texts(), QStringList{"Impossibile scaricare il messaggio vocale"});
    QCOMPARE(t.prompts.shown.first().message.title, QStringLiteral("Errore!"));
    QVERIFY(t.link->calls.isEmpty());
}

// The mailbox counters ask for the list only when they differ from the last
// ones known, and never while a list request waits for its answer. Steps:
// a number is a status with that many new messages, "a" the list's arrival,
// "x" a new session.
void TestVoicemail::mailboxStatusAsksOnChange_data()
{
    QTest::addColumn<bool>("available");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("listsAtOnce");
    QTest::addColumn<int>("listsFinally");
    QTest::newRow("the first status asks") << true << QStringList{"1"} << 1 << 1;
    QTest::newRow("the same status again asks nothing") << true << QStringList{"1", "a", "1", "a", "1", "1"} << 1 << 1;
    QTest::newRow("a change asks") << true << QStringList{"1", "a", "0"} << 1 << 2;
    QTest::newRow("changes while the list is awaited: one waits")
        << true << QStringList{"1", "2", "3", "4", "5"} << 1 << 1;
    QTest::newRow("the waiting one goes with the answer") << true << QStringList{"1", "2", "3", "4", "a"} << 1 << 2;
    QTest::newRow("a new session asks again") << true << QStringList{"1", "a", "x", "1"} << 2 << 2;
    QTest::newRow("no voicemail on this PBX") << false << QStringList{"1", "2"} << 0 << 0;
}

void TestVoicemail::mailboxStatusAsksOnChange()
{
    QFETCH(bool, available);
    QFETCH(QStringList, steps);
    QFETCH(int, listsAtOnce);
    QFETCH(int, listsFinally);
    Tab t;
    t.panel->setAvailable(available);
    for (const QString &step : steps) {
        if (step == QLatin1String("a")) {
            t.panel->onVoicemailMsgListReceived(messages({"x"}));
        } else if (step == QLatin1String("x")) {
            t.panel->resetSession();
        } else {
            MailboxStatus status;
            status.mailbox = QStringLiteral("201");
            status.newMessages = step.toInt();
            status.totalMessages = step.toInt();
            t.panel->onMailboxStatusChanged(status);
        }
    }
    QCOMPARE(t.link->calls.count(QStringLiteral("list")), listsAtOnce);
    QTRY_COMPARE(t.link->calls.count(QStringLiteral("list")), listsFinally);
    QCOMPARE(t.link->calls.size(), listsFinally);
    // Nothing more comes later.
    QTest::qWait(VoicemailPanel::ListSpacingMs + 200);
    QCOMPARE(t.link->calls.size(), listsFinally);
}

DESKLINE_TEST_MAIN(TestVoicemail)
#include "tst_voicemail.moc"

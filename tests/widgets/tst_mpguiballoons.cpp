// The main window's open-balloon map: a balloon's closing notice reaches the
// window by name and frees the balloon's key.
#include "desklineresources.h"
#include "mainwindow/mpgui.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "testmain.h"
#include "widgets/balloonboard.h"
#include "widgets/wdgballoonmessage.h"

#include <QTemporaryDir>

class TestMPGuiBalloons : public QObject
{
    Q_OBJECT
private slots:
    void closingNoticeFreesTheKey();

private:
    QTemporaryDir m_dir;
};

void TestMPGuiBalloons::closingNoticeFreesTheKey()
{
    MSETTINGS::setSettingsDirPath(m_dir.path());
    ScriptedPrompts prompts;
    MctiConfig config;
    config.pbxAddress = QStringLiteral("127.0.0.1:9");
    config.username = QStringLiteral("demo");
    MPGui window{config};
    // Before the layout exists the notice is ignored.
    QVERIFY(QMetaObject::invokeMethod(&window, "onBaloonMsgClosing",
                                      Q_ARG(Balloon::KeyPair, Balloon::KeyPair(Balloon::UpdateBalloon, QString()))));
    window.start();
    BalloonBoard *board = window.balloonBoard();
    QVERIFY(board);
    wdgBalloonMessage *balloon = board->openBalloon(
        QStringLiteral("Copiato"), Balloon::OutgoingCallBaloonInfo(Balloon::CopyToCallBalloon, QStringLiteral("0612")),
        MSETTINGS::AppModeCtiOnly, false);
    QVERIFY(balloon);
    QVERIFY(connect(balloon, SIGNAL(sigBaloonMsgClosing(Balloon::KeyPair)), &window,
                    SLOT(onBaloonMsgClosing(Balloon::KeyPair))));
    const Balloon::KeyPair key(Balloon::CopyToCallBalloon, QStringLiteral("0612"));
    QVERIFY(board->balloonsMap().contains(key));
    // A key the window does not know changes nothing.
    QVERIFY(QMetaObject::invokeMethod(&window, "onBaloonMsgClosing",
                                      Q_ARG(Balloon::KeyPair, Balloon::KeyPair(Balloon::UpdateBalloon, QString()))));
    QVERIFY(board->balloonsMap().contains(key));
    QVERIFY(QMetaObject::invokeMethod(&window, "onBaloonMsgClosing", Q_ARG(Balloon::KeyPair, key)));
    QVERIFY(board->balloonsMap().isEmpty());
}

DESKLINE_TEST_MAIN(TestMPGuiBalloons)
#include "tst_mpguiballoons.moc"

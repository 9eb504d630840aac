// The rebranding refresh against the PBX simulator: the request carries the
// MD5 of the pack on disk (empty when there is none), and nothing is asked
// while logged out.
#include "mainwindow/mpgui.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettings.h"
#include "testmain.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonObject>
#include <QSignalSpy>

using namespace sessiontest;

namespace
{
// The MD5 sent by the refresh requests seen so far.
QStringList requestedMd5s(const QSignalSpy &commands)
{
    QStringList md5s;
    for (const QList<QVariant> &cmd : commands)
        if (cmd.at(1).toString() == QLatin1String("getRebranding"))
            md5s << cmd.at(2).toJsonObject().value(QStringLiteral("md5")).toString();
    return md5s;
}
} // namespace

class TestSessionRebranding : public QObject
{
    Q_OBJECT
private slots:
    void refreshSendsThePacksMd5();
    void noRefreshWhileLoggedOut();
};

void TestSessionRebranding::refreshSendsThePacksMd5()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);

    w.refreshRebrandingPack();
    QTRY_COMPARE(requestedMd5s(commands), QStringList({QString()}));

    const QByteArray pack("PK not really a zip, only its digest matters here");
    QFile file(MSETTINGS::getRebrandingPackFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(pack);
    file.close();
    w.refreshRebrandingPack();
    const QString md5 = QString::fromLatin1(QCryptographicHash::hash(pack, QCryptographicHash::Md5).toHex());
    QTRY_COMPARE(requestedMd5s(commands), QStringList({QString(), md5}));
}

void TestSessionRebranding::noRefreshWhileLoggedOut()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    w.findChild<QAction *>(QStringLiteral("disconnectAction"))->trigger();
    QTRY_VERIFY(!w.isSessionUp());

    w.refreshRebrandingPack();
    // Log in again: had the refresh been sent, it would precede the log-in.
    w.findChild<QAction *>(QStringLiteral("connectAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(w.isSessionUp(), 10000);
    QVERIFY(requestedMd5s(commands).isEmpty());
}

DESKLINE_TEST_MAIN(TestSessionRebranding)
#include "tst_session_rebranding.moc"

// A main window logged in to the in-process PBX simulator, for the session
// tests: fresh settings directory, demo office on loopback, prompts answered
// from a script.
#pragma once

#include "app/globallogger.h"
#include "app/mcticonfig.h"
#include "conditionwait.h"
#include "ctilib.h"
#include "desklineresources.h"
#include "framework/simpleobfuscator.h"
#include "mainwindow/mpgui.h"
#include "pbxsimulator.h"
#include "phone/mpengine.h"
#include "phone/phonebackends.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"

#include <QAction>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace sessiontest
{

// A timer of the window or of one of its subsystems, by object name.
inline QTimer *timerOf(const MPGui &w, const QString &name)
{
    return w.findChild<QTimer *>(name);
}

template <typename T> T *widgetOf(const MPGui &w, const QString &name)
{
    return w.findChild<T *>(name);
}

inline QAction *actionNamed(const MPGui &w, const QString &name)
{
    return w.findChild<QAction *>(name);
}

inline QAction *actionWithText(const MPGui &w, const QString &text)
{
    const auto actions = w.findChildren<QAction *>();
    for (QAction *a : actions) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

struct SessionFixture {
    QTemporaryDir dir;
    std::unique_ptr<PbxSimulator> sim{new PbxSimulator};
    quint16 port = 0;

    explicit SessionFixture(const PbxSimData &data = PbxSimData::demo())
    {
        initDesklineResources();
        MSETTINGS::setSettingsDirPath(dir.path());
        MSETTINGS::setFontSizeIncrement(0);
        sim->setData(data);
        QString error;
        if (!sim->listen(QHostAddress::LocalHost, 0, &error))
            qFatal("simulator: %s", qPrintable(error));
        port = sim->serverPort();
    }

    MctiConfig config(const QString &user = QStringLiteral("demo"), const QString &password = QStringLiteral("demo"),
                      int mode = 0) const
    {
        MctiConfig c;
        c.pbxAddress.set(QStringLiteral("127.0.0.1:%1").arg(port));
        c.username.set(user);
        c.password.set(SimpleObfuscator::hide(password));
        c.appMode.set(mode);
        return c;
    }

    // Writes keys of the settings file's "CTI" group before the window reads it.
    void writeCtiSettings(const QMap<QString, QVariant> &values) const
    {
        QSettings s(MSETTINGS::getSettingsConfigFile(), QSettings::IniFormat);
        s.beginGroup(QStringLiteral("CTI"));
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            s.setValue(it.key(), it.value());
        s.endGroup();
        s.sync();
    }

    QByteArray logText() const
    {
        if (logger)
            logger->flush();
        QFile f(dir.filePath(QStringLiteral("mphone.log")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Brings the simulator back on the same port (after killSimulator()).
    bool reviveSimulator(const PbxSimData &data = PbxSimData::demo())
    {
        sim.reset(new PbxSimulator);
        sim->setData(data);
        return sim->listen(QHostAddress::LocalHost, port);
    }
    void killSimulator() { sim.reset(); }
};

// Waits for the log-in of a started window to complete. start() makes the
// window's subsystems and leaves the log-in to the event loop (after the
// first paint): between the two a test may reach the subsystems.
inline bool waitForLogin(MPGui &w, int ms = testsupport::kConditionWaitMs)
{
    QElapsedTimer t;
    t.start();
    while (!w.isSessionUp() && t.elapsed() < ms)
        QTest::qWait(20);
    return w.isSessionUp();
}

// Starts the window and waits for the log-in to complete.
inline bool startAndLogin(MPGui &w, int ms = testsupport::kConditionWaitMs)
{
    w.start();
    return waitForLogin(w, ms);
}

// The audio devices of the softphone engine's test build.
inline const QStringList kSystemIn{QStringLiteral("Virtual WAV file input")};
inline const QStringList kSystemOut{QStringLiteral("Virtual capture to WAV file sink")};

// The arguments of every command of that name in a simulator trace file, in order.
inline QList<QJsonObject> traced(const QString &path, const QString &cmd)
{
    QList<QJsonObject> found;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value(QStringLiteral("cmd")).toString() == cmd)
            found << o.value(QStringLiteral("args")).toObject();
    }
    return found;
}

// The simulated PBX takes SIP registrations and tells the clients where.
inline bool listenForSoftphones(SessionFixture &f, QString *error)
{
    if (!f.sim->listenSip(QHostAddress::LocalHost, 0, error))
        return false;
    PbxSimData data = PbxSimData::demo();
    data.sip.registrarAddress = QStringLiteral("127.0.0.1");
    data.sip.registrarPort = f.sim->sipPort();
    data.sip.proxyAddress = QStringLiteral("127.0.0.1");
    data.sip.proxyPort = f.sim->sipPort();
    f.sim->setData(data);
    return true;
}

// The softphone's audio devices: those of the engine's test build.
inline void useTestAudioDevices(MctiConfig &c)
{
    c.micDevice.set(kSystemIn.first());
    c.spkDevice.set(kSystemOut.first());
    c.ringDevice.set(kSystemOut.first());
}

// The engine's sounds and devices, as the installation would give them
// (the window makes its back-ends when it starts; the engine comes with the
// log-in).
inline void withInstalledSoundsAndDevices(PhoneBackends *phones)
{
    QObject::connect(phones, &PhoneBackends::phoneEngineReady, phones, [](MPEngine *e) {
        e->setSoundsDirPath(qEnvironmentVariable("DESKLINE_SOURCE_DIR") + QStringLiteral("/resources/sounds"));
        e->setSystemDeviceLister([](QAudio::Mode m) { return m == QAudio::AudioInput ? kSystemIn : kSystemOut; });
    });
}

// The demo user's account is the window's identity list, as after log-in.
inline void useDemoAccount(MPGui &w, const PbxSimulator &sim)
{
    IdentityList list;
    IdentityEntry entry;
    for (const SimUser &u : sim.data().users) {
        if (u.extension == QLatin1String("201"))
            entry.identifier = u.account();
    }
    list << entry;
    w.store()->setAccountList(list);
}

} // namespace sessiontest

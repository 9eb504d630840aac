// A main window logged in to the simulated PBX in one of the phone modes
// (desk phone: the simulator plays the user's Snom; softphone: its engine
// registered on the simulator's SIP side), for the call session tests.
#pragma once

#include "calls/calllines.h"
#include "mainwindow/customshortcut.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testhelpers.h"
#include "widgets/customlineedit.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgincomingcallline.h"

#include <QAbstractButton>

#include <memory>

namespace sessiontest
{
// A logged-in window in one of the phone modes, its phone ready.
struct PhoneWindow {
    SessionFixture f;
    ScriptedPrompts prompts;
    std::unique_ptr<MPGui> w;
    QString trace;

    bool start(int mode)
    {
        trace = f.dir.filePath(QStringLiteral("trace.jsonl"));
        if (!f.sim->setTraceFile(trace))
            return false;
        f.sim->setAnswerDelay(300);
        MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), mode);
        c.account.set(QStringLiteral("201"));
        if (mode == 2) {
            QString error;
            if (!listenForSoftphones(f, &error))
                return false;
            useTestAudioDevices(c);
        }
        w.reset(new MPGui(c));
        w->start();
        withInstalledSoundsAndDevices(w->phoneBackends());
        if (!waitForLogin(*w))
            return false;
        if (mode == 2)
            return QTest::qWaitFor([this] { return w->phoneBackends()->isSipRegistered(); },
                                   testsupport::kConditionWaitMs);
        return QTest::qWaitFor([this] { return w->phoneBackends()->deskPhone() != nullptr; },
                               testsupport::kConditionWaitMs);
    }
    CallLines *calls() const { return w->callLines(); }
    CustomLineEdit *field() const { return widgetOf<CustomLineEdit>(*w, QStringLiteral("edtCallerNumber")); }
    void key(const char *name) const
    {
        customShortcut *s = w->shortcuts().value(QString::fromLatin1(name));
        QVERIFY2(s, name);
        emit s->activated();
    }
    // Types a number in the number field and presses Enter.
    void typeAndEnter(const QString &number) const
    {
        field()->setText(number);
        emit field()->sigEnter();
    }
    // An outside caller rings 201 and the user answers from the ringing line.
    qint64 answeredCall(const QString &from)
    {
        const int before = calls()->activeLines().size();
        f.sim->injectIncomingCall(from, QStringLiteral("201"));
        if (!QTest::qWaitFor([this] { return !calls()->ringingLines().isEmpty(); }, testsupport::kConditionWaitMs))
            return -1;
        const qint64 line = calls()->ringingLines().firstKey();
        // The desk phone's ringing line offers to answer; the softphone's
        // balloon does.
        QWidget *offer = calls()->ringingLines().first();
        QString name = QStringLiteral("btnAnswerCall");
        if (w->operatingMode() == MSETTINGS::AppModeSoftphone) {
            if (!QTest::qWaitFor([this, line] { return calls()->balloon(Balloon::IncomingCallBalloon, line); },
                                 testsupport::kConditionWaitMs))
                return -1;
            offer = calls()->balloon(Balloon::IncomingCallBalloon, line);
            name = QStringLiteral("btnStartCall");
        }
        QAbstractButton *answer = testsupport::child<QAbstractButton>(*offer, name);
        if (!answer->isVisibleTo(offer) || !answer->isEnabled())
            return -1;
        QTest::mouseClick(answer, Qt::LeftButton);
        if (!QTest::qWaitFor([this, before] { return calls()->activeLines().size() > before; },
                             testsupport::kConditionWaitMs))
            return -1;
        return QTest::qWaitFor(
                   [this, line] {
                       return calls()->activeLines().value(line) &&
                              calls()->activeLines().value(line)->getCallStatus() == 1;
                   },
                   testsupport::kConditionWaitMs)
                   ? line
                   : -1;
    }
};
} // namespace sessiontest

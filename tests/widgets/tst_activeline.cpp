// The active call line: which buttons each status shows per operating mode and
// transfer role, the error display, the call timer and the party shown.
#include "desklineresources.h"
#include "testmain.h"
#include "ui_wdgactiveline.h"
#include "widgets/wdgactiveline.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

namespace
{
const char *const buttonNames[] = {"btnUnattendTransfer", "btnCancelTransfer", "btnTransfer",
                                   "btnParkCall",         "btnHold",           "btnRec",
                                   "btnHangup",           "btnDualRing",       "btnDismiss"};

QString toolTipOf(const QString &name)
{
    static const QMap<QString, QString> tips{
        {"btnUnattendTransfer", "Trasferimento senza offerta"},
        {"btnCancelTransfer", "Annulla trasferimento della chiamata"},
        {"btnTransfer", "Trasferimento con offerta"},
        {"btnParkCall", "Parcheggio di chiamata"},
        {"btnHold", "Messa in pausa"},
        {"btnRec", "Registrazione chiamata"},
        {"btnHangup", "Termina chiamata"},
        {"btnDualRing", "Inoltra al cellulare"},
        {"btnDismiss", "Chiudi"},
    };
    return tips.value(name);
}
} // namespace

class TestActiveLine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void buttons_data();
    void buttons();
    void firstStatusByMode_data();
    void firstStatusByMode();
    void buttonsSendTheLine();
    void errorDisplay();
    void callTimer_data();
    void callTimer();
    void recordingShownOnlyWhenConfirmed();
    void transferInProgress();
    void party_data();
    void party();
    void additionalInfo();
    void partyTextIsPlain();
    void statusLookAndLabel_data();
    void statusLookAndLabel();
    void peakLevelOnlyWhileTalking();
    void enabledPeakLevelShowsWhileTalking();
    void focusDescribesTheCall();
    void styleSheetFromResources();

private:
    static QStringList shown(const wdgActiveLine &w);
};

QStringList TestActiveLine::shown(const wdgActiveLine &w)
{
    QStringList names;
    for (const char *name : buttonNames) {
        auto *b = w.findChild<QPushButton *>(name);
        if (!b->isHidden()) {
            names << name;
            if (!b->isEnabled())
                names << QStringLiteral("(disabled)");
        }
    }
    return names;
}

void TestActiveLine::buttons_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("phoneApi");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("extras"); // mobile forwarding and recording available
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("transferTip");

    struct Mode {
        const char *name;
        int mode;
        bool phoneApi;
        bool control;
        bool onlyUnattended;
    };
    const Mode modes[] = {{"mode 2", 2, false, true, false},
                          {"mode 1 with desk phone", 1, true, true, false},
                          {"mode 1", 1, false, false, true},
                          {"mode 0", 0, false, false, false}};
    for (const Mode &m : modes) {
        for (bool extras : {false, true}) {
            for (int status : {-1, 0, 1, 2, 3, 7}) {
                QStringList ordinary;
                switch (status) {
                case -1:
                    ordinary = QStringList{"btnDismiss"};
                    break;
                case 0:
                    ordinary = QStringList{"btnHangup"};
                    break;
                case 1:
                    if (m.control) {
                        ordinary = QStringList{"btnUnattendTransfer", "btnTransfer", "btnParkCall", "btnHold"};
                        if (extras)
                            ordinary << "btnRec";
                        ordinary << "btnHangup";
                        if (extras)
                            ordinary << "btnDualRing";
                    } else if (m.onlyUnattended) {
                        ordinary = QStringList{"btnUnattendTransfer", "btnHangup"};
                    } else {
                        ordinary = QStringList{"btnHangup"};
                    }
                    break;
                case 2:
                    ordinary = m.control ? QStringList{"btnCancelTransfer", "btnHangup"} : QStringList{"btnHangup"};
                    break;
                default:
                    break;
                }
                QTest::addRow("%s, %s, status %d, ordinary line", m.name, extras ? "extras" : "plain", status)
                    << m.mode << m.phoneApi << -1 << extras << status << ordinary << "Trasferimento con offerta";

                QStringList consultation;
                QString tip = "Trasferimento con offerta";
                if (status == -1)
                    consultation = QStringList{"btnDismiss"};
                else if (m.control && (status == 0 || status == 1)) {
                    consultation = QStringList{"btnCancelTransfer", "btnTransfer"};
                    tip = status == 1 ? "Completa trasferimento" : "Converti in trasferimento senza offerta";
                }
                QTest::addRow("%s, %s, status %d, consultation line", m.name, extras ? "extras" : "plain", status)
                    << m.mode << m.phoneApi << 1 << extras << status << consultation << tip;
            }
        }
    }
}

void TestActiveLine::buttons()
{
    QFETCH(int, mode);
    QFETCH(bool, phoneApi);
    QFETCH(int, role);
    QFETCH(bool, extras);
    QFETCH(int, status);
    QFETCH(QStringList, buttons);
    QFETCH(QString, transferTip);
    wdgActiveLine w(MSETTINGS::AppMode(mode), extras, phoneApi, 1, role, false);
    w.setRecordingStatus(extras, false);
    w.setCallStatus(status);
    QCOMPARE(shown(w), buttons);
    for (const QString &name : buttons) {
        const QString tip = name == "btnTransfer" ? transferTip : toolTipOf(name);
        QCOMPARE(w.findChild<QPushButton *>(name)->toolTip(), tip);
    }
}

void TestActiveLine::firstStatusByMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("phoneApi");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("status");
    QTest::newRow("softphone keeps starting") << 2 << false << 0 << 0;
    QTest::newRow("softphone keeps in progress") << 2 << false << 1 << 1;
    QTest::newRow("desk phone keeps starting") << 1 << true << 0 << 0;
    QTest::newRow("desk phone makes other values in progress") << 1 << true << 3 << 1;
    QTest::newRow("mode 1 without desk phone") << 1 << false << 0 << 1;
    QTest::newRow("CTI only") << 0 << false << 0 << 1;
}

void TestActiveLine::firstStatusByMode()
{
    QFETCH(int, mode);
    QFETCH(bool, phoneApi);
    QFETCH(int, first);
    QFETCH(int, status);
    wdgActiveLine w(MSETTINGS::AppMode(mode), false, phoneApi, first, -1, false);
    QCOMPARE(w.getCallStatus(), status);
}

void TestActiveLine::buttonsSendTheLine()
{
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, true, false, 1, -1, false);
    w.setLineId(42);
    w.show();
    QSignalSpy hangup(&w, &wdgActiveLine::sigHangupCall);
    QSignalSpy hold(&w, &wdgActiveLine::sigHoldCall);
    QSignalSpy park(&w, &wdgActiveLine::sigAskForParkCall);
    QSignalSpy unattended(&w, &wdgActiveLine::sigAskForUnattendedTransfer);
    QSignalSpy attended(&w, &wdgActiveLine::sigAskForTransferEstablishedCall);
    QSignalSpy dual(&w, &wdgActiveLine::sigDualRingTriggered);
    for (const char *name :
         {"btnHangup", "btnHold", "btnParkCall", "btnUnattendTransfer", "btnTransfer", "btnDualRing"})
        QTest::mouseClick(w.findChild<QPushButton *>(name), Qt::LeftButton);
    for (QSignalSpy *spy : {&hangup, &hold, &park, &unattended, &attended}) {
        QCOMPARE(spy->count(), 1);
        QCOMPARE(spy->at(0).at(0).toLongLong(), 42LL);
    }
    QCOMPARE(dual.count(), 1);

    wdgActiveLine consultation(MSETTINGS::AppModeSoftphone, false, false, 1, 1, false);
    consultation.show();
    QSignalSpy complete(&consultation, &wdgActiveLine::sigCompleteCallTransfer);
    QSignalSpy cancel(&consultation, &wdgActiveLine::sigCancelTransferRequested);
    QTest::mouseClick(consultation.findChild<QPushButton *>("btnTransfer"), Qt::LeftButton);
    QTest::mouseClick(consultation.findChild<QPushButton *>("btnCancelTransfer"), Qt::LeftButton);
    QCOMPARE(complete.count(), 1);
    QCOMPARE(cancel.count(), 1);
    QCOMPARE(cancel.at(0).at(1).toBool(), true);
}

void TestActiveLine::errorDisplay()
{
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    w.setLineId(9);
    w.show();
    QSignalSpy timeout(&w, &wdgActiveLine::sigErrorDisplayTimerTimeout);
    auto *timer = w.findChild<QTimer *>("errorDisplayTimer");
    QVERIFY(timer);
    // Outside the error status a dismissal is nothing.
    w.dismissLineInError();
    QCOMPARE(timeout.count(), 0);

    w.notifyError(QStringLiteral("Numero non raggiungibile"));
    QCOMPARE(w.getCallStatus(), -1);
    QCOMPARE(w.findChild<QLabel *>("lblCallStatus")->text(), QStringLiteral("Numero non raggiungibile"));
    QVERIFY(timer->isActive());
    QVERIFY(timer->isSingleShot());
    QCOMPARE(timer->interval(), 5000);
    QCOMPARE(shown(w), QStringList{"btnDismiss"});

    // The timer's end (not waited for) asks once to close the line.
    QMetaObject::invokeMethod(timer, "timeout");
    QCOMPARE(timeout.count(), 1);
    QCOMPARE(timeout.at(0).at(0).toLongLong(), 9LL);
    QVERIFY(!timer->isActive());

    // The close button does the same before the time is up.
    w.notifyError(QStringLiteral("Occupato"));
    QTest::mouseClick(w.findChild<QPushButton *>("btnDismiss"), Qt::LeftButton);
    QCOMPARE(timeout.count(), 2);
    QVERIFY(!timer->isActive());
}

void TestActiveLine::callTimer_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("59 s") << 59 << "00:00:59";
    QTest::newRow("1 h 2 min 5 s") << 3725 << "01:02:05";
    // A call that lasts a day does not start again from zero.
    QTest::newRow("a day") << 86400 << "24:00:00";
    QTest::newRow("over four days") << 360061 << "100:01:01";
    QTest::newRow("negative") << -3 << "00:00:00";
}

void TestActiveLine::callTimer()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 0, -1, false);
    w.setLineId(5);
    auto *timer = w.findChild<QTimer *>("callDurationTimer");
    QVERIFY(!timer->isActive());
    w.setCallStatus(1);
    QVERIFY(timer->isActive());
    QSignalSpy request(&w, &wdgActiveLine::sigRequesteCallDuration);
    QMetaObject::invokeMethod(timer, "timeout");
    QCOMPARE(request.count(), 1);
    QCOMPARE(request.at(0).at(0).toInt(), 5);
    w.updateCallDuration(seconds);
    QCOMPARE(w.findChild<QLabel *>("lblCallTimer")->text(), text);
    w.setCallStatus(2);
    QVERIFY(timer->isActive());
    w.setCallStatus(3);
    QVERIFY(!timer->isActive());
}

void TestActiveLine::recordingShownOnlyWhenConfirmed()
{
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    w.setLineId(3);
    w.show();
    auto *rec = w.findChild<QPushButton *>("btnRec");
    QVERIFY(rec->isHidden());
    w.setRecordingStatus(true, false);
    QVERIFY(!rec->isHidden());
    QSignalSpy record(&w, &wdgActiveLine::sigRecordCall);
    QTest::mouseClick(rec, Qt::LeftButton);
    QCOMPARE(record.count(), 1);
    QCOMPARE(record.at(0).at(1).toBool(), true);
    QVERIFY(!rec->isChecked()); // not until the window confirms
    w.setRecordingStatus(true, true);
    QVERIFY(rec->isChecked());
    QTest::mouseClick(rec, Qt::LeftButton);
    QCOMPARE(record.at(1).at(1).toBool(), false);
    QVERIFY(rec->isChecked());
    // Not allowed: nothing is sent and the button stays as it was.
    w.setRecordingStatus(false, false);
    QVERIFY(rec->isHidden());
    QVERIFY(!rec->isChecked());
    w.recordCall();
    QCOMPARE(record.count(), 2);
}

void TestActiveLine::transferInProgress()
{
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    auto *status = w.findChild<QLabel *>("lblCallStatus");
    w.setTransferInProgress(true, QStringLiteral("<b>201</b>"));
    QCOMPARE(w.getCallStatus(), 2);
    QCOMPARE(status->text(), QStringLiteral("Trasferimento a <b>201</b> in corso"));
    QCOMPARE(status->textFormat(), Qt::PlainText);
    w.setTransferInProgress(false, QString());
    QCOMPARE(w.getCallStatus(), 1);
    w.setTransferInProgress(true, QString());
    QCOMPARE(status->text(), QStringLiteral("Trasferimento in corso"));

    wdgActiveLine consultation(MSETTINGS::AppModeSoftphone, false, false, 1, 1, false);
    consultation.setTransferInProgress(true, "201");
    QCOMPARE(consultation.getCallStatus(), 1);
}

void TestActiveLine::party_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("shownName");
    QTest::addColumn<QString>("shownNumber");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("remoteName");
    QTest::newRow("number only") << ""
                                 << "+39 02-123 456"
                                 << "+3902123456"
                                 << "+3902123456"
                                 << "+"
                                 << "";
    QTest::newRow("name equal to the number") << "0212"
                                              << "0212"
                                              << "0212"
                                              << "0212"
                                              << "0"
                                              << "";
    QTest::newRow("name and number") << "Mario Rossi"
                                     << "0212"
                                     << "Mario Rossi"
                                     << "0212"
                                     << "M"
                                     << "Mario Rossi";
    QTest::newRow("name set to the shown number") << "+3902"
                                                  << "+39 02"
                                                  << "+3902"
                                                  << "+3902"
                                                  << "+"
                                                  << "";
}

void TestActiveLine::party()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(QString, shownName);
    QFETCH(QString, shownNumber);
    QFETCH(QString, letter);
    QFETCH(QString, remoteName);
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    if (!name.isEmpty())
        w.setRemoteName(name);
    w.setRemoteNum(number);
    QCOMPARE(w.getRemoteNum(), number);
    QCOMPARE(w.findChild<QLabel *>("lblSpeaker")->text(), shownName);
    QCOMPARE(w.findChild<QLabel *>("lblNum")->text(), shownNumber);
    QCOMPARE(w.findChild<QLabel *>("lblPic")->text(), letter);
    QCOMPARE(w.getRemoteName(), remoteName);
    // An empty name leaves no letter rather than reading past the end.
    w.setRemoteName(QString());
    QCOMPARE(w.findChild<QLabel *>("lblPic")->text(), QString());
}

void TestActiveLine::additionalInfo()
{
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    auto *caption = w.findChild<QLabel *>("lblQueueText");
    QVERIFY(caption->isHidden());
    w.setGroupInfo(QStringLiteral(" Commerciale "));
    QCOMPARE(w.getGroupInfo(), QStringLiteral("Commerciale"));
    QVERIFY(!caption->isHidden());
    w.setQueueInfo(QStringLiteral("   "));
    QCOMPARE(w.getGroupInfo(), QStringLiteral("Commerciale"));
    QCOMPARE(w.getQueueInfo(), QString());
    w.setXferReturnInfo(QStringLiteral("201"));
    QCOMPARE(w.getXferReturnInfo(), QStringLiteral("201"));
    QCOMPARE(w.getGroupInfo(), QString());
    w.setAdditionalInfo(QStringLiteral("Nota:"), QStringLiteral("VIP"));
    QCOMPARE(w.getAdditionalInfo(), QStringLiteral("VIP"));
    QCOMPARE(w.getAdditionalInfoLabel(), QStringLiteral("Nota:"));
}

void TestActiveLine::partyTextIsPlain()
{
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    w.setRemoteName(QStringLiteral("<img src=\"x.png\">Mario"));
    w.setQueueInfo(QStringLiteral("<b>Vendite</b>"));
    for (const char *name : {"lblSpeaker", "lblNum", "lblPic", "lblQueueInfo", "lblQueueText", "lblCallStatus",
                             "lblCompany", "lblAccountInfo"})
        QCOMPARE(w.findChild<QLabel *>(name)->textFormat(), Qt::PlainText);
}

void TestActiveLine::statusLookAndLabel_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("look");
    QTest::addColumn<QString>("label");
    QTest::newRow("starting") << 0 << "starting"
                              << "Avvio chiamata...";
    QTest::newRow("in progress") << 1 << "normal"
                                 << "Chiamata in corso";
    QTest::newRow("transfer") << 2 << "transfer"
                              << "Trasferimento in corso";
    QTest::newRow("ended") << 3 << "finished"
                           << "Chiamata terminata";
    QTest::newRow("unknown") << 7 << "normal"
                             << "";
}

void TestActiveLine::statusLookAndLabel()
{
    QFETCH(int, status);
    QFETCH(QString, look);
    QFETCH(QString, label);
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    QSignalSpy changed(&w, &wdgActiveLine::sigStatusChanged);
    w.setCallStatus(status);
    QCOMPARE(w.property("status").toString(), look);
    QCOMPARE(w.findChild<QLabel *>("lblCallStatus")->text(), label);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), status);
}

void TestActiveLine::peakLevelOnlyWhileTalking()
{
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 0, -1, false);
    QSignalSpy peak(&w, &wdgActiveLine::sigRequestOutgoingPeakLevel);
    for (int status : {0, 3, -1}) {
        w.setCallStatus(status);
        w.requestOutgoingPeakLevel();
    }
    QCOMPARE(peak.count(), 0);
    w.setCallStatus(1);
    w.requestOutgoingPeakLevel();
    QCOMPARE(peak.count(), 1);
    QVERIFY(!w.findChild<QTimer *>("peakLevelTimer")->isActive());
}

void TestActiveLine::enabledPeakLevelShowsWhileTalking()
{
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 0, -1, false);
    auto *bar = w.findChild<QProgressBar *>("barPeakLevel");
    auto *timer = w.findChild<QTimer *>("peakLevelTimer");
    // Enabled while the call is being set up: nothing yet.
    w.setPeakLevelEnabled(true);
    QVERIFY(!timer->isActive());
    QVERIFY(bar->isHidden());
    // Talking: the level is asked for and shown.
    w.setCallStatus(1);
    QVERIFY(timer->isActive());
    QVERIFY(!bar->isHidden());
    w.updateOutgoingPeakLevel(42);
    QCOMPARE(bar->value(), 42);
    // Ended: gone.
    w.setCallStatus(3);
    QVERIFY(!timer->isActive());
    QVERIFY(bar->isHidden());
    // Switched off during a call: gone at once.
    wdgActiveLine talking(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    talking.setPeakLevelEnabled(true);
    QVERIFY(talking.findChild<QTimer *>("peakLevelTimer")->isActive());
    talking.setPeakLevelEnabled(false);
    QVERIFY(!talking.findChild<QTimer *>("peakLevelTimer")->isActive());
    QVERIFY(talking.findChild<QProgressBar *>("barPeakLevel")->isHidden());
}

void TestActiveLine::focusDescribesTheCall()
{
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    w.setRemoteName(QStringLiteral("Mario Rossi"));
    w.show();
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&w, &in);
    QCOMPARE(w.findChild<QPushButton *>("btnUnattendTransfer")->accessibleName(),
             QStringLiteral("Chiamata in corso con Mario RossiTrasferisci senza offerta"));
}

void TestActiveLine::styleSheetFromResources()
{
    // The line sheets are not shipped: the form's sheet gives way to an empty
    // one, and the normal size class keeps the height.
    wdgActiveLine w(MSETTINGS::AppModeSoftphone, false, false, 1, -1, false);
    const int height = w.height();
    QVERIFY(!w.styleSheet().isEmpty());
    w.loadMatcStylesheet();
    QCOMPARE(w.styleSheet(), QString());
    QCOMPARE(w.height(), height);
}

DESKLINE_TEST_MAIN(TestActiveLine)
#include "tst_activeline.moc"

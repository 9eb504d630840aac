// The settings dialog's OK and Cancel: validation, confirmations, what is
// taken over, what is saved and which change signals are emitted.
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "settings/msettingsdialog.h"
#include "settingstestsupport.h"
#include "testmain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using settingstest::child;
using settingstest::clickCancel;
using settingstest::clickOk;
using settingstest::identity;

namespace
{

// Records the change signals of a dialog in the order they come.
class SignalLog : public QObject
{
public:
    explicit SignalLog(MSettingsDialog *d)
    {
        connect(d, &MSettingsDialog::sigAudioDeviceChanged, this, [this] { names << "audio"; });
        connect(d, &MSettingsDialog::sigMctiServicesChanged, this, [this] { names << "services"; });
        connect(d, &MSettingsDialog::sigUpdatesSettingsChanged, this, [this] { names << "updates"; });
        connect(d, &MSettingsDialog::sigCdrSettingsChanged, this, [this] { names << "cdr"; });
        connect(d, &MSettingsDialog::sigSipSettingsChanged, this, [this] { names << "sip"; });
        connect(d, &MSettingsDialog::sigCopy2CallToggled, this,
                [this](bool on) { names << (on ? "copy2call:on" : "copy2call:off"); });
        connect(d, &MSettingsDialog::sigRestartRequested, this,
                [this](bool on) { names << (on ? "restart:true" : "restart:false"); });
    }
    QStringList names;
};

const char kBaseIni[] = "[CTI]\n"
                        "Maddress=pbx.example.com\n"
                        "user=alice\n"
                        "account=acc1\n"
                        "AppMode=2\n"
                        "SIPProtocol=UDP\n"
                        "SIPRegistrarAddress=sip.example.com\n"
                        "micdevice=Mic A\n"
                        "spkdevice=Out A\n"
                        "ringdevice=Out B\n"
                        "PopupCall=1\n"
                        "CopyToCall=0\n"
                        "checkUpdatesAtStartup=1\n"
                        "checkUpdatesTimeoutMins=60\n"
                        "maxCdrViewDays=30\n"
                        "Language=0\n";

const QString kSoftphoneText = QStringLiteral(
    "Cambiare i parametri del softphone richiede la chiusura di eventuali chiamate telefoniche in corso. Si è sicuri "
    "di voler applicare immediatamente le modifiche?");
const QString kModeLanguageText = QStringLiteral(
    "I cambiamenti relativi alla tipologia di applicazione o alla lingua dell'interfaccia saranno operativi al "
    "prossimo riavvio dell'applicazione stessa. Si è sicuri di volere applicare immediatamente le modifiche e "
    "riavviare l'applicazione?");

} // namespace

class TestMSettingsApply : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void invalidAddressRefused_data();
    void invalidAddressRefused();
    void changeSignalsInOrder();
    void eachGroupOnlyItsSignal_data();
    void eachGroupOnlyItsSignal();
    void mainParametersRestart_data();
    void mainParametersRestart();
    void annullaKeepsValuesInForce();
    void emptyPasswordIsNoChange();
    void accountQuestions_data();
    void accountQuestions();
    void ctiOnlyModeSkipsSoftphonePage();
    void firstRunTakesValuesWithoutRestart();
    void cancelRestoresWidgets();
    void checkThresholdsSortsAndAnnounces();

private:
    std::unique_ptr<MSettingsDialog> makeDialog(int mode = 2);
    void writeIni(const QByteArray &content);
    QByteArray iniBytes() const;
    QString iniPath() const { return MSETTINGS::getSettingsConfigFile(); }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedPrompts> prompts;
};

void TestMSettingsApply::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    MSETTINGS::setSettingsDirPath(dir->path());
    prompts.reset(new ScriptedPrompts);
}

void TestMSettingsApply::cleanup()
{
    prompts.reset();
    dir.reset();
}

void TestMSettingsApply::writeIni(const QByteArray &content)
{
    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

QByteArray TestMSettingsApply::iniBytes() const
{
    QFile f(iniPath());
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// A dialog read from kBaseIni, logged in with `mode`, with two audio devices
// per list and two identities, as the main window leaves it.
std::unique_ptr<MSettingsDialog> TestMSettingsApply::makeDialog(int mode)
{
    writeIni(kBaseIni);
    std::unique_ptr<MSettingsDialog> dialog(new MSettingsDialog(MctiConfig(), nullptr, nullptr));
    dialog->init();
    dialog->updateAppMode(MSETTINGS::AppMode(mode));
    dialog->populateAudioDevices({"Mic A", "Mic B"}, {"Out A", "Out B"});
    dialog->setAccountList({identity("acc1", "10.0.0.9", "Desk 1"), identity("acc2", "", "")});
    dialog->setSelectedAccount("acc1");
    prompts->clear();
    return dialog;
}

// ---------------------------------------------------------------------------

void TestMSettingsApply::invalidAddressRefused_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("restored");
    QTest::newRow("PBX part above 255") << "txtMAddress"
                                        << "300.1.1.1"
                                        << "L'indirizzo IP fornito per PBX non è in un formato valido."
                                        << "pbx.example.com";
    QTest::newRow("PBX empty") << "txtMAddress"
                               << ""
                               << "L'indirizzo IP fornito per PBX non è in un formato valido."
                               << "pbx.example.com";
    QTest::newRow("SIP single label") << "txtSipAddress"
                                      << "localhost"
                                      << "L'indirizzo IP fornito per il server SIP non è in un formato valido."
                                      << "sip.example.com";
    QTest::newRow("SIP trailing colon") << "txtSipAddress"
                                        << "sip.example.com:"
                                        << "L'indirizzo IP fornito per il server SIP non è in un formato valido."
                                        << "sip.example.com";
}

void TestMSettingsApply::invalidAddressRefused()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QString, restored);
    auto dialog = makeDialog();
    const QByteArray before = iniBytes();
    // Other edits of the same OK are not taken over either.
    child<QCheckBox>(*dialog, "chkPopup")->setChecked(false);
    child<QLineEdit>(*dialog, field.toLatin1().constData())->setText(text);
    SignalLog log(dialog.get());
    clickOk(*dialog);

    QCOMPARE(prompts->shown.size(), 1);
    QCOMPARE(prompts->shown.first().message.kind, PromptService::Kind::Warning);
    QCOMPARE(prompts->shown.first().message.title, QString("Errore di indirizzamento"));
    QCOMPARE(prompts->shown.first().message.text, message);
    QCOMPARE(child<QLineEdit>(*dialog, field.toLatin1().constData())->text(), restored);
    QVERIFY(log.names.isEmpty());
    QCOMPARE(iniBytes(), before);
    QVERIFY(dialog->isPopupCallEnabled());
    QCOMPARE(dialog->result(), 0);
}

void TestMSettingsApply::changeSignalsInOrder()
{
    auto dialog = makeDialog();
    dialog->setSelectedAccount("acc1");
    child<QComboBox>(*dialog, "cbMicDev")->setCurrentIndex(1);
    child<QCheckBox>(*dialog, "chkCopy2CallEnabled")->setChecked(true);
    child<QCheckBox>(*dialog, "chkCheckUpdatesAtStartup")->setChecked(false);
    child<QSpinBox>(*dialog, "spinMaxCdrViewDays")->setValue(7);
    child<QLineEdit>(*dialog, "txtSipAddress")->setText("10.0.0.5:5070");
    SignalLog log(dialog.get());
    QSignalSpy saved(dialog.get(), &QDialog::accepted);

    clickOk(*dialog);

    QCOMPARE(log.names, QStringList({"audio", "services", "updates", "cdr", "sip", "copy2call:on"}));
    QCOMPARE(saved.count(), 1);
    QVERIFY(prompts->shown.isEmpty());
    // The receivers read the new values through the getters.
    QCOMPARE(dialog->getConfig().micDevice.value, QString("Mic B"));
    QVERIFY(dialog->isCopyToCallEnabled());
    QVERIFY(!dialog->isCheckUpdatesAtStartupEnabled());
    QCOMPARE(dialog->getMaxCdrViewDays(), 7);
    QCOMPARE(dialog->getSipRegistrarAddress(), QString("10.0.0.5:5070"));
    // ... and the file already holds them.
    QSettings s(iniPath(), QSettings::IniFormat);
    QCOMPARE(s.value("CTI/micdevice").toString(), QString("Mic B"));
    QCOMPARE(s.value("CTI/CopyToCall").toString(), QString("1"));
    QCOMPARE(s.value("CTI/maxCdrViewDays").toInt(), 7);
    QCOMPARE(s.value("CTI/SIPRegistrarAddress").toString(), QString("10.0.0.5:5070"));
    QCOMPARE(s.value("CTI/account").toString(), QString("acc1"));
}

void TestMSettingsApply::eachGroupOnlyItsSignal_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QStringList>("signalNames");
    QTest::newRow("nothing") << "nothing" << QStringList();
    QTest::newRow("same audio device chosen again") << "same audio" << QStringList();
    QTest::newRow("ring device") << "ring" << QStringList({"audio"});
    QTest::newRow("copy to call") << "copy2call" << QStringList({"services", "copy2call:on"});
    QTest::newRow("popup") << "popup" << QStringList({"services"});
    QTest::newRow("update timer off") << "timer" << QStringList({"updates"});
    QTest::newRow("update minutes") << "minutes" << QStringList({"updates"});
    QTest::newRow("cdr days") << "cdr" << QStringList({"cdr"});
    QTest::newRow("local registrar") << "local" << QStringList({"sip"});
    QTest::newRow("registrar") << "registrar" << QStringList({"sip"});
    QTest::newRow("account") << "account" << QStringList({"sip"});
}

void TestMSettingsApply::eachGroupOnlyItsSignal()
{
    QFETCH(QString, edit);
    QFETCH(QStringList, signalNames);
    auto dialog = makeDialog();
    if (edit == "same audio")
        child<QComboBox>(*dialog, "cbSpkDev")->setCurrentIndex(0); // already "Out A"
    else if (edit == "ring")
        child<QComboBox>(*dialog, "cbRingDev")->setCurrentIndex(0);
    else if (edit == "copy2call")
        child<QCheckBox>(*dialog, "chkCopy2CallEnabled")->setChecked(true);
    else if (edit == "popup")
        child<QCheckBox>(*dialog, "chkPopup")->setChecked(false);
    else if (edit == "timer")
        child<QCheckBox>(*dialog, "chkCheckUpdatesAtTimer")->setChecked(false);
    else if (edit == "minutes")
        child<QSpinBox>(*dialog, "spinCheckUpdatesMinutes")->setValue(120);
    else if (edit == "cdr")
        child<QSpinBox>(*dialog, "spinMaxCdrViewDays")->setValue(3);
    else if (edit == "local")
        child<QCheckBox>(*dialog, "cbUseLocalSIPRegistrar")->setChecked(true);
    else if (edit == "registrar")
        child<QLineEdit>(*dialog, "txtSipAddress")->setText("10.1.1.1");
    else if (edit == "account")
        child<QListWidget>(*dialog, "lstAccounts")->setCurrentRow(1); // acc2, not in use: no question in mode 2
    SignalLog log(dialog.get());

    clickOk(*dialog);

    QCOMPARE(log.names, signalNames);
    QVERIFY(prompts->shown.isEmpty());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    // Every OK saves, a change or not.
    QVERIFY(QSettings(iniPath(), QSettings::IniFormat).contains("CTI/utf8pwd"));

    // A second OK without edits announces nothing again.
    log.names.clear();
    clickOk(*dialog);
    QCOMPARE(log.names, QStringList());
}

void TestMSettingsApply::mainParametersRestart_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("accountCleared");
    QTest::newRow("PBX address") << "address" << kSoftphoneText << true;
    QTest::newRow("user") << "user" << kSoftphoneText << true;
    QTest::newRow("password") << "password" << kSoftphoneText << false;
    QTest::newRow("transport") << "transport" << kSoftphoneText << true;
    QTest::newRow("mode") << "mode" << kModeLanguageText << true;
    QTest::newRow("language") << "language" << kModeLanguageText << false;
}

void TestMSettingsApply::mainParametersRestart()
{
    QFETCH(QString, edit);
    QFETCH(QString, question);
    QFETCH(bool, accountCleared);
    auto dialog = makeDialog();
    // A change of another group rides along, unannounced.
    child<QCheckBox>(*dialog, "chkPopup")->setChecked(false);
    if (edit == "address")
        child<QLineEdit>(*dialog, "txtMAddress")->setText("10.2.2.2");
    else if (edit == "user")
        child<QLineEdit>(*dialog, "txtUsername")->setText("bob");
    else if (edit == "password")
        child<QLineEdit>(*dialog, "txtPwd")->setText("s3cret");
    else if (edit == "transport")
        child<QComboBox>(*dialog, "cbSipProto")->setCurrentText("TLS");
    else if (edit == "mode")
        child<QComboBox>(*dialog, "cbAppMode")->setCurrentIndex(1);
    else if (edit == "language")
        child<QComboBox>(*dialog, "cbLanguage")->setCurrentIndex(2);
    dialog->show();
    SignalLog log(dialog.get());
    prompts->answerNext(QMessageBox::Yes);

    clickOk(*dialog);

    QCOMPARE(prompts->shown.size(), 1);
    const auto &msg = prompts->shown.first().message;
    QCOMPARE(msg.kind, PromptService::Kind::Question);
    QCOMPARE(msg.title, QString("Modificati i parametri principali del MCTI"));
    QCOMPARE(msg.text, question);
    QCOMPARE(msg.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(msg.buttonTexts.value(QMessageBox::Yes), QString("Salva e riavvia"));
    QCOMPARE(msg.buttonTexts.value(QMessageBox::No), QString("Annulla"));
    QCOMPARE(log.names, QStringList({"restart:true"}));
    QVERIFY(dialog->isHidden());

    QSettings s(iniPath(), QSettings::IniFormat);
    QCOMPARE(s.value("CTI/PopupCall").toString(), QString("0"));
    QCOMPARE(s.value("CTI/account").toString(), accountCleared ? QString() : QString("acc1"));
    if (edit == "address") {
        QCOMPARE(s.value("CTI/Maddress").toString(), QString("10.2.2.2"));
        // The registrar had not been edited: it follows the new PBX address.
        QCOMPARE(s.value("CTI/SIPRegistrarAddress").toString(), QString("10.2.2.2"));
    } else if (edit == "user") {
        QCOMPARE(s.value("CTI/user").toString(), QString("bob"));
    } else if (edit == "password") {
        QCOMPARE(dialog->getMPassword(), QString("s3cret"));
    } else if (edit == "transport") {
        QCOMPARE(s.value("CTI/SIPProtocol").toString(), QString("TLS"));
    } else if (edit == "mode") {
        QCOMPARE(s.value("CTI/AppMode").toInt(), 1);
    } else if (edit == "language") {
        QCOMPARE(s.value("CTI/Language").toInt(), 2);
        QCOMPARE(dialog->getLanguageId(), 2);
    }
}

void TestMSettingsApply::annullaKeepsValuesInForce()
{
    auto dialog = makeDialog();
    child<QLineEdit>(*dialog, "txtSipAddress")->setText("10.9.9.9");
    child<QComboBox>(*dialog, "cbMicDev")->setCurrentIndex(1);
    child<QCheckBox>(*dialog, "cbUseLocalSIPRegistrar")->setChecked(true);
    child<QCheckBox>(*dialog, "chkPopup")->setChecked(false);
    child<QSpinBox>(*dialog, "spinMaxCdrViewDays")->setValue(2);
    child<QListWidget>(*dialog, "lstAccounts")->setCurrentRow(1);
    child<QLineEdit>(*dialog, "txtMAddress")->setText("10.2.2.2");
    const QByteArray before = iniBytes();
    dialog->show();
    SignalLog log(dialog.get());
    prompts->answerNext(QMessageBox::No);

    clickOk(*dialog);

    QCOMPARE(prompts->shown.size(), 1);
    QVERIFY(log.names.isEmpty());
    QVERIFY(dialog->isVisible());
    QCOMPARE(iniBytes(), before);
    // Nothing of the refused OK is in force ...
    QCOMPARE(dialog->getSipRegistrarAddress(), QString("sip.example.com"));
    QCOMPARE(dialog->getConfig().micDevice.value, QString("Mic A"));
    QCOMPARE(dialog->getSelectedAccount(), QString("acc1"));
    QCOMPARE(dialog->getMAddress(), QString("pbx.example.com"));
    QVERIFY(dialog->isPopupCallEnabled());
    QCOMPARE(dialog->getMaxCdrViewDays(), 30);
    // ... the user's entries are still on screen ...
    QCOMPARE(child<QLineEdit>(*dialog, "txtSipAddress")->text(), QString("10.9.9.9"));
    QCOMPARE(child<QLineEdit>(*dialog, "txtMAddress")->text(), QString("10.2.2.2"));
    QVERIFY(!child<QCheckBox>(*dialog, "chkPopup")->isChecked());
    // ... and a later save (the main window's quit) writes the old values.
    dialog->saveParameters();
    QSettings s(iniPath(), QSettings::IniFormat);
    QCOMPARE(s.value("CTI/SIPRegistrarAddress").toString(), QString("sip.example.com"));
    QCOMPARE(s.value("CTI/micdevice").toString(), QString("Mic A"));
    QCOMPARE(s.value("CTI/account").toString(), QString("acc1"));
    QCOMPARE(s.value("CTI/useLocalSipRegistrar").toBool(), false);
    QCOMPARE(s.value("CTI/PopupCall").toString(), QString("1"));
    QCOMPARE(s.value("CTI/maxCdrViewDays").toInt(), 30);
}

void TestMSettingsApply::emptyPasswordIsNoChange()
{
    auto dialog = makeDialog();
    dialog->setCtiPassword("old");
    child<QLineEdit>(*dialog, "txtPwd")->clear();
    SignalLog log(dialog.get());
    clickOk(*dialog);
    QVERIFY(prompts->shown.isEmpty());
    QVERIFY(log.names.isEmpty());
    QCOMPARE(dialog->getMPassword(), QString("old"));

    // Typing the password in force again is no change either.
    child<QLineEdit>(*dialog, "txtPwd")->setText("old");
    clickOk(*dialog);
    QVERIFY(prompts->shown.isEmpty());
}

void TestMSettingsApply::accountQuestions_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("desk phone, account unused") << 1 << 1 << "Account non in uso"
                                                << "L'account selezionato non e' utilizzato da nessun terminale.\n"
                                                   "Sei sicuro di volerlo utilizzare?";
    QTest::newRow("softphone, account in use") << 2 << 0 << "Account gia' in uso"
                                               << "L'account selezionato e' gia' utilizzato dal terminale:\nDesk 1.\n"
                                                  "Sei sicuro di volerlo utilizzare?";
    QTest::newRow("desk phone, account in use") << 1 << 0 << ""
                                                << "";
    QTest::newRow("softphone, account unused") << 2 << 1 << ""
                                               << "";
    QTest::newRow("CTI only") << 0 << 1 << ""
                              << "";
}

void TestMSettingsApply::accountQuestions()
{
    QFETCH(int, mode);
    QFETCH(int, row);
    QFETCH(QString, title);
    QFETCH(QString, text);
    auto dialog = makeDialog(mode);
    dialog->setSelectedAccount("none");
    const QString wanted = row == 0 ? "acc1" : "acc2";
    child<QListWidget>(*dialog, "lstAccounts")->setCurrentRow(row);
    child<QCheckBox>(*dialog, "chkPopup")->setChecked(false);
    SignalLog log(dialog.get());

    if (!title.isEmpty()) {
        // "No" keeps the dialog open and takes nothing over.
        prompts->answerNext(QMessageBox::No);
        clickOk(*dialog);
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().message.kind, PromptService::Kind::Warning);
        QCOMPARE(prompts->shown.first().message.title, title);
        QCOMPARE(prompts->shown.first().message.text, text);
        QCOMPARE(prompts->shown.first().message.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(dialog->getSelectedAccount(), QString("none"));
        QVERIFY(dialog->isPopupCallEnabled());
        QVERIFY(log.names.isEmpty());
        prompts->clear();
        prompts->answerNext(QMessageBox::Yes);
    }
    clickOk(*dialog);
    QCOMPARE(prompts->shown.size(), title.isEmpty() ? 0 : 1);
    QCOMPARE(dialog->getSelectedAccount(), wanted);
    QCOMPARE(log.names, QStringList({"services", "sip"}));
    QCOMPARE(QSettings(iniPath(), QSettings::IniFormat).value("CTI/account").toString(), wanted);
}

void TestMSettingsApply::ctiOnlyModeSkipsSoftphonePage()
{
    auto dialog = makeDialog(0);
    child<QLineEdit>(*dialog, "txtSipAddress")->setText("not valid");
    child<QComboBox>(*dialog, "cbMicDev")->setCurrentIndex(1);
    SignalLog log(dialog.get());
    clickOk(*dialog);
    QVERIFY(prompts->shown.isEmpty());
    QVERIFY(log.names.isEmpty());
    QCOMPARE(dialog->getSipRegistrarAddress(), QString("sip.example.com"));
    QCOMPARE(dialog->getConfig().micDevice.value, QString("Mic A"));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
}

void TestMSettingsApply::firstRunTakesValuesWithoutRestart()
{
    std::unique_ptr<MSettingsDialog> dialog(new MSettingsDialog(MctiConfig(), nullptr, nullptr));
    QTimer::singleShot(0, dialog.get(), &QDialog::reject);
    dialog->init(); // no settings file: first run
    prompts->clear();
    child<QLineEdit>(*dialog, "txtMAddress")->setText("pbx.first.example:5039");
    child<QLineEdit>(*dialog, "txtUsername")->setText("carol");
    child<QLineEdit>(*dialog, "txtPwd")->setText("pw");
    child<QComboBox>(*dialog, "cbLanguage")->setCurrentIndex(1);
    SignalLog log(dialog.get());

    clickOk(*dialog);

    QVERIFY(prompts->shown.isEmpty());
    QCOMPARE(log.names, QStringList({"sip"}));
    QCOMPARE(dialog->getMAddress(), QString("pbx.first.example:5039"));
    QCOMPARE(dialog->getSipRegistrarAddress(), CTILIB::getIpPort("pbx.first.example:5039"));
    QCOMPARE(dialog->getSipRegistrarAddress(), QString("pbx.first.example"));
    QCOMPARE(dialog->getMUsername(), QString("carol"));
    QCOMPARE(dialog->getLanguageId(), 1);
    QSettings s(iniPath(), QSettings::IniFormat);
    QCOMPARE(s.value("CTI/Maddress").toString(), QString("pbx.first.example:5039"));
    QCOMPARE(s.value("CTI/Language").toInt(), 1);

    // Later OKs compare with the values in force: no question, no signal.
    log.names.clear();
    dialog->restoreParameters();
    clickOk(*dialog);
    clickOk(*dialog);
    QVERIFY(prompts->shown.isEmpty());
    QVERIFY(log.names.isEmpty());

    // The first-run pass is used up: the next main change asks.
    child<QLineEdit>(*dialog, "txtUsername")->setText("dave");
    prompts->answerNext(QMessageBox::No);
    clickOk(*dialog);
    QCOMPARE(prompts->shown.size(), 1);
    QCOMPARE(dialog->getMUsername(), QString("carol"));
}

void TestMSettingsApply::cancelRestoresWidgets()
{
    auto dialog = makeDialog();
    child<QLineEdit>(*dialog, "txtMAddress")->setText("10.3.3.3");
    child<QLineEdit>(*dialog, "txtSipAddress")->setText("10.4.4.4");
    child<QCheckBox>(*dialog, "chkPopup")->setChecked(false);
    child<QComboBox>(*dialog, "cbMicDev")->setCurrentIndex(1);
    child<QWidget>(*dialog, "gbSetAction")->setEnabled(true);
    SignalLog log(dialog.get());
    QSignalSpy rejected(dialog.get(), &QDialog::rejected);

    clickCancel(*dialog);

    QCOMPARE(rejected.count(), 1);
    QVERIFY(log.names.isEmpty());
    QCOMPARE(child<QLineEdit>(*dialog, "txtMAddress")->text(), QString("pbx.example.com"));
    QCOMPARE(child<QLineEdit>(*dialog, "txtSipAddress")->text(), QString("sip.example.com"));
    QVERIFY(child<QCheckBox>(*dialog, "chkPopup")->isChecked());
    QCOMPARE(child<QComboBox>(*dialog, "cbMicDev")->currentText(), QString("Mic A"));
    QVERIFY(!child<QWidget>(*dialog, "gbSetAction")->isEnabled());
}

void TestMSettingsApply::checkThresholdsSortsAndAnnounces()
{
    auto dialog = makeDialog();
    dialog->saveReportParameters(CTILIB::PeriodToday, {30, 10, 20}, {5, 1}, "r.csv");
    QSignalSpy spy(dialog.get(), &MSettingsDialog::sigChangeThresholds);
    dialog->checkThresholds();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(dialog->getAnswCallsTimeThresholdList(), QList<int>({10, 20, 30}));
    QCOMPARE(dialog->getLostCallsTimeThresholdList(), QList<int>({1, 5}));
}

DESKLINE_TEST_MAIN(TestMSettingsApply)
#include "tst_msettingsapply.moc"

// The settings dialog: construction and pages, the settings file, the
// operating mode with the account list, and the automatic actions.
#include "framework/simpleobfuscator.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "settings/msettingsdialog.h"
#include "settings/msettingsstore.h"
#include "settings/wdgaccountitem.h"
#include "settingstestsupport.h"
#include "testmain.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QValidator>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

using settingstest::child;
using settingstest::clickCell;
using settingstest::clickNamed;
using settingstest::clickOk;
using settingstest::identity;

namespace
{

QStringList tabTexts(MSettingsDialog &dialog)
{
    dialog.ensureFormBuilt(); // built on first need; the tests look at it
    auto *tabs = dialog.findChild<QTabWidget *>("tabMctiSettings");
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}

} // namespace

class TestMSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Construction and pages.
    void pagesAfterConstruction();
    void appModePages_data();
    void appModePages();
    void addressValidator_data();
    void addressValidator();
    void capitalLetter();
    void placeHolderInsertsToken();
    void updateTimerBoxDrivesSpinBox();
    void retranslateTexts();
    void seedsGivenStartupValues_data();
    void seedsGivenStartupValues();
    void languageFromFileAtConstruction_data();
    void languageFromFileAtConstruction();
    void opensWideEnoughForLargeFonts();
    void formBuiltLateShowsTheSameValues_data();
    void formBuiltLateShowsTheSameValues();

    // Settings file.
    void readRules_data();
    void readRules();
    void legacyRegistrarIsMigrated_data();
    void legacyRegistrarIsMigrated();
    void passwordScrambledOnDiskClearInMemory();
    void firstRunShowsMessageAndKeepsBaseline();
    void geometryFallsBackToFirstStart_data();
    void geometryFallsBackToFirstStart();
    void numberedGroupsSurviveGaps();
    void saveWritesFormatAndOrder();
    void saveKeepsConditionalKeys();
    void saveKeepsFilePrivate();
    void failedSaveToldOnce();
    void copyToCallAnnouncedAtInit();

    // Operating mode and accounts.
    void selectedAppModePrefersPreset_data();
    void selectedAppModePrefersPreset();
    void accountRowTexts();
    void accountSelection();

    // Automatic actions.
    void addEditDeleteActions();
    void emptyTemplateRefused();
    void deleteNeedsConfirmation();
    void eventActionsPerEvent();

    // A dialog over a store it does not own.
    void formFollowsItsStore();

private:
    std::unique_ptr<MSettingsDialog> makeDialog(const MctiConfig &config = MctiConfig());
    void writeIni(const QByteArray &content);
    QString iniPath() const { return MSETTINGS::getSettingsConfigFile(); }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedPrompts> prompts;
};

// With the large-font view the pages need more room than the form's size:
// the dialog opens at least as large as they need.
void TestMSettingsDialog::opensWideEnoughForLargeFonts()
{
    MSETTINGS::setFontSizeIncrement(1);
    auto dialog = makeDialog();
    MSETTINGS::setFontSizeIncrement(0);
    QSize needed;
    QSize shown;
    QTimer::singleShot(0, dialog.get(), [&] {
        needed = dialog->minimumSizeHint();
        shown = dialog->size();
        dialog->reject();
    });
    dialog->openDialog();
    QVERIFY2(needed.width() > 531, "the large-font pages are wider than the form");
    QVERIFY2(shown.width() >= needed.width() && shown.height() >= needed.height(),
             qPrintable(QStringLiteral("%1x%2").arg(shown.width()).arg(shown.height())));
}

namespace
{

// Everything a user can see or change in a form, widget by widget.
QStringList formState(MSettingsDialog &dialog)
{
    QStringList lines;
    for (QWidget *w : dialog.findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        QString line = w->objectName() + QLatin1Char(' ') + (w->isVisibleTo(&dialog) ? "shown" : "hidden") +
                       (w->isEnabled() ? " enabled" : " disabled");
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            line += " text=" + edit->text() + " placeholder=" + edit->placeholderText();
        else if (auto *box = qobject_cast<QCheckBox *>(w))
            line += QStringLiteral(" checked=%1 tip=%2").arg(box->isChecked()).arg(box->toolTip());
        else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            line += QStringLiteral(" current=%1 items=%2").arg(combo->currentIndex()).arg(items.join(','));
        } else if (auto *spin = qobject_cast<QSpinBox *>(w))
            line += QStringLiteral(" value=%1").arg(spin->value());
        else if (auto *label = qobject_cast<QLabel *>(w))
            line += " text=" + label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            line += " text=" + button->text();
        else if (auto *list = qobject_cast<QListWidget *>(w))
            line += QStringLiteral(" rows=%1 current=%2").arg(list->count()).arg(list->currentRow());
        else if (auto *table = qobject_cast<QTableView *>(w)) {
            QStringList cells;
            for (int r = 0; r < table->model()->rowCount(); ++r)
                for (int c = 0; c < table->model()->columnCount(); ++c)
                    cells << table->model()->index(r, c).data().toString();
            line += " cells=" + cells.join(',') + QStringLiteral(" hidden3=%1").arg(table->isColumnHidden(3));
        } else if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
            QStringList pages;
            for (int i = 0; i < tabs->count(); ++i)
                pages << tabs->widget(i)->objectName() + '=' + tabs->tabText(i);
            line += " pages=" + pages.join(',');
        }
        lines << line;
    }
    lines.sort();
    return lines;
}

} // namespace

void TestMSettingsDialog::formBuiltLateShowsTheSameValues_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("ini");
    QTest::newRow("first start, nothing known") << -1 << QByteArray();
    QTest::newRow("CTI only") << 0
                              << QByteArray("[CTI]\nuser=alice\nMaddress=pbx.example.com\nAppMode=0\n"
                                            "startMinimized=true\nPopupCall=false\nLanguage=1\n");
    QTest::newRow("softphone, everything set")
        << 2
        << QByteArray("[CTI]\nuser=bob\npassword=x\nMaddress=10.0.0.1:5443\nAppMode=2\naccount=acc2\n"
                      "SIPRegistrarAddress=sip.example.com\nSIPProtocol=TLS\nmicDevice=Mic B\nspkDevice=Out B\n"
                      "rapidCallMods=ALT\nrapidCallKey=7\ncheckUpdatesTimeoutMins=-1\nmaxCdrViewDays=7\n"
                      "CopyToCall=true\nPauseOnLogoff=true\n"
                      "[ACTIONS]\n1\\event=1\n1\\actionType=0\n1\\actionText=https://crm/?n=<callernum>\n");
}

// The form is built when first needed. Built after the program has set the
// mode, the accounts, the audio devices, the codecs and the pause settings,
// it shows exactly what a form built from the start shows; until then the
// start-up path never builds it.
void TestMSettingsDialog::formBuiltLateShowsTheSameValues()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, ini);
    if (!ini.isEmpty())
        writeIni(ini);
    const auto drive = [&](MSettingsDialog &d) {
        if (!ini.isEmpty())
            d.init(); // a first start opens the dialog itself: not here
        QCOMPARE(d.getMUsername(), d.getConfig().username.value);
        if (mode >= 0) {
            d.updateAppMode(MSETTINGS::AppMode(mode));
            d.setPauseSettingsEnabled(true);
            d.setAccountList({identity("acc1", "10.0.0.9", "Desk 1"), identity("acc2")});
            d.populateAudioDevices({"Mic A", "Mic B"}, {"Out A", "Out B"});
            d.updateDisplayedCodecs({"opus", "PCMA"});
        }
    };
    auto early = makeDialog();
    early->ensureFormBuilt();
    drive(*early);
    auto late = makeDialog();
    drive(*late);
    QVERIFY(!late->isFormBuilt());
    late->ensureFormBuilt();
    QVERIFY(late->isFormBuilt());
    QCOMPARE(formState(*late), formState(*early));
    QCOMPARE(late->isPauseOnLogoffRequired(), early->isPauseOnLogoffRequired());
}

void TestMSettingsDialog::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    MSETTINGS::setSettingsDirPath(dir->path());
    prompts.reset(new ScriptedPrompts);
}

void TestMSettingsDialog::cleanup()
{
    prompts.reset();
    dir.reset();
}

std::unique_ptr<MSettingsDialog> TestMSettingsDialog::makeDialog(const MctiConfig &config)
{
    return std::unique_ptr<MSettingsDialog>(new MSettingsDialog(config, nullptr, nullptr));
}

void TestMSettingsDialog::writeIni(const QByteArray &content)
{
    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

// ---------------------------------------------------------------------------

void TestMSettingsDialog::pagesAfterConstruction()
{
    auto dialog = makeDialog();
    QCOMPARE(tabTexts(*dialog),
             QStringList({"Impostazioni CTI", "Azioni automatiche", "Avanzate", "Impostazioni Softphone"}));
    QVERIFY(child<QWidget>(*dialog, "grpShortcuts")->isHidden());
    QVERIFY(child<QWidget>(*dialog, "chkIgnoreSsl")->isHidden());
    QVERIFY(child<QWidget>(*dialog, "cbOutlookImport")->isHidden());
    QVERIFY(child<QWidget>(*dialog, "txtSipProxyAddress")->isHidden());
    QVERIFY(child<QWidget>(*dialog, "pbSaveAction")->isHidden());
    QVERIFY(!child<QWidget>(*dialog, "chkCopy2CallEnabled")->isEnabled());
    QCOMPARE(child<QLineEdit>(*dialog, "leRapidCallKey")->text(), QString("1"));
    auto *proto = child<QComboBox>(*dialog, "cbSipProto");
    QCOMPARE(proto->count(), 2);
    QCOMPARE(proto->itemText(0), QString("UDP"));
    QCOMPARE(proto->itemText(1), QString("TLS"));
    auto *model = child<QTableView>(*dialog, "tbEventsAction")->model();
    QCOMPARE(model->columnCount(), 4);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("E"));
    QCOMPARE(model->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QString("Tipologia di azione da avviare"));
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QString("Azione"));
    QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QString("Hash"));
    // The title bar has no close button.
    QVERIFY(!(dialog->windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(dialog->windowFlags() & Qt::CustomizeWindowHint);

    // Before the mode is known the account list is not among the pages:
    // choosing an account leaves the dialog on the page it shows.
    QTimer::singleShot(0, dialog.get(), &QDialog::reject);
    dialog->chooseAccount();
    QCOMPARE(child<QTabWidget>(*dialog, "tabMctiSettings")->currentWidget()->objectName(), QString("mainTab"));
}

void TestMSettingsDialog::appModePages_data()
{
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<QStringList>("pages");
    const QString cti = "Impostazioni CTI", acc = "Lista account", act = "Azioni automatiche", adv = "Avanzate",
                  soft = "Impostazioni Softphone";
    QTest::newRow("2") << QList<int>{2} << QStringList{cti, acc, act, adv, soft};
    QTest::newRow("2 twice") << QList<int>{2, 2} << QStringList{cti, acc, act, adv, soft};
    QTest::newRow("2 then 1") << QList<int>{2, 1} << QStringList{cti, acc, act, adv};
    QTest::newRow("1") << QList<int>{1} << QStringList{cti, acc, act, adv};
    QTest::newRow("1 then 0") << QList<int>{1, 0} << QStringList{cti, act, adv};
    QTest::newRow("0") << QList<int>{0} << QStringList{cti, act, adv};
    QTest::newRow("0 then 2") << QList<int>{0, 2} << QStringList{cti, acc, act, adv, soft};
}

void TestMSettingsDialog::appModePages()
{
    QFETCH(QList<int>, modes);
    QFETCH(QStringList, pages);
    auto dialog = makeDialog();
    for (int mode : modes)
        dialog->updateAppMode(MSETTINGS::AppMode(mode));
    QCOMPARE(tabTexts(*dialog), pages);
    QCOMPARE(child<QComboBox>(*dialog, "cbAppMode")->currentIndex(), modes.last());
    QVERIFY(child<QWidget>(*dialog, "chkCopy2CallEnabled")->isEnabled());
    QCOMPARE(int(dialog->getSelectedAppMode()), modes.last());
}

void TestMSettingsDialog::addressValidator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("ipv4") << "192.168.1.10" << true;
    QTest::newRow("ipv4 with port") << "10.0.0.1:5060" << true;
    QTest::newRow("ipv4 edge values") << "255.0.0.255" << true;
    QTest::newRow("host two labels") << "pbx.example" << true;
    QTest::newRow("host with port") << "pbx.example.com:8443" << true;
    QTest::newRow("host with inner hyphen") << "my-pbx.example.com" << true;
    QTest::newRow("ipv4 part above 255") << "192.168.1.256" << false;
    QTest::newRow("single label") << "localhost" << false;
    QTest::newRow("trailing colon") << "pbx.example.com:" << false;
    QTest::newRow("label with trailing hyphen") << "pbx-.example" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("space") << "pbx .example" << false;
}

void TestMSettingsDialog::addressValidator()
{
    QFETCH(QString, text);
    QFETCH(bool, acceptable);
    auto dialog = makeDialog();
    for (const char *name : {"txtMAddress", "txtSipAddress", "txtSipProxyAddress"}) {
        const QValidator *validator = child<QLineEdit>(*dialog, name)->validator();
        QVERIFY(validator);
        QString copy = text;
        int pos = 0;
        QCOMPARE(validator->validate(copy, pos) == QValidator::Acceptable, acceptable);
    }
}

void TestMSettingsDialog::capitalLetter()
{
    QVERIFY(MSettingsDialog::isCapitalLetter("A"));
    QVERIFY(MSettingsDialog::isCapitalLetter("Z"));
    QVERIFY(!MSettingsDialog::isCapitalLetter("a"));
    QVERIFY(!MSettingsDialog::isCapitalLetter("AB"));
    QVERIFY(!MSettingsDialog::isCapitalLetter(""));
    QVERIFY(!MSettingsDialog::isCapitalLetter("1"));
}

void TestMSettingsDialog::placeHolderInsertsToken()
{
    auto dialog = makeDialog();
    auto *box = child<QComboBox>(*dialog, "cbPlaceHolder");
    auto *edit = child<QLineEdit>(*dialog, "txtAction");
    const QStringList tokens = {"<callernum>", "<callername>", "<callercompany>", "<callerunit>",
                                "<extenNum>",  "<queueName>",  "<uid>",           "<callednum>"};
    QCOMPARE(box->count(), tokens.size());
    // The editor opens with "Aggiungi"; its button inserts at the cursor.
    clickNamed(*dialog, "pbAddAction");
    for (int i = 0; i < tokens.size(); ++i) {
        edit->setText("a?b");
        edit->setCursorPosition(2);
        box->setCurrentIndex(i);
        clickNamed(*dialog, "pbPlaceHolder");
        QCOMPARE(edit->text(), "a?" + tokens.at(i) + "b");
    }
    QCOMPARE(box->itemText(7), QString("Numero chiamato"));
    // A selection is replaced.
    edit->setText("x=SEL");
    edit->setSelection(2, 3);
    box->setCurrentIndex(7);
    clickNamed(*dialog, "pbPlaceHolder");
    QCOMPARE(edit->text(), QString("x=<callednum>"));
    // No item selected: nothing inserted.
    box->setCurrentIndex(-1);
    clickNamed(*dialog, "pbPlaceHolder");
    QCOMPARE(edit->text(), QString("x=<callednum>"));
}

void TestMSettingsDialog::updateTimerBoxDrivesSpinBox()
{
    auto dialog = makeDialog();
    auto *timer = child<QCheckBox>(*dialog, "chkCheckUpdatesAtTimer");
    auto *spin = child<QSpinBox>(*dialog, "spinCheckUpdatesMinutes");
    QVERIFY(timer->isChecked());
    QCOMPARE(spin->minimum(), 10);
    QCOMPARE(spin->maximum(), 1440);
    QCOMPARE(spin->singleStep(), 5);
    timer->setChecked(false);
    QVERIFY(!spin->isEnabled());
    timer->setChecked(true);
    QVERIFY(spin->isEnabled());
}

void TestMSettingsDialog::retranslateTexts()
{
    auto dialog = makeDialog();
    dialog->retranslateUi();
    QCOMPARE(child<QLabel>(*dialog, "lblVers")->text(),
             QString("%1 vers. %2").arg(MSETTINGS::getApplicationName(), MSETTINGS::getApplicationVersion()));
    auto *buttons = child<QDialogButtonBox>(*dialog, "buttonBox");
    QCOMPARE(buttons->button(QDialogButtonBox::Ok)->text(), QString("Salva"));
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QString("Annulla"));
    QVERIFY(child<QWidget>(*dialog, "chkCopy2CallEnabled")
                ->toolTip()
                .startsWith("Se abilitato è possibile richiedere l'avvio di una chiamata\nsemplicemente"));
    QCOMPARE(dialog->windowTitle(), QString("Impostazioni"));
    // Page titles follow their pages wherever they stand.
    dialog->updateAppMode(MSETTINGS::AppModeSoftphone);
    dialog->retranslateUi();
    QCOMPARE(tabTexts(*dialog), QStringList({"Impostazioni CTI", "Lista account", "Azioni automatiche", "Avanzate",
                                             "Impostazioni Softphone"}));
}

// The constructor writes the start-up values that are given, and only those.
void TestMSettingsDialog::seedsGivenStartupValues_data()
{
    QTest::addColumn<QVariantMap>("given"); // settings key -> start-up value
    QTest::newRow("nothing given") << QVariantMap();
    QTest::newRow("user only") << QVariantMap{{"user", "bob"}};
    QTest::newRow("every value") << QVariantMap{{"Maddress", "pbx.example"},
                                                {"user", "bob"},
                                                {"password", SimpleObfuscator::hide(QStringLiteral("secret"))},
                                                {"AppMode", 1},
                                                {"SIPProxyAddress", "proxy.example"},
                                                {"SIPRegistrarAddress", "reg.example"},
                                                {"account", "acc"}};
}

void TestMSettingsDialog::seedsGivenStartupValues()
{
    QFETCH(QVariantMap, given);
    MctiConfig config;
    for (auto it = given.constBegin(); it != given.constEnd(); ++it) {
        const QString text = it.value().toString();
        if (it.key() == "Maddress")
            config.pbxAddress.set(text);
        else if (it.key() == "user")
            config.username.set(text);
        else if (it.key() == "password")
            config.password.set(text);
        else if (it.key() == "AppMode")
            config.appMode.set(it.value().toInt());
        else if (it.key() == "SIPProxyAddress")
            config.sipProxyAddress.set(text);
        else if (it.key() == "SIPRegistrarAddress")
            config.sipRegistrarAddress.set(text);
        else if (it.key() == "account")
            config.account.set(text);
        else
            QFAIL("unknown start-up value");
    }
    {
        auto dialog = makeDialog(config);
    }
    QSettings s(iniPath(), QSettings::IniFormat);
    s.beginGroup("CTI");
    QStringList keys = s.childKeys();
    keys.sort();
    QStringList wanted = given.keys();
    wanted.sort();
    QCOMPARE(keys, wanted);
    for (const QString &key : wanted)
        QCOMPARE(s.value(key).toString(), given.value(key).toString());
}

void TestMSettingsDialog::languageFromFileAtConstruction_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("english") << QByteArray("1") << 1;
    QTest::newRow("spanish") << QByteArray("2") << 2;
    QTest::newRow("3") << QByteArray("3") << 0;
    QTest::newRow("-1") << QByteArray("-1") << 0;
    QTest::newRow("text") << QByteArray("en") << 0;
}

void TestMSettingsDialog::languageFromFileAtConstruction()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    writeIni("[CTI]\nLanguage=" + value + "\n");
    auto dialog = makeDialog();
    QCOMPARE(dialog->getLanguageId(), expected);
}

// ---------------------------------------------------------------------------

namespace
{

QString probe(MSettingsDialog &d, const QString &what)
{
    const MctiConfig c = d.getConfig();
    int mic = 0, spk = 0;
    d.getAudioVolumes(mic, spk);
    if (what == "appMode")
        return QString::number(d.getSelectedAppMode());
    if (what == "language")
        return QString::number(d.getLanguageId());
    if (what == "updates")
        return QString("%1 %2 %3")
            .arg(d.checkUpdatesTimeoutMinutes())
            .arg(child<QCheckBox>(d, "chkCheckUpdatesAtTimer")->isChecked())
            .arg(child<QSpinBox>(d, "spinCheckUpdatesMinutes")->value());
    if (what == "cdrDays")
        return QString::number(d.getMaxCdrViewDays());
    if (what == "volumes")
        return QString("%1 %2").arg(mic).arg(spk);
    if (what == "tos")
        return QString("%1 %2").arg(c.sipTos.value).arg(c.audioTos.value);
    if (what == "cdrFilter")
        return QString::number(int(c.cdrFilter));
    if (what == "echo")
        return QString("%1 %2 %3").arg(c.echoCanceller).arg(c.echoCancellerLmsFilter).arg(c.echoSuppressor);
    if (what == "registrar")
        return c.sipRegistrarAddress.value;
    if (what == "excluded")
        return QString("%1:%2").arg(c.excludedOutlookFolders.size()).arg(c.excludedOutlookFolders.join("|"));
    if (what == "timeouts")
        return QString("%1 %2 %3 %4 %5")
            .arg(c.contactsRefreshTimeoutSecs)
            .arg(c.cdrRefreshTimeoutSecs)
            .arg(c.codecOrderRefreshTimeoutSecs)
            .arg(c.identitiesRefreshTimeoutSecs)
            .arg(c.queueStatsRefreshTimeoutSecs);
    if (what == "jitter")
        return QString("%1 %2 %3")
            .arg(c.minJitterBufferMillis)
            .arg(c.maxJitterBufferMillis)
            .arg(c.secondsWithoutMediaBeforeHangup);
    if (what == "rapidCall")
        return child<QComboBox>(d, "cbRapidCallModifier")->currentText() + "+" +
               child<QLineEdit>(d, "leRapidCallKey")->text();
    if (what == "boxes") {
        QString out;
        for (const char *name :
             {"cbStartMinimized", "chkPopup", "chkCopy2CallEnabled", "cbExtenAction", "cbOutboundAction", "cbC2cAction",
              "chkPauseOnLogoff", "chkPauseOnQueueAnswer", "chkCheckUpdatesAtStartup", "cbUseLocalSIPRegistrar"})
            out += child<QCheckBox>(d, name)->isChecked() ? "1" : "0";
        return out;
    }
    if (what == "widgets")
        return child<QLineEdit>(d, "txtMAddress")->text() + "|" + child<QLineEdit>(d, "txtUsername")->text() + "|" +
               child<QLineEdit>(d, "txtPwd")->text() + "|" + child<QLineEdit>(d, "txtSipAddress")->text() + "|" +
               child<QComboBox>(d, "cbSipProto")->currentText();
    if (what == "suppressor")
        return QString("%1 %2 %3 %4")
            .arg(c.suppressorLowerThreshold)
            .arg(c.suppressorUpperThreshold)
            .arg(c.suppressorDivider)
            .arg(c.suppressorConvergenceMillis);
    qFatal("unknown probe");
    return QString();
}

} // namespace

void TestMSettingsDialog::readRules_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("expected");

    QTest::newRow("defaults") << QByteArray("[CTI]\nuser=u\n") << "boxes"
                              << "0100000010";
    QTest::newRow("boxes as stored")
        << QByteArray("[CTI]\nstartMinimized=1\nPopupCall=0\nCopyToCall=true\nactionsToExten=1\noutboundActions=1\n"
                      "actionsOnC2c=1\nPauseOnLogoff=1\nPauseOnIncomingCall=1\ncheckUpdatesAtStartup=0\n"
                      "useLocalSipRegistrar=true\n")
        << "boxes"
        << "1011111101";
    QTest::newRow("AppMode 1") << QByteArray("[CTI]\nAppMode=1\n") << "appMode"
                               << "1";
    QTest::newRow("AppMode 3") << QByteArray("[CTI]\nAppMode=3\n") << "appMode"
                               << "0";
    QTest::newRow("AppMode -1") << QByteArray("[CTI]\nAppMode=-1\n") << "appMode"
                                << "0";
    QTest::newRow("AppMode x") << QByteArray("[CTI]\nAppMode=x\n") << "appMode"
                               << "0";
    QTest::newRow("Language 5") << QByteArray("[CTI]\nLanguage=5\n") << "language"
                                << "0";
    QTest::newRow("Language 2") << QByteArray("[CTI]\nLanguage=2\n") << "language"
                                << "2";
    QTest::newRow("updates missing") << QByteArray("[CTI]\n") << "updates"
                                     << "60 1 60";
    QTest::newRow("updates -5") << QByteArray("[CTI]\ncheckUpdatesTimeoutMins=-5\n") << "updates"
                                << "-1 0 60";
    QTest::newRow("updates x") << QByteArray("[CTI]\ncheckUpdatesTimeoutMins=x\n") << "updates"
                               << "-1 0 60";
    QTest::newRow("updates 0") << QByteArray("[CTI]\ncheckUpdatesTimeoutMins=0\n") << "updates"
                               << "10 1 10";
    QTest::newRow("updates 5") << QByteArray("[CTI]\ncheckUpdatesTimeoutMins=5\n") << "updates"
                               << "10 1 10";
    QTest::newRow("updates 2000") << QByteArray("[CTI]\ncheckUpdatesTimeoutMins=2000\n") << "updates"
                                  << "1440 1 1440";
    QTest::newRow("cdr days 0") << QByteArray("[CTI]\nmaxCdrViewDays=0\n") << "cdrDays"
                                << "1";
    QTest::newRow("cdr days 45") << QByteArray("[CTI]\nmaxCdrViewDays=45\n") << "cdrDays"
                                 << "30";
    QTest::newRow("cdr days x") << QByteArray("[CTI]\nmaxCdrViewDays=x\n") << "cdrDays"
                                << "30";
    QTest::newRow("cdr days 7") << QByteArray("[CTI]\nmaxCdrViewDays=7\n") << "cdrDays"
                                << "7";
    QTest::newRow("volumes missing") << QByteArray("[CTI]\n") << "volumes"
                                     << "100 100";
    QTest::newRow("volumes out of range") << QByteArray("[CTI]\nmicVol=150\nspkVol=-1\n") << "volumes"
                                          << "100 100";
    QTest::newRow("spkVol text") << QByteArray("[CTI]\nmicVol=40\nspkVol=x\n") << "volumes"
                                 << "40 100";
    QTest::newRow("tos") << QByteArray("[CTI]\nSipTos=300\nAudioTos=46\n") << "tos"
                         << "44 46";
    QTest::newRow("cdr filter 4095") << QByteArray("[CTI]\ncdrFilterValue=4095\n") << "cdrFilter"
                                     << "1023";
    QTest::newRow("cdr filter missing") << QByteArray("[CTI]\n") << "cdrFilter"
                                        << "1023";
    QTest::newRow("cdr filter 5") << QByteArray("[CTI]\ncdrFilterValue=5\n") << "cdrFilter"
                                  << "5";
    QTest::newRow("echo missing") << QByteArray("[CTI]\n") << "echo"
                                  << "1 0 1";
    QTest::newRow("echo upper case") << QByteArray(
                                            "[CTI]\nechoCanceller=ON\nechoCancellerLmsFilter=ON\nechoSuppressor=off\n")
                                     << "echo"
                                     << "1 0 0";
    QTest::newRow("echo exact") << QByteArray("[CTI]\nechoCanceller=off\nechoCancellerLmsFilter=on\n") << "echo"
                                << "0 1 1";
    QTest::newRow("registrar missing follows pbx") << QByteArray("[CTI]\nMaddress=pbx.example\n") << "registrar"
                                                   << "pbx.example";
    QTest::newRow("registrar empty follows pbx")
        << QByteArray("[CTI]\nMaddress=pbx.example\nSIPRegistrarAddress=\n") << "registrar"
        << "pbx.example";
    QTest::newRow("registrar as stored") << QByteArray(
                                                "[CTI]\nMaddress=pbx.example\nSIPRegistrarAddress=reg.example:5070\n")
                                         << "registrar"
                                         << "reg.example:5070";
    QTest::newRow("excluded folders") << QByteArray("[CTI]\nexcludedOutlookFolders=\"a;;b\"\n") << "excluded"
                                      << "3:a||b";
    QTest::newRow("excluded empty") << QByteArray("[CTI]\nexcludedOutlookFolders=\n") << "excluded"
                                    << "0:";
    QTest::newRow("timeouts missing") << QByteArray("[CTI]\n") << "timeouts"
                                      << "600 90 30 300 300";
    QTest::newRow("timeouts stored") << QByteArray(
                                            "[CTI]\ncontactsRefreshTimeoutSecs=65537\ncdrRefreshTimeoutSecs=10\n")
                                     << "timeouts"
                                     << "1 10 30 300 300";
    QTest::newRow("jitter") << QByteArray("[CTI]\nMinJitterBufferMillis=40\nMaxJitterBufferMillis=70000\n"
                                          "SecondsWithoutMediaBeforeHangup=257\n")
                            << "jitter"
                            << "40 4464 1";
    QTest::newRow("rapid call missing") << QByteArray("[CTI]\n") << "rapidCall"
                                        << "CTRL+1";
    QTest::newRow("rapid call ALT") << QByteArray("[CTI]\nrapidCallMods=ALT\nrapidCallKey=9\n") << "rapidCall"
                                    << "ALT+9";
    QTest::newRow("rapid call alt lower case") << QByteArray("[CTI]\nrapidCallMods=alt\n") << "rapidCall"
                                               << "CTRL+1";
    QTest::newRow("suppressor") << QByteArray("[CTI]\nsuppressorLowerThreshold=12.5\nsuppressorDivider=x\n")
                                << "suppressor"
                                << "12.5 40 15 4000";
    QTest::newRow("widgets") << QByteArray("[CTI]\nMaddress=10.0.0.1\nuser=bob\npassword=" +
                                           SimpleObfuscator::hide(QByteArray("pw")) +
                                           "\nSIPProtocol=TLS\nSIPRegistrarAddress=10.0.0.2\n")
                             << "widgets"
                             << "10.0.0.1|bob||10.0.0.2|TLS";
}

void TestMSettingsDialog::readRules()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, what);
    QFETCH(QString, expected);
    writeIni(ini);
    auto dialog = makeDialog();
    dialog->init();
    QCOMPARE(probe(*dialog, what), expected);
    QVERIFY(prompts->shown.isEmpty());
}

// The old key "SIPaddress" becomes "SIPRegistrarAddress" when read; an empty
// one is only removed, and the registrar then follows the PBX address.
void TestMSettingsDialog::legacyRegistrarIsMigrated_data()
{
    QTest::addColumn<QByteArray>("legacy");
    QTest::addColumn<QString>("registrar"); // in force after the read
    QTest::addColumn<QString>("stored");    // "SIPRegistrarAddress" in the file, empty for none
    QTest::newRow("address moved") << QByteArray("old.example") << "old.example"
                                   << "old.example";
    QTest::newRow("empty removed") << QByteArray() << "pbx.example" << QString();
}

void TestMSettingsDialog::legacyRegistrarIsMigrated()
{
    QFETCH(QByteArray, legacy);
    QFETCH(QString, registrar);
    QFETCH(QString, stored);
    writeIni("[CTI]\nMaddress=pbx.example\nSIPaddress=" + legacy + "\n");
    auto dialog = makeDialog();
    dialog->init();
    QCOMPARE(dialog->getConfig().sipRegistrarAddress.value, registrar);
    QSettings s(iniPath(), QSettings::IniFormat);
    QVERIFY(!s.contains("CTI/SIPaddress"));
    QCOMPARE(s.contains("CTI/SIPRegistrarAddress"), !stored.isEmpty());
    QCOMPARE(s.value("CTI/SIPRegistrarAddress").toString(), stored);
}

void TestMSettingsDialog::passwordScrambledOnDiskClearInMemory()
{
    writeIni("[CTI]\nuser=bob\npassword=" + SimpleObfuscator::hide(QByteArray("s3cret!")) + "\n");
    {
        auto dialog = makeDialog();
        dialog->init();
        QCOMPARE(dialog->getConfig().password.value, QString("s3cret!"));
        QVERIFY(child<QLineEdit>(*dialog, "txtPwd")->text().isEmpty());
        QCOMPARE(child<QLineEdit>(*dialog, "txtPwd")->placeholderText(),
                 QString("Inserire password solo per cambiare la precedente"));
        dialog->saveParameters();
    }
    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    QVERIFY(!raw.contains("s3cret!"));
    QVERIFY(raw.contains("password=" + SimpleObfuscator::hide(QByteArray("s3cret!"))));
    f.close();

    auto again = makeDialog();
    again->init();
    QCOMPARE(again->getConfig().password.value, QString("s3cret!"));
}

void TestMSettingsDialog::firstRunShowsMessageAndKeepsBaseline()
{
    auto dialog = makeDialog();
    bool wasModal = false;
    QTimer::singleShot(0, dialog.get(), [&] {
        wasModal = dialog->isVisible();
        dialog->reject();
    });
    dialog->init();
    QVERIFY(wasModal);
    QCOMPARE(prompts->shown.size(), 1);
    const auto &msg = prompts->shown.first().message;
    QCOMPARE(msg.title, MSETTINGS::getLongApplicationName());
    QCOMPARE(msg.text,
             QString("Sembra che sia la prima volta che si esegue %1.\nPrego inserire i dati di connessione a PBX.")
                 .arg(MSETTINGS::getLongApplicationName()));
    QCOMPARE(dialog->getSavedPosition(), QPoint(200, 100));
    QCOMPARE(dialog->getSavedWidth(), 508);
    QCOMPARE(dialog->getSavedHeigth(), 604);
    QCOMPARE(dialog->checkUpdatesTimeoutMinutes(), 60);
    QCOMPARE(dialog->getMaxCdrViewDays(), 30);
}

void TestMSettingsDialog::geometryFallsBackToFirstStart_data()
{
    QTest::addColumn<QByteArray>("gui");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("no GUI group") << QByteArray() << QRect(200, 100, 508, 604);
    QTest::newRow("zero size") << QByteArray("[GUI]\nx=5\ny=6\nwidth=0\nheight=0\n") << QRect(200, 100, 508, 604);
    QTest::newRow("negative height") << QByteArray("[GUI]\nx=5\ny=6\nwidth=300\nheight=-2\n")
                                     << QRect(200, 100, 508, 604);
    QTest::newRow("position missing") << QByteArray("[GUI]\nwidth=300\nheight=400\n") << QRect(200, 100, 508, 604);
    QTest::newRow("text size") << QByteArray("[GUI]\nx=5\ny=6\nwidth=big\nheight=400\n") << QRect(200, 100, 508, 604);
    QTest::newRow("stored") << QByteArray("[GUI]\nx=5\ny=-6\nwidth=300\nheight=400\n") << QRect(5, -6, 300, 400);
}

void TestMSettingsDialog::geometryFallsBackToFirstStart()
{
    QFETCH(QByteArray, gui);
    QFETCH(QRect, expected);
    writeIni("[CTI]\nuser=bob\n" + gui);
    auto dialog = makeDialog();
    dialog->init();
    QCOMPARE(QRect(dialog->getSavedPosition(), QSize(dialog->getSavedWidth(), dialog->getSavedHeigth())), expected);
}

void TestMSettingsDialog::numberedGroupsSurviveGaps()
{
    writeIni("[FAVOURITES]\n1\\contact=201\n3\\contact=203\n4\\contact=\n"
             "[ACTIONS]\n1\\event=1\n1\\actionType=0\n1\\actionText=http://a\n"
             "3\\event=1\n3\\actionType=1\n3\\actionText=/bin/b\n"
             "4\\event=1\n4\\actionType=0\n4\\actionText=\n"
             "5\\event=7\n5\\actionType=0\n5\\actionText=http://bad-event\n");
    auto dialog = makeDialog();
    dialog->init();
    QVERIFY(dialog->isContactFavourite("201"));
    QVERIFY(dialog->isContactFavourite("203"));
    QVERIFY(!dialog->isContactFavourite(""));
    // Every action the file holds is kept, even one no event runs.
    QCOMPARE(dialog->getEventActions(1).size(), 3);
    QCOMPARE(child<QTableView>(*dialog, "tbEventsAction")->model()->rowCount(), 4);

    // The next save renumbers them without a gap.
    dialog->saveParameters();
    QSettings s(iniPath(), QSettings::IniFormat);
    s.beginGroup("ACTIONS");
    QCOMPARE(s.childGroups(), QStringList({"1", "2", "3", "4"}));
}

void TestMSettingsDialog::saveWritesFormatAndOrder()
{
    const QList<MctiAction> stored = {MctiActions::make(0, 0, "http://one"), MctiActions::make(1, 1, "/bin/two"),
                                      MctiActions::make(2, 0, "http://three")};
    QByteArray ini = "[CTI]\nuser=bob\n[ACTIONS]\n";
    for (int i = 0; i < stored.size(); ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        ini += n + "\\event=" + QByteArray::number(stored[i].event) + "\n" + n +
               "\\actionType=" + QByteArray::number(stored[i].actionType) + "\n" + n +
               "\\actionText=" + stored[i].actionText.toUtf8() + "\n";
    }
    writeIni(ini);
    {
        auto dialog = makeDialog();
        dialog->init();
        dialog->saveParameters();
    }
    QList<QPair<quint32, QString>> byKey;
    for (const MctiAction &a : stored)
        byKey.append(qMakePair(MctiActions::hashKey(a), a.actionText));
    std::sort(byKey.begin(), byKey.end());

    QSettings s(iniPath(), QSettings::IniFormat);
    for (int i = 0; i < byKey.size(); ++i)
        QCOMPARE(s.value(QString("ACTIONS/%1/actionText").arg(i + 1)).toString(), byKey[i].second);

    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    for (const char *line :
         {"startMinimized=0", "PopupCall=1", "CopyToCall=0", "checkUpdatesAtStartup=1", "useLocalSipRegistrar=false",
          "utf8pwd=true", "checkUpdatesTimeoutMins=60", "maxCdrViewDays=30", "rapidCallMods=0", "rapidCallKey=1",
          "cdrFilterValue=1023", "dumpCtilibMessages=0", "AppMode=0", "SIPProtocol=UDP"})
        QVERIFY2(raw.contains(line), line);
    QVERIFY(raw.contains("[GUI]"));
    QVERIFY(raw.contains("width=508"));

    // What was written reads back the same.
    auto again = makeDialog();
    again->init();
    QCOMPARE(probe(*again, "boxes"), QString("0100000010"));
    QCOMPARE(probe(*again, "rapidCall"), QString("CTRL+1"));
}

void TestMSettingsDialog::saveKeepsConditionalKeys()
{
    writeIni("[CTI]\nuser=bob\ncdrRefreshTimeoutSecs=90\nexcludedOutlookFolders=\"a;;b\"\n");
    {
        auto dialog = makeDialog();
        dialog->init();
        dialog->saveParameters();
    }
    QSettings s(iniPath(), QSettings::IniFormat);
    s.beginGroup("CTI");
    for (const char *key : {"contactsRefreshTimeoutSecs", "codecOrderRefreshTimeoutSecs",
                            "identitiesRefreshTimeoutSecs", "queueStatsRefreshTimeoutSecs", "queueNames"})
        QVERIFY2(!s.contains(key), key);
    QCOMPARE(s.value("cdrRefreshTimeoutSecs").toInt(), 90);
    QCOMPARE(s.value("excludedOutlookFolders").toString(), QString("a;;b"));
}

void TestMSettingsDialog::saveKeepsFilePrivate()
{
    const QString nested = dir->filePath("new/settings/");
    MSETTINGS::setSettingsDirPath(nested);
    {
        auto dialog = makeDialog();
        QTimer::singleShot(0, dialog.get(), &QDialog::reject);
        dialog->init();
        dialog->saveParameters();
    }
    struct stat st {
    };
    QCOMPARE(::stat(QFile::encodeName(MSETTINGS::getSettingsConfigFile()).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
    QCOMPARE(::stat(QFile::encodeName(dir->filePath("new/settings")).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0700);
}

void TestMSettingsDialog::failedSaveToldOnce()
{
    // A directory stands where the file should be: nothing can be written.
    QVERIFY(QDir(dir->path()).mkdir("mcti.ini"));
    auto dialog = makeDialog();
    dialog->init();
    prompts->clear();
    dialog->saveParameters();
    dialog->saveParameters();
    QCOMPARE(prompts->shown.size(), 1);
    QCOMPARE(prompts->shown.first().message.kind, PromptService::Kind::Warning);
    QVERIFY(prompts->shown.first().message.text.contains("mcti.ini"));
}

void TestMSettingsDialog::copyToCallAnnouncedAtInit()
{
    writeIni("[CTI]\nCopyToCall=1\n");
    auto dialog = makeDialog();
    QSignalSpy spy(dialog.get(), &MSettingsDialog::sigCopy2CallToggled);
    dialog->init();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().first().toBool(), true);
    auto *buttons = child<QDialogButtonBox>(*dialog, "buttonBox");
    QCOMPARE(buttons->button(QDialogButtonBox::Ok)->text(), QString("Salva"));
}

// ---------------------------------------------------------------------------

void TestMSettingsDialog::selectedAppModePrefersPreset_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<int>("expected");
    QTest::newRow("preset 1") << 1 << 1;
    QTest::newRow("preset 0") << 0 << 0;
    QTest::newRow("none") << -1 << 2;
    QTest::newRow("out of range") << 3 << 2;
}

void TestMSettingsDialog::selectedAppModePrefersPreset()
{
    QFETCH(int, preset);
    QFETCH(int, expected);
    writeIni("[CTI]\nAppMode=2\n");
    MctiConfig config;
    config.startupMode = preset;
    auto dialog = makeDialog(config);
    dialog->init();
    QCOMPARE(int(dialog->getSelectedAppMode()), expected);
}

void TestMSettingsDialog::accountRowTexts()
{
    auto dialog = makeDialog();
    dialog->updateAppMode(MSETTINGS::AppModeDeskPhone);
    const IdentityList list = {
        identity("201", "10.0.0.5", "Yealink T46", "Yealink", "T46", "00:15:65:AA", "desk"),
        identity("202", "", "Yealink T46", "Yealink", "T46"),
        identity("203", "10.0.0.6", ""),
        identity("204", "", "", "", "", "00:11"),
    };
    dialog->setAccountList(list);
    auto *lst = child<QListWidget>(*dialog, "lstAccounts");
    QCOMPARE(lst->count(), 4);
    QCOMPARE(dialog->getAccountList(), list);

    auto label = [&](int row, const char *name) {
        return lst->itemWidget(lst->item(row))->findChild<QLabel *>(name)->text();
    };
    QCOMPARE(label(0, "lblAccount"), QString("201"));
    QCOMPARE(label(0, "lblUserAgent"), QString("Yealink T46"));
    QCOMPARE(label(0, "lblDevice"), QString("Yealink T46"));
    QCOMPARE(label(0, "lblMac"), QString("(MAC: 00:15:65:AA)"));
    QCOMPARE(label(0, "lblNote"), QString("desk"));
    QCOMPARE(label(1, "lblUserAgent"), QString("(nessuno)")); // user agent without registration
    QCOMPARE(label(1, "lblMac"), QString());                  // description without MAC
    QCOMPARE(label(2, "lblUserAgent"), QString("(nessuno)")); // registration without user agent
    QCOMPARE(label(3, "lblDevice"), QString("(nessuno)"));
    QCOMPARE(label(3, "lblMac"), QString());

    // Identity texts come from the PBX and are shown as plain text.
    dialog->setAccountList({identity("<b>x</b>")});
    QCOMPARE(lst->itemWidget(lst->item(0))->findChild<QLabel *>("lblAccount")->textFormat(), Qt::PlainText);

    dialog->setAccountList(IdentityList());
    QCOMPARE(lst->count(), 0);
    QVERIFY(dialog->getAccountList().isEmpty());
}

void TestMSettingsDialog::accountSelection()
{
    writeIni("[CTI]\naccount=202\n");
    auto dialog = makeDialog();
    dialog->init();
    dialog->updateAppMode(MSETTINGS::AppModeSoftphone);
    auto *lst = child<QListWidget>(*dialog, "lstAccounts");
    QAbstractItemModelTester tester(lst->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);

    // The list selects the row of the account in force (after the read, the
    // previous value equals it); a duplicate name selects the later row.
    dialog->setAccountList({identity("201"), identity("202"), identity("203"), identity("202")});
    QCOMPARE(lst->currentRow(), 3);
    QCOMPARE(dialog->getSelectedAccount(), QString("202"));

    dialog->setSelectedAccount("201");
    QCOMPARE(lst->currentRow(), 0);
    QCOMPARE(dialog->getSelectedAccount(), QString("201"));

    dialog->setSelectedAccount("nobody");
    QCOMPARE(lst->currentRow(), -1);
    QCOMPARE(dialog->getSelectedAccount(), QString("nobody"));

    // Opening on the account page selects it.
    QTimer::singleShot(0, dialog.get(), [&] {
        QCOMPARE(child<QTabWidget>(*dialog, "tabMctiSettings")->currentWidget()->objectName(), QString("tabAccounts"));
        QVERIFY(!child<QCheckBox>(*dialog, "chkShowPass")->isEnabled());
        dialog->reject();
    });
    dialog->chooseAccount();
}

// ---------------------------------------------------------------------------

void TestMSettingsDialog::addEditDeleteActions()
{
    writeIni("[CTI]\nuser=bob\n");
    auto dialog = makeDialog();
    dialog->init();
    auto *view = child<QTableView>(*dialog, "tbEventsAction");
    auto *event = child<QComboBox>(*dialog, "cbActionEvent");
    auto *type = child<QComboBox>(*dialog, "cbActionType");
    auto *text = child<QLineEdit>(*dialog, "txtAction");
    auto *editor = child<QWidget>(*dialog, "gbSetAction");
    auto *edit = child<QPushButton>(*dialog, "pbEditAction");
    auto *del = child<QPushButton>(*dialog, "pbDeleteAction");
    QAbstractItemModelTester tester(view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);

    auto add = [&](int ev, int ty, const QString &t) {
        clickNamed(*dialog, "pbAddAction");
        QVERIFY(editor->isEnabled());
        QVERIFY(!child<QWidget>(*dialog, "pbSaveAction")->isHidden());
        event->setCurrentIndex(ev);
        type->setCurrentIndex(ty);
        text->setText(t);
        clickNamed(*dialog, "pbSaveAction");
        QVERIFY(!editor->isEnabled());
    };
    add(0, 0, "http://crm/?n=<callernum>");
    add(2, 1, "/usr/bin/log <uid>");
    add(0, 0, "http://crm/?n=<callernum>"); // equal: still one row
    QCOMPARE(view->model()->rowCount(), 2);

    // Row texts and data roles.
    int incomingRow = view->model()->index(0, 0).data().toString() == "IN" ? 0 : 1;
    const QModelIndex first = view->model()->index(incomingRow, 0);
    QCOMPARE(first.data(Qt::ToolTipRole).toString(), QString("Chiamata in arrivo (squillo)"));
    QCOMPARE(view->model()->index(incomingRow, 1).data().toString(), QString("URL"));
    QCOMPARE(view->model()->index(1 - incomingRow, 1).data().toString(), QString("EXE"));
    QCOMPARE(first.data(1102).toUInt(), MctiActions::hashKey(MctiActions::make(0, 0, "http://crm/?n=<callernum>")));

    // Select and edit the incoming action into an answered one: it keeps its row.
    QVERIFY(!edit->isEnabled() && !del->isEnabled());
    clickCell(*dialog, "tbEventsAction", incomingRow, 2);
    QVERIFY(edit->isEnabled() && del->isEnabled());
    QCOMPARE(text->text(), QString("http://crm/?n=<callernum>"));
    clickNamed(*dialog, "pbEditAction");
    event->setCurrentIndex(1);
    clickNamed(*dialog, "pbSaveAction");
    QCOMPARE(view->model()->index(incomingRow, 0).data().toString(), QString("RIS"));
    QVERIFY(!dialog->isActionRequested(0));
    QCOMPARE(dialog->getEventActions(1).size(), 1);

    // Delete it after confirming.
    clickCell(*dialog, "tbEventsAction", incomingRow, 2);
    prompts->answerNext(QMessageBox::Ok);
    clickNamed(*dialog, "pbDeleteAction");
    QCOMPARE(prompts->shown.last().message.title, QString("Conferma cancellazione azione"));
    QCOMPARE(prompts->shown.last().message.text, QString("Si è sicuri di voler cancellare questa azione?"));
    QCOMPARE(prompts->shown.last().message.buttons, QMessageBox::Ok | QMessageBox::No);
    QCOMPARE(view->model()->rowCount(), 1);
    QVERIFY(!dialog->isActionRequested(1));
    QVERIFY(dialog->isActionRequested(2));

    // Saved and read back.
    dialog->saveParameters();
    auto again = makeDialog();
    again->init();
    QCOMPARE(again->getEventActions(2), QList<MctiAction>({MctiActions::make(2, 1, "/usr/bin/log <uid>")}));
}

void TestMSettingsDialog::emptyTemplateRefused()
{
    auto dialog = makeDialog();
    clickNamed(*dialog, "pbAddAction");
    clickNamed(*dialog, "pbSaveAction");
    QCOMPARE(prompts->shown.size(), 1);
    QCOMPARE(prompts->shown.first().message.title, QString("Errore"));
    QCOMPARE(prompts->shown.first().message.text, QString("Il campo \"Azione\" non può essere vuoto"));
    QVERIFY(child<QWidget>(*dialog, "gbSetAction")->isEnabled());
    QVERIFY(!dialog->isActionRequested(0));
}

void TestMSettingsDialog::deleteNeedsConfirmation()
{
    writeIni("[ACTIONS]\n1\\event=0\n1\\actionType=0\n1\\actionText=http://x\n");
    auto dialog = makeDialog();
    dialog->init();
    auto *view = child<QTableView>(*dialog, "tbEventsAction");
    clickCell(*dialog, "tbEventsAction", 0, 2);
    for (auto answer : {QMessageBox::No, QMessageBox::NoButton}) {
        prompts->answerNext(answer);
        clickNamed(*dialog, "pbDeleteAction");
        QCOMPARE(view->model()->rowCount(), 1);
        QVERIFY(dialog->isActionRequested(0));
    }
}

void TestMSettingsDialog::eventActionsPerEvent()
{
    writeIni("[ACTIONS]\n1\\event=1\n1\\actionType=0\n1\\actionText=http://b\n"
             "2\\event=1\n2\\actionType=1\n2\\actionText=/bin/a\n"
             "3\\event=0\n3\\actionType=0\n3\\actionText=http://c\n");
    auto dialog = makeDialog();
    dialog->init();
    QList<MctiAction> expected = {MctiActions::make(1, 0, "http://b"), MctiActions::make(1, 1, "/bin/a")};
    std::sort(expected.begin(), expected.end(), [](const MctiAction &l, const MctiAction &r) {
        return MctiActions::hashKey(l) < MctiActions::hashKey(r);
    });
    QCOMPARE(dialog->getEventActions(1), expected);
    QVERIFY(dialog->isActionRequested(0));
    QVERIFY(dialog->getEventActions(2).isEmpty());
    QVERIFY(!dialog->isActionRequested(2));
}

void TestMSettingsDialog::formFollowsItsStore()
{
    writeIni("[CTI]\nMaddress=pbx.example.com\naccount=202\nAppMode=2\n");
    MSettingsStore store{MctiConfig()};
    store.init();
    {
        MSettingsDialog dialog(&store, nullptr);
        QCOMPARE(dialog.store(), &store);
        QSignalSpy sip(&dialog, &MSettingsDialog::sigSipSettingsChanged);
        QSignalSpy thresholds(&dialog, &MSettingsDialog::sigChangeThresholds);

        // What changes in the store shows in the form, built before or after.
        store.updateAppMode(MSETTINGS::AppModeSoftphone);
        QVERIFY(tabTexts(dialog).contains("Impostazioni Softphone"));
        store.setMPhoneSipSettings("UDP", "10.1.1.1", 0, "", 0);
        QCOMPARE(child<QLineEdit>(dialog, "txtSipAddress")->text(), QString("10.1.1.1"));
        store.setAccountList({identity("201"), identity("202")});
        QCOMPARE(child<QListWidget>(dialog, "lstAccounts")->currentRow(), 1);
        store.setSelectedAccount("201");
        QCOMPARE(child<QListWidget>(dialog, "lstAccounts")->currentRow(), 0);
        QVERIFY(!child<QCheckBox>(dialog, "chkPauseOnLogoff")->isEnabled());
        store.setPauseSettingsEnabled(true);
        QVERIFY(child<QCheckBox>(dialog, "chkPauseOnLogoff")->isEnabled());
        store.populateAudioDevices({"Mic A", "Mic B"}, {"Out A"});
        QCOMPARE(child<QComboBox>(dialog, "cbMicDev")->count(), 2);
        QCOMPARE(child<QComboBox>(dialog, "cbRingDev")->currentText(), QString("Out A"));
        store.updateDisplayedCodecs({"PCMA", "G722"});
        QCOMPARE(child<QLineEdit>(dialog, "txtCodec")->text(), QString("1. PCMA | 2. G722"));

        // OK takes the entries into the store; its announcements are the dialog's.
        child<QCheckBox>(dialog, "cbUseLocalSIPRegistrar")->setChecked(true);
        clickOk(dialog);
        QVERIFY(prompts->shown.isEmpty());
        QCOMPARE(sip.size(), 1);
        QVERIFY(store.valuesInForce().useLocalSipRegistrar);
        store.checkThresholds();
        QCOMPARE(thresholds.size(), 1);
    }
    // The store outlives the dialog that showed it.
    store.setSlimMode(true);
    store.saveParameters();
    QVERIFY(QSettings(iniPath(), QSettings::IniFormat).value("CTI/useLocalSipRegistrar").toBool());
}

DESKLINE_TEST_MAIN(TestMSettingsDialog)
#include "tst_msettingsdialog.moc"

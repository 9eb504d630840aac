#include "app/desklinestartup.h"
#include "app/mcticonfig.h"
#include "app/passwordpromptdialog.h"
#include "argvbuilder.h"
#include "framework/qdparamparser.h"
#include "framework/simpleobfuscator.h"
#include "scriptedprompts.h"
#include "testmain.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace DesklineStartup;

class TestMctiConfig : public QObject
{
    Q_OBJECT

private slots:
    void configValueTracksChanges();
    void defaultRecord();
    void recordCopiesByValue();

    void readsKeysVerbatim_data();
    void readsKeysVerbatim();
    void onlyTopLevelKeys();
    void onlyRegularFiles_data();
    void onlyRegularFiles();

    void commandLineBeatsFile_data();
    void commandLineBeatsFile();
    void fileFillsRecord();
    void missingFile();
    void passwordPrompt_data();
    void passwordPrompt();
    void passwordDialogForm();
    void startupMode_data();
    void startupMode();

private:
    QString writeFile(const QByteArray &content);
    bool build(const QStringList &args, MctiConfig *config);

    QTemporaryDir m_dir;
    int m_files = 0;
};

QString TestMctiConfig::writeFile(const QByteArray &content)
{
    const QString path = m_dir.filePath(QStringLiteral("cfg%1.ini").arg(++m_files));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return path;
}

bool TestMctiConfig::build(const QStringList &args, MctiConfig *config)
{
    QDParamParser parser;
    declareOptions(parser);
    ArgvBuilder argv(args);
    if (!parser.parse(argv.argc(), argv.argv()))
        return false;
    return buildStartupConfig(parser, config);
}

void TestMctiConfig::configValueTracksChanges()
{
    ConfigValue<QString> v;
    QVERIFY(!v.given);
    QVERIFY(v.value.isEmpty() && v.previous.isEmpty());
    v.set("first");
    QVERIFY(v.given);
    QCOMPARE(v.value, QString("first"));
    QCOMPARE(v.previous, QString("first"));
    QVERIFY(!v.changed());
    v = QStringLiteral("second");
    QCOMPARE(v.value, QString("second"));
    QCOMPARE(v.previous, QString("first"));
    QVERIFY(v.changed());

    ConfigValue<quint8> tos;
    QVERIFY(!tos.given);
    QCOMPARE(int(tos.value), 0);
}

void TestMctiConfig::defaultRecord()
{
    const MctiConfig c;
    QVERIFY(c.sipProtocol.given);
    QCOMPARE(c.sipProtocol.value, QString("UDP"));
    QCOMPARE(c.sipProtocol.previous, QString("UDP"));
    QVERIFY(c.micVol.given && c.micVol.value == 100 && c.micVol.previous == 100);
    QVERIFY(c.spkVol.given && c.spkVol.value == 100 && c.spkVol.previous == 100);
    QVERIFY(!c.pbxAddress.given && !c.password.given && !c.username.given && !c.account.given);
    QVERIFY(!c.sipRegistrarAddress.given && !c.sipProxyAddress.given && !c.sipTos.given && !c.audioTos.given);
    QVERIFY(!c.appMode.given && !c.micDevice.given && !c.spkDevice.given && !c.ringDevice.given);
    QVERIFY(!c.language.given);
    QCOMPARE(c.chatKeepAliveSendIntervalSecs, 120);
    QCOMPARE(c.startupMode, -1);
    QCOMPARE(int(c.cdrFilter), 0);
    QVERIFY(c.echoCanceller && !c.echoCancellerLmsFilter && c.echoSuppressor);
    QCOMPARE(c.suppressorLowerThreshold, 10.0);
    QCOMPARE(c.suppressorUpperThreshold, 40.0);
    QCOMPARE(c.suppressorDivider, 15);
    QCOMPARE(c.suppressorConvergenceMillis, 4000);
    QCOMPARE(int(MctiConfig::CdrAll), 1023);
}

void TestMctiConfig::recordCopiesByValue()
{
    MctiConfig a;
    a.pbxAddress.set("pbx1");
    MctiConfig b = a;
    b.pbxAddress.set("pbx2");
    QCOMPARE(a.pbxAddress.value, QString("pbx1"));
    QCOMPARE(b.pbxAddress.previous, QString("pbx1"));
    QCOMPARE(b.pbxAddress.value, QString("pbx2"));
}

void TestMctiConfig::readsKeysVerbatim_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("value");
    QTest::newRow("comma and semicolon") << QByteArray("password=se,cr;et") << "se,cr;et";
    QTest::newRow("blanks around") << QByteArray("  password =  p w  \r") << "p w";
    QTest::newRow("quoted") << QByteArray("password=\"a=b; c\"") << "a=b; c";
    QTest::newRow("one pair of quotes only") << QByteArray("password=\"\"x\"\"") << "\"x\"";
    QTest::newRow("no escapes") << QByteArray("password=a\\nb%2C") << "a\\nb%2C";
    QTest::newRow("first equals sign") << QByteArray("password==x=") << "=x=";
    QTest::newRow("empty") << QByteArray("password=") << "";
    QTest::newRow("utf-8") << QByteArray("password=p\xC3\xA0ss") << QString::fromUtf8("p\xC3\xA0ss");
}

void TestMctiConfig::readsKeysVerbatim()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, value);
    const QString path = writeFile("; comment\nusername=me\n" + line + "\n");
    const QHash<QString, QString> keys = readConfigFileKeys(path);
    QCOMPARE(keys.value("password"), value);
    QCOMPARE(keys.value("username"), QString("me"));
}

void TestMctiConfig::onlyTopLevelKeys()
{
    const QString path = writeFile("\xEF\xBB\xBFusername=top\n[Other]\npassword=hidden\n[General]\nmode=1\n");
    const QHash<QString, QString> keys = readConfigFileKeys(path);
    QCOMPARE(keys.value("username"), QString("top"));
    QVERIFY(!keys.contains("password"));
    QCOMPARE(keys.value("mode"), QString("1"));
}

void TestMctiConfig::onlyRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("directory") << "directory";
    QTest::newRow("device") << "device";
}

// -c naming something other than a regular file neither blocks nor reads it:
// its keys are empty, as for an unreadable file.
void TestMctiConfig::onlyRegularFiles()
{
    QFETCH(QString, kind);
    QString path;
    if (kind == "fifo") {
        path = m_dir.filePath(QStringLiteral("cfg.fifo%1").arg(++m_files));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "directory") {
        path = m_dir.path();
    } else {
        path = QStringLiteral("/dev/zero");
    }
    // Should the read block on the FIFO, a writer unblocks it after a while
    // with a key that must then show up, so the test fails instead of hanging.
    std::atomic<bool> done{false};
    std::atomic<bool> unblocked{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 200 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (done || kind != "fifo")
            return;
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            unblocked = true;
            const char text[] = "username=from-fifo\n";
            (void)!::write(fd, text, sizeof text - 1);
            ::close(fd);
        }
    });
    ScriptedPrompts prompts;
    MctiConfig c;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("is not a regular file, ignored$"));
    const bool ok = build(QStringList{"-c", path}, &c);
    done = true;
    watchdog.join();
    QVERIFY(!unblocked);
    QVERIFY(ok);
    QVERIFY(c.username.given);
    QVERIFY(c.username.value.isEmpty());
    QCOMPARE(c.startupMode, 2);
    // No password in the file: the prompt is asked.
    QCOMPARE(prompts.dialogRequests, QStringList{"dlgPasswordPrompt"});
}

void TestMctiConfig::commandLineBeatsFile_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("file only") << QStringList() << "file-pbx"
                               << "file-user"
                               << "file-pw";
    QTest::newRow("-a") << QStringList{"-a", "cli-pbx"} << "cli-pbx"
                        << "file-user"
                        << "file-pw";
    QTest::newRow("-u") << QStringList{"-u", "cli-user"} << "file-pbx"
                        << "cli-user"
                        << "file-pw";
    QTest::newRow("-p") << QStringList{"-p", "cli-pw"} << "file-pbx"
                        << "file-user"
                        << "cli-pw";
    QTest::newRow("all") << QStringList{"-p", "x", "-u", "y", "-a", "z"} << "z"
                         << "y"
                         << "x";
}

void TestMctiConfig::commandLineBeatsFile()
{
    QFETCH(QStringList, options);
    QFETCH(QString, address);
    QFETCH(QString, user);
    QFETCH(QString, password);
    ScriptedPrompts prompts;
    const QString path =
        writeFile("ctiServerIp=file-pbx\nusername=file-user\npassword=file-pw\nsipServerIp=sip.example\n");
    MctiConfig c;
    QVERIFY(build(QStringList{"-c", path} + options, &c));
    QCOMPARE(c.pbxAddress.value, address);
    QCOMPARE(c.username.value, user);
    // The start-up record holds the password scrambled.
    QCOMPARE(c.password.value, SimpleObfuscator::hide(password));
    QCOMPARE(c.sipRegistrarAddress.value, QString("sip.example"));
    QVERIFY(prompts.dialogRequests.isEmpty());
    QVERIFY(prompts.shown.isEmpty());
}

void TestMctiConfig::fileFillsRecord()
{
    ScriptedPrompts prompts;
    MctiConfig c;
    QVERIFY(build(QStringList{"-c", writeFile("password=se,cr;et\nsipAccount=\"acc 1\"\nmode=1\n")}, &c));
    QCOMPARE(SimpleObfuscator::reveal(c.password.value), QString("se,cr;et"));
    QCOMPARE(c.account.value, QString("acc 1"));
    QCOMPARE(c.startupMode, 1);
    // Missing keys are set, as empty texts.
    QVERIFY(c.pbxAddress.given && c.pbxAddress.value.isEmpty());
    QVERIFY(c.username.given && c.username.value.isEmpty());

    MctiConfig d;
    QVERIFY(build(QStringList{"-c", writeFile("password=x\n")}, &d));
    QVERIFY(d.account.given);
    QVERIFY(d.account.value.isEmpty());

    // Without -c, only the options count.
    MctiConfig e;
    QVERIFY(build(QStringList{"-a", "pbx"}, &e));
    QCOMPARE(e.pbxAddress.value, QString("pbx"));
    QVERIFY(!e.account.given);
    QCOMPARE(e.startupMode, -1);
    // An empty -c value reads nothing.
    MctiConfig f;
    QVERIFY(build(QStringList{"-c", ""}, &f));
    QVERIFY(!f.account.given);
    QVERIFY(prompts.dialogRequests.isEmpty());
}

void TestMctiConfig::missingFile()
{
    ScriptedPrompts prompts;
    MctiConfig c;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Config file .*nothere.ini.* not found!"));
    QVERIFY(!build(QStringList{"-c", m_dir.filePath("nothere.ini")}, &c));
    QVERIFY(prompts.dialogRequests.isEmpty());
}

void TestMctiConfig::passwordPrompt_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("warned");
    QTest::newRow("typed and OK") << QByteArray("username=u\n") << "typed" << int(QDialogButtonBox::Ok) << false;
    QTest::newRow("typed and Cancel") << QByteArray("password=\n") << "typed" << int(QDialogButtonBox::Cancel) << false;
    QTest::newRow("nothing typed, OK") << QByteArray("username=u\n") << "" << int(QDialogButtonBox::Ok) << true;
    QTest::newRow("nothing typed, Cancel") << QByteArray("password=\n") << "" << int(QDialogButtonBox::Cancel) << true;
}

// The real dialog is shown: the user types into it and presses one of its
// buttons; whatever was typed is taken, whichever button it was.
void TestMctiConfig::passwordPrompt()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, typed);
    QFETCH(int, button);
    QFETCH(bool, warned);
    ScriptedPrompts prompts;
    bool closedByButton = false;
    prompts.dialogNext([&](QDialog *dialog) {
        QVERIFY(dialog->isVisible());
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("txtPassPrompt"));
        auto *box = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QVERIFY(edit && box);
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QTest::keyClicks(edit, typed);
        QPushButton *b = box->button(QDialogButtonBox::StandardButton(button));
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
        closedByButton = !dialog->isVisible();
        QCOMPARE(dialog->result(), button == QDialogButtonBox::Ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    });
    MctiConfig c;
    QVERIFY(build(QStringList{"-c", writeFile(content)}, &c));
    QCOMPARE(prompts.dialogRequests, QStringList{"dlgPasswordPrompt"});
    QVERIFY(closedByButton);
    QVERIFY(c.password.given);
    QCOMPARE(c.password.value, SimpleObfuscator::hide(typed));
    QCOMPARE(prompts.shown.size(), warned ? 1 : 0);
    if (warned) {
        QCOMPARE(prompts.shown.first().message.kind, PromptService::Kind::Warning);
        QVERIFY(prompts.shown.first().message.title.isEmpty());
        QCOMPARE(prompts.shown.first().message.text,
                 QString("You inserted a blank password, you'll need to change it in your settings in order to "
                         "connect to PBX"));
    }
}

// The form as built, run through the real (blocking) prompt service.
void TestMctiConfig::passwordDialogForm()
{
    PasswordPromptDialog dialog;
    QCOMPARE(dialog.objectName(), QString("dlgPasswordPrompt"));
    QCOMPARE(dialog.windowTitle(), QString("Dialog"));
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("lblPassPrompt"));
    QVERIFY(label);
    QCOMPARE(label->text(),
             QString("Il file di configurazione non contiene password.<br>Inserire la password da utilizzare:"));
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("txtPassPrompt"));
    auto *box = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QVERIFY(edit && box);
    QCOMPARE(box->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    DefaultPromptService real;
    QTimer::singleShot(0, &dialog, [&] {
        QTest::keyClicks(edit, QStringLiteral("s3cret"));
        QTest::mouseClick(box->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    QCOMPARE(real.execDialog(&dialog), int(QDialog::Rejected));
    QCOMPARE(dialog.getInsertedPassword(), QString("s3cret"));
}

void TestMctiConfig::startupMode_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("mode");
    QTest::newRow("missing") << QByteArray("password=x\n") << 2;
    QTest::newRow("0") << QByteArray("password=x\nmode=0\n") << 0;
    QTest::newRow("1") << QByteArray("password=x\nmode=1\n") << 1;
    QTest::newRow("2") << QByteArray("password=x\nmode=2\n") << 2;
    QTest::newRow("3") << QByteArray("password=x\nmode=3\n") << 2;
    QTest::newRow("-1") << QByteArray("password=x\nmode=-1\n") << 2;
    QTest::newRow("abc") << QByteArray("password=x\nmode=abc\n") << 2;
    QTest::newRow("empty") << QByteArray("password=x\nmode=\n") << 2;
}

void TestMctiConfig::startupMode()
{
    QFETCH(QByteArray, content);
    QFETCH(int, mode);
    MctiConfig c;
    QVERIFY(build(QStringList{"-c", writeFile(content)}, &c));
    QCOMPARE(c.startupMode, mode);
}

DESKLINE_TEST_MAIN(TestMctiConfig)
#include "tst_mcticonfig.moc"

// The text-message window: the 160-byte limit of the message box (typed and
// pasted), the counter, and the checks before a request leaves the window.
#include "directory/wdgsms.h"
#include "scriptedprompts.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using testsupport::child;
using testsupport::clickButton;

class TestWdgSms : public QObject
{
    Q_OBJECT
private slots:
    void init() { prompts.reset(new ScriptedPrompts); }
    void cleanup() { prompts.reset(); }
    void typingStopsAt160Bytes();
    void keysAtTheLimit_data();
    void keysAtTheLimit();
    void twoByteCharactersCountDouble();
    void pasteIsCutToWhatFits();
    void sendChecks_data();
    void sendChecks();
    void failureKeepsTheWindowAndItsText();

private:
    QScopedPointer<ScriptedPrompts> prompts;
};

void TestWdgSms::typingStopsAt160Bytes()
{
    wdgSms w(QStringLiteral("3331234567"), QString());
    w.show();
    auto *box = child<SmsTextEdit>(w, "txtSmsMsg");
    QCOMPARE(w.counterText(), QStringLiteral("160 caratteri residui"));
    QTest::keyClicks(box, QString(159, QLatin1Char('a')));
    QCOMPARE(w.counterText(), QStringLiteral("1 caratteri disponibili"));
    QTest::keyClicks(box, QStringLiteral("b"));
    QCOMPARE(box->toPlainText().size(), 160);
    QTest::keyClicks(box, QStringLiteral("c"));
    QCOMPARE(box->toPlainText().size(), 160);
    QCOMPARE(w.counterText(), QStringLiteral("0 caratteri disponibili"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->toPlainText().size(), 159);
    QTest::keyClicks(box, QStringLiteral("d"));
    QVERIFY(box->toPlainText().endsWith(QLatin1Char('d')));
}

void TestWdgSms::keysAtTheLimit_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("passes");
    QTest::newRow("return") << int(Qt::Key_Return) << int(Qt::NoModifier) << false;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false;
    QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier) << false;
    QTest::newRow("shift alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << true;
    QTest::newRow("left arrow") << int(Qt::Key_Left) << int(Qt::NoModifier) << true;
    QTest::newRow("delete") << int(Qt::Key_Delete) << int(Qt::NoModifier) << true;
}

void TestWdgSms::keysAtTheLimit()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, passes);
    wdgSms w(QStringLiteral("3331234567"), QString());
    w.show();
    auto *box = child<SmsTextEdit>(w, "txtSmsMsg");
    box->setPlainText(QString(160, QLatin1Char('a')));
    QTextCursor c = box->textCursor();
    c.setPosition(80);
    box->setTextCursor(c);
    QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    const bool changed = box->toPlainText() != QString(160, QLatin1Char('a')) || box->textCursor().position() != 80;
    QCOMPARE(changed, passes && key != Qt::Key_Shift);
}

void TestWdgSms::twoByteCharactersCountDouble()
{
    wdgSms w(QStringLiteral("3331234567"), QString());
    w.show();
    auto *box = child<SmsTextEdit>(w, "txtSmsMsg");
    for (int i = 0; i < 80; ++i)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Agrave, QString(QChar(0x00e0)), Qt::NoModifier);
    QCOMPARE(box->toPlainText().size(), 80);
    QCOMPARE(w.counterText(), QStringLiteral("0 caratteri disponibili"));
    QTest::keyClicks(box, QStringLiteral("x"));
    QCOMPARE(box->toPlainText().size(), 80);
}

void TestWdgSms::pasteIsCutToWhatFits()
{
    wdgSms w(QStringLiteral("3331234567"), QString());
    w.show();
    auto *box = child<SmsTextEdit>(w, "txtSmsMsg");
    QTest::keyClicks(box, QString(150, QLatin1Char('a')));
    QApplication::clipboard()->setText(QStringLiteral("0123456789ABCDEF") + QString(10, QChar(0x00e8)));
    box->paste();
    QCOMPARE(SmsRules::byteLength(box->toPlainText()), 160);
    QVERIFY(box->toPlainText().endsWith(QStringLiteral("0123456789")));
    QCOMPARE(w.counterText(), QStringLiteral("0 caratteri disponibili"));
}

void TestWdgSms::sendChecks_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sentTo"); // empty: refused with a message
    QTest::newRow("plain") << "3331234567"
                           << "Ciao"
                           << "3331234567";
    QTest::newRow("written with separators") << "+39 333/123-45.67"
                                             << "Ciao"
                                             << "+393331234567";
    QTest::newRow("no destination") << ""
                                    << "Ciao"
                                    << "";
    QTest::newRow("letters") << "333abc"
                             << "Ciao"
                             << "";
    QTest::newRow("plus inside") << "33+3"
                                 << "Ciao"
                                 << "";
    QTest::newRow("empty text") << "3331234567"
                                << ""
                                << "";
    QTest::newRow("blank text") << "3331234567"
                                << "   "
                                << "";
    QTest::newRow("161 bytes") << "3331234567" << QString(161, QLatin1Char('a')) << "";
}

void TestWdgSms::sendChecks()
{
    QFETCH(QString, destination);
    QFETCH(QString, text);
    QFETCH(QString, sentTo);
    wdgSms w(destination, text);
    w.show();
    QSignalSpy send(&w, &wdgSms::sigSendSms);
    clickButton(w, QStringLiteral("pbSend"));
    QCOMPARE(send.count(), sentTo.isEmpty() ? 0 : 1);
    QCOMPARE(prompts->shown.size(), sentTo.isEmpty() ? 1 : 0);
    if (!sentTo.isEmpty()) {
        QCOMPARE(send.first().at(0).toString(), sentTo);
        QCOMPARE(send.first().at(1).toString(), text);
        // No second request until the outcome is known.
        QVERIFY(!child<QPushButton>(w, "pbSend")->isEnabled());
    }
}

void TestWdgSms::failureKeepsTheWindowAndItsText()
{
    auto *w = new wdgSms(QStringLiteral("3331234567"), QStringLiteral("Ciao"));
    QPointer<wdgSms> guard(w);
    w->show();
    clickButton(*w, QStringLiteral("pbSend"));
    w->onSendFailed(QStringLiteral("SmsNotAvailable"));
    QVERIFY(w->isVisible());
    QCOMPARE(w->text(), QStringLiteral("Ciao"));
    QVERIFY(child<QPushButton>(*w, "pbSend")->isEnabled());
    QCOMPARE(prompts->shown.size(), 1);
    QVERIFY(prompts->shown.first().message.text.contains(QStringLiteral("SmsNotAvailable")));
    w->onSent();
    QTRY_VERIFY(guard.isNull()); // closed and deleted
}

DESKLINE_TEST_MAIN(TestWdgSms)
#include "tst_wdgsms.moc"

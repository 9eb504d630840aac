// The dial field and the search field: what they accept, what they report,
// and which keys they hand to the main window instead of editing with them.
#include "desklineresources.h"
#include "testmain.h"
#include "widgets/customlineedit.h"
#include "widgets/customsearchlineedit.h"

#include <QClipboard>
#include <QSignalSpy>

class TestCustomLineEdit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void typedKeys_data();
    void typedKeys();
    void shortcutKeysGoToTheWindow();
    void enterAndClear();
    void pasteKeepsOnlyDialableCharacters_data();
    void pasteKeepsOnlyDialableCharacters();
    void keypadInsert_data();
    void keypadInsert();
    void searchFieldKeys();
};

void TestCustomLineEdit::typedKeys_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("digits"); // digit:keyName of each sigDigitClicked
    QTest::newRow("digits") << "05"
                            << "05" << QStringList{"0:0", "5:5"};
    QTest::newRow("star and pound") << "*#"
                                    << "*#" << QStringList{"*:STAR", "#:POUND"};
    QTest::newRow("letters are refused") << "a1b"
                                         << "1" << QStringList{"1:1"};
    QTest::newRow("blank and plus are refused") << " +2"
                                                << "2" << QStringList{"2:2"};
}

void TestCustomLineEdit::typedKeys()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QStringList, digits);
    CustomLineEdit edit;
    QSignalSpy spy(&edit, &CustomLineEdit::sigDigitClicked);
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.text(), text);
    QStringList got;
    for (const QList<QVariant> &args : qAsConst(spy))
        got << args.at(0).toString() + QLatin1Char(':') + args.at(1).toString();
    QCOMPARE(got, digits);
}

void TestCustomLineEdit::shortcutKeysGoToTheWindow()
{
    CustomLineEdit edit;
    edit.setShortcutsList({QStringLiteral("F9"), QStringLiteral("End"), QStringLiteral("Ctrl+F5")});
    edit.setText(QStringLiteral("123"));
    edit.setCursorPosition(0);
    QSignalSpy spy(&edit, &CustomLineEdit::sigShortcutRequested);

    QTest::keyClick(&edit, Qt::Key_End);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toString(), QStringLiteral("End"));
    QCOMPARE(edit.cursorPosition(), 0); // the field did not see the key

    QTest::keyClick(&edit, Qt::Key_F5, Qt::ControlModifier);
    QCOMPARE(spy.takeFirst().at(0).toString(), QStringLiteral("Ctrl+F5"));

    // with Shift the key text is "Shift+End": not listed, so the field handles it
    QTest::keyClick(&edit, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(edit.selectedText(), QStringLiteral("123"));
}

void TestCustomLineEdit::enterAndClear()
{
    CustomLineEdit edit;
    QSignalSpy enter(&edit, &CustomLineEdit::sigEnter);
    QSignalSpy clear(&edit, &CustomLineEdit::sigClear);
    QTest::keyClicks(&edit, QStringLiteral("12"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_Enter);
    QCOMPARE(enter.count(), 2);
    QCOMPARE(clear.count(), 0);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(clear.count(), 0);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(clear.count(), 1); // the field became empty
    edit.setText(QStringLiteral("3"));
    edit.clear();
    QCOMPARE(clear.count(), 2);
}

void TestCustomLineEdit::pasteKeepsOnlyDialableCharacters_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("text");
    // A leading "+" is the international prefix: dropping it would dial another number.
    QTest::newRow("international with separators") << "+39 (02) 1234-567 *8#"
                                                   << "0039021234567*8#";
    QTest::newRow("international, blanks around") << "  +39 02 1234 "
                                                  << "0039021234";
    QTest::newRow("plus not first is dropped") << "02+1234"
                                               << "021234";
    QTest::newRow("national with dots") << "02.1234.567"
                                        << "021234567";
    QTest::newRow("letters only replace the text with nothing") << "abc"
                                                                << "";
}

void TestCustomLineEdit::pasteKeepsOnlyDialableCharacters()
{
    QFETCH(QString, clipboard);
    QFETCH(QString, text);
    CustomLineEdit edit;
    edit.setText(QStringLiteral("999"));
    QApplication::clipboard()->setText(clipboard);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), text);
}

void TestCustomLineEdit::keypadInsert_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("keyName");
    QTest::newRow("digit") << "7"
                           << "7"
                           << "7";
    QTest::newRow("Ast") << "Ast"
                         << "*"
                         << "STAR";
    QTest::newRow("Pound") << "Pound"
                           << "#"
                           << "POUND";
}

void TestCustomLineEdit::keypadInsert()
{
    QFETCH(QString, key);
    QFETCH(QString, inserted);
    QFETCH(QString, keyName);
    CustomLineEdit edit;
    QSignalSpy spy(&edit, &CustomLineEdit::sigDigitClicked);
    edit.insertNum(key);
    QCOMPARE(edit.text(), inserted);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), inserted);
    QCOMPARE(spy.at(0).at(1).toString(), keyName);
}

void TestCustomLineEdit::searchFieldKeys()
{
    CustomSearchLineEdit edit;
    edit.setShortcutsList({QStringLiteral("F10")});
    QSignalSpy down(&edit, &CustomSearchLineEdit::sigDownArrowClicked);
    QSignalSpy shortcut(&edit, &CustomSearchLineEdit::sigShortcutRequested);
    QTest::keyClicks(&edit, QStringLiteral("Rossi 2"));
    QCOMPARE(edit.text(), QStringLiteral("Rossi 2")); // any text
    QTest::keyClick(&edit, Qt::Key_F10);
    QCOMPARE(shortcut.count(), 1);
    QCOMPARE(edit.text(), QStringLiteral("Rossi 2"));
    QTest::keyClick(&edit, Qt::Key_Down);
    QCOMPARE(down.count(), 1);
}

DESKLINE_TEST_MAIN(TestCustomLineEdit)
#include "tst_customlineedit.moc"

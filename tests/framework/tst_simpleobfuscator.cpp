#include "framework/simpleobfuscator.h"
#include "testmain.h"

#include <QRandomGenerator>
#include <QtTest>

class TestSimpleObfuscator : public QObject
{
    Q_OBJECT

private slots:
    void hideText_data();
    void hideText();
    void rotateEveryByteValue();
    void roundTripBytes_data();
    void roundTripBytes();
    void roundTripText_data();
    void roundTripText();
    void revealAcceptsPaddingAndJunk();
    void revealTextStopsAtZeroByte();
    void revealDecodesLikeQt();
};

void TestSimpleObfuscator::hideText_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("hidden");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("a") << "a"
                       << "bg";
    QTest::newRow("ab") << "ab"
                        << "bm8";
    QTest::newRow("abc") << "abc"
                         << "bm9w";
    QTest::newRow("pw") << "pw"
                        << "fYQ";
}

void TestSimpleObfuscator::hideText()
{
    QFETCH(QString, plain);
    QFETCH(QString, hidden);
    QCOMPARE(SimpleObfuscator::hide(plain), hidden);
    QCOMPARE(SimpleObfuscator::reveal(hidden), plain);
    QCOMPARE(SimpleObfuscator::hide(plain.toUtf8()), hidden.toLatin1());
}

void TestSimpleObfuscator::rotateEveryByteValue()
{
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QByteArray fwd = SimpleObfuscator::rot13(all, SimpleObfuscator::RotForward);
    QCOMPARE(fwd.size(), 256);
    for (int i = 0; i < 256; ++i)
        QCOMPARE(quint8(fwd.at(i)), quint8((i + 13) & 0xff));
    QCOMPARE(quint8(fwd.at(0xF3)), quint8(0x00));
    QCOMPARE(quint8(fwd.at(0xFF)), quint8(0x0C));
    const QByteArray back = SimpleObfuscator::rot13(all, SimpleObfuscator::RotBackward);
    QCOMPARE(quint8(back.at(0x00)), quint8(0xF3));
    QCOMPARE(SimpleObfuscator::rot13(fwd, SimpleObfuscator::RotBackward), all);
}

void TestSimpleObfuscator::roundTripBytes_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("hiddenLength");
    QTest::newRow("0 bytes") << QByteArray() << 0;
    QTest::newRow("1 byte") << QByteArray("\xf3", 1) << 2;
    QTest::newRow("2 bytes") << QByteArray("\x00\xff", 2) << 3;
    QTest::newRow("3 bytes") << QByteArray("\x00\x01\x80", 3) << 4;
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(255 - i);
    QTest::newRow("every byte value") << all << 342;
}

void TestSimpleObfuscator::roundTripBytes()
{
    QFETCH(QByteArray, block);
    QFETCH(int, hiddenLength);
    const QByteArray hidden = SimpleObfuscator::hide(block);
    QCOMPARE(hidden.size(), hiddenLength);
    QVERIFY(!hidden.endsWith('='));
    QCOMPARE(SimpleObfuscator::reveal(hidden), block);
}

void TestSimpleObfuscator::roundTripText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("1 char") << "x";
    QTest::newRow("2 chars") << "xy";
    QTest::newRow("3 chars") << "xyz";
    QTest::newRow("separators") << "se,cr;et=\"'\\";
    QTest::newRow("accented") << QString::fromUtf8("perché àèìòù");
    QTest::newRow("non-BMP") << QString::fromUtf8("chiave \xF0\x9F\x94\x91");
    QTest::newRow("cyrillic") << QString::fromUtf8("пароль");
}

void TestSimpleObfuscator::roundTripText()
{
    QFETCH(QString, text);
    const QString hidden = SimpleObfuscator::hide(text);
    QVERIFY(hidden != text);
    QVERIFY(!hidden.endsWith(QLatin1Char('=')));
    QCOMPARE(SimpleObfuscator::reveal(hidden), text);
}

void TestSimpleObfuscator::revealAcceptsPaddingAndJunk()
{
    QCOMPARE(SimpleObfuscator::reveal(QStringLiteral("bg==")), QStringLiteral("a"));
    QCOMPARE(SimpleObfuscator::reveal(QByteArray("bm9w")), QByteArray("abc"));
    // Characters outside the alphabet are skipped, never an error.
    QCOMPARE(SimpleObfuscator::reveal(QByteArray("bm\n9w!")), QByteArray("abc"));
}

void TestSimpleObfuscator::revealTextStopsAtZeroByte()
{
    const QString text = QStringLiteral("ab") + QChar(0) + QStringLiteral("cd");
    QCOMPARE(SimpleObfuscator::reveal(SimpleObfuscator::hide(text)), QStringLiteral("ab"));
    // The byte form keeps the zero.
    const QByteArray bytes("ab\0cd", 5);
    QCOMPARE(SimpleObfuscator::reveal(SimpleObfuscator::hide(bytes)), bytes);
}

void TestSimpleObfuscator::revealDecodesLikeQt()
{
    // The decoder is Qt's lenient one: the same bytes for any input,
    // including junk, padding in the middle and truncated groups.
    QRandomGenerator gen(1234);
    const QByteArray alphabet("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=\n -_*\x80\xff");
    for (int round = 0; round < 2000; ++round) {
        QByteArray text(int(gen.bounded(64)), '\0');
        for (char &c : text)
            c = alphabet.at(int(gen.bounded(alphabet.size())));
        QCOMPARE(SimpleObfuscator::reveal(text),
                 SimpleObfuscator::rot13(QByteArray::fromBase64(text), SimpleObfuscator::RotBackward));
    }
}

DESKLINE_TEST_MAIN(TestSimpleObfuscator)
#include "tst_simpleobfuscator.moc"

#include "framework/simplexmlparser.h"
#include "testmain.h"

using Attrs = QMap<QString, QString>;
Q_DECLARE_METATYPE(Attrs)
Q_DECLARE_METATYPE(QList<Attrs>)

class TestXmlParser : public QObject
{
    Q_OBJECT

private slots:
    void tagValue_data();
    void tagValue();
    void decodedTagValue();
    void tagsValues_data();
    void tagsValues();
    void tagProperties_data();
    void tagProperties();
    void tagsProperties();
    void startTagDelimiters_data();
    void startTagDelimiters();
    void decodeEntities_data();
    void decodeEntities();
    void encodeEntities_data();
    void encodeEntities();
    void encodeDecodeRoundTrip();
    void unquoteString_data();
    void unquoteString();
    void manyElementsStayLinear();
};

void TestXmlParser::tagValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("expected");

    const QString none = QStringLiteral("none");
    for (const QString &tag : {QStringLiteral("item"), QStringLiteral("<item>")}) {
        const QByteArray t = tag.toUtf8();
        QTest::newRow((t + " plain").constData()) << "<item>abc</item>" << tag << 0 << "abc";
        QTest::newRow((t + " blanks in start tag").constData()) << "<item  >abc</item>" << tag << 0 << "abc";
        QTest::newRow((t + " attribute").constData()) << "<item a='1' >abc</item>" << tag << 0 << "abc";
        QTest::newRow((t + " newline after name").constData()) << "<item\nb=\"2\">abc</item>" << tag << 0 << "abc";
    }
    QTest::newRow("longer name is no start tag") << "<item2>abc</item2>"
                                                 << "item" << 0 << none;
    QTest::newRow("prefix name is no start tag") << "<itemlist>abc</itemlist>"
                                                 << "item" << 0 << none;
    QTest::newRow("empty element, blank") << "<item />"
                                          << "item" << 0 << "";
    QTest::newRow("empty element, blanks") << "<item   />"
                                           << "item" << 0 << "";
    QTest::newRow("empty element, no blank") << "<item/>"
                                             << "item" << 0 << "";
    QTest::newRow("no closing tag") << "<item>abc"
                                    << "item" << 0 << none;
    QTest::newRow("closing tag with blank is none") << "<item>abc</item >"
                                                    << "item" << 0 << none;
    QTest::newRow("nesting is not counted") << "<a>x<a>y</a>z</a>"
                                            << "a" << 0 << "x<a>y";
    QTest::newRow("start index skips first") << "<a>1</a><a>2</a>"
                                             << "a" << 1 << "2";
    QTest::newRow("negative start index") << "<a>1</a>"
                                          << "a" << -5 << "1";
    QTest::newRow("start index past end") << "<a>1</a>"
                                          << "a" << 100 << none;
    QTest::newRow("raw: no trimming, no decoding") << "<a> x &amp; y </a>"
                                                   << "a" << 0 << " x &amp; y ";
    QTest::newRow("case-sensitive") << "<Item>abc</Item>"
                                    << "item" << 0 << none;
    QTest::newRow("closing tag inside start tag") << "<a </a>"
                                                  << "a" << 0 << none;
    QTest::newRow("empty text") << ""
                                << "a" << 0 << none;
    QTest::newRow("unicode white space after name") << QString::fromUtf8("<a\u00a0b='1'>v</a>") << "a" << 0 << "v";
}

void TestXmlParser::tagValue()
{
    QFETCH(QString, text);
    QFETCH(QString, tag);
    QFETCH(int, from);
    QFETCH(QString, expected);
    const QString value = SimpleXmlParser::getTagValue(text, tag, from, QStringLiteral("none"));
    QCOMPARE(value, expected);
    // The empty string of an empty element is not a null "missing" value.
    QCOMPARE(value.isNull(), false);
}

void TestXmlParser::decodedTagValue()
{
    QCOMPARE(SimpleXmlParser::getDecodedTagValue("<x/>", "<item>", 0, "&lt;none&gt;"), QStringLiteral("<none>"));
    QCOMPARE(SimpleXmlParser::getDecodedTagValue("<item>a &amp;lt; b</item>", "<item>", 0, "d"),
             QStringLiteral("a &lt; b"));
    QCOMPARE(SimpleXmlParser::getDecodedTagValue("<item/>", "item", 0, "d"), QString(""));
}

void TestXmlParser::tagsValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("decoded");

    QTest::newRow("list") << "<list> <item>one</item> <item>two</item> </list>"
                          << "item" << QStringList{"one", "two"} << QStringList{"one", "two"};
    QTest::newRow("bracketed name") << "<item>one</item><item>two</item>"
                                    << "<item>" << QStringList{"one", "two"} << QStringList{"one", "two"};
    QTest::newRow("absent") << "<list></list>"
                            << "item" << QStringList{} << QStringList{};
    QTest::newRow("nested") << "<a>x<a>y</a>z</a>"
                            << "a" << QStringList{"x<a>y", "y"} << QStringList{"x<a>y", "y"};
    QTest::newRow("empty and unclosed") << "<item/><item>a</item><item>b"
                                        << "item" << QStringList{"", "a", ""} << QStringList{"", "a", ""};
    QTest::newRow("not closed before next") << "<i>1<i>2</i>"
                                            << "i" << QStringList{"1<i>2", "2"} << QStringList{"1<i>2", "2"};
    QTest::newRow("decoded in order") << "<v>&lt;</v><v>&amp;amp;</v><v>&#xe9;</v>"
                                      << "v" << QStringList{"&lt;", "&amp;amp;", "&#xe9;"}
                                      << QStringList{"<", "&amp;", QString(QChar(0xe9))};
}

void TestXmlParser::tagsValues()
{
    QFETCH(QString, text);
    QFETCH(QString, tag);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, decoded);
    QCOMPARE(SimpleXmlParser::getTagsValues(text, tag), expected);
    QCOMPARE(SimpleXmlParser::getDecodedTagsValues(text, tag), decoded);
}

void TestXmlParser::tagProperties_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<Attrs>("expected");

    QTest::newRow("blanks around = and inside value") << "<item a = 'x  y' >" << 0 << Attrs{{"a", "x  y"}};
    QTest::newRow("other quote inside value") << "<item a=\"p 'q' \" b='r'>" << 0 << Attrs{{"a", "p 'q' "}, {"b", "r"}};
    QTest::newRow("single-quoted wins over double-quoted") << "<item a=\"1\" a='2' a=\"3\">" << 0 << Attrs{{"a", "2"}};
    QTest::newRow("names and skipped forms")
        << "<item data-id='7' x:y='8' flag z=9>" << 0 << Attrs{{"data-id", "7"}, {"y", "8"}};
    QTest::newRow("multi-part name") << "<item a-b-c=\"v\">" << 0 << Attrs{{"a-b-c", "v"}};
    QTest::newRow("empty element") << "<item a='1'/>" << 0 << Attrs{{"a", "1"}};
    QTest::newRow("> inside a value ends the tag") << "<item a='x>y' b='2'>" << 0 << Attrs{};
    QTest::newRow("missing start tag") << "<other a='1'>" << 0 << Attrs{};
    QTest::newRow("start index") << "<item a='1'/><item a='2'/>" << 1 << Attrs{{"a", "2"}};
    QTest::newRow("empty value") << "<item a=''>" << 0 << Attrs{{"a", ""}};
    // Values stay whole: blanks and "=" inside them are kept.
    QTest::newRow("= with blanks inside value")
        << "<item q=\"a = b\" r='k =v'>" << 0 << Attrs{{"q", "a = b"}, {"r", "k =v"}};
    QTest::newRow("name=value text inside a value")
        << "<item a='x=\"y\"' b=\"k='v'\">" << 0 << Attrs{{"a", "x=\"y\""}, {"b", "k='v'"}};
    QTest::newRow("value raw, not decoded") << "<item a='&lt;'>" << 0 << Attrs{{"a", "&lt;"}};
    QTest::newRow("unterminated quote") << "<item a='1 b=\"2\">" << 0 << Attrs{{"b", "2"}};
}

void TestXmlParser::tagProperties()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(Attrs, expected);
    QCOMPARE(SimpleXmlParser::getTagProperties(text, QStringLiteral("item"), from), expected);
    QCOMPARE(SimpleXmlParser::getTagProperties(text, QStringLiteral("<item>"), from), expected);
}

void TestXmlParser::tagsProperties()
{
    const QList<Attrs> two{Attrs{{"a", "1"}}, Attrs{{"b", "2"}}};
    QCOMPARE(SimpleXmlParser::getTagsProperties("<list><item a='1'/><item b=\"2\"/></list>", "item"), two);
    QCOMPARE(SimpleXmlParser::getTagsProperties("<list/>", "item"), QList<Attrs>{});
}

void TestXmlParser::startTagDelimiters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");

    QTest::newRow("plain") << "xx<a>v</a>" << 0 << false << 2 << 4;
    QTest::newRow("empty element") << "<a x='1'/>" << 0 << true << 0 << 8;
    QTest::newRow("from after first") << "<a>1</a><a >2</a>" << 1 << false << 8 << 11;
    QTest::newRow("absent") << "<ab>" << 0 << false << -1 << -1;
}

void TestXmlParser::startTagDelimiters()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(bool, empty);
    QFETCH(int, start);
    QFETCH(int, end);
    int s = -7;
    int e = -7;
    QCOMPARE(SimpleXmlParser::findStartTagDelimiters(text, QStringLiteral("a"), from, s, e), empty);
    QCOMPARE(s, start);
    if (start >= 0)
        QCOMPARE(e, end);
}

void TestXmlParser::decodeEntities_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString e3(3, QChar(0xe9));
    QTest::newRow("named") << "x &lt; y &amp;&amp; y &gt; z"
                           << "x < y && y > z";
    QTest::newRow("quotes") << "&quot;&apos;"
                            << "\"'";
    QTest::newRow("decimal and hex") << "&#233;&#xe9;&#xE9;" << e3;
    QTest::newRow("one pass only") << "&amp;lt;"
                                   << "&lt;";
    QTest::newRow("unknown entity") << "&nbsp;"
                                    << "&nbsp;";
    QTest::newRow("names are case-sensitive") << "&LT;"
                                              << "&LT;";
    QTest::newRow("wrong digits") << "&#12a;"
                                  << "&#12a;";
    QTest::newRow("no digits") << "&#;"
                               << "&#;";
    QTest::newRow("no hex digits") << "&#x;"
                                   << "&#x;";
    QTest::newRow("not closed") << "&#65"
                                << "&#65";
    QTest::newRow("capital X stays") << "&#X41;"
                                     << "&#X41;";
    QTest::newRow("leading zeros") << "&#0065;&#x0041;"
                                   << "AA";
    QTest::newRow("bare ampersand") << "a & b &"
                                    << "a & b &";
    QTest::newRow("replacement char of input becomes space") << QString::fromUtf8("a\uFFFDb") << "a b";
    QTest::newRow("replacement char by reference stays") << "&#xfffd;" << QString(QChar(0xFFFD));
    // Code points above U+FFFF decode to their surrogate pair.
    QTest::newRow("astral decimal") << "&#128512;" << QString::fromUtf8("\U0001F600");
    QTest::newRow("astral hex") << "&#x1F600;" << QString::fromUtf8("\U0001F600");
    QTest::newRow("highest code point") << "&#x10FFFF;" << QString::fromUcs4(U"\U0010FFFF");
    QTest::newRow("surrogate pair as two references") << "&#xd83d;&#xde00;" << QString::fromUtf8("\U0001F600");
    // References that name no character stay as written.
    QTest::newRow("zero") << "&#0;"
                          << "&#0;";
    QTest::newRow("above U+10FFFF") << "&#x110000;"
                                    << "&#x110000;";
    QTest::newRow("huge decimal") << "&#99999999999999999999;"
                                  << "&#99999999999999999999;";
    QTest::newRow("2^32 + 65 does not wrap") << "&#4294967361;"
                                             << "&#4294967361;";
    QTest::newRow("lone high surrogate") << "&#xd83d;x"
                                         << "&#xd83d;x";
    QTest::newRow("lone low surrogate") << "&#xde00;"
                                        << "&#xde00;";
    QTest::newRow("two high surrogates") << "&#xd83d;&#xd83d;"
                                         << "&#xd83d;&#xd83d;";
    QTest::newRow("high then astral") << "&#xd83d;&#x1F600;" << QString::fromUtf8("&#xd83d;\U0001F600");
}

void TestXmlParser::decodeEntities()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(SimpleXmlParser::decodeEntities(text), expected);
}

void TestXmlParser::encodeEntities_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("nonAscii");
    QTest::addColumn<QString>("expected");

    QTest::newRow("five characters") << "a<b & 'c'" << false << "a&lt;b &amp; &apos;c&apos;";
    QTest::newRow("quote and gt") << "\"x\">" << false << "&quot;x&quot;&gt;";
    QTest::newRow("no double escaping") << "&lt;" << false << "&amp;lt;";
    QTest::newRow("non-ASCII kept without flag") << QString::fromUtf8("café") << false << QString::fromUtf8("café");
    QTest::newRow("non-ASCII with flag") << QString::fromUtf8("café") << true << "caf&#xe9;";
    QTest::newRow("U+0080 stays") << QString(QChar(0x80)) << true << QString(QChar(0x80));
    QTest::newRow("U+0081 encoded") << QString(QChar(0x81)) << true << "&#x81;";
    QTest::newRow("references not escaped again") << QString::fromUtf8("&é") << true << "&amp;&#xe9;";
    // One reference per code point: a surrogate pair is one character.
    QTest::newRow("astral as one reference") << QString::fromUtf8("a\U0001F600b") << true << "a&#x1f600;b";
    QTest::newRow("lone surrogate becomes U+FFFD") << QString(QChar(0xd83d)) << true << "&#xfffd;";
}

void TestXmlParser::encodeEntities()
{
    QFETCH(QString, text);
    QFETCH(bool, nonAscii);
    QFETCH(QString, expected);
    QCOMPARE(SimpleXmlParser::encodeEntities(text, nonAscii), expected);
}

void TestXmlParser::encodeDecodeRoundTrip()
{
    const QString text = QString::fromUtf8("<a href=\"x\">Ciao & 'arrivederci' — €5 \U0001F600 \U0010FFFF</a>");
    for (bool flag : {false, true}) {
        const QString encoded = SimpleXmlParser::encodeEntities(text, flag);
        QVERIFY(!encoded.contains(QLatin1Char('<')));
        QCOMPARE(SimpleXmlParser::decodeEntities(encoded), text);
    }
    // Encoded with the flag, the text is plain ASCII.
    const QString ascii = SimpleXmlParser::encodeEntities(text, true);
    for (QChar c : ascii)
        QVERIFY(c.unicode() <= 0x80);
}

void TestXmlParser::unquoteString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("double") << "\"abc\""
                            << "abc";
    QTest::newRow("single") << "'abc'"
                            << "abc";
    QTest::newRow("mixed stays") << "'abc\""
                                 << "'abc\"";
    QTest::newRow("one quote only") << "'"
                                    << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("unquoted") << "abc"
                              << "abc";
    QTest::newRow("one pair only") << "''x''"
                                   << "'x'";
    QTest::newRow("other character pair") << "xabcx"
                                          << "xabcx";
}

void TestXmlParser::unquoteString()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(SimpleXmlParser::unquoteString(text), expected);
}

// Many elements, or many start tags without an end, are read in one pass
// each (a quadratic search would run into the test's time-out here).
void TestXmlParser::manyElementsStayLinear()
{
    const int n = 50000;
    QString closed;
    QString unclosed;
    for (int i = 0; i < n; ++i) {
        closed += QStringLiteral("<i a='1'>x</i>");
        unclosed += QStringLiteral("<i a='1' ");
    }
    QCOMPARE(SimpleXmlParser::getTagsValues(closed, "i").size(), n);
    QCOMPARE(SimpleXmlParser::getTagsValues(unclosed, "i").size(), n);
    QCOMPARE(SimpleXmlParser::getTagsProperties(unclosed, "i").size(), n);
    QCOMPARE(SimpleXmlParser::getTagsProperties(closed, "i").at(n - 1).value("a"), QStringLiteral("1"));
}

DESKLINE_TEST_MAIN(TestXmlParser)
#include "tst_xmlparser.moc"

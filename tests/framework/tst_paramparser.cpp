#include "framework/qdparamparser.h"
#include "testmain.h"

#include <QtTest>

#include <vector>

namespace
{

// argv built from a list of texts (program path first), kept alive for parse().
class Args
{
public:
    explicit Args(const QStringList &args)
    {
        m_storage.push_back(QByteArray("prog"));
        for (const QString &a : args)
            m_storage.push_back(a.toUtf8());
        for (QByteArray &b : m_storage)
            m_ptrs.push_back(b.data());
        m_ptrs.push_back(nullptr);
    }
    explicit Args(const QList<QByteArray> &raw)
    {
        m_storage.push_back(QByteArray("prog"));
        for (const QByteArray &a : raw)
            m_storage.push_back(a);
        for (QByteArray &b : m_storage)
            m_ptrs.push_back(b.data());
        m_ptrs.push_back(nullptr);
    }
    int argc() const { return int(m_storage.size()); }
    char **argv() { return m_ptrs.data(); }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char *> m_ptrs;
};

// The options of the program entry.
void declareEntryOptions(QDParamParser &p)
{
    p.acceptParam("o", "settings-path", Param::NEEDS_VALUE, Param::OPTIONAL);
    p.acceptParam("a", "address", Param::NEEDS_VALUE, Param::OPTIONAL);
    p.acceptParam("u", "username", Param::NEEDS_VALUE, Param::OPTIONAL);
    p.acceptParam("p", "password", Param::NEEDS_VALUE, Param::OPTIONAL);
    p.acceptParam("c", "config", Param::NEEDS_VALUE, Param::OPTIONAL);
    p.acceptParam("s", "skip-updates", Param::NEEDS_NO_VALUE, Param::OPTIONAL);
    p.acceptParam("r", "updates-server", Param::NEEDS_VALUE, Param::OPTIONAL);
    p.acceptParam("t", "updates-key", Param::NEEDS_VALUE, Param::OPTIONAL);
    p.acceptParam("b", "updates-branch", Param::NEEDS_VALUE, Param::OPTIONAL);
}

} // namespace

class TestParamParser : public QObject
{
    Q_OBJECT

private slots:
    void parseResult_data();
    void parseResult();
    void prefixesAndValues();
    void mandatoryOption();
    void failureKeepsEarlierOptions();
    void secondParseStartsAfresh();
    void utf8Arguments();
    void helpListing();
    void copyOwnsItsOptions();
};

// Every fault text, and the tokens that reach it.
void TestParamParser::parseResult_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("error");

    QTest::newRow("nothing") << QStringList() << true << QString();
    QTest::newRow("all options") << QStringList{"-o", "D",  "-a", "pbx", "--username", "u",   "-p", "pw", "-c",
                                                "f",  "-s", "-r", "srv", "-t",         "key", "-b", "2"}
                                 << true << QString();
    QTest::newRow("word without prefix") << QStringList{"word"} << false << "Unknown Token on cmdline: word";
    QTest::newRow("word after -s") << QStringList{"-s", "extra words"} << false
                                   << "Unknown Token on cmdline: extra words";
    QTest::newRow("unknown") << QStringList{"-x"} << false << "Unknown Parameter: x";
    QTest::newRow("upper case") << QStringList{"-A", "1"} << false << "Unknown Parameter: A";
    QTest::newRow("lone dash") << QStringList{"-"} << false << "Unknown Parameter: ";
    QTest::newRow("lone double dash") << QStringList{"--"} << false << "Unknown Parameter: ";
    QTest::newRow("triple dash") << QStringList{"---x"} << false << "Unknown Parameter: -x";
    QTest::newRow("twice") << QStringList{"-a", "1", "-a", "2"} << false << "Parameter already parsed: a";
    QTest::newRow("twice, long name") << QStringList{"-a", "1", "--address", "2"} << false
                                      << "Parameter already parsed: address";
    QTest::newRow("missing value") << QStringList{"-s", "--config"} << false << "Missing parameter value: config";
    QTest::newRow("value-less twice") << QStringList{"-s", "--skip-updates"} << false
                                      << "Parameter already parsed: skip-updates";
}

void TestParamParser::parseResult()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(QString, error);

    QDParamParser p;
    declareEntryOptions(p);
    Args a(args);
    QCOMPARE(p.parse(a.argc(), a.argv()), ok);
    if (!ok)
        QCOMPARE(p.errorText, error);
    else
        QVERIFY(p.errorText.isEmpty());
}

void TestParamParser::prefixesAndValues()
{
    QDParamParser p;
    declareEntryOptions(p);
    // Either prefix with either name; a value is taken whatever it looks like.
    Args a(QStringList{"--a", "-u", "-config", "--file"});
    QVERIFY(p.parse(a.argc(), a.argv()));
    QCOMPARE(p.paramValue("a").toString(), QString("-u"));
    QCOMPARE(p.paramValue("address").toString(), QString("-u"));
    QVERIFY(!p.isSet("u"));
    QCOMPARE(p.paramValue("c").toString(), QString("--file"));

    QDParamParser q;
    declareEntryOptions(q);
    Args b(QStringList{"-s", "--updates-branch", "1"});
    QVERIFY(q.parse(b.argc(), b.argv()));
    QVERIFY(q.isSet("s"));
    QVERIFY(q.isSet("skip-updates"));
    // An option without value reads as invalid even when given; ask isSet.
    QVERIFY(!q.paramValue("s").isValid());
    QVERIFY(q.paramValue("s").toString().isEmpty());
    // An option not given reads as invalid too.
    QVERIFY(!q.paramValue("a").isValid());
    QCOMPARE(q.paramValue("b").toString(), QString("1"));
    QVERIFY(!q.findParam(QString()));
    QVERIFY(q.findParam("updates-branch") == q.findParam("b"));
}

void TestParamParser::mandatoryOption()
{
    QDParamParser p;
    p.acceptParam("o", "settings-path", Param::NEEDS_VALUE, Param::OPTIONAL);
    p.acceptParam("k", "key", Param::NEEDS_VALUE, Param::MANDATORY);
    Args none{QStringList()};
    QVERIFY(!p.parse(none.argc(), none.argv()));
    QCOMPARE(p.errorText, QString("Missing mandatory parameter: (k|key)"));

    Args given(QStringList{"--key", "v"});
    QVERIFY(p.parse(given.argc(), given.argv()));
    QCOMPARE(p.paramValue("k").toString(), QString("v"));
}

void TestParamParser::failureKeepsEarlierOptions()
{
    QDParamParser p;
    declareEntryOptions(p);
    Args a(QStringList{"-a", "pbx", "-z", "-u", "me"});
    QVERIFY(!p.parse(a.argc(), a.argv()));
    QCOMPARE(p.errorText, QString("Unknown Parameter: z"));
    QVERIFY(p.isSet("a"));
    QVERIFY(!p.isSet("u")); // never examined
}

void TestParamParser::secondParseStartsAfresh()
{
    QDParamParser p;
    declareEntryOptions(p);
    Args first(QStringList{"-a", "one", "-s"});
    QVERIFY(p.parse(first.argc(), first.argv()));
    Args second(QStringList{"-a", "two"});
    QVERIFY(p.parse(second.argc(), second.argv())); // "a" is not "already parsed"
    QCOMPARE(p.paramValue("a").toString(), QString("two"));
    QVERIFY(!p.isSet("s"));
}

void TestParamParser::utf8Arguments()
{
    QDParamParser p;
    declareEntryOptions(p);
    Args a(QList<QByteArray>{"-u", "Jos\xC3\xA9", "-p", "bad\xFF"});
    QVERIFY(p.parse(a.argc(), a.argv()));
    QCOMPARE(p.paramValue("u").toString(), QString::fromUtf8("Jos\xC3\xA9"));
    QCOMPARE(p.paramValue("p").toString(), QString("bad") + QChar(QChar::ReplacementCharacter));
}

void TestParamParser::helpListing()
{
    QDParamParser p;
    declareEntryOptions(p);
    p.acceptParam("m", "must", Param::NEEDS_VALUE, Param::MANDATORY);
    const QStringList lines = p.printParamList().split('\n');
    QCOMPARE(lines.first(), QString("Note: the \"*\" means param is mandatory"));
    QCOMPARE(lines.at(1), QString("  (o|settings-path)"));
    QCOMPARE(lines.at(9), QString("  (b|updates-branch)"));
    QCOMPARE(lines.last(), QString("* (m|must)"));
    QCOMPARE(lines.size(), 11);
}

void TestParamParser::copyOwnsItsOptions()
{
    QDParamParser copy = QDParamParser::instance();
    declareEntryOptions(copy);
    QVERIFY(!QDParamParser::instance().findParam("a")); // the shared instance is untouched
    {
        QDParamParser second(copy);
        Args a(QStringList{"-a", "x"});
        QVERIFY(second.parse(a.argc(), a.argv()));
        QVERIFY(!copy.isSet("a"));
    }
    // The copy's options survive the destruction of the second copy.
    Args b(QStringList{"-a", "y"});
    QVERIFY(copy.parse(b.argc(), b.argv()));
    QCOMPARE(copy.paramValue("address").toString(), QString("y"));
}

DESKLINE_TEST_MAIN(TestParamParser)
#include "tst_paramparser.moc"

#include "qdparamparser.h"

Param::Param(const QString &shortName_, const QString &longName_, bool needsValue_, bool optional_)
    : shortName(shortName_), value(QStringLiteral("")), longName(longName_), needsValue(needsValue_),
      optional(optional_)
{
}

QString Param::namePair() const
{
    return QStringLiteral("(") + shortName + QStringLiteral("|") + longName + QStringLiteral(")");
}

QString Param::printHelp() const
{
    return (optional ? QStringLiteral("  ") : QStringLiteral("* ")) + namePair() + help + QStringLiteral("\n");
}

QDParamParser::QDParamParser() = default;

QDParamParser::QDParamParser(const QDParamParser &other)
    : shortPrefix(other.shortPrefix), longPrefix(other.longPrefix), errorText(other.errorText)
{
    copyFrom(other);
}

QDParamParser &QDParamParser::operator=(const QDParamParser &other)
{
    if (this != &other) {
        clear();
        shortPrefix = other.shortPrefix;
        longPrefix = other.longPrefix;
        errorText = other.errorText;
        copyFrom(other);
    }
    return *this;
}

QDParamParser::~QDParamParser()
{
    clear();
}

// Deep copy, so that no two parsers ever own the same option.
void QDParamParser::copyFrom(const QDParamParser &other)
{
    for (const Param *p : other.m_accepted)
        m_accepted.append(new Param(*p));
    for (const Param *p : other.m_mandatory)
        m_mandatory.append(m_accepted.at(other.m_accepted.indexOf(const_cast<Param *>(p))));
    for (const Param *p : other.m_parsed)
        m_parsed.append(m_accepted.at(other.m_accepted.indexOf(const_cast<Param *>(p))));
}

void QDParamParser::clear()
{
    m_parsed.clear();
    m_mandatory.clear();
    qDeleteAll(m_accepted);
    m_accepted.clear();
}

QDParamParser &QDParamParser::instance()
{
    static QDParamParser parser;
    return parser;
}

void QDParamParser::acceptParam(const QString &shortName, const QString &longName, bool needsValue, bool optional)
{
    Param *p = new Param(shortName, longName, needsValue, optional);
    m_accepted.append(p);
    if (!optional)
        m_mandatory.append(p);
}

bool QDParamParser::parse(int argc, char **argv)
{
    m_parsed.clear();
    for (Param *p : qAsConst(m_accepted)) {
        p->parsed = false;
        p->value = QVariant();
    }

    for (int i = 1; i < argc; ++i) {
        const QString token = QString::fromUtf8(argv[i]);
        const bool isLong = token.startsWith(longPrefix);
        if (!isLong && !token.startsWith(shortPrefix)) {
            errorText = QStringLiteral("Unknown Token on cmdline: ") + token;
            return false;
        }
        const QString name = isLong ? token.mid(longPrefix.size()) : token.mid(shortPrefix.size());
        Param *p = findParam(name);
        if (!p) {
            errorText = QStringLiteral("Unknown Parameter: ") + name;
            return false;
        }
        if (p->parsed) {
            errorText = QStringLiteral("Parameter already parsed: ") + name;
            return false;
        }
        if (p->needsValue) {
            if (i + 1 >= argc) {
                errorText = QStringLiteral("Missing parameter value: ") + name;
                return false;
            }
            ++i;
            p->value = QString::fromUtf8(argv[i]);
        }
        m_parsed.append(p);
        p->parsed = true;
    }

    for (const Param *p : qAsConst(m_mandatory)) {
        if (!m_parsed.contains(const_cast<Param *>(p))) {
            errorText = QStringLiteral("Missing mandatory parameter: ") + p->namePair();
            return false;
        }
    }
    return true;
}

Param *QDParamParser::findParam(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    for (Param *p : m_accepted) {
        if (p->shortName == name || p->longName == name)
            return p;
    }
    return nullptr;
}

const Param *QDParamParser::findParsedParam(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    for (const Param *p : m_parsed) {
        if (p->shortName == name || p->longName == name)
            return p;
    }
    return nullptr;
}

bool QDParamParser::isSet(const QString &name) const
{
    return findParsedParam(name) != nullptr;
}

QVariant QDParamParser::paramValue(const QString &name) const
{
    const Param *p = findParsedParam(name);
    return p ? p->value : QVariant();
}

QString QDParamParser::printParamList() const
{
    QString text = QStringLiteral("\nNote: the \"*\" means param is mandatory\n");
    for (const Param *p : m_accepted)
        text += p->printHelp();
    return text.trimmed();
}

// Command-line parser: the caller registers the options it accepts, parses the
// process arguments once, then asks whether an option was given and its value.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class Param
{
public:
    static constexpr bool OPTIONAL = true;
    static constexpr bool MANDATORY = false;
    static constexpr bool NEEDS_VALUE = true;
    static constexpr bool NEEDS_NO_VALUE = false;

    Param(const QString &shortName, const QString &longName, bool needsValue, bool optional);

    QString shortName;
    QVariant value;
    QString longName;
    QString help;
    bool needsValue = false;
    bool optional = true;
    bool parsed = false;

    // "(short|long)"
    QString namePair() const;
    // One line of the help listing.
    QString printHelp() const;
};

class QDParamParser
{
public:
    QDParamParser();
    QDParamParser(const QDParamParser &other);
    QDParamParser &operator=(const QDParamParser &other);
    ~QDParamParser();

    // The process-wide parser.
    static QDParamParser &instance();

    void acceptParam(const QString &shortName, const QString &longName, bool needsValue, bool optional);
    bool parse(int argc, char **argv);

    Param *findParam(const QString &name) const;
    const Param *findParsedParam(const QString &name) const;
    bool isSet(const QString &name) const;
    QVariant paramValue(const QString &name) const;
    QString printParamList() const;

    QString shortPrefix = QStringLiteral("-");
    QString longPrefix = QStringLiteral("--");
    QString errorText;

private:
    void copyFrom(const QDParamParser &other);
    void clear();

    QList<Param *> m_parsed;    // refers to members of m_accepted
    QList<Param *> m_accepted;  // owns its members
    QList<Param *> m_mandatory; // refers to members of m_accepted
};

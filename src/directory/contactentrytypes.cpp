#include "contactentrytypes.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

namespace ContactEntryTypes
{
namespace
{
struct Row {
    const char *label;
    const char *kind;
    const char *subtype;
};
const Row rows[Count] = {
    {QT_TRANSLATE_NOOP("WdgContactEntry", "Interno"), "phone", "exten"},
    {QT_TRANSLATE_NOOP("WdgContactEntry", "Casa"), "phone", "home"},
    {QT_TRANSLATE_NOOP("WdgContactEntry", "Lavoro"), "phone", "work"},
    {QT_TRANSLATE_NOOP("WdgContactEntry", "Cellulare"), "phone", "mobile"},
    {QT_TRANSLATE_NOOP("WdgContactEntry", "Cellulare di lavoro"), "phone", "work_mobile"},
    {QT_TRANSLATE_NOOP("WdgContactEntry", "Fax"), "phone", "fax"},
    {QT_TRANSLATE_NOOP("WdgContactEntry", "E-Mail"), "email", "main"},
    {QT_TRANSLATE_NOOP("WdgContactEntry", "Principale"), "phone", "main"},
};

bool valid(int type)
{
    return type >= 0 && type < Count;
}
} // namespace

QString label(int type)
{
    return valid(type) ? QCoreApplication::translate("WdgContactEntry", rows[type].label) : QString();
}

QString kindOf(int type)
{
    return valid(type) ? QLatin1String(rows[type].kind) : QString();
}

QString subtypeOf(int type)
{
    return valid(type) ? QLatin1String(rows[type].subtype) : QString();
}

int ctypeForContact(const ContactEntry &entry)
{
    if (entry.kind == QLatin1String("email"))
        return Email;
    if (entry.kind != QLatin1String("phone"))
        return None;
    for (int t = 0; t < Count; ++t) {
        if (t != Email && entry.subtype == QLatin1String(rows[t].subtype))
            return t;
    }
    return None;
}

ContactEntry contactFromCTypeAndValue(int type, const QString &value)
{
    ContactEntry e;
    if (!valid(type))
        return e;
    e.kind = kindOf(type);
    e.subtype = subtypeOf(type);
    e.value = value;
    return e;
}

bool isValidEmail(const QString &value)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("\\b[A-Z0-9._%+-]+@[A-Z0-9.-]+\\.[A-Z]{2,}\\b")),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(value).hasMatch();
}

bool isSafeMailAddress(const QString &value)
{
    if (!isValidEmail(value))
        return false;
    for (const QChar c : value) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char('?') || c == QLatin1Char('&') ||
            c == QLatin1Char('#'))
            return false;
    }
    return true;
}

bool isValidValue(int type, const QString &value, bool keptKind)
{
    if (value.isEmpty())
        return false;
    if (type == Email)
        return isValidEmail(value);
    if (valid(type)) {
        static const QRegularExpression number(QStringLiteral("^[+]?[0-9]+$"));
        return number.match(value).hasMatch();
    }
    // No type: a row kept with a kind the editor does not offer needs a
    // value; an untyped row is not checked.
    return keptKind ? !value.trimmed().isEmpty() : true;
}

void recomputeSummary(PhoneBookEntry &contact)
{
    const auto pick = [&contact](auto matches) {
        QString first;
        bool found = false;
        for (const ContactEntry &e : qAsConst(contact.contacts)) {
            if (!matches(e))
                continue;
            if (e.preferred)
                return e.value;
            if (!found) {
                first = e.value;
                found = true;
            }
        }
        return first;
    };
    const auto phone = [](const QStringList &subtypes) {
        return [subtypes](const ContactEntry &e) {
            return e.kind == QLatin1String("phone") && subtypes.contains(e.subtype);
        };
    };
    contact.email = pick([](const ContactEntry &e) { return e.kind == QLatin1String("email"); });
    contact.extension = pick(phone({QStringLiteral("exten")}));
    contact.phone = pick(phone({QStringLiteral("main"), QStringLiteral("work")}));
    contact.mobile = pick(phone({QStringLiteral("mobile"), QStringLiteral("work_mobile")}));
    contact.home = pick(phone({QStringLiteral("home")}));
}
} // namespace ContactEntryTypes

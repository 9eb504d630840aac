// Static, string-level XML functions of SimpleXmlParser. The framer is in
// simplexmlframer.cpp.
#include "simplexmlparser.h"

namespace
{

QString stripBrackets(const QString &tag)
{
    if (!tag.contains(QLatin1Char('<')) && !tag.contains(QLatin1Char('>')))
        return tag;
    QString name = tag;
    name.remove(QLatin1Char('<'));
    name.remove(QLatin1Char('>'));
    return name;
}

// Position of the first start tag of `name` at or after `from`, or -1.
int findStartTag(const QString &text, const QString &name, int from)
{
    const int n = text.size();
    const QString needle = QLatin1Char('<') + name;
    int pos = qMax(from, 0);
    while (pos < n) {
        const int p = text.indexOf(needle, pos);
        if (p < 0)
            return -1;
        const int after = p + needle.size();
        if (after < n) {
            const QChar c = text.at(after);
            if (c == QLatin1Char('>') || c.isSpace())
                return p;
            // "<item/>" is an empty element of "item" (not for the empty name,
            // whose "</>" is the closing tag).
            if (c == QLatin1Char('/') && !name.isEmpty() && after + 1 < n && text.at(after + 1) == QLatin1Char('>'))
                return p;
        }
        pos = p + 1;
    }
    return -1;
}

// Remembers the last search for one needle, so that a run of searches from
// increasing positions (every element of a name) scans the text only once.
class CachedSearch
{
public:
    CachedSearch(const QString &text, QString needle) : m_text(text), m_needle(std::move(needle)) {}

    int from(int pos)
    {
        if (m_searched && pos >= m_searchedFrom && (m_found < 0 || m_found >= pos))
            return m_found;
        m_searched = true;
        m_searchedFrom = pos;
        m_found = m_text.indexOf(m_needle, pos);
        return m_found;
    }

private:
    const QString &m_text;
    const QString m_needle;
    bool m_searched = false;
    int m_searchedFrom = 0;
    int m_found = -1;
};

// The start tag search with the end delimiter found through `gt`.
bool startTagDelimiters(const QString &text, const QString &name, int from, CachedSearch &gt, int &start, int &end)
{
    start = findStartTag(text, name, from);
    end = -1;
    if (start < 0)
        return false;
    end = gt.from(start + 1 + name.size());
    if (end < 0)
        return false;
    if (text.at(end - 1) == QLatin1Char('/')) {
        --end;
        return true;
    }
    return false;
}

// Element text of the start tag found at `start` (see getTagValue).
QString elementText(const QString &text, int start, int end, bool empty, CachedSearch &closeTag,
                    const QString &defaultValue)
{
    if (start < 0)
        return defaultValue;
    if (empty)
        return QLatin1String("");
    if (end < 0)
        return defaultValue;
    const int close = closeTag.from(end + 1);
    if (close < 0)
        return defaultValue;
    return text.mid(end + 1, close - end - 1);
}

QString closingTag(const QString &name)
{
    return QLatin1String("</") + name + QLatin1Char('>');
}

bool isNameWordChar(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_') || c.category() == QChar::Punctuation_Connector;
}

struct RawAttribute {
    QString name;
    QString value;
    bool doubleQuoted;
};

// Splits the text between a start tag's name and its end delimiter into
// name="value" / name='value' attributes. A name is a word optionally
// followed by "-word" parts (the longest such run directly before the "=",
// white space allowed around the "="); values are taken whole between their
// quotes, blanks, "=" and the other quote kind included. Unquoted values and
// bare names are skipped.
QList<RawAttribute> tokenizeAttributes(const QString &attr)
{
    QList<RawAttribute> out;
    const int n = attr.size();
    int i = 0;
    while (i < n) {
        const int eq = attr.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        int v = eq + 1;
        while (v < n && attr.at(v).isSpace())
            ++v;
        if (v >= n)
            break;
        const QChar quote = attr.at(v);
        if (quote != QLatin1Char('"') && quote != QLatin1Char('\'')) {
            i = eq + 1;
            continue;
        }
        const int closeQuote = attr.indexOf(quote, v + 1);
        if (closeQuote < 0) {
            i = eq + 1;
            continue;
        }
        int nameEnd = eq;
        while (nameEnd > i && attr.at(nameEnd - 1).isSpace())
            --nameEnd;
        int nameStart = nameEnd;
        if (nameStart > i && isNameWordChar(attr.at(nameStart - 1))) {
            while (nameStart > i) {
                const QChar c = attr.at(nameStart - 1);
                if (isNameWordChar(c))
                    --nameStart;
                else if (c == QLatin1Char('-') && nameStart - 2 >= i && isNameWordChar(attr.at(nameStart - 2)))
                    nameStart -= 2;
                else
                    break;
            }
        }
        if (nameStart < nameEnd)
            out.append({attr.mid(nameStart, nameEnd - nameStart), attr.mid(v + 1, closeQuote - v - 1),
                        quote == QLatin1Char('"')});
        i = closeQuote + 1;
    }
    return out;
}

QMap<QString, QString> attributesOf(const QString &text, const QString &name, int start, int end)
{
    QMap<QString, QString> map;
    if (start < 0 || end < 0)
        return map;
    const int from = start + 1 + name.size();
    const QList<RawAttribute> attrs = tokenizeAttributes(text.mid(from, end - from));
    // Double-quoted attributes first, then single-quoted ones: the last one of a name wins.
    for (const RawAttribute &a : attrs)
        if (a.doubleQuoted)
            map.insert(a.name, a.value);
    for (const RawAttribute &a : attrs)
        if (!a.doubleQuoted)
            map.insert(a.name, a.value);
    return map;
}

bool isHexDigit(QChar c, uint &value)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        value = u - '0';
    else if (u >= 'a' && u <= 'f')
        value = u - 'a' + 10;
    else if (u >= 'A' && u <= 'F')
        value = u - 'A' + 10;
    else
        return false;
    return true;
}

// Parses "&#digits;" or "&#xhexdigits;" at `pos`. On success `codePoint` is
// the number (any value above U+10FFFF is reported as 0x110000) and `length`
// the length of the reference.
bool parseCharRef(const QString &text, int pos, uint &codePoint, int &length)
{
    const int n = text.size();
    if (pos + 3 >= n || text.at(pos) != QLatin1Char('&') || text.at(pos + 1) != QLatin1Char('#'))
        return false;
    int i = pos + 2;
    const bool hex = text.at(i) == QLatin1Char('x');
    if (hex)
        ++i;
    const uint base = hex ? 16 : 10;
    const int digitsStart = i;
    uint value = 0;
    bool overflow = false;
    while (i < n) {
        uint digit;
        const QChar c = text.at(i);
        if (hex ? !isHexDigit(c, digit) : !(c.unicode() >= '0' && c.unicode() <= '9'))
            break;
        if (!hex)
            digit = c.unicode() - '0';
        if (!overflow) {
            value = value * base + digit;
            if (value > 0x10FFFF)
                overflow = true;
        }
        ++i;
    }
    if (i == digitsStart || i >= n || text.at(i) != QLatin1Char(';'))
        return false;
    codePoint = overflow ? 0x110000u : value;
    length = i + 1 - pos;
    return true;
}

} // namespace

bool SimpleXmlParser::findStartTagDelimiters(const QString &text, const QString &name, int from, int &start, int &end)
{
    CachedSearch gt(text, QStringLiteral(">"));
    return startTagDelimiters(text, name, from, gt, start, end);
}

QString SimpleXmlParser::getTagValue(const QString &text, const QString &tag, int from, QString defaultValue)
{
    const QString name = stripBrackets(tag);
    CachedSearch gt(text, QStringLiteral(">"));
    CachedSearch close(text, closingTag(name));
    int start;
    int end;
    const bool empty = startTagDelimiters(text, name, from, gt, start, end);
    return elementText(text, start, end, empty, close, defaultValue);
}

QString SimpleXmlParser::getDecodedTagValue(const QString &text, const QString &tag, int from, QString defaultValue)
{
    return decodeEntities(getTagValue(text, tag, from, std::move(defaultValue)));
}

QStringList SimpleXmlParser::getTagsValues(const QString &text, const QString &tag)
{
    const QString name = stripBrackets(tag);
    CachedSearch gt(text, QStringLiteral(">"));
    CachedSearch close(text, closingTag(name));
    QStringList values;
    int pos = 0;
    for (;;) {
        int start;
        int end;
        const bool empty = startTagDelimiters(text, name, pos, gt, start, end);
        if (start < 0)
            break;
        values.append(elementText(text, start, end, empty, close, QString()));
        pos = start + 1;
    }
    return values;
}

QStringList SimpleXmlParser::getDecodedTagsValues(const QString &text, const QString &tag)
{
    QStringList values = getTagsValues(text, tag);
    for (QString &v : values)
        v = decodeEntities(v);
    return values;
}

QMap<QString, QString> SimpleXmlParser::getTagProperties(const QString &text, const QString &tag, int from)
{
    const QString name = stripBrackets(tag);
    int start;
    int end;
    findStartTagDelimiters(text, name, from, start, end);
    return attributesOf(text, name, start, end);
}

QList<QMap<QString, QString>> SimpleXmlParser::getTagsProperties(const QString &text, const QString &tag)
{
    const QString name = stripBrackets(tag);
    CachedSearch gt(text, QStringLiteral(">"));
    QList<QMap<QString, QString>> list;
    int pos = 0;
    for (;;) {
        int start;
        int end;
        startTagDelimiters(text, name, pos, gt, start, end);
        if (start < 0)
            break;
        list.append(attributesOf(text, name, start, end));
        pos = start + 1;
    }
    return list;
}

QString SimpleXmlParser::decodeEntities(const QString &text)
{
    static const struct {
        QLatin1String entity;
        QChar ch;
    } named[] = {
        {QLatin1String("&amp;"), QLatin1Char('&')},   {QLatin1String("&lt;"), QLatin1Char('<')},
        {QLatin1String("&gt;"), QLatin1Char('>')},    {QLatin1String("&quot;"), QLatin1Char('"')},
        {QLatin1String("&apos;"), QLatin1Char('\'')},
    };
    const QChar replacement(QChar::ReplacementCharacter);
    const int n = text.size();
    QString out;
    out.reserve(n);
    int i = 0;
    int copyFrom = 0; // start of the text not yet copied unchanged
    auto flush = [&](int upTo) {
        if (upTo > copyFrom)
            out.append(text.constData() + copyFrom, upTo - copyFrom);
    };
    while (i < n) {
        const QChar c = text.at(i);
        if (c == replacement) {
            flush(i);
            out.append(QLatin1Char(' '));
            copyFrom = ++i;
            continue;
        }
        if (c != QLatin1Char('&')) {
            ++i;
            continue;
        }
        bool done = false;
        for (const auto &e : named) {
            if (QStringRef(&text, i, qMin(e.entity.size(), n - i)) == e.entity) {
                flush(i);
                out.append(e.ch);
                i += e.entity.size();
                copyFrom = i;
                done = true;
                break;
            }
        }
        if (done)
            continue;
        uint cp;
        int len;
        if (parseCharRef(text, i, cp, len)) {
            if (QChar::isHighSurrogate(cp)) {
                uint low;
                int lowLen;
                if (parseCharRef(text, i + len, low, lowLen) && QChar::isLowSurrogate(low)) {
                    flush(i);
                    out.append(QChar(ushort(cp)));
                    out.append(QChar(ushort(low)));
                    i += len + lowLen;
                    copyFrom = i;
                    continue;
                }
            } else if (cp != 0 && !QChar::isSurrogate(cp) && cp <= 0x10FFFF) {
                flush(i);
                if (QChar::requiresSurrogates(cp)) {
                    out.append(QChar(QChar::highSurrogate(cp)));
                    out.append(QChar(QChar::lowSurrogate(cp)));
                } else {
                    out.append(QChar(ushort(cp)));
                }
                i += len;
                copyFrom = i;
                continue;
            }
        }
        ++i; // not a reference we decode: the "&" stays
    }
    flush(n);
    return out;
}

QString SimpleXmlParser::encodeEntities(const QString &text, bool encodeNonAscii)
{
    const int n = text.size();
    QString out;
    out.reserve(n + n / 8);
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '&':
            out.append(QLatin1String("&amp;"));
            break;
        case '<':
            out.append(QLatin1String("&lt;"));
            break;
        case '>':
            out.append(QLatin1String("&gt;"));
            break;
        case '"':
            out.append(QLatin1String("&quot;"));
            break;
        case '\'':
            out.append(QLatin1String("&apos;"));
            break;
        default:
            if (encodeNonAscii && c.unicode() > 0x80) {
                uint cp = c.unicode();
                if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
                    cp = QChar::surrogateToUcs4(c, text.at(i + 1));
                    ++i;
                } else if (c.isSurrogate()) {
                    cp = QChar::ReplacementCharacter;
                }
                out.append(QLatin1String("&#x"));
                out.append(QString::number(cp, 16));
                out.append(QLatin1Char(';'));
            } else {
                out.append(c);
            }
        }
    }
    return out;
}

QString SimpleXmlParser::unquoteString(const QString &text)
{
    if (text.isEmpty())
        return text;
    const QChar first = text.at(0);
    if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && text.at(text.size() - 1) == first)
        return text.size() == 1 ? QString(QLatin1String("")) : text.mid(1, text.size() - 2);
    return text;
}

#include "ctijsontext.h"

#include <algorithm>
#include <cstring>

namespace CtiJson
{

namespace
{

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isContinuation(unsigned char c)
{
    return (c & 0xc0) == 0x80;
}

// The length of the UTF-8 sequence of a code point at `p` (its lead byte
// above 0x7f), 0 when the bytes are not one. Overlong forms, surrogates,
// code points past U+10FFFF and the noncharacters are refused.
int utf8Sequence(const unsigned char *p, const unsigned char *end)
{
    const unsigned char c = p[0];
    int n;
    char32_t cp;
    if (c >= 0xc2 && c <= 0xdf) {
        n = 2;
        cp = c & 0x1f;
    } else if (c >= 0xe0 && c <= 0xef) {
        n = 3;
        cp = c & 0x0f;
    } else if (c >= 0xf0 && c <= 0xf4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (end - p < n)
        return 0;
    for (int i = 1; i < n; ++i) {
        if (!isContinuation(p[i]))
            return 0;
        cp = (cp << 6) | (p[i] & 0x3f);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10ffff)))
        return 0;
    if (cp >= 0xd800 && cp <= 0xdfff)
        return 0;
    if ((cp >= 0xfdd0 && cp <= 0xfdef) || (cp & 0xfffe) == 0xfffe)
        return 0;
    return n;
}

// Characters of a string that need no second look: printable ASCII other
// than the quote and the backslash.
struct PlainTable {
    bool plain[256];
    constexpr PlainTable() : plain()
    {
        for (int c = 0x20; c < 0x80; ++c)
            plain[c] = c != '"' && c != '\\';
    }
};
constexpr PlainTable kPlain;

} // namespace

bool TextReader::Key::equals(QLatin1String name) const
{
    if (!escaped)
        return rawSize == name.size() && std::memcmp(raw, name.data(), size_t(rawSize)) == 0;
    return decoded == name;
}

QString TextReader::Key::text() const
{
    return escaped ? decoded : QString::fromUtf8(raw, rawSize);
}

bool TextReader::KeySet::insert(const Key &key)
{
    for (const Key &k : m_keys) {
        const bool same = (!k.escaped && !key.escaped)
                              ? k.rawSize == key.rawSize && std::memcmp(k.raw, key.raw, size_t(k.rawSize)) == 0
                              : k.text() == key.text();
        if (same)
            return false;
    }
    m_keys.push_back(key);
    return true;
}

void TextReader::skipBlanks()
{
    while (m_pos < m_end && isBlank(*m_pos))
        ++m_pos;
}

TextReader::Kind TextReader::peek()
{
    skipBlanks();
    if (m_pos >= m_end)
        return Kind::End;
    switch (*m_pos) {
    case '{':
        return Kind::Object;
    case '[':
        return Kind::Array;
    case '"':
        return Kind::String;
    case 't':
        return Kind::True;
    case 'f':
        return Kind::False;
    case 'n':
        return Kind::Null;
    case '-':
        return Kind::Number;
    default:
        return *m_pos >= '0' && *m_pos <= '9' ? Kind::Number : Kind::Other;
    }
}

bool TextReader::scanString(QString *out, const char **rawEnd, bool *escaped)
{
    const auto *p = reinterpret_cast<const unsigned char *>(m_pos + 1);
    const auto *end = reinterpret_cast<const unsigned char *>(m_end);
    const unsigned char *const start = p;
    bool ascii = true;
    bool escapes = false;
    // First the checks, and where the string ends.
    for (;;) {
        while (p < end && kPlain.plain[*p])
            ++p;
        if (p >= end)
            return fail();
        const unsigned char c = *p;
        if (c == '"')
            break;
        if (c == '\\') {
            escapes = true;
            if (end - p < 2)
                return fail();
            switch (p[1]) {
            case '"':
            case '\\':
            case '/':
            case 'b':
            case 'f':
            case 'n':
            case 'r':
            case 't':
                p += 2;
                break;
            case 'u':
                if (end - p < 6)
                    return fail();
                for (int k = 2; k < 6; ++k) {
                    if (hexValue(char(p[k])) < 0)
                        return fail();
                }
                p += 6;
                break;
            default:
                return fail();
            }
        } else if (c < 0x20) {
            return fail();
        } else {
            const int n = utf8Sequence(p, end);
            if (n == 0)
                return fail();
            ascii = false;
            p += n;
        }
    }
    const char *text = reinterpret_cast<const char *>(start);
    const int size = int(p - start);
    if (rawEnd)
        *rawEnd = reinterpret_cast<const char *>(p);
    if (escaped)
        *escaped = escapes;
    m_pos = reinterpret_cast<const char *>(p + 1);
    if (!out)
        return true;
    if (!escapes) {
        *out = ascii ? QString::fromLatin1(text, size) : QString::fromUtf8(text, size);
        return true;
    }
    // Then the text, escapes decoded: each \u gives one UTF-16 unit, as it
    // stands (a pair of them makes a character beyond the first plane).
    QString decoded;
    decoded.reserve(size);
    const char *q = text;
    const char *const stop = text + size;
    const char *run = q;
    auto flush = [&](const char *to) {
        if (to > run)
            decoded.append(QString::fromUtf8(run, int(to - run)));
    };
    while (q < stop) {
        if (*q != '\\') {
            ++q;
            continue;
        }
        flush(q);
        const char e = q[1];
        if (e == 'u') {
            int code = 0;
            for (int k = 2; k < 6; ++k)
                code = code * 16 + hexValue(q[k]);
            decoded.append(QChar(ushort(code)));
            q += 6;
        } else {
            char c = e;
            switch (e) {
            case 'b':
                c = '\b';
                break;
            case 'f':
                c = '\f';
                break;
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            case 't':
                c = '\t';
                break;
            default:
                break;
            }
            decoded.append(QLatin1Char(c));
            q += 2;
        }
        run = q;
    }
    flush(stop);
    *out = decoded;
    return true;
}

bool TextReader::readString(QString &out)
{
    if (peek() != Kind::String)
        return fail();
    return scanString(&out, nullptr, nullptr);
}

bool TextReader::readRepeatedString(QString &out)
{
    if (peek() != Kind::String)
        return fail();
    const char *const start = m_pos;
    const char *const raw = m_pos + 1;
    const char *rawEnd = nullptr;
    bool escaped = false;
    if (!scanString(nullptr, &rawEnd, &escaped))
        return false;
    // Long or escaped texts are seldom repeated; the bounds keep the table small.
    const int size = int(rawEnd - raw);
    if (escaped || size > 48 || m_repeated.size() >= 4096) {
        m_pos = start;
        return scanString(&out, nullptr, nullptr);
    }
    const QByteArray key = QByteArray::fromRawData(raw, size);
    const auto it = m_repeated.constFind(key);
    if (it != m_repeated.constEnd()) {
        out = it.value();
        return true;
    }
    const bool ascii = std::all_of(raw, rawEnd, [](char c) { return uchar(c) < 0x80; });
    out = ascii ? QString::fromLatin1(raw, size) : QString::fromUtf8(raw, size);
    m_repeated.insert(key, out);
    return true;
}

bool TextReader::scanNumber(const char **start)
{
    // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
    const char *p = m_pos;
    *start = p;
    auto digits = [&] {
        const char *from = p;
        while (p < m_end && *p >= '0' && *p <= '9')
            ++p;
        return p > from;
    };
    if (p < m_end && *p == '-')
        ++p;
    if (p < m_end && *p == '0')
        ++p;
    else if (!digits())
        return fail();
    if (p < m_end && *p == '.') {
        ++p;
        if (!digits())
            return fail();
    }
    if (p < m_end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < m_end && (*p == '+' || *p == '-'))
            ++p;
        if (!digits())
            return fail();
    }
    // A number ends the text of a frame only when the frame is cut.
    if (p >= m_end)
        return fail();
    m_pos = p;
    return true;
}

bool TextReader::readNumber(double &out)
{
    if (peek() != Kind::Number)
        return fail();
    const char *start = nullptr;
    if (!scanNumber(&start))
        return fail();
    const int size = int(m_pos - start);
    // Digits only: an integer, exact when it fits in 64 bits.
    bool integral = true;
    for (const char *p = start; p < m_pos && integral; ++p)
        integral = *p != '.' && *p != 'e' && *p != 'E';
    const QByteArray text = QByteArray::fromRawData(start, size);
    bool ok = false;
    if (integral) {
        const qlonglong n = text.toLongLong(&ok);
        if (ok) {
            out = double(n);
            return true;
        }
    }
    out = text.toDouble(&ok);
    return ok || fail();
}

bool TextReader::literal(const char *word, int size)
{
    if (m_end - m_pos < size || std::memcmp(m_pos, word, size_t(size)) != 0)
        return fail();
    m_pos += size;
    return true;
}

bool TextReader::readBool(bool &out)
{
    switch (peek()) {
    case Kind::True:
        out = true;
        return literal("true", 4);
    case Kind::False:
        out = false;
        return literal("false", 5);
    default:
        return fail();
    }
}

bool TextReader::readNull()
{
    return peek() == Kind::Null ? literal("null", 4) : fail();
}

bool TextReader::openContainer(Kind kind)
{
    if (peek() != kind || m_depth >= MaxDepth)
        return fail();
    ++m_pos;
    ++m_depth;
    m_opened = true;
    return true;
}

bool TextReader::nextItem(char close, bool *more)
{
    *more = false;
    if (m_failed)
        return false;
    skipBlanks();
    if (m_pos >= m_end)
        return fail();
    const bool first = m_opened;
    m_opened = false;
    if (*m_pos == close) {
        ++m_pos;
        --m_depth;
        return true;
    }
    if (!first) {
        if (*m_pos != ',')
            return fail();
        ++m_pos;
    }
    *more = true;
    return true;
}

bool TextReader::beginObject()
{
    return openContainer(Kind::Object);
}

bool TextReader::nextMember(bool *more)
{
    if (!nextItem('}', more) || !*more)
        return !m_failed;
    skipBlanks();
    if (m_pos >= m_end || *m_pos != '"') {
        *more = false;
        return fail();
    }
    return true;
}

bool TextReader::readKey(Key &key)
{
    if (peek() != Kind::String)
        return fail();
    key.raw = m_pos + 1;
    const char *rawEnd = nullptr;
    bool escaped = false;
    QString text;
    if (!scanString(&text, &rawEnd, &escaped))
        return false;
    key.rawSize = int(rawEnd - key.raw);
    key.escaped = escaped;
    key.decoded = escaped ? text : QString();
    skipBlanks();
    if (m_pos >= m_end || *m_pos != ':')
        return fail();
    ++m_pos;
    return true;
}

bool TextReader::beginArray()
{
    return openContainer(Kind::Array);
}

bool TextReader::nextElement(bool *more)
{
    // The element itself is checked by whoever reads it (a ']' is no value).
    return nextItem(']', more);
}

bool TextReader::skipValue()
{
    switch (peek()) {
    case Kind::String:
        return scanString(nullptr, nullptr, nullptr);
    case Kind::Number: {
        double ignored = 0;
        return readNumber(ignored);
    }
    case Kind::True:
        return literal("true", 4);
    case Kind::False:
        return literal("false", 5);
    case Kind::Null:
        return literal("null", 4);
    case Kind::Object: {
        if (!beginObject())
            return false;
        KeySet keys;
        bool more = false;
        while (nextMember(&more) && more) {
            Key key;
            if (!readKey(key))
                return false;
            if (!keys.insert(key))
                return fail();
            if (!skipValue())
                return false;
        }
        return !m_failed;
    }
    case Kind::Array: {
        if (!beginArray())
            return false;
        bool more = false;
        while (nextElement(&more) && more) {
            if (!skipValue())
                return false;
        }
        return !m_failed;
    }
    default:
        return fail();
    }
}

bool TextReader::atEnd()
{
    skipBlanks();
    return !m_failed && m_pos >= m_end;
}

} // namespace CtiJson

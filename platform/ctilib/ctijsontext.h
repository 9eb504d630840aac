// Reading JSON text straight into the CTI records, without building a
// document of it first: large deliveries (tens of thousands of phone-book
// entries) are decoded in one pass over the received frame.
//
// The reader takes only plain, well-formed JSON: no duplicate key in any
// object, only the standard escapes, numbers in the standard form, strings in
// valid UTF-8 without raw control characters, a bounded nesting depth. Text it
// does not take is not necessarily malformed: the caller then decodes the
// frame the general way, which judges it (and names what is wrong).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QLatin1String>
#include <QString>

#include <vector>

namespace CtiJson
{

// The value of a hexadecimal digit, -1 for any other character.
inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class TextReader
{
public:
    // Nesting deeper than this is left to the general decoder.
    static constexpr int MaxDepth = 64;

    // Reads [begin, end); `depth` is the nesting of the value it holds.
    TextReader(const char *begin, const char *end, int depth = 0) : m_pos(begin), m_end(end), m_depth(depth) {}
    explicit TextReader(const QByteArray &text) : TextReader(text.constData(), text.constData() + text.size()) {}

    enum class Kind { End, Object, Array, String, Number, True, False, Null, Other };
    // The kind of the next value (blanks skipped), from its first character.
    Kind peek();

    // Values; each false when the next value is not of that kind or is
    // not taken (the reader is then failed()).
    bool readString(QString &out);
    // The same; a short text met before in this reader (a first name, a
    // company) is handed out again, shared, instead of a copy of its own.
    bool readRepeatedString(QString &out);
    bool readNumber(double &out);
    bool readBool(bool &out);
    bool readNull();
    // Any value, checked as thoroughly as the others.
    bool skipValue();

    // An object: beginObject(), then while nextMember() gives `more`,
    // readKey() and the member's value.
    bool beginObject();
    // After beginObject() or a member's value: whether another member follows.
    bool nextMember(bool *more);
    // A member's key and the ':' after it. The key's text, escapes decoded,
    // is in `raw` when it had no escape, else in `decoded`.
    struct Key {
        const char *raw = nullptr;
        int rawSize = 0;
        bool escaped = false;
        QString decoded;
        bool equals(QLatin1String name) const;
        QString text() const;
    };
    bool readKey(Key &key);

    // An array: beginArray(), then while nextElement() gives `more`, the element.
    bool beginArray();
    bool nextElement(bool *more);

    // True when only blanks are left.
    bool atEnd();
    bool failed() const { return m_failed; }
    const char *position() const { return m_pos; }
    int depth() const { return m_depth; }

    // The keys of one object, for refusing one given twice.
    class KeySet
    {
    public:
        // False when the key is already in.
        bool insert(const Key &key);

    private:
        std::vector<Key> m_keys;
    };

private:
    bool fail()
    {
        m_failed = true;
        return false;
    }
    void skipBlanks();
    // The string whose opening quote is at m_pos; `out` may be null.
    bool scanString(QString *out, const char **rawEnd, bool *escaped);
    bool scanNumber(const char **start);
    bool literal(const char *word, int size);
    // The opening bracket of a container of `kind`; the separator or the
    // closing bracket `close` before its next item.
    bool openContainer(Kind kind);
    bool nextItem(char close, bool *more);

    const char *m_pos;
    const char *m_end;
    int m_depth;
    bool m_failed = false;
    bool m_opened = false; // a container has just been opened
    // The short texts readRepeatedString() has made, by their raw bytes
    // (which stay in the text being read).
    QHash<QByteArray, QString> m_repeated;
};

} // namespace CtiJson

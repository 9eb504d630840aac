#include "peertext.h"

#include <QHash>

namespace PeerText
{

namespace
{

struct Entry {
    const char *field;
    Rule rule;
};

// Every text field the PBX sends with a rule of its own; the others get
// DefaultLength on one line.
const Entry table[] = {
    // numbers
    {"remoteNum", {NumberLength, Shape::Line}},
    {"calledNum", {NumberLength, Shape::Line}},
    {"callerNum", {NumberLength, Shape::Line}},
    {"senderNum", {NumberLength, Shape::Line}},
    {"number", {NumberLength, Shape::Line}},
    {"exten", {NumberLength, Shape::Line}},
    {"extension", {NumberLength, Shape::Line}},
    {"did", {NumberLength, Shape::Line}},
    {"mobile", {NumberLength, Shape::Line}},
    {"phone", {NumberLength, Shape::Line}},
    {"home", {NumberLength, Shape::Line}},
    {"mailbox", {NumberLength, Shape::Line}},
    {"parkRoom", {NumberLength, Shape::Line}},
    {"transferredFrom", {NumberLength, Shape::Line}},
    {"queueId", {NumberLength, Shape::Line}},
    {"groupId", {NumberLength, Shape::Line}},
    // names
    {"remoteName", {NameLength, Shape::Line}},
    {"callerName", {NameLength, Shape::Line}},
    {"calledName", {NameLength, Shape::Line}},
    {"senderName", {NameLength, Shape::Line}},
    {"sender", {NameLength, Shape::Line}},
    {"name", {NameLength, Shape::Line}},
    {"displayName", {NameLength, Shape::Line}},
    {"firstName", {NameLength, Shape::Line}},
    {"lastName", {NameLength, Shape::Line}},
    {"queueName", {NameLength, Shape::Line}},
    {"company", {NameLength, Shape::Line}},
    {"department", {NameLength, Shape::Line}},
    {"jobTitle", {NameLength, Shape::Line}},
    {"pbxName", {NameLength, Shape::Line}},
    {"tenant", {NameLength, Shape::Line}},
    // identifiers
    {"uid", {IdLength, Shape::Line}},
    {"linkedId", {IdLength, Shape::Line}},
    {"callId", {IdLength, Shape::Line}},
    {"cstaId", {IdLength, Shape::Line}},
    {"id", {IdLength, Shape::Line}},
    {"uuid", {IdLength, Shape::Line}},
    {"sessionId", {IdLength, Shape::Line}},
    {"account", {IdLength, Shape::Line}},
    {"accounts", {IdLength, Shape::Line}},
    {"queues", {IdLength, Shape::Line}},
    {"identifier", {IdLength, Shape::Line}},
    {"memberId", {IdLength, Shape::Line}},
    {"username", {IdLength, Shape::Line}},
    {"sipUsername", {IdLength, Shape::Line}},
    {"context", {IdLength, Shape::Line}},
    {"channel", {IdLength, Shape::Line}},
    {"localChannel", {IdLength, Shape::Line}},
    {"remoteChannel", {IdLength, Shape::Line}},
    {"localChan", {IdLength, Shape::Line}},
    {"remoteChan", {IdLength, Shape::Line}},
    {"oldLocalChan", {IdLength, Shape::Line}},
    {"newLocalChan", {IdLength, Shape::Line}},
    // several lines
    {"presenceMsg", {NoteLength, Shape::Lines}},
    {"note", {NoteLength, Shape::Lines}},
    // a chat message is kept whole (the frame bounds it); it is laid out
    // bounded where it is shown
    {"body", {-1, Shape::Lines}},
    // not shown: kept as received
    {"data", {-1, Shape::Raw}},
    {"password", {1024, Shape::Raw}},
    {"sipPassword", {1024, Shape::Raw}},
};

const QHash<QLatin1String, Rule> &rules()
{
    static const QHash<QLatin1String, Rule> map = [] {
        QHash<QLatin1String, Rule> m;
        for (const Entry &e : table)
            m.insert(QLatin1String(e.field), e.rule);
        return m;
    }();
    return map;
}

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0);
}

// What happens to one character: kept, dropped or turned into a space.
enum class Fate { Keep, Drop, Space };

Fate fateOf(char16_t c, Shape shape)
{
    if (c == 0 || isBidiControl(c))
        return Fate::Drop;
    if (!isControl(c))
        return Fate::Keep;
    if (shape == Shape::Lines && (c == u'\n' || c == u'\t' || c == u'\r'))
        return Fate::Keep;
    return shape == Shape::Line ? Fate::Space : Fate::Drop;
}

} // namespace

bool isBidiControl(char16_t c)
{
    return c == 0x061c || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

Rule ruleFor(QLatin1String field)
{
    return rules().value(field, Rule{DefaultLength, Shape::Line});
}

QString clean(const QString &text, const Rule &rule)
{
    if (rule.shape == Shape::Raw)
        return rule.maxLength >= 0 && text.size() > rule.maxLength ? text.left(rule.maxLength) : text;
    const int limit = rule.maxLength < 0 ? text.size() : qMin(text.size(), rule.maxLength);
    // Most texts are clean and short: they are handed back as they are.
    bool changes = limit < text.size();
    const char16_t *in = reinterpret_cast<const char16_t *>(text.utf16());
    for (int i = 0; i < limit && !changes; ++i)
        changes = fateOf(in[i], rule.shape) != Fate::Keep;
    if (!changes)
        return text;
    QString out;
    out.reserve(limit);
    for (int i = 0; i < text.size() && out.size() < limit; ++i) {
        const char16_t c = in[i];
        switch (fateOf(c, rule.shape)) {
        case Fate::Drop:
            break;
        case Fate::Space:
            out.append(QLatin1Char(' '));
            break;
        case Fate::Keep:
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(in[i + 1])) {
                if (out.size() + 2 > limit)
                    return out; // the pair does not fit whole
                out.append(QChar(c));
                out.append(QChar(in[++i]));
            } else {
                out.append(QChar(c));
            }
            break;
        }
    }
    return out;
}

} // namespace PeerText

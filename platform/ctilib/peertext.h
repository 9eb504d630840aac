// Texts a peer sends, as the client keeps them: every text field of a
// decoded record has a rule here (one table, by field name): how many UTF-16
// units of it are kept and which characters are dropped. NUL and the
// bidirectional controls (which would turn the text around on screen) are
// never kept; single-line fields get a space for every other control
// character; raw fields (binary payloads in base64, passwords) are neither cut
// nor cleaned. A cut never splits a surrogate pair.
#pragma once

#include <QLatin1String>
#include <QString>

namespace PeerText
{

enum class Shape {
    Line,  // one line of text: controls become spaces
    Lines, // a message: line breaks and tabs are kept
    Raw,   // kept as received (not shown)
};

struct Rule {
    int maxLength = 0; // UTF-16 units kept; -1: no limit
    Shape shape = Shape::Line;
};

constexpr int NumberLength = 64;   // numbers, extensions, mailboxes
constexpr int NameLength = 128;    // names of people, queues, companies
constexpr int IdLength = 128;      // channels, unique ids, accounts
constexpr int DefaultLength = 256; // any other text field
constexpr int NoteLength = 1024;   // notes and status messages of several lines

// The rule of a field (the JSON key of the record field or event datum).
Rule ruleFor(QLatin1String field);
// Applies a rule; returns `text` itself (shared) when nothing changes.
QString clean(const QString &text, const Rule &rule);
inline QString cleanField(QLatin1String field, const QString &text)
{
    return clean(text, ruleFor(field));
}
// True for a bidirectional control character (embeddings, overrides,
// isolates, the directional marks).
bool isBidiControl(char16_t c);

} // namespace PeerText

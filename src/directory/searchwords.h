// The words of a directory search: typed text split at blanks, each word
// looked for as a literal, case-insensitive substring. Prepared once per
// change of the search text, then tested against many rows.
#pragma once

#include <QString>
#include <QStringList>

class SearchWords
{
public:
    SearchWords() = default;
    explicit SearchWords(const QString &text);

    const QStringList &words() const { return list; }
    bool isEmpty() const { return list.isEmpty(); }
    // True when every word occurs in text (any order, any case); true without words.
    bool matches(const QString &text) const;

private:
    QStringList list; // case-folded
};

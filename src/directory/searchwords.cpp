#include "searchwords.h"

#include <QVector>

SearchWords::SearchWords(const QString &text)
{
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QStringRef &part : parts) {
        const QString word = part.trimmed().toString().toCaseFolded();
        if (!word.isEmpty())
            list.append(word);
    }
}

bool SearchWords::matches(const QString &text) const
{
    for (const QString &word : list) {
        if (!text.contains(word, Qt::CaseInsensitive))
            return false;
    }
    return true;
}

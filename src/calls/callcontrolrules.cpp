#include "callcontrolrules.h"

#include <QRegularExpression>
#include <QStandardItemModel>

namespace CallControlRules
{

Route route(Action action, const Backends &b)
{
    const bool softphoneMode = b.mode == MSETTINGS::AppModeSoftphone;
    if (action == Action::Ignore)
        return b.engine ? Route::Engine : Route::None;
    if (b.deskPhoneDriver())
        return Route::DeskPhone;
    if (b.softphone())
        return Route::Engine;
    switch (action) {
    case Action::Hangup:
    case Action::Refuse:
        // Softphone mode without its engine finalises the line locally.
        return softphoneMode ? Route::None : Route::Cti;
    case Action::Park:
        return Route::Cti;
    default:
        return Route::None;
    }
}

bool isDtmfDigit(const QString &digit)
{
    static const QRegularExpression re(QStringLiteral("^[0-9*#]$"));
    return digit.size() == 1 && re.match(digit).hasMatch();
}

qint64 dtmfTarget(const QList<DtmfCandidate> &lines, Route route)
{
    if (route != Route::Engine && route != Route::DeskPhone)
        return -1;
    for (const DtmfCandidate &c : lines) {
        if ((c.status != 0 && c.status != 1) || c.held)
            continue;
        if (route == Route::Engine && !c.engineLive)
            continue;
        return c.line;
    }
    return -1;
}

qint64 lineToRetrieve(const QList<qint64> &heldInOrder, const TransferState &transfer)
{
    if (heldInOrder.isEmpty() || transfer.pending())
        return -1;
    return heldInOrder.first();
}

bool isPhoneNumber(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^\\+?\\d+$"));
    return re.match(text).hasMatch();
}

QString clipboardNumber(const QString &text)
{
    static const QRegularExpression other(QStringLiteral("[^\\+0-9]"));
    QString number = text;
    number.remove(other);
    const bool plus = number.startsWith(QLatin1Char('+'));
    number.remove(QLatin1Char('+'));
    if (plus)
        number.prepend(QLatin1Char('+'));
    return number;
}

QString droppedNumber(const QString &text, bool isExtension, const QString &outsidePrefix)
{
    QString number = text.simplified();
    number.replace(QLatin1Char('+'), QLatin1String("00"));
    for (const QChar c :
         {QChar(' '), QChar('-'), QChar(','), QChar('\''), QChar('.'), QChar('/'), QChar('\\'), QChar('('), QChar(')')})
        number.remove(c);
    bool ok = false;
    number.toDouble(&ok);
    // Only digits are dialled: "1e5", "inf" and signs parse but are no number.
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!ok || !digits.match(number).hasMatch())
        return QString();
    if (!isExtension && !number.startsWith(outsidePrefix))
        number.prepend(outsidePrefix);
    return number;
}

void rememberNumber(QStandardItemModel *model, const QString &number, int limit)
{
    if (!model || number.isEmpty())
        return;
    const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole, number, 1, Qt::MatchFixedString);
    if (!found.isEmpty())
        model->removeRow(found.first().row());
    model->insertRow(0, new QStandardItem(number));
    if (model->rowCount() > limit)
        model->removeRows(limit, model->rowCount() - limit);
}

} // namespace CallControlRules

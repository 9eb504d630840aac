#include "cdrmodel.h"

#include "cdrrules.h"
#include "directoryroles.h"

#include <QCoreApplication>

namespace
{
QString trMPGui(const char *text)
{
    return QCoreApplication::translate("MPGui", text);
}

struct Header {
    const char *text;
    const char *tip;
};
const Header Headers[CdrModel::ColumnCount] = {
    {QT_TRANSLATE_NOOP("MPGui", "T"), QT_TRANSLATE_NOOP("MPGui", "Direzione della chiamata")},
    {QT_TRANSLATE_NOOP("MPGui", "Nome"), QT_TRANSLATE_NOOP("MPGui", "Contatto")},
    {QT_TRANSLATE_NOOP("MPGui", "Numero"), QT_TRANSLATE_NOOP("MPGui", "Numero")},
    {QT_TRANSLATE_NOOP("MPGui", "Data"), QT_TRANSLATE_NOOP("MPGui", "Data")},
    {QT_TRANSLATE_NOOP("MPGui", "Durata"), QT_TRANSLATE_NOOP("MPGui", "Durata")}};
} // namespace

CdrModel::CdrModel(const QHash<QString, QIcon> &icons, QObject *parent) : QAbstractTableModel(parent), icons(icons) {}

void CdrModel::appendCalls(const QVector<Call> &calls)
{
    if (calls.isEmpty())
        return;
    beginInsertRows(QModelIndex(), rows.size(), rows.size() + calls.size() - 1);
    orderColumn = -1;
    rows.reserve(rows.size() + calls.size());
    for (const Call &call : calls) {
        Row row;
        row.call = call;
        row.folded = searchText(row).toCaseFolded();
        row.callClass = CdrRules::callClass(call.key);
        const QDate day = CdrRules::startDate(call.start);
        row.day = day.isValid() ? day.toJulianDay() : 0;
        rows.append(row);
    }
    endInsertRows();
}

void CdrModel::clear()
{
    beginResetModel();
    rows.clear();
    endResetModel();
}

void CdrModel::orderRows(int column, Qt::SortOrder sortOrder)
{
    if (column <= TypeColumn || column >= ColumnCount) {
        orderColumn = -1;
        return;
    }
    sortRows(rows, sortOrder, [column](const Row &r) -> const QString & {
        const Call &c = r.call;
        switch (column) {
        case NameColumn:
            return c.name;
        case NumberColumn:
            return c.number;
        case StartColumn:
            return c.start;
        default:
            return c.duration;
        }
    });
    orderColumn = column;
    order = sortOrder;
}

bool CdrModel::rowsInOrder(int column, Qt::SortOrder sortOrder) const
{
    // The type column has no sort text: any order is its.
    if (rows.size() < 2 || column == TypeColumn)
        return true;
    return column == orderColumn && sortOrder == order;
}

int CdrModel::callClass(int row) const
{
    return row >= 0 && row < rows.size() ? rows.at(row).callClass : 0;
}

int CdrModel::attributes(int row) const
{
    return row >= 0 && row < rows.size() ? rows.at(row).call.attributes : 0;
}

qint64 CdrModel::startDay(int row) const
{
    return row >= 0 && row < rows.size() ? rows.at(row).day : 0;
}

// The number alone when there is no other name, else name and number.
QString CdrModel::searchText(const Row &row) const
{
    const Call &c = row.call;
    return c.name.isEmpty() || c.name == c.number ? c.number : c.name + QLatin1Char(' ') + c.number;
}

QVector<QString> CdrModel::foldedSearchTexts() const
{
    QVector<QString> texts;
    texts.reserve(rows.size());
    for (const Row &row : rows)
        texts.append(row.folded);
    return texts;
}

const QString &CdrModel::foldedSearchText(int row) const
{
    static const QString none;
    return row >= 0 && row < rows.size() ? rows.at(row).folded : none;
}

const QString &CdrModel::sortText(int row, int column) const
{
    static const QString none;
    if (row < 0 || row >= rows.size())
        return none;
    const Call &c = rows.at(row).call;
    switch (column) {
    case NameColumn:
        return c.name;
    case NumberColumn:
        return c.number;
    case StartColumn:
        return c.start;
    case DurationColumn:
        return c.duration;
    default:
        return none;
    }
}

int CdrModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

int CdrModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(ColumnCount);
}

QVariant CdrModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= rows.size())
        return QVariant();
    const Row &row = rows.at(index.row());
    const Call &c = row.call;
    const int column = index.column();
    if (column != TypeColumn) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return sortText(index.row(), column);
        if (column == NumberColumn && role == DirRole::Visibility)
            return c.key.contains(QLatin1String("_LOCAL_")) ? 1 : 0;
        return QVariant();
    }
    switch (role) {
    case DirRole::Entry:
        return c.key;
    case DirRole::Source:
        return QVariant::fromValue(CTILIB::CallAttributeFlags(c.attributes));
    case DirRole::SearchText:
        return searchText(row);
    case Qt::ToolTipRole:
        return CdrRules::callType(c.key).text;
    case Qt::DecorationRole: {
        const QString path = CdrRules::callType(c.key).iconPath;
        if (path.isEmpty())
            return QVariant();
        const auto it = icons.constFind(path);
        return it != icons.constEnd() ? it.value() : QIcon(path);
    }
    case Qt::AccessibleTextRole:
        return trMPGui("%1 con %2 (%3) in data %4 durata %5")
            .arg(CdrRules::callType(c.key).text, c.name, c.number, c.start, c.duration);
    default:
        return QVariant();
    }
}

QVariant CdrModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return trMPGui(Headers[section].text);
    if (role == Qt::ToolTipRole)
        return trMPGui(Headers[section].tip);
    return QVariant();
}

Qt::ItemFlags CdrModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

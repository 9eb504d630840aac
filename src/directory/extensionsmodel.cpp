#include "extensionsmodel.h"

#include "directoryroles.h"
#include "widgets/mpguilabels.h"

#include <QCoreApplication>
#include <algorithm>

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
const Header Headers[ExtensionsModel::ColumnCount] = {
    {QT_TRANSLATE_NOOP("MPGui", "C"), QT_TRANSLATE_NOOP("MPGui", "Stato CTI")},
    {QT_TRANSLATE_NOOP("MPGui", "T"), QT_TRANSLATE_NOOP("MPGui", "Stato telefono")},
    {QT_TRANSLATE_NOOP("MPGui", "Num"), QT_TRANSLATE_NOOP("MPGui", "Numero")},
    {QT_TRANSLATE_NOOP("MPGui", "Nome"), QT_TRANSLATE_NOOP("MPGui", "Nome")},
    {QT_TRANSLATE_NOOP("MPGui", "Cognome"), QT_TRANSLATE_NOOP("MPGui", "Cognome")},
    {QT_TRANSLATE_NOOP("MPGui", "Azienda"), QT_TRANSLATE_NOOP("MPGui", "Azienda")},
    {QT_TRANSLATE_NOOP("MPGui", "Reparto"), QT_TRANSLATE_NOOP("MPGui", "Reparto")},
    {QT_TRANSLATE_NOOP("MPGui", "Pref."), QT_TRANSLATE_NOOP("MPGui", "Preferito")}};

// A presence outside -1..5 is shown as offline.
bool presenceKnown(int presence)
{
    return presence >= -1 && presence <= 5;
}

QString blfText(int state)
{
    return MPGUI::translateBlfStatus(CTILIB::BlfStatus(state));
}

QString presenceTip(int presence)
{
    return MPGUI::translatePresenceStatus(CTILIB::ChatPresence(presenceKnown(presence) ? presence : -1));
}
} // namespace

ExtensionsModel::ExtensionsModel(QObject *parent) : TwoLevelModel(parent) {}

void ExtensionsModel::setRows(QVector<Row> newRows)
{
    std::stable_sort(newRows.begin(), newRows.end(), [](const Row &a, const Row &b) {
        return a.cells[NumberColumn].compare(b.cells[NumberColumn], Qt::CaseSensitive) < 0;
    });
    QVector<QString> newFolded;
    newFolded.reserve(newRows.size());
    QHash<QString, int> newFirst;
    newFirst.reserve(newRows.size());
    for (int r = 0; r < newRows.size(); ++r) {
        newFolded.append(newRows.at(r).search.toCaseFolded());
        if (!newFirst.contains(newRows.at(r).extension))
            newFirst.insert(newRows.at(r).extension, r);
    }
    beginResetModel();
    rows.swap(newRows);
    folded.swap(newFolded);
    firstRow.swap(newFirst);
    numberOrder = true;
    endResetModel();
}

void ExtensionsModel::setLiveStates(const std::function<void(const Row &, LiveState &)> &stateOf)
{
    for (Row &row : rows) {
        LiveState state;
        state.presence = row.presence;
        state.blf = row.blf;
        state.flag = row.flag;
        state.favourite = row.favourite;
        stateOf(row, state);
        row.presence = state.presence;
        row.blf = state.blf;
        row.flag = state.flag;
        row.favourite = state.favourite;
    }
    if (!rows.isEmpty())
        emit dataChanged(index(0, 0), index(rows.size() - 1, ColumnCount - 1));
}

void ExtensionsModel::clear()
{
    beginResetModel();
    rows.clear();
    folded.clear();
    firstRow.clear();
    numberOrder = true;
    endResetModel();
}

int ExtensionsModel::rowOf(const QString &extension) const
{
    return firstRow.value(extension, -1);
}

QString ExtensionsModel::extensionAt(int row) const
{
    return row >= 0 && row < rows.size() ? rows.at(row).extension : QString();
}

bool ExtensionsModel::isFavourite(int row) const
{
    return row >= 0 && row < rows.size() && rows.at(row).favourite;
}

void ExtensionsModel::rowChanged(int row, int firstColumn, int lastColumn)
{
    emit dataChanged(index(row, firstColumn), index(row, lastColumn));
}

void ExtensionsModel::setFavourite(int row, bool favourite)
{
    if (row < 0 || row >= rows.size() || rows.at(row).favourite == favourite)
        return;
    rows[row].favourite = favourite;
    rowChanged(row, FavouriteColumn, FavouriteColumn);
}

void ExtensionsModel::setBlf(int row, int state)
{
    if (row < 0 || row >= rows.size() || rows.at(row).blf == state)
        return;
    rows[row].blf = state;
    // The lamp, and the accessible text of column 0 that names it.
    rowChanged(row, PresenceColumn, BlfColumn);
}

void ExtensionsModel::setFlag(int row, bool flag)
{
    if (row < 0 || row >= rows.size() || rows.at(row).flag == flag)
        return;
    rows[row].flag = flag;
    rowChanged(row, PresenceColumn, PresenceColumn);
}

void ExtensionsModel::setPresence(int row, int presence)
{
    if (row < 0 || row >= rows.size() || rows.at(row).presence == presence)
        return;
    rows[row].presence = presence;
    rowChanged(row, PresenceColumn, PresenceColumn);
}

const QString &ExtensionsModel::foldedSearchText(int row) const
{
    static const QString none;
    return row >= 0 && row < folded.size() ? folded.at(row) : none;
}

bool ExtensionsModel::rowsInOrder(int column, Qt::SortOrder order) const
{
    // The two lamp columns have no sort text: any order is theirs.
    if (rows.size() < 2 || column == PresenceColumn || column == BlfColumn)
        return true;
    return numberOrder && column == NumberColumn && order == Qt::AscendingOrder;
}

const QString &ExtensionsModel::sortText(int row, int column) const
{
    static const QString none;
    static const QString marks[2] = {QStringLiteral("N"), QStringLiteral("F")};
    if (row < 0 || row >= rows.size() || column < 0 || column >= ColumnCount)
        return none;
    if (column == FavouriteColumn)
        return marks[rows.at(row).favourite ? 1 : 0];
    return rows.at(row).cells[column];
}

QVariant ExtensionsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    if (index.internalId() == TopLevel)
        return topData(rows.at(index.row()), index.column(), role);
    return childData(rows.at(parentRow(index)).children.at(index.row()), role);
}

QVariant ExtensionsModel::topData(const Row &row, int column, int role) const
{
    switch (column) {
    case PresenceColumn:
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return CTILIB::chatPresenceToString(presenceKnown(row.presence) ? row.presence : 5);
        case Qt::ToolTipRole:
            return presenceTip(row.presence);
        case Qt::AccessibleTextRole:
            return QStringLiteral("%1 %2 %3").arg(row.label, blfText(row.blf), presenceTip(row.presence));
        case DirRole::Source:
            return row.source;
        case DirRole::Visibility:
            return row.visibility;
        case DirRole::Personal:
            return false;
        case DirRole::EntryId:
            return row.entry.id;
        case DirRole::Entry:
            return QVariant::fromValue(row.entry);
        case DirRole::Extension:
            return row.extension;
        case DirRole::FullLabel:
            return row.label;
        case DirRole::StatusFlag:
            return row.flag;
        case DirRole::Presence:
            return row.presence;
        default:
            return QVariant();
        }
    case BlfColumn:
        if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole)
            return blfText(row.blf);
        if (role == DirRole::Blf)
            return row.blf;
        return QVariant();
    case FavouriteColumn:
        if (role == Qt::DisplayRole || role == Qt::EditRole || role == DirRole::Favourite)
            return row.favourite ? QStringLiteral("F") : QStringLiteral("N");
        if (role == Qt::ToolTipRole)
            return row.favourite ? trMPGui("Preferito") : QString();
        return QVariant();
    default:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return row.cells[column];
        if (column == FirstNameColumn && role == DirRole::SearchText)
            return row.search;
        return QVariant();
    }
}

QVariant ExtensionsModel::childData(const Child &child, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case DirRole::ChildValue:
        return child.value;
    case DirRole::TrimmedValue:
        return child.kind >= 0 ? QVariant(child.trimmed) : QVariant();
    case DirRole::Visibility:
        return child.kind >= 0 ? QVariant(int(child.kind)) : QVariant();
    case Qt::AccessibleTextRole:
        switch (child.kind) {
        case NumberKind::Fixed:
            return trMPGui("numero fisso %1").arg(child.trimmed);
        case NumberKind::Mobile:
            return trMPGui("cellulare %1").arg(child.trimmed);
        case NumberKind::Extension:
            return trMPGui("interno %1").arg(child.trimmed);
        case NumberKind::Email:
            return trMPGui("indirizzo email %1").arg(child.trimmed);
        default:
            return QVariant();
        }
    default:
        return QVariant();
    }
}

bool ExtensionsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.model() != this || index.internalId() != TopLevel)
        return false;
    const int row = index.row();
    if (index.column() == FavouriteColumn && role == DirRole::Favourite) {
        setFavourite(row, value.toString() == QLatin1String("F"));
        return true;
    }
    if (index.column() == BlfColumn && role == DirRole::Blf) {
        bool ok = false;
        const int state = value.toInt(&ok);
        setBlf(row, ok ? state : -1);
        return true;
    }
    if (index.column() == PresenceColumn && role == DirRole::Presence) {
        bool ok = false;
        const int presence = value.toInt(&ok);
        setPresence(row, ok ? presence : -1);
        return true;
    }
    if (index.column() == PresenceColumn && role == DirRole::StatusFlag) {
        setFlag(row, value.toBool());
        return true;
    }
    return false;
}

QVariant ExtensionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractItemModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return trMPGui(Headers[section].text);
    if (role == Qt::ToolTipRole)
        return trMPGui(Headers[section].tip);
    if (role == Qt::TextAlignmentRole && section == FavouriteColumn)
        return int(Qt::AlignCenter);
    return QVariant();
}

Qt::ItemFlags ExtensionsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (index.internalId() != TopLevel || index.column() != PresenceColumn)
        f |= Qt::ItemNeverHasChildren;
    return f;
}

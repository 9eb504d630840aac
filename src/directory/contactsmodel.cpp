#include "contactsmodel.h"

#include "contactrows.h"
#include "directoryroles.h"

#include <QCoreApplication>
#include <algorithm>

namespace
{
QString trMPGui(const char *text)
{
    return QCoreApplication::translate("MPGui", text);
}

const char *const Headers[ContactsModel::ColumnCount] = {
    QT_TRANSLATE_NOOP("MPGui", "T"), QT_TRANSLATE_NOOP("MPGui", "Nome"), QT_TRANSLATE_NOOP("MPGui", "Cognome"),
    QT_TRANSLATE_NOOP("MPGui", "Azienda"), QT_TRANSLATE_NOOP("MPGui", "Reparto")};

} // namespace

ContactsModel::ContactsModel(QObject *parent) : TwoLevelModel(parent) {}

ContactsModel::Row ContactsModel::makeRow(const PhoneBookEntry &entry, const QString &source, const QString &visibility)
{
    Row row;
    row.entry = entry;
    row.source = source;
    row.visibility = visibility;
    row.personal = source == QLatin1String("velora") && visibility == QLatin1String("Private");
    row.cells[FirstNameColumn] = entry.firstName.trimmed();
    row.cells[LastNameColumn] = entry.lastName.trimmed();
    row.cells[CompanyColumn] = entry.company.trimmed();
    row.cells[DepartmentColumn] = entry.department.trimmed();
    row.children.reserve(entry.contacts.size());
    for (const ContactEntry &field : entry.contacts) {
        Child child;
        if (field.kind == QLatin1String("phone")) {
            child.value = DirectoryModels::cleanPhoneNumber(field.value);
            child.searched = true;
            const QString &sub = field.subtype;
            if (sub == QLatin1String("main") || sub == QLatin1String("work") || sub == QLatin1String("home"))
                child.kind = NumberKind::Fixed;
            else if (sub == QLatin1String("mobile") || sub == QLatin1String("work_mobile"))
                child.kind = NumberKind::Mobile;
            else if (sub == QLatin1String("exten"))
                child.kind = NumberKind::Extension;
        } else if (field.kind == QLatin1String("email")) {
            child.value = field.value;
            child.searched = true;
            child.kind = NumberKind::Email;
        }
        row.children.append(child);
    }
    row.folded = searchText(row).toCaseFolded();
    return row;
}

// The words joined with single blanks: the four name texts as received,
// then every phone number (cleaned) and address.
QString ContactsModel::searchText(const Row &row)
{
    const PhoneBookEntry &e = row.entry;
    int size = e.firstName.size() + e.lastName.size() + e.company.size() + e.department.size() + 3;
    for (const Child &child : row.children)
        size += child.searched ? child.value.size() + 1 : 0;
    QString text;
    text.reserve(size);
    text.append(e.firstName).append(QLatin1Char(' ')).append(e.lastName).append(QLatin1Char(' '));
    text.append(e.company).append(QLatin1Char(' ')).append(e.department);
    for (const Child &child : row.children) {
        if (child.searched)
            text.append(QLatin1Char(' ')).append(child.value);
    }
    return text;
}

void ContactsModel::buildFrom(const PhoneBookList &books, int column, Qt::SortOrder sortOrder)
{
    int total = rows.size();
    for (const PhoneBook &book : books)
        total += book.entries.size();
    QVector<Row> built;
    built.reserve(total);
    built += rows;
    for (const PhoneBook &book : books) {
        for (const PhoneBookEntry &entry : book.entries)
            built.append(makeRow(entry, book.source, book.visibility));
    }
    // Stable, by the same comparison the list's sort uses: rows with the
    // same text keep the order they came in.
    const bool sortable = column > KindColumn && column < ColumnCount;
    if (sortable)
        sortRows(built, sortOrder, [column](const Row &r) -> const QString & { return r.cells[column]; });
    QVector<QString> builtFolded;
    builtFolded.reserve(built.size());
    QVector<int> builtCounts;
    builtCounts.reserve(built.size());
    for (const Row &r : qAsConst(built)) {
        builtFolded.append(r.folded);
        builtCounts.append(r.children.size());
    }
    beginResetModel();
    rows.swap(built);
    folded.swap(builtFolded);
    childCounts.swap(builtCounts);
    orderColumn = sortable ? column : -1;
    order = sortOrder;
    endResetModel();
}

int ContactsModel::appendContact(const PhoneBookEntry &entry, const QString &source, const QString &visibility,
                                 bool confirmed)
{
    const int at = rows.size();
    beginInsertRows(QModelIndex(), at, at);
    rows.append(makeRow(entry, source, visibility));
    rows.last().confirmed = confirmed;
    folded.append(rows.last().folded);
    childCounts.append(rows.last().children.size());
    if (at > 0 && !inOrder(rows.at(at - 1), rows.at(at)))
        orderColumn = -1;
    endInsertRows();
    return at;
}

bool ContactsModel::replaceContact(int row, const PhoneBookEntry &entry)
{
    if (row < 0 || row >= rows.size())
        return false;
    const Row &old = rows.at(row);
    Row next = makeRow(entry, old.source, old.visibility);
    next.confirmed = old.confirmed;
    const QModelIndex parent = index(row, 0);
    // The child rows go and come back: their number may have changed.
    if (!old.children.isEmpty()) {
        beginRemoveRows(parent, 0, old.children.size() - 1);
        rows[row].children.clear();
        childCounts[row] = 0;
        endRemoveRows();
    }
    const QVector<Child> children = next.children;
    next.children.clear();
    if (orderColumn >= 0 && next.cells[orderColumn] != rows.at(row).cells[orderColumn])
        orderColumn = -1;
    rows[row] = next;
    folded[row] = next.folded;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    if (!children.isEmpty()) {
        beginInsertRows(parent, 0, children.size() - 1);
        rows[row].children = children;
        childCounts[row] = children.size();
        endInsertRows();
    }
    return true;
}

bool ContactsModel::removeContact(int row)
{
    if (row < 0 || row >= rows.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    rows.remove(row);
    folded.remove(row);
    childCounts.remove(row);
    endRemoveRows();
    // Child indexes name their parent by row: those under the rows that
    // moved up follow them.
    const QModelIndexList kept = persistentIndexList();
    for (const QModelIndex &idx : kept) {
        if (idx.internalId() != TopLevel && int(idx.internalId() - 1) > row)
            changePersistentIndex(idx, createIndex(idx.row(), 0, idx.internalId() - 1));
    }
    return true;
}

void ContactsModel::clear()
{
    beginResetModel();
    rows.clear();
    folded.clear();
    childCounts.clear();
    orderColumn = LastNameColumn;
    order = Qt::AscendingOrder;
    endResetModel();
}

int ContactsModel::rowOfEntry(const QString &id) const
{
    for (int row = 0; row < rows.size(); ++row) {
        if (rows.at(row).entry.id == id)
            return row;
    }
    return -1;
}

const PhoneBookEntry *ContactsModel::entryAt(int row) const
{
    return row >= 0 && row < rows.size() ? &rows.at(row).entry : nullptr;
}

const QString &ContactsModel::foldedSearchText(int row) const
{
    static const QString none;
    return row >= 0 && row < folded.size() ? folded.at(row) : none;
}

QVector<QString> ContactsModel::foldedSearchTexts() const
{
    return folded;
}

bool ContactsModel::inOrder(const Row &a, const Row &b) const
{
    if (orderColumn < 0)
        return false;
    const int c = a.cells[orderColumn].compare(b.cells[orderColumn]);
    return order == Qt::AscendingOrder ? c <= 0 : c >= 0;
}

bool ContactsModel::rowsInOrder(int column, Qt::SortOrder sortOrder) const
{
    // The kind column has no sort text: any order is its.
    if (rows.size() < 2 || column == KindColumn)
        return true;
    return column == orderColumn && sortOrder == order;
}

const QString &ContactsModel::sortText(int row, int column) const
{
    static const QString none;
    if (row < 0 || row >= rows.size() || column < 0 || column >= ColumnCount)
        return none;
    return rows.at(row).cells[column];
}

QVariant ContactsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    if (index.internalId() == TopLevel)
        return topData(rows.at(index.row()), index.column(), role);
    return childData(rows.at(parentRow(index)).children.at(index.row()), role);
}

QVariant ContactsModel::topData(const Row &row, int column, int role) const
{
    if (column != KindColumn) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return row.cells[column];
        return QVariant();
    }
    switch (role) {
    case DirRole::Source:
        return row.source;
    case DirRole::Visibility:
        return row.visibility;
    case DirRole::Personal:
        return row.personal;
    case DirRole::Confirmed:
        return row.confirmed;
    case DirRole::EntryId:
        return row.entry.id;
    case DirRole::Entry:
        return QVariant::fromValue(row.entry);
    case DirRole::SearchText:
        return searchText(row);
    case DirRole::FullLabel:
    case Qt::AccessibleTextRole:
        return QStringLiteral("%1 %2").arg(row.entry.firstName, row.entry.lastName).trimmed() + QLatin1Char(' ') +
               QStringLiteral("%1 %2").arg(row.entry.company, row.entry.department).trimmed();
    case Qt::ToolTipRole: {
        QString tip = row.personal                             ? trMPGui("Contatto personale")
                      : row.source == QLatin1String("outlook") ? trMPGui("Contatto Outlook")
                                                               : trMPGui("Contatto aziendale");
        // A contact added here shows until the PBX's next phone book has it.
        if (!row.confirmed)
            tip += QStringLiteral(" - ") + trMPGui("Non ancora sincronizzato sul server.") + QLatin1Char('\n') +
                   trMPGui("La modifica del contatto non sara' disponibile fino \nalla prossima "
                           "sincronizzazione dei contatti con %1.")
                       .arg(QStringLiteral("PBX"));
        return tip;
    }
    default:
        return QVariant();
    }
}

QVariant ContactsModel::childData(const Child &child, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case DirRole::ChildValue:
        return child.value;
    case DirRole::Visibility:
        return child.kind >= 0 ? QVariant(int(child.kind)) : QVariant();
    case Qt::AccessibleTextRole:
        switch (child.kind) {
        case NumberKind::Fixed:
            return trMPGui("numero fisso %1").arg(child.value);
        case NumberKind::Mobile:
            return trMPGui("cellulare %1").arg(child.value);
        case NumberKind::Extension:
            return trMPGui("interno %1").arg(child.value);
        case NumberKind::Email:
            return trMPGui("indirizzo email %1").arg(child.value);
        default:
            return QVariant();
        }
    default:
        return QVariant();
    }
}

bool ContactsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.model() != this || index.internalId() != TopLevel || index.column() != KindColumn)
        return false;
    Row &row = rows[index.row()];
    if (role == DirRole::Personal)
        row.personal = value.toBool();
    else if (role == DirRole::Confirmed)
        row.confirmed = value.toBool();
    else
        return false;
    emit dataChanged(index, index, {role});
    return true;
}

QVariant ContactsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractItemModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return trMPGui(Headers[section]);
    if (role == Qt::ToolTipRole && section != KindColumn)
        return trMPGui(Headers[section]);
    return QVariant();
}

Qt::ItemFlags ContactsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    if (index.internalId() != TopLevel || index.column() != KindColumn)
        f |= Qt::ItemNeverHasChildren;
    return f;
}

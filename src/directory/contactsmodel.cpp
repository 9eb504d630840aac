#include "contactsmodel.h"

#include "contactrows.h"
#include "directoryroles.h"

#include <QCoreApplication>
#include <algorithm>
#include <numeric>
#include <vector>

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

// The text a cell of the row of `entry` shows in `column`.
QString ContactsModel::cellText(const PhoneBookEntry &entry, int column)
{
    switch (column) {
    case FirstNameColumn:
        return entry.firstName.trimmed();
    case LastNameColumn:
        return entry.lastName.trimmed();
    case CompanyColumn:
        return entry.company.trimmed();
    case DepartmentColumn:
        return entry.department.trimmed();
    default:
        return QString();
    }
}

ContactsModel::Row ContactsModel::makeRow(const PhoneBookEntry &entry, const QString &source, const QString &visibility)
{
    Row row;
    row.entry = entry;
    row.source = source;
    row.visibility = visibility;
    row.personal = source == QLatin1String("velora") && visibility == QLatin1String("Private");
    for (int column = FirstNameColumn; column < ColumnCount; ++column)
        row.cells[column] = cellText(entry, column);
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
    // A summary field that repeats one of the contact's numbers or addresses
    // shares its text: a long phone book holds each once.
    for (QString *summary :
         {&row.entry.email, &row.entry.extension, &row.entry.phone, &row.entry.mobile, &row.entry.home}) {
        if (summary->isEmpty())
            continue;
        for (const ContactEntry &field : entry.contacts) {
            if (field.value == *summary) {
                *summary = field.value;
                break;
            }
        }
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

namespace
{
// The permutation that orders `keys` stably as QString::compare() does
// (UTF-16 units in turn, the shorter text first), in `order`. Each text's
// first eight units are packed into two numbers that sit together in one
// array: most comparisons are settled there without reaching the texts.
QVector<int> stableOrder(const QVector<QString> &keys, Qt::SortOrder order)
{
    struct Key {
        quint64 high = 0; // units 0-3, the first one in the top bits
        quint64 low = 0;  // units 4-7
        int index = 0;
    };
    const int n = keys.size();
    std::vector<Key> sorted(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const QString &text = keys.at(i);
        const ushort *units = text.utf16();
        const int size = qMin(text.size(), 8);
        Key &k = sorted[size_t(i)];
        for (int u = 0; u < 8; ++u) {
            const quint64 unit = u < size ? units[u] : 0;
            if (u < 4)
                k.high |= unit << (48 - 16 * u);
            else
                k.low |= unit << (48 - 16 * (u - 4));
        }
        k.index = i;
    }
    // Equal packed units with a unit 0 among them may still differ in the
    // texts (a unit 0 and the end of a shorter text look alike): those, and
    // texts longer than eight units, are compared whole.
    const auto less = [&keys](const Key &a, const Key &b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        const int c = keys.at(a.index).compare(keys.at(b.index));
        return c != 0 ? c < 0 : a.index < b.index;
    };
    if (order == Qt::AscendingOrder) {
        std::sort(sorted.begin(), sorted.end(), less);
    } else {
        std::sort(sorted.begin(), sorted.end(), [&less, &keys](const Key &a, const Key &b) {
            // Descending by text, equal texts still in their order.
            if (a.high != b.high || a.low != b.low)
                return less(b, a);
            const int c = keys.at(a.index).compare(keys.at(b.index));
            return c != 0 ? c > 0 : a.index < b.index;
        });
    }
    QVector<int> out(n);
    for (int i = 0; i < n; ++i)
        out[i] = sorted[size_t(i)].index;
    return out;
}
} // namespace

void ContactsModel::buildFrom(const PhoneBookList &books, int column, Qt::SortOrder sortOrder,
                              ContactNumberIndex *index)
{
    // The rows there are, then the books' entries, in this order.
    struct Source {
        const PhoneBookEntry *entry;
        const PhoneBook *book;
    };
    const int kept = rows.size();
    std::vector<Source> sources;
    for (const PhoneBook &book : books) {
        for (const PhoneBookEntry &entry : book.entries)
            sources.push_back({&entry, &book});
    }
    const int total = kept + int(sources.size());
    // Stable, by the same comparison the list's sort uses: rows with the
    // same text keep the order they came in. The order is found first, from
    // the texts of the column, and the rows are made in it.
    const bool sortable = column > KindColumn && column < ColumnCount;
    QVector<int> sorted;
    if (sortable) {
        QVector<QString> keys;
        keys.reserve(total);
        for (int i = 0; i < kept; ++i)
            keys.append(rows.at(i).cells[column]);
        for (const Source &source : sources)
            keys.append(cellText(*source.entry, column));
        sorted = stableOrder(keys, sortOrder);
    } else {
        sorted.resize(total);
        std::iota(sorted.begin(), sorted.end(), 0);
    }
    QVector<Row> built;
    built.reserve(total);
    QVector<int> placeOf(total);
    for (int i : qAsConst(sorted)) {
        placeOf[i] = built.size();
        if (i < kept) {
            built.append(std::move(rows[i]));
        } else {
            const Source &source = sources[size_t(i - kept)];
            built.append(makeRow(*source.entry, source.book->source, source.book->visibility));
        }
    }
    if (index) {
        // In the books' order: the first contact listing a number wins. The
        // cleaned numbers are the rows' own texts.
        index->reserve(int(sources.size()));
        for (int i = kept; i < total; ++i) {
            const ContactNumberIndex::Contact contact =
                ContactNumberIndex::contactOfEntry(*sources[size_t(i - kept)].entry);
            if (contact.name.isEmpty())
                continue;
            for (const Child &child : built.at(placeOf.at(i)).children) {
                if (child.searched && child.kind != NumberKind::Email)
                    index->add(child.value, contact);
            }
        }
    }
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

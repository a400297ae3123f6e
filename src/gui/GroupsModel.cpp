#include "gui/GroupsModel.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

#include "app/SelectionController.h"
#include "settings/SizeText.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesGroup.h"

namespace {
// Group rows carry 0 in their internal id; member rows carry the group's row + 1.
constexpr quintptr kGroupRowId = 0;
}  // namespace

GroupsModel::GroupsModel(QObject* parent) : QAbstractItemModel(parent) {}

QString GroupsModel::formatSize(std::int64_t bytes) { return QString::fromStdString(size_text::format(bytes)); }

void GroupsModel::setCategory(const DuplicatesCategory* category) {
    m_pCategory = category;
    m_allGroups = category ? category->getGroups() : std::vector<std::shared_ptr<DuplicatesGroup>>{};
    rebuild();
}

void GroupsModel::setFilterText(const QString& text) {
    if (text == m_filter) return;
    m_filter = text;
    rebuild();
}

void GroupsModel::sort(int column, Qt::SortOrder order) {
    m_sortColumn = column;
    m_sortOrder = order;
    rebuild();
}

bool GroupsModel::groupMatches(DuplicatesGroup& group, const QString& filter) {
    const std::string needle = filter.trimmed().toLower().toStdString();
    if (needle.empty()) return true;
    auto contains = [&](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text.find(needle) != std::string::npos;
    };
    if (contains(group.getGroupName())) return true;
    for (const auto& member : group.getItems())
        if (contains(member->getFileItemPath())) return true;
    return false;
}

void GroupsModel::selectionChanged() {
    if (m_rows.empty()) return;
    // One notice for the whole batch; the view repaints its rows, members included, from it.
    emit dataChanged(index(0, 0), index(static_cast<int>(m_rows.size()) - 1, ColumnCount - 1),
                     {Qt::CheckStateRole, Qt::DisplayRole, Qt::ToolTipRole});
}

void GroupsModel::rebuild() {
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(m_allGroups.size());
    for (const auto& group : m_allGroups) {
        // A removal may leave a group with one copy until the run drops it: no longer a duplicate.
        if (group->getFilesCount() < 2) continue;
        if (groupMatches(*group, m_filter)) m_rows.push_back(Row{group, {}, false});
    }
    // Keys are read once per group, so sorting 100 000 groups costs a few milliseconds.
    struct Key {
        std::size_t row;
        std::int64_t number;
        QString name;
    };
    std::vector<Key> keys;
    keys.reserve(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        DuplicatesGroup& g = *m_rows[i].group;
        Key k{i, 0, {}};
        switch (m_sortColumn) {
            case NameColumn: k.name = QString::fromStdString(g.getGroupName()).toLower(); break;
            case CopiesColumn: k.number = g.getTotalCount(); break;
            case FreeColumn: k.number = static_cast<std::int64_t>(g.getSizeThatCanBeRemoved()); break;
            default: k.number = static_cast<std::int64_t>(g.getTotalSize()); break;
        }
        keys.push_back(std::move(k));
    }
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::stable_sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        int c = m_sortColumn == NameColumn ? a.name.compare(b.name) : (a.number < b.number ? -1 : a.number > b.number);
        return ascending ? c < 0 : c > 0;
    });
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (const Key& k : keys) sorted.push_back(std::move(m_rows[k.row]));
    m_rows = std::move(sorted);
    endResetModel();
}

const std::vector<std::shared_ptr<DuplicateItem>>& GroupsModel::membersOf(const Row& row) const {
    if (!row.membersFetched) {
        row.members = row.group->getItems();
        row.membersFetched = true;
    }
    return row.members;
}

DuplicatesGroup* GroupsModel::groupAt(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    const std::size_t row = index.internalId() == kGroupRowId ? static_cast<std::size_t>(index.row())
                                                              : static_cast<std::size_t>(index.internalId() - 1);
    return row < m_rows.size() ? m_rows[row].group.get() : nullptr;
}

std::shared_ptr<DuplicateItem> GroupsModel::memberAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() == kGroupRowId) return nullptr;
    const std::size_t groupRow = index.internalId() - 1;
    if (groupRow >= m_rows.size()) return nullptr;
    const auto& members = membersOf(m_rows[groupRow]);
    return static_cast<std::size_t>(index.row()) < members.size() ? members[index.row()] : nullptr;
}

QModelIndex GroupsModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount) return {};
    if (!parent.isValid()) {
        if (static_cast<std::size_t>(row) >= m_rows.size()) return {};
        return createIndex(row, column, kGroupRowId);
    }
    if (parent.internalId() != kGroupRowId) return {};
    return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex GroupsModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kGroupRowId) return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, kGroupRowId);
}

int GroupsModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(m_rows.size());
    if (parent.internalId() != kGroupRowId || parent.column() != 0) return 0;
    if (static_cast<std::size_t>(parent.row()) >= m_rows.size()) return 0;
    return static_cast<int>(membersOf(m_rows[parent.row()]).size());
}

int GroupsModel::columnCount(const QModelIndex&) const { return ColumnCount; }

bool GroupsModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return !m_rows.empty();
    return parent.internalId() == kGroupRowId && parent.column() == 0;
}

QVariant GroupsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (index.internalId() == kGroupRowId) {
        if (static_cast<std::size_t>(index.row()) >= m_rows.size()) return {};
        return groupData(m_rows[index.row()], index.column(), role);
    }
    auto member = memberAt(index);
    return member ? memberData(*member, index.column(), role) : QVariant();
}

QVariant GroupsModel::groupData(const Row& row, int column, int role) const {
    DuplicatesGroup& g = *row.group;
    if (role == Qt::TextAlignmentRole && column != NameColumn) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (column) {
        case NameColumn: return QString::fromStdString(g.getGroupName());
        case CopiesColumn: {
            const std::int64_t selected = m_pSelection ? g.getSelectedCountWithDuplicatesFolderContent() : 0;
            if (selected == 0) return QString::number(g.getTotalCount());
            return QStringLiteral("%1 \u00b7 %2 selected").arg(g.getTotalCount()).arg(selected);
        }
        case SizeColumn: return formatSize(static_cast<std::int64_t>(g.getTotalSize()));
        case FreeColumn: return formatSize(static_cast<std::int64_t>(g.getSizeThatCanBeRemoved()));
        default: return {};
    }
}

Qt::ItemFlags GroupsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractItemModel::flags(index);
    if (m_pSelection && index.column() == NameColumn && index.internalId() != kGroupRowId)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool GroupsModel::setData(const QModelIndex& index, const QVariant&, int role) {
    if (role != Qt::CheckStateRole || !m_pSelection || index.column() != NameColumn) return false;
    auto member = memberAt(index);
    if (!member) return false;
    // The controller decides (it may ask or refuse); the batch's notice redraws the rows.
    m_pSelection->toggleMember(*member);
    return true;
}

QVariant GroupsModel::memberData(DuplicateItem& member, int column, int role) const {
    if (role == Qt::TextAlignmentRole && column != NameColumn) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (column == NameColumn && m_pSelection) {
        if (role == Qt::CheckStateRole) return member.isSelected() ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::ToolTipRole) {
            const std::string tip = m_pSelection->tipFor(member);
            QString path = QString::fromStdString(member.getFileItemPath());
            return tip.empty() ? path : path + QLatin1Char('\n') + QString::fromStdString(tip);
        }
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (column) {
        case NameColumn: return QString::fromStdString(member.getFileItemPath());
        case SizeColumn: return formatSize(member.getFileItemSize());
        case ModifiedColumn: {
            // Read from the file once, for the rows a person actually looks at.
            const std::int64_t seconds = member.getLastModificationDate();
            if (seconds <= 0) return QString();
            return QLocale::system().toString(QDateTime::fromSecsSinceEpoch(seconds), QLocale::ShortFormat);
        }
        default: return {};
    }
}

QVariant GroupsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case NameColumn: return QStringLiteral("Name");
        case CopiesColumn: return QStringLiteral("Copies");
        case SizeColumn: return QStringLiteral("Size");
        case FreeColumn: return QStringLiteral("Space to Free");
        case ModifiedColumn: return QStringLiteral("Modified");
        default: return {};
    }
}

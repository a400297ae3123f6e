#include "gui/FoldersModel.h"

#include <algorithm>

#include "gui/GroupsModel.h"

namespace {
// Entry rows carry 0 in their internal id; folder rows carry their entry's row + 1.
constexpr quintptr kEntryRowId = 0;

bool isHeapRanking(FolderRanking ranking) { return ranking != FolderRanking::DuplicateFolders; }
}  // namespace

FoldersModel::FoldersModel(QObject* parent) : QAbstractItemModel(parent) {}

void FoldersModel::setOverview(const FoldersOverview* overview) {
    m_pOverview = overview;
    rebuild();
}

void FoldersModel::setRanking(FolderRanking ranking) {
    const bool headersChange = isHeapRanking(ranking) != isHeapRanking(m_ranking);
    m_ranking = ranking;
    // The rankings come ordered by size; only the full lists follow the header's sort.
    if (ranking == FolderRanking::BiggestHeaps || ranking == FolderRanking::EasyHeaps) {
        m_sortColumn = SizeColumn;
        m_sortOrder = Qt::DescendingOrder;
    }
    rebuild();
    if (headersChange) emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void FoldersModel::reload() { rebuild(); }

void FoldersModel::sort(int column, Qt::SortOrder order) {
    m_sortColumn = column;
    m_sortOrder = order;
    rebuild();
}

void FoldersModel::rebuild() {
    beginResetModel();
    m_rows.clear();
    if (m_pOverview) {
        const auto& entries = m_pOverview->entries(m_ranking);
        // Keys are read once per entry, so sorting 100 000 entries costs a few milliseconds.
        struct Key {
            std::size_t index;
            std::int64_t number;
            QString name;
        };
        std::vector<Key> keys;
        keys.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const FolderEntry& e = entries[i];
            Key k{i, 0, {}};
            switch (m_sortColumn) {
                case NameColumn: k.name = QString::fromStdString(e.title()).toLower(); break;
                case CountColumn: k.number = e.count(); break;
                case FreeColumn: k.number = static_cast<std::int64_t>(e.sizeToFree()); break;
                default: k.number = static_cast<std::int64_t>(e.size()); break;
            }
            keys.push_back(std::move(k));
        }
        const bool ascending = m_sortOrder == Qt::AscendingOrder;
        std::stable_sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
            int c = m_sortColumn == NameColumn ? a.name.compare(b.name) : (a.number < b.number ? -1 : a.number > b.number);
            return ascending ? c < 0 : c > 0;
        });
        m_rows.reserve(keys.size());
        for (const Key& k : keys) m_rows.push_back(Row{entries[k.index], {}, false});
    }
    endResetModel();
}

const std::vector<std::string>& FoldersModel::foldersOf(const Row& row) const {
    if (!row.foldersFetched) {
        row.folders = row.entry.folderPaths();
        row.foldersFetched = true;
    }
    return row.folders;
}

const FolderEntry* FoldersModel::entryAt(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    const std::size_t row = index.internalId() == kEntryRowId ? static_cast<std::size_t>(index.row())
                                                              : static_cast<std::size_t>(index.internalId() - 1);
    return row < m_rows.size() ? &m_rows[row].entry : nullptr;
}

std::string FoldersModel::folderPathAt(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    const std::size_t row = index.internalId() == kEntryRowId ? static_cast<std::size_t>(index.row())
                                                              : static_cast<std::size_t>(index.internalId() - 1);
    if (row >= m_rows.size()) return {};
    const auto& folders = foldersOf(m_rows[row]);
    const std::size_t at = index.internalId() == kEntryRowId ? 0 : static_cast<std::size_t>(index.row());
    return at < folders.size() ? folders[at] : std::string();
}

QModelIndex FoldersModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount) return {};
    if (!parent.isValid()) {
        if (static_cast<std::size_t>(row) >= m_rows.size()) return {};
        return createIndex(row, column, kEntryRowId);
    }
    if (parent.internalId() != kEntryRowId) return {};
    return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex FoldersModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kEntryRowId) return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, kEntryRowId);
}

int FoldersModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(m_rows.size());
    if (parent.internalId() != kEntryRowId || parent.column() != 0) return 0;
    if (static_cast<std::size_t>(parent.row()) >= m_rows.size()) return 0;
    return static_cast<int>(foldersOf(m_rows[parent.row()]).size());
}

int FoldersModel::columnCount(const QModelIndex&) const { return ColumnCount; }

bool FoldersModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return !m_rows.empty();
    return parent.internalId() == kEntryRowId && parent.column() == 0;
}

QVariant FoldersModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole && index.column() != NameColumn) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (index.internalId() != kEntryRowId) {
        if (index.column() != NameColumn) return {};
        return QString::fromStdString(folderPathAt(index));
    }
    if (static_cast<std::size_t>(index.row()) >= m_rows.size()) return {};
    const Row& row = m_rows[index.row()];
    if (role == Qt::ToolTipRole && index.column() == NameColumn) {
        QStringList paths;
        for (const auto& p : foldersOf(row)) paths << QString::fromStdString(p);
        return paths.join(QLatin1Char('\n'));
    }
    switch (index.column()) {
        case NameColumn: return QString::fromStdString(row.entry.title());
        case CountColumn: return QString::number(row.entry.count());
        case SizeColumn: return GroupsModel::formatSize(static_cast<std::int64_t>(row.entry.size()));
        case FreeColumn: return GroupsModel::formatSize(static_cast<std::int64_t>(row.entry.sizeToFree()));
        default: return {};
    }
}

QVariant FoldersModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    const bool heaps = isHeapRanking(m_ranking);
    switch (section) {
        case NameColumn: return heaps ? QStringLiteral("Folders") : QStringLiteral("Name");
        case CountColumn: return heaps ? QStringLiteral("Shared Groups") : QStringLiteral("Copies");
        case SizeColumn: return QStringLiteral("Size");
        case FreeColumn: return QStringLiteral("Space to Free");
        default: return {};
    }
}

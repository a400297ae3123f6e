// The Folders view's rows for a QTreeView: one row per entry of the chosen ranking (a group of
// identical folders or a heap: name, count, size, space to free) and, read when the row is first
// expanded, one row per folder of it (its path). Sorting works on a plain list of entries followed by
// one model reset, and text is made on demand, so 100 000 entries cost no widget and no string each.
// Main thread only; the overview must outlive its use here or be replaced with setOverview(nullptr).
#pragma once

#include <QAbstractItemModel>
#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "app/FoldersOverview.h"

class FoldersModel : public QAbstractItemModel {
public:
    enum Column { NameColumn, CountColumn, SizeColumn, FreeColumn, ColumnCount };

    explicit FoldersModel(QObject* parent = nullptr);

    void setOverview(const FoldersOverview* overview);
    void setRanking(FolderRanking ranking);
    FolderRanking ranking() const { return m_ranking; }
    // Reads the entries of the current ranking again (the heaps came in).
    void reload();
    std::size_t entryCount() const { return m_rows.size(); }
    const FolderEntry* entryAt(const QModelIndex& index) const;
    // The folder of a folder row, or the first folder of an entry row; empty otherwise.
    std::string folderPathAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct Row {
        FolderEntry entry;
        mutable std::vector<std::string> folders;  // filled on first need
        mutable bool foldersFetched = false;
    };
    const std::vector<std::string>& foldersOf(const Row& row) const;
    void rebuild();

    const FoldersOverview* m_pOverview = nullptr;
    FolderRanking m_ranking = FolderRanking::DuplicateFolders;
    std::vector<Row> m_rows;
    int m_sortColumn = SizeColumn;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};

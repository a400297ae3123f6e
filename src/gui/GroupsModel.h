// The groups of one results category as a two-level tree for a QTreeView: a row per group (name,
// copies, size, space to free) and, fetched when the group is first expanded, a row per member (path,
// size, modification date) with its check box, ticked through the selection controller. Sorting and
// filtering work on a plain list of groups followed by one model reset; a selection batch is one
// dataChanged over every group row. Main thread only; after the container changed, reload().
#pragma once

#include <QAbstractItemModel>
#include <QString>

#include <memory>
#include <vector>

class DuplicateItem;
class DuplicatesCategory;
class DuplicatesGroup;
class SelectionController;

class GroupsModel : public QAbstractItemModel {
public:
    enum Column { NameColumn, CopiesColumn, SizeColumn, FreeColumn, ModifiedColumn, ColumnCount };

    explicit GroupsModel(QObject* parent = nullptr);

    void setCategory(const DuplicatesCategory* category);
    // Reads the category's groups again (groups or copies left the results).
    void reload() { setCategory(m_pCategory); }
    // Member rows get check boxes that tick through this controller (null: no check boxes).
    void setSelectionController(SelectionController* controller) { m_pSelection = controller; }
    // Once per selection batch: every row's check box, tip and counts are read again.
    void selectionChanged();
    static bool groupMatches(DuplicatesGroup& group, const QString& filter);
    // Keeps the groups whose name or a member's path contains the text (case-insensitive).
    void setFilterText(const QString& text);
    std::size_t groupCount() const { return m_rows.size(); }
    DuplicatesGroup* groupAt(const QModelIndex& index) const;
    // The member of a member row; null for a group row.
    std::shared_ptr<DuplicateItem> memberAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    static QString formatSize(std::int64_t bytes);

private:
    struct Row {
        std::shared_ptr<DuplicatesGroup> group;
        mutable std::vector<std::shared_ptr<DuplicateItem>> members;  // filled on first need
        mutable bool membersFetched = false;
    };
    const std::vector<std::shared_ptr<DuplicateItem>>& membersOf(const Row& row) const;
    void rebuild();
    QVariant groupData(const Row& row, int column, int role) const;
    QVariant memberData(DuplicateItem& member, int column, int role) const;

    const DuplicatesCategory* m_pCategory = nullptr;
    SelectionController* m_pSelection = nullptr;
    std::vector<std::shared_ptr<DuplicatesGroup>> m_allGroups;
    std::vector<Row> m_rows;  // the shown groups, filtered and sorted
    QString m_filter;
    int m_sortColumn = SizeColumn;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};

// Paints a row of the results sidebar: the category's name, its size and group count, what of it is
// selected for removal (SelectionRole), and a bar of
// the shares its ProgressBarData gives (selected copies, copies of fully selected groups, kept
// originals) over the whole category. Reads the item's roles; main thread only.
#pragma once

#include <QStyledItemDelegate>

class CategoryDelegate : public QStyledItemDelegate {
public:
    enum Role { DetailRole = Qt::UserRole + 1, SelectedShareRole, AllCopiesShareRole, KeptShareRole, EmptyRole,
                SelectionRole };

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

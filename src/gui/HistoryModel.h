// The runs and removed files of the History window's chosen day for a QTreeView: a row per run (its
// time, counts and a tick for all its files) and below it a row per removed file (path, size, state,
// and the result of the last restore). Reads the browser's snapshot only, so it never touches the disk;
// restored and unrestorable files carry no tick a person can change. Main thread only; the browser
// must outlive the model.
#pragma once

#include <QAbstractItemModel>

class HistoryBrowser;

class HistoryModel : public QAbstractItemModel {
public:
    enum Column { PathColumn, SizeColumn, StateColumn, ResultColumn, ColumnCount };

    explicit HistoryModel(HistoryBrowser& browser, QObject* parent = nullptr);

    // The browser's snapshot changed as a whole (a day was read, a restore ended).
    void reload();
    // Run and file of an index; file is -1 for a run row.
    static int runOf(const QModelIndex& index);
    static int fileOf(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    HistoryBrowser& m_browser;
};

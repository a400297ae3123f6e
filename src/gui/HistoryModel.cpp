#include "gui/HistoryModel.h"

#include <QBrush>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

#include "app/HistoryBrowser.h"
#include "settings/SizeText.h"

// A run row carries internal id 0; a file row its run's row + 1.
HistoryModel::HistoryModel(HistoryBrowser& browser, QObject* parent) : QAbstractItemModel(parent), m_browser(browser) {}

void HistoryModel::reload() {
    beginResetModel();
    endResetModel();
}

int HistoryModel::runOf(const QModelIndex& index) {
    if (!index.isValid()) return -1;
    return index.internalId() == 0 ? index.row() : static_cast<int>(index.internalId() - 1);
}

int HistoryModel::fileOf(const QModelIndex& index) {
    return index.isValid() && index.internalId() != 0 ? index.row() : -1;
}

QModelIndex HistoryModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount || row >= rowCount(parent)) return {};
    if (!parent.isValid()) return createIndex(row, column, quintptr(0));
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex HistoryModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == 0) return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr(0));
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    const auto& runs = m_browser.runs();
    if (!parent.isValid()) return static_cast<int>(runs.size());
    if (parent.internalId() != 0 || parent.column() != 0) return 0;
    const auto run = static_cast<std::size_t>(parent.row());
    return run < runs.size() ? static_cast<int>(runs[run].files.size()) : 0;
}

int HistoryModel::columnCount(const QModelIndex&) const { return ColumnCount; }

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    const auto& runs = m_browser.runs();
    const int r = runOf(index);
    if (r < 0 || static_cast<std::size_t>(r) >= runs.size()) return {};
    const HistoryRunRow& run = runs[static_cast<std::size_t>(r)];
    const int f = fileOf(index);
    if (f < 0) {
        const std::int64_t restorable = run.restorableCount();
        const std::int64_t ticked = run.tickedCount();
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
                case PathColumn: return QStringLiteral("Run at %1").arg(QString::fromStdString(run.title));
                case SizeColumn: {
                    std::int64_t bytes = 0;
                    for (const auto& file : run.files) bytes += file.size > 0 ? file.size : 0;
                    return QString::fromStdString(size_text::format(bytes));
                }
                case StateColumn:
                    return run.problem.empty()
                               ? QStringLiteral("%1 removed, %2 restorable").arg(run.files.size()).arg(restorable)
                               : QString::fromStdString("cannot be read: " + run.problem);
                default: return {};
            }
        }
        if (role == Qt::CheckStateRole && index.column() == PathColumn) {
            if (ticked == 0) return Qt::Unchecked;
            return ticked == restorable ? Qt::Checked : Qt::PartiallyChecked;
        }
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    }
    if (static_cast<std::size_t>(f) >= run.files.size()) return {};
    const HistoryFileRow& file = run.files[static_cast<std::size_t>(f)];
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case PathColumn: return QString::fromStdString(file.path);
                case SizeColumn: return file.size < 0 ? QString() : QString::fromStdString(size_text::format(file.size));
                case StateColumn: return QString::fromStdString(file.stateText);
                case ResultColumn: return QString::fromStdString(file.result);
                default: return {};
            }
        case Qt::CheckStateRole:
            if (index.column() == PathColumn) return file.ticked ? Qt::Checked : Qt::Unchecked;
            return {};
        case Qt::ForegroundRole:
            if (index.column() == ResultColumn && file.resultIsFailure) return QBrush(QColor(0xc0, 0x39, 0x2b));
            if (!file.tickable()) return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
            return {};
        case Qt::ToolTipRole:
            return QString::fromStdString(file.item ? file.stateText + (file.result.empty() ? "" : "\n" + file.result) : "");
        default: return {};
    }
}

bool HistoryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != PathColumn) return false;
    const bool ticked = value.toInt() != Qt::Unchecked;
    const int r = runOf(index);
    const int f = fileOf(index);
    if (f < 0) {
        m_browser.setRunTicked(static_cast<std::size_t>(r), ticked);
        const int files = rowCount(index);
        if (files > 0) emit dataChanged(this->index(0, PathColumn, index), this->index(files - 1, PathColumn, index), {role});
    } else if (!m_browser.setTicked(static_cast<std::size_t>(r), static_cast<std::size_t>(f), ticked)) {
        return false;
    }
    emit dataChanged(index, index, {role});
    const QModelIndex runIndex = this->index(r, PathColumn);
    emit dataChanged(runIndex, runIndex, {role});
    return true;
}

Qt::ItemFlags HistoryModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() != PathColumn || m_browser.isBusy()) return flags;
    const auto& runs = m_browser.runs();
    const auto r = static_cast<std::size_t>(runOf(index));
    if (r >= runs.size()) return flags;
    const int f = fileOf(index);
    if (f < 0) return runs[r].restorableCount() > 0 ? flags | Qt::ItemIsUserCheckable : flags;
    if (static_cast<std::size_t>(f) < runs[r].files.size() && runs[r].files[static_cast<std::size_t>(f)].tickable())
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[] = {"Removed file", "Size", "Can be restored", "Result"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QVariant();
}

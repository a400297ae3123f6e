#include "history/RestoreController.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "history/BaseRemovedItem.h"
#include "history/RemovalHistoryReader.h"
#include "history/RemoveDate.h"
#include "history/RestoreGroup.h"
#include "history/VXLogFactory.h"
#include "platform/FileContents.h"

RestoreController::RestoreController(const std::string& path) : m_sPath(path) {
    const auto slash = path.find_last_of('/');
    m_sName = slash == std::string::npos ? path : path.substr(slash + 1);
    m_date = VXLogFactory::dateOfLogFileName(m_sName, m_nSequence);
}

std::optional<std::int64_t> RestoreController::date() const {
    std::lock_guard lock(m_mutex);
    return m_date;
}

std::vector<std::shared_ptr<RestoreGroup>> RestoreController::groups() const {
    std::lock_guard lock(m_mutex);
    return m_groups;
}

std::vector<std::shared_ptr<BaseRemovedItem>> RestoreController::children() const {
    std::lock_guard lock(m_mutex);
    return m_children;
}

RestoreController::LoadingState RestoreController::loadingState() const {
    std::lock_guard lock(m_mutex);
    return m_eLoadingState;
}

std::string RestoreController::loadProblem() const {
    std::lock_guard lock(m_mutex);
    return m_sLoadProblem;
}

void RestoreController::loadOnlyIfHasNoLoadedData(bool onlyIfHasNoLoadedData) {
    {
        std::lock_guard lock(m_mutex);
        if (onlyIfHasNoLoadedData && m_eLoadingState == Loaded) return;
        m_eLoadingState = Loading;
    }
    std::string problem;
    std::string bytes;
    std::optional<std::int64_t> date;
    QJsonObject changes;
    if (const Status read = file_contents::readRegularFile(m_sPath, RemovalHistoryReader::kMaxLogBytes, bytes); !read) {
        problem = read.message();
    } else {
        QJsonParseError error {};
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &error);
        if (error.error != QJsonParseError::NoError) problem = "is not valid JSON (" + error.errorString().toStdString() + ")";
        else if (!document.isObject()) problem = "does not hold a JSON object";
        else {
            date = remove_date::removeDateFromString(document.object().value(QStringLiteral("date")).toString().toStdString());
            changes = document.object().value(QStringLiteral("changes")).toObject();
        }
    }
    {
        std::lock_guard lock(m_mutex);
        if (date) m_date = date;  // the stored date wins over the file name's
    }
    // Groups are made outside the lock: they ask the controller for its date.
    std::vector<std::shared_ptr<RestoreGroup>> groups;
    for (auto it = changes.begin(); it != changes.end(); ++it)
        if (auto group = RestoreGroup::GroupFromJsonObject(it.value(), this)) groups.push_back(std::move(group));
    std::vector<std::shared_ptr<BaseRemovedItem>> children;
    for (const auto& group : groups) children.insert(children.end(), group->children().begin(), group->children().end());
    std::lock_guard lock(m_mutex);
    m_groups = std::move(groups);
    m_children = std::move(children);
    m_sLoadProblem = problem;
    m_eLoadingState = Loaded;
}

std::int64_t RestoreController::calculateNumberOfRemovedItems() const {
    return static_cast<std::int64_t>(children().size());
}

std::int64_t RestoreController::calculateNumberOfRestorableItems() const {
    std::int64_t n = 0;
    for (const auto& child : children()) n += child->isRestorable();
    return n;
}

std::shared_ptr<BaseRemovedItem> RestoreController::firstItemFailedToRestore() const {
    for (const auto& child : children())
        if (child->isRestoreFailed()) return child;
    return nullptr;
}

RestoreController::SelectionState RestoreController::selectionState() const {
    std::size_t selected = 0;
    const auto items = children();
    for (const auto& child : items) selected += child->isSelected();
    if (selected == 0) return NoneSelected;
    return selected == items.size() ? AllSelected : SomeSelected;
}

void RestoreController::setSelectionState(SelectionState state) {
    for (const auto& child : children()) child->setIsSelected(state == AllSelected);
}

bool RestoreController::haveSelectableItems() const {
    for (const auto& child : children())
        if (!child->isRestored() && child->isRestorable()) return true;
    return false;
}

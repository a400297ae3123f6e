#include "history/RestoreComplexOperation.h"

#include <map>

#include "history/BaseRemovedItem.h"
#include "history/RestoreComplexOperationDelegate.h"
#include "history/RestoreHelper.h"
#include "operations/RestoreCopyOperation.h"
#include "operations/RestoreMoveOperation.h"
#include "platform/FileTransfer.h"

namespace {
std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

RestoreComplexOperation::RestoreComplexOperation(std::vector<std::shared_ptr<BaseRemovedItem>> items,
                                                 std::optional<std::string> destinationFolderPath,
                                                 RestoreComplexOperationDelegate* delegate)
    : m_items(std::move(items)), m_destinationFolderPath(std::move(destinationFolderPath)), m_pDelegate(delegate) {}

void RestoreComplexOperation::start() {
    if (m_bIsUsed) return;
    m_bIsUsed = true;
    m_statistics = {};
    m_statistics.totalCount = static_cast<std::int64_t>(m_items.size());
    if (m_pDelegate) m_pDelegate->restoreOperationStarted(*this);

    // Items restored from the same file form one source with several dependent items.
    std::vector<std::string> order;
    std::map<std::string, std::vector<std::shared_ptr<BaseRemovedItem>>> bySource;
    for (const auto& item : m_items) {
        const auto source = item->itemToRestoreFrom();
        if (!source) {
            ++m_statistics.countOfFailed;
            if (m_pDelegate)
                m_pDelegate->restoreOperationFailedToRestore(*this, *item, "no file to restore it from was found");
            continue;
        }
        const std::string path = source->itemToRestoreSourcePath();
        if (!bySource.count(path)) order.push_back(path);
        bySource[path].push_back(item);
    }
    for (const auto& path : order) {
        if (m_bStopped) {
            m_statistics.countOfNotPerformed += static_cast<std::int64_t>(bySource[path].size());
            continue;
        }
        restoreItemsFrom(bySource[path]);
    }
    if (m_pDelegate) m_pDelegate->restoreOperationFinished(*this);
}

void RestoreComplexOperation::restoreItemsFrom(const std::vector<std::shared_ptr<BaseRemovedItem>>& dependentItems) {
    for (const auto& item : dependentItems) item->clearItemErrorInfo();
    const auto source = dependentItems.front()->itemToRestoreFrom();
    const std::string sourcePath = source->itemToRestoreSourcePath();
    // A source that is moved serves its last dependent item; the others get copies first.
    const bool moveSource = source->itemToRestoreHasToBeRemovedAfterRestore();
    const bool external = m_destinationFolderPath.has_value();
    for (std::size_t i = 0; i < dependentItems.size(); ++i) {
        const auto& item = dependentItems[i];
        if (m_bStopped) {
            ++m_statistics.countOfNotPerformed;
            continue;
        }
        const std::string destination =
            RestoreHelper::generateRestoreDestinationFilePathForItem(*item, m_destinationFolderPath);
        Status status = FileTransfer::standard().makeFolders(parentOf(destination));
        std::string note;
        if (status) {
            const bool move = moveSource && i + 1 == dependentItems.size();
            std::unique_ptr<FileOperation> operation;
            if (move) operation = std::make_unique<RestoreMoveOperation>(sourcePath, destination, external);
            else operation = std::make_unique<RestoreCopyOperation>(sourcePath, destination, external);
            operation->perform();
            status = operation->status();
            if (status && move)
                if (const Status tidied = source->itemToRestoreWasMoved(); !tidied)
                    note = "the Trash's record could not be deleted: " + tidied.message();
        }
        item->onItemWasRestoredSuccessfully(status.isOk(), status, external);
        if (status) {
            ++m_statistics.countOfSuccessfullyPerformed;
            if (m_pDelegate) m_pDelegate->restoreOperationSuccessfullyRestore(*this, *item, sourcePath, destination, note);
        } else {
            ++m_statistics.countOfFailed;
            if (m_pDelegate) m_pDelegate->restoreOperationFailedToRestore(*this, *item, status.message());
        }
    }
}

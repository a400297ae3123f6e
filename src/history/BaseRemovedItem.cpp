#include "history/BaseRemovedItem.h"

#include "history/KeptItem.h"
#include "history/RestoreGroup.h"
#include "history/RestoreHelper.h"
#include "history/RestoreItem.h"
#include "platform/FileContents.h"
#include "platform/FileSystem.h"
#include "platform/FileTransfer.h"
#include "platform/Trash.h"

std::optional<std::string> BaseRemovedItem::pathToRestoredFile() const {
    std::lock_guard lock(restoreCacheMutex());
    if (!m_bIsPathToRestoredFileCalculated) {
        m_pathToRestoredFile = RestoreHelper::calculateRestoredFilePathForItem(*this);
        m_bIsPathToRestoredFileCalculated = true;
    }
    return m_pathToRestoredFile;
}

std::optional<std::string> BaseRemovedItem::currentItemPathToRestoreFrom() const {
    std::lock_guard lock(restoreCacheMutex());
    if (!m_bIsCurrentPathCalculated) {
        m_currentPath = calculateCurrentItemPathToRestoreFrom();
        m_bIsCurrentPathCalculated = true;
    }
    return m_currentPath;
}

std::shared_ptr<const ItemToRestoreFrom> BaseRemovedItem::itemToRestoreFrom() const {
    std::lock_guard lock(restoreCacheMutex());
    if (m_bIsItemToRestoreFromCached) {
        if (m_bRestoresFromItself) return shared_from_this();
        auto source = m_itemToRestoreFrom.lock();
        // A source that is gone (a substitute original replaced since) is looked for again.
        if (source || !m_bHasSourceElsewhere) return source;
    }
    // The source is held weakly: the group owns every candidate, and two copies of a group naming
    // each other (or one naming itself) must not keep each other alive.
    std::shared_ptr<const ItemToRestoreFrom> source;
    m_bRestoresFromItself = canBeRestoredFromCurrent();
    if (m_bRestoresFromItself) source = shared_from_this();
    else if (m_pRestoreInfoDelegate) source = m_pRestoreInfoDelegate->calculateRestoreSourceForRemovedItem(*this);
    m_itemToRestoreFrom = m_bRestoresFromItself ? std::weak_ptr<const ItemToRestoreFrom>() : source;
    m_bHasSourceElsewhere = !m_bRestoresFromItself && source != nullptr;
    m_bIsItemToRestoreFromCached = true;
    return source;
}

bool BaseRemovedItem::couldBeUsedAsRestoredPath(const std::string& path) const {
    return path == originalPath() || !m_pRestoreInfoDelegate || !m_pRestoreInfoDelegate->containsItemWithOriginalPath(path);
}

std::optional<std::string> BaseRemovedItem::pathToKeptCopyItem() const {
    return m_pRestoreInfoDelegate ? m_pRestoreInfoDelegate->calculatePathToKeptCopyForRemovedItem(*this) : std::nullopt;
}

std::vector<std::string> BaseRemovedItem::pathToKeptCopyItemsArray() const {
    return m_pRestoreInfoDelegate ? m_pRestoreInfoDelegate->createKeptCopyItemsArrayForRemovedItem(*this, true)
                                  : std::vector<std::string> {};
}

std::vector<std::string> BaseRemovedItem::pathToKeptCopyItemsArrayEvenNotExisting() const {
    return m_pRestoreInfoDelegate ? m_pRestoreInfoDelegate->createKeptCopyItemsArrayForRemovedItem(*this, false)
                                  : std::vector<std::string> {};
}

bool BaseRemovedItem::canBeRestoredFromFileWithUrl(const std::string& path) const {
    return RestoreHelper::isFileWithPath(path, *this);
}

bool BaseRemovedItem::setFileAsFakeOriginal(const std::string& path) {
    if (!m_pRestoreInfoDelegate || !canBeRestoredFromFileWithUrl(path)) return false;
    return m_pRestoreInfoDelegate->baseRemovedItemCreateFakeOriginalWithURL(*this, path);
}

bool BaseRemovedItem::isSelected() const {
    std::lock_guard lock(restoreCacheMutex());
    return m_bIsSelected;
}

bool BaseRemovedItem::setIsSelected(bool selected) {
    std::lock_guard lock(restoreCacheMutex());
    if (selected && (isRestored() || !isRestorable())) return false;
    m_bIsSelected = selected;
    return true;
}

void BaseRemovedItem::clearCache() {
    std::lock_guard lock(restoreCacheMutex());
    m_bIsPathToRestoredFileCalculated = false;
    m_pathToRestoredFile.reset();
    m_bIsItemToRestoreFromCached = false;
    m_itemToRestoreFrom.reset();
    m_bRestoresFromItself = false;
    m_bHasSourceElsewhere = false;
    m_bIsCurrentPathCalculated = false;
    m_currentPath.reset();
}

bool BaseRemovedItem::isRestoreFailed() const {
    std::lock_guard lock(restoreCacheMutex());
    return m_bIsRestoreFailed;
}

std::optional<Status> BaseRemovedItem::restoreError() const {
    std::lock_guard lock(restoreCacheMutex());
    return m_restoreError;
}

void BaseRemovedItem::clearItemErrorInfo() {
    std::lock_guard lock(restoreCacheMutex());
    m_bIsRestoreFailed = false;
    m_restoreError.reset();
}

void BaseRemovedItem::onItemWasRestoredSuccessfully(bool success, const Status& error, bool isToExternalFolder) {
    std::lock_guard lock(restoreCacheMutex());
    if (!isToExternalFolder) {
        m_bIsRestoreFailed = !success;
        m_restoreError = success ? std::nullopt : std::optional<Status>(error);
    }
    if (!success && m_pRestoreInfoDelegate) m_pRestoreInfoDelegate->baseRemovedItemCacheHasToBeCleaned();
    else clearCache();
    if (!isToExternalFolder) m_bIsSelected = false;
    else if (isRestored()) {
        m_bIsSelected = false;
        m_bIsRestoreFailed = false;
        m_restoreError.reset();
    } else if (!isRestorable()) m_bIsSelected = false;
}

std::string RestoreItem::trashInfoPath() const {
    const auto slash = m_sPathInTrash.find_last_of('/');
    if (slash == std::string::npos) return {};
    const std::string folder = m_sPathInTrash.substr(0, slash);
    const std::string files = "/files";
    if (folder.size() < files.size() || folder.compare(folder.size() - files.size(), files.size(), files) != 0) return {};
    return folder.substr(0, folder.size() - files.size()) + "/info/" + m_sPathInTrash.substr(slash + 1) + ".trashinfo";
}

bool RestoreItem::isInTrash() const {
    if (m_sPathInTrash.empty() || !RestoreHelper::isFileWithPath(m_sPathInTrash, *this)) return false;
    // A Trash record naming another original means the name was reused for another file.
    const std::string info = trashInfoPath();
    std::string text;
    if (info.empty() || !file_contents::readRegularFile(info, 1 << 20, text)) return true;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.rfind("Path=", 0) == 0) {
            const std::string recorded = FreedesktopTrash::percentDecodePath(line.substr(5));
            // Volume Trashes record paths relative to the volume's top folder.
            return recorded == originalPath() ||
                   (!recorded.empty() && recorded[0] != '/' && originalPath().size() > recorded.size() &&
                    originalPath().compare(originalPath().size() - recorded.size() - 1, std::string::npos,
                                           "/" + recorded) == 0);
        }
        start = end + 1;
    }
    return true;
}

std::optional<std::string> RestoreItem::calculateCurrentItemPathToRestoreFrom() const {
    if (isInTrash()) return m_sPathInTrash;
    return pathToRestoredFile();
}

Status RestoreItem::itemToRestoreWasMoved() const {
    const std::string info = trashInfoPath();
    FileAttributes attributes;
    if (info.empty() || FileSystem::standard().attributes(m_sPathInTrash, attributes).code() != StatusCode::NotFound)
        return Status::ok();
    const Status removed = FileTransfer::standard().removeFile(info);
    return removed.code() == StatusCode::NotFound ? Status::ok() : removed;
}

std::shared_ptr<KeptItem> KeptItem::itemWithFile(const std::string& path) {
    auto item = std::make_shared<KeptItem>();
    return item->initWithFileURL(path) ? item : nullptr;
}

bool KeptItem::canBeUsedToRestore() const {
    std::lock_guard lock(restoreCacheMutex());
    if (!m_canBeUsedToRestoreValue) m_canBeUsedToRestoreValue = RestoreHelper::isFileWithPath(originalPath(), *this);
    return *m_canBeUsedToRestoreValue;
}

void KeptItem::clearCache() {
    std::lock_guard lock(restoreCacheMutex());
    m_canBeUsedToRestoreValue.reset();
}

#include "scan/FolderScanWorker2.h"

#include <cstring>

namespace {
bool isSkippedFileName(std::string_view name) {
    return name == ".DS_Store" || name == "Thumbs.db" || name == ".localized";
}
}  // namespace

FolderScanWorker2::FolderScanWorker2(std::unique_ptr<FolderScanWorkerFilesCollector> filesCollector,
                                     std::shared_ptr<FolderScanCounters> counters,
                                     std::shared_ptr<const FolderScanDigestHints> digestHints)
    : _filesCollector(std::move(filesCollector)),
      m_pCounters(std::move(counters)),
      m_pDigestHints(std::move(digestHints)) {
    m_entries.reserve(512);
}

void FolderScanWorker2::processTask(ObjectTask& task, const SubtaskCreator& subtaskCreator,
                                    const Completion& completion) {
    _taskCreator = &subtaskCreator;
    _stackCollection.clear();
    auto& root = static_cast<FolderScanTask&>(task);
    scan(root);
    while (!_stackCollection.empty() && !isCanceled()) {
        shareWithIdleWorker();
        auto next = std::move(_stackCollection.back());
        _stackCollection.pop_back();
        scan(*next);
    }
    _stackCollection.clear();
    _taskCreator = nullptr;
    completion();  // last: the pool may let this worker go once it hears of the completion
}

void FolderScanWorker2::scan(FolderScanTask& task) {
    if (task.item && !task.item->parent()) m_pCounters->foldersFound.fetch_add(1, std::memory_order_relaxed);
    if (!m_reader.open(task.path)) {
        // An unreadable folder stays an empty folder of the tree, marked as dealt with.
        task.item->setIsCheckedForDuplicates(true);
        m_pCounters->foldersDone.fetch_add(1, std::memory_order_relaxed);
        m_pCounters->shareDone.fetch_add(task.share, std::memory_order_relaxed);
        return;
    }
    m_subfolders.clear();
    while (m_reader.readBatch(m_entries) > 0) {
        for (const auto& entry : m_entries) processDirEntry(entry, task);
        // The batch's files go on once their hints are given, all of them in one look at the cache.
        if (m_pDigestHints) m_pDigestHints->giveHints(m_hintedFiles, m_hintedItems);
        for (FileSystemItem* file : m_hintedItems) _filesCollector->addItem(file);
        m_hintedFiles.clear();
        m_hintedItems.clear();
        if (isCanceled()) break;
        _filesCollector->updateForced(false);
    }
    m_reader.close();
    task.item->shrinkChildrenToFit();
    m_pCounters->foldersDone.fetch_add(1, std::memory_order_relaxed);
    if (m_subfolders.empty()) m_pCounters->shareDone.fetch_add(task.share, std::memory_order_relaxed);
    const double share = m_subfolders.empty() ? 0.0 : task.share / static_cast<double>(m_subfolders.size());
    for (auto& sub : m_subfolders) {
        sub->share = share;
        _stackCollection.push_back(std::move(sub));
    }
    m_subfolders.clear();
}

void FolderScanWorker2::shareWithIdleWorker() {
    // Work moves between workers only when one of them has none: each hand-off wakes threads, which
    // costs more than reading a small folder. The bottom of the stack holds the folders nearest the
    // task's root, the largest amounts of work left.
    if (_stackCollection.size() < 2 || !_taskCreator || !*_taskCreator || !claimIdleWorker()) return;
    const auto half = static_cast<std::ptrdiff_t>(_stackCollection.size() / 2);
    std::vector<std::unique_ptr<ObjectTask>> bunch;
    bunch.reserve(static_cast<std::size_t>(half));
    for (auto it = _stackCollection.begin(); it != _stackCollection.begin() + half; ++it) bunch.push_back(std::move(*it));
    _stackCollection.erase(_stackCollection.begin(), _stackCollection.begin() + half);
    (*_taskCreator)(std::move(bunch));
}

bool FolderScanWorker2::isValidUtf8(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t n = text.size(), i = 0;
    while (i < n) {
        unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        std::uint32_t cp;
        if ((c & 0xE0) == 0xC0) extra = 1, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0) extra = 2, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0) extra = 3, cp = c & 0x07;
        else return false;
        if (i + static_cast<std::size_t>(extra) >= n) return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cc = s[i + k];
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

void FolderScanWorker2::processDirEntry(const DirectoryEntry& entry, FolderScanTask& task) {
    if (entry.statFailed) return;  // vanished while the folder was read
    if (entry.type == DirectoryEntryType::SymbolicLink || entry.type == DirectoryEntryType::Other) return;
    if (entry.type == DirectoryEntryType::Folder && entry.mountPoint) return;
    std::string_view name = entry.name;
    // A name that is not UTF-8 is still a name: it is kept byte for byte, and only counted.
    if (!isValidUtf8(name)) m_pCounters->invalidNames.fetch_add(1, std::memory_order_relaxed);
    bool hidden = !name.empty() && name[0] == '.';
    FolderSystemItem* parent = task.item;

    if (entry.type == DirectoryEntryType::Folder) {
        // Whether it is a package follows from its name as the folder is made.
        FolderSystemItem* folder =
            FolderSystemItem::createFolder(name, parent, 0, false, 0, hidden, 0, /*addToParent*/ true);
        std::string path;
        path.reserve(task.path.size() + 1 + name.size());
        path.append(task.path);
        if (path.empty() || path.back() != '/') path.push_back('/');
        path.append(name);
        m_pCounters->foldersFound.fetch_add(1, std::memory_order_relaxed);
        m_subfolders.push_back(std::make_unique<FolderScanTask>(std::move(path), folder));
        return;
    }

    if (isSkippedFileName(name)) return;
    FileSystemItem* file = FileSystemItem::createFile(name, parent, static_cast<std::int64_t>(entry.allocatedSize), 0,
                                                      hidden, static_cast<std::int64_t>(entry.size), true);
    if (entry.linkCount > 1) file->setHasOtherNames(true);
    if (m_pDigestHints && entry.size > 0) {
        m_hintedFiles.push_back(&entry);
        m_hintedItems.push_back(file);
        return;
    }
    _filesCollector->addItem(file);
}

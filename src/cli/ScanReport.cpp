#include "cli/ScanReport.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <set>

#include "detection/FileType.h"
#include "platform/CpuSpreadExecutor.h"
#include "platform/FileSystem.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/DuplicatesHeap.h"
#include "results/DuplicatesHeaps.h"
#include "results/SeenFiles.h"
#include "scan/FolderSystemItem.h"

namespace {
struct KindNames {
    FileType type;
    const char* kind;
    const char* title;
};
constexpr std::array<KindNames, 7> kKinds = {{{FileTypeImage, "image", "Images"},
                                             {FileTypeVideo, "video", "Videos"},
                                             {FileTypeMusic, "music", "Music"},
                                             {FileTypeDocument, "document", "Documents"},
                                             {FileTypeArchive, "archive", "Archives"},
                                             {FileTypeOther, "other", "Other files"},
                                             {FileTypeFolder, "folder", "Folders"}}};
// Reads each member's modification time (and device and inode, unless the results knew them) with
// one lstat each. The calls are shared out in slices among the calling thread and a few workers of the
// spread executor, idle once a scan is over: a report of many thousand members waits for the slowest
// slice only.
void readFileFacts(std::vector<ScanReport::Member*>& members) {
    constexpr std::size_t kSlice = 512;
    const std::size_t slices = (members.size() + kSlice - 1) / kSlice;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        std::string path;
        for (std::size_t slice; (slice = next.fetch_add(1, std::memory_order_relaxed)) < slices;) {
            const std::size_t end = std::min(members.size(), (slice + 1) * kSlice);
            for (std::size_t i = slice * kSlice; i < end; ++i) {
                ScanReport::Member& m = *members[i];
                FileAttributes attributes;
                path.assign(m.path);
                if (!FileSystem::standard().attributes(path, attributes)) continue;
                m.modified = attributes.modificationSeconds;
                if (m.device == 0 && m.inode == 0) {
                    m.device = attributes.device;
                    m.inode = attributes.inode;
                }
            }
        }
    };
    CpuSpreadExecutor::shared().runShared(std::min<std::size_t>(slices > 0 ? slices - 1 : 0, 3), work);
}
}  // namespace

void ScanReport::addResults(DuplicatesContainer& container, bool readFileFacts) {
    // What the walk saw of members the digest cache answered for; the others are read afterwards.
    SeenFiles& seen = container.seenFiles();
    seen.seal();
    for (const auto& k : kKinds) {
        DuplicatesCategory* category = container.getCategoryWithType(k.type);
        if (!category) continue;
        Category out;
        out.kind = k.kind;
        out.title = k.title;
        out.groups.reserve(category->getGroups().size());
        for (const auto& group : category->getGroups()) {
            auto items = group->getItems();
            if (items.size() < 2 || group->getFilesCount() < 2) continue;
            Group g;
            g.id = group->getGroupID();
            g.copySize = group->oneItemSize();
            g.copies = static_cast<std::uint64_t>(group->getFilesCount());
            g.hardLinkNames = static_cast<std::uint64_t>(group->getHardLinkedNamesCount());
            g.hardLinkFiles = static_cast<std::uint64_t>(group->getHardLinkedFilesCount());
            g.reclaimableSize = group->getSizeThatCanBeRemoved();
            g.reclaimableContentSize = group->getContentSizeThatCanBeRemoved();
            g.totalSize = group->getTotalSize();
            g.totalContentSize = group->getTotalContentSize();
            g.members.reserve(items.size());
            for (const auto& item : items) {
                Member m;
                m.path = item->getFileItemPath();
                m.size = static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->getFileItemSize()));
                m.diskSize = static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->getDiskSize()));
                m.selected = item->isSelected();
                if (const SeenFiles::Facts* facts = seen.find(item->getFileSystemItem())) {
                    m.device = facts->device;
                    m.inode = facts->inode;
                    m.modified = facts->modificationSeconds;
                    m.seen = true;
                } else if (const auto& identity = item->getFileIdentity()) {
                    m.device = identity->device;
                    m.inode = identity->inode;
                }
                g.members.push_back(std::move(m));
            }
            std::sort(g.members.begin(), g.members.end(), [](const Member& a, const Member& b) { return a.path < b.path; });
            out.totalSize += g.totalSize;
            out.totalContentSize += g.totalContentSize;
            groupCount += 1;
            duplicateFiles += g.copies;
            duplicatesSize += g.totalSize;
            duplicatesContentSize += g.totalContentSize;
            reclaimableSize += g.reclaimableSize;
            reclaimableContentSize += g.reclaimableContentSize;
            out.groups.push_back(std::move(g));
        }
        if (out.groups.empty()) continue;
        out.groups.shrink_to_fit();
        // Group IDs follow the order in which digests came back; the first path does not.
        std::sort(out.groups.begin(), out.groups.end(), [](const Group& a, const Group& b) {
            if (a.reclaimableSize != b.reclaimableSize) return a.reclaimableSize > b.reclaimableSize;
            if (a.members.front().path != b.members.front().path) return a.members.front().path < b.members.front().path;
            return a.id < b.id;
        });
        categories.push_back(std::move(out));
    }
    if (readFileFacts) {
        std::vector<Member*> members;
        for (Category& category : categories)
            for (Group& group : category.groups)
                for (Member& member : group.members)
                    if (!member.seen) members.push_back(&member);
        ::readFileFacts(members);
    }
}

void ScanReport::keepOwnPaths() {
    for (Category& category : categories)
        for (Group& group : category.groups)
            for (Member& member : group.members) member.path = m_ownPaths.emplace_back(member.path);
}

void ScanReport::addHeaps(const DuplicatesContainer& container) {
    DuplicatesHeaps* all = container.getHeaps();
    if (!all) return;
    std::set<std::pair<const FolderSystemItem*, const FolderSystemItem*>> seen;
    for (const auto& heap : all->getAllHeaps()) {
        FolderSystemItem* main = heap->getMainFolderItem();
        FolderSystemItem* second = heap->getSecondFolderItem();
        if (!main || !second) continue;
        const bool inOrder = std::less<const FolderSystemItem*>()(main, second);
        if (!seen.emplace(inOrder ? main : second, inOrder ? second : main).second) continue;  // the pair the other way round
        std::string a = main->path();
        std::string b = second->path();
        if (b < a) std::swap(a, b);
        Heap h;
        h.folders.push_back(std::move(a));
        h.folders.push_back(std::move(b));
        h.groups = heap->getCountOfGroups();
        h.size = heap->getHeapSize();
        heaps.push_back(std::move(h));
    }
    std::sort(heaps.begin(), heaps.end(), [](const Heap& x, const Heap& y) {
        if (x.size != y.size) return x.size > y.size;
        return x.folders < y.folders;
    });
}

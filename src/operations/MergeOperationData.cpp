#include "operations/MergeOperationData.h"

#include <algorithm>
#include <set>

#include "scan/FolderSystemItem.h"

namespace {
bool isAtOrBelow(const std::string& path, const std::string& folder) {
    if (folder == "/") return true;
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}
}  // namespace

MergeOperationData::MergeOperationData(FolderSystemItem* leftFolder, FolderSystemItem* rightFolder,
                                       std::shared_ptr<DuplicatesHeap> heap)
    : m_pHeap(std::move(heap)),
      m_pLeft(std::make_unique<MergeFolder>(leftFolder, rightFolder, MergeFolderRole::Source)),
      m_pRight(std::make_unique<MergeFolder>(rightFolder, leftFolder, MergeFolderRole::Destination)) {}

void MergeOperationData::setDirection(MergeDirection direction) {
    m_eDirection = direction;
    const bool leftIsSource = direction == MergeDirection::LeftToRight;
    m_pLeft->setRole(leftIsSource ? MergeFolderRole::Source : MergeFolderRole::Destination);
    m_pRight->setRole(leftIsSource ? MergeFolderRole::Destination : MergeFolderRole::Source);
    recompute();
}

void MergeOperationData::setOptions(const MergeOperationOptions& options) {
    m_options = options;
    recompute();
}

// Only scanned items go, and never the destination folder itself or a folder that holds it.
bool MergeOperationData::admits(const MergeItem& item) const {
    if (!item.file()) return false;
    return !isAtOrBelow(destinationFolder().path(), item.path());
}

// The name itself when free, else "stem 2.ext", "stem 3.ext" … (folders and dot files keep the whole
// name as the stem).
std::string MergeOperationData::freeNameInDestination(const std::string& name, const std::set<std::string>& taken) const {
    if (!taken.count(name)) return name;
    const auto dot = name.find_last_of('.');
    const bool split = dot != std::string::npos && dot > 0;
    const std::string stem = split ? name.substr(0, dot) : name;
    const std::string extension = split ? name.substr(dot) : "";
    for (int n = 2;; ++n) {
        const std::string candidate = stem + " " + std::to_string(n) + extension;
        if (!taken.count(candidate)) return candidate;
    }
}

void MergeOperationData::recompute() {
    for (const auto& item : m_pLeft->items()) item->clearAction();
    for (const auto& item : m_pRight->items()) item->clearAction();
    m_nCountOfAffectedItems = 0;
    if (!m_options.action) return;
    const MergeAction action = *m_options.action;
    const MergeFolder& source = sourceFolder();
    const MergeFolder& destination = destinationFolder();
    std::set<std::string> taken = destination.namesOnDisk();
    auto planItem = [&](MergeItem& item) {
        if (!admits(item)) return;
        const std::string name = freeNameInDestination(item.name(), taken);
        taken.insert(name);
        item.plan(action, name);
        ++m_nCountOfAffectedItems;
    };
    for (const auto& owned : source.items()) {
        MergeItem* item = owned.get();
        const bool duplicate = std::find(source.duplicates().begin(), source.duplicates().end(), item) !=
                               source.duplicates().end();
        if (!duplicate) {
            if (item->file()) planItem(*item);
            continue;
        }
        if (!m_options.mergeDuplicatesWithDifferentNames) continue;
        // The same content already there under the same name: nothing to do.
        const auto same = destination.itemsByName().find(item->name());
        if (same != destination.itemsByName().end() && same->second->group() && same->second->group() == item->group())
            continue;
        planItem(*item);
    }
}

std::vector<MergeItem*> MergeOperationData::affectedItems() const {
    std::vector<MergeItem*> out;
    for (const auto& item : sourceFolder().items())
        if (item->action()) out.push_back(item.get());
    return out;
}

std::string MergeOperationData::destinationPathOf(const MergeItem& item) const {
    return destinationFolder().path() + "/" + (item.destinationName().empty() ? item.name() : item.destinationName());
}

std::uint64_t MergeOperationData::sizeOfAffectedItems() const {
    std::uint64_t total = 0;
    for (const MergeItem* item : affectedItems()) total += item->size();
    return total;
}

std::string MergeOperationData::descriptionText() const {
    const std::string source = sourceFolder().name();
    const std::string destination = destinationFolder().name();
    if (m_nCountOfAffectedItems == 0 || !m_options.action)
        return "There is nothing to merge from \"" + source + "\" to \"" + destination + "\" folder.\n" +
               "Change Merge options or direction to process.";
    const std::string count =
        m_nCountOfAffectedItems == 1 ? "1 file" : std::to_string(m_nCountOfAffectedItems) + " files";
    return count + " from \"" + source + "\" " + detailsLabel(*m_options.action, MergeItemPhase::Planned) + " to \"" +
           destination + "\".\n" + "You can customize Merge using the options below or changing direction.";
}

std::string MergeOperationData::detailsLabel(MergeAction action, MergeItemPhase phase) {
    const bool copy = action == MergeAction::Copy;
    switch (phase) {
        case MergeItemPhase::Planned: return copy ? "will be copied" : "will be moved";
        case MergeItemPhase::Running: return copy ? "Copying" : "Moving";
        case MergeItemPhase::Done: return copy ? "copied" : "moved";
    }
    return "";
}

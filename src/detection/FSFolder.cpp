#include "detection/FSFolder.h"

#include <deque>

#include "detection/FSFolderManager.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"

FSFolder::FSFolder(FolderSystemItem* folder, FSFolder* parent) : folderItem(folder), parentFolderItem(parent) {
    if (!folderItem) return;
    folderItem->setFsFolder(this);
    DuplicateItem* own = folderItem->getDuplicateItem();
    isInDuplicateFolder = folderItem->findParentDuplicateFolder() != nullptr || (own && own->getAssociatedDuplicateFolder());
}

FSFolder::~FSFolder() {
    if (folderItem && folderItem->fsFolder() == this) folderItem->setFsFolder(nullptr);
}

std::shared_ptr<FSFolder> FSFolder::create(FolderSystemItem* folder, FSFolder* parent) {
    return std::shared_ptr<FSFolder>(new FSFolder(folder, parent));
}

std::string FSFolder::name() const { return folderItem ? std::string(folderItem->name()) : std::string(); }

bool FSFolder::isDuplicateFolder() const {
    DuplicateItem* own = folderItem ? folderItem->getDuplicateItem() : nullptr;
    return own && own->getGroup();
}

void FSFolder::addSubFolder(const std::shared_ptr<FSFolder>& folder) {
    if (folder) subFolders.push_back(folder);
}

void FSFolder::doWork() {
    for (const auto& sub : subFolders) sub->doWork();
    if (folderItem) fillData();
    if (!parentFolderItem) {
        // The root: duplicates for selection bottom-up, then the counts.
        calculateInternalDuplicatesWithExternalPart(nullptr);
        isChanged = true;
        isChildChanged = true;
        updateInfo();
    }
}

void FSFolder::fillData() {
    countOfUniqueItems = 0;
    DuplicateItem* own = folderItem->getDuplicateItem();
    if (own && own->getGroup()) {
        own->addSelectionListener(shared_from_this());
    } else {
        for (const auto& owned : folderItem->childrenArray()) {
            FileSystemItem* child = owned.get();
            DuplicateItem* member = child->getDuplicateItem();
            if (child->isDir() && !child->isPackage()) {
                auto sub = FSFolder::create(static_cast<FolderSystemItem*>(child), this);
                addSubFolder(sub);
                sub->fillData();
            }
            if (member && member->getGroup())
                member->addSelectionListener(shared_from_this());
            else if (!child->isDir() || child->isPackage())
                ++countOfUniqueItems;
        }
    }
    isChanged = true;
    isChildChanged = !subFolders.empty();
}

void FSFolder::calculateInternalDuplicatesWithExternalPart(InternalDuplicatesByGroupSeparator* parentCollection) {
    InternalDuplicatesByGroupSeparator collection(0);
    for (const auto& sub : subFolders) sub->calculateInternalDuplicatesWithExternalPart(&collection);
    if (folderItem) {
        collection.addChildrenOfFolder(folderItem);
        collection.removeFullGroupsWithAction([this](DuplicatesGroup&, const InternalDuplicatesByGroupSeparator::Members& members) {
            countOfUniqueItems += static_cast<std::int64_t>(members.size());
        });
        if (DuplicateItem* own = folderItem->getDuplicateItem()) collection.addItem(own);
    }
    internalDuplicatesForSelection = collection.allDuplicates();
    countOfInternalDuplicatesWithExternalPart = static_cast<std::int64_t>(internalDuplicatesForSelection.size());
    if (parentCollection) parentCollection->addSeparator(collection);
}

FSFolderDescription FSFolder::buildDescription() const { return FSFolderDescription(folderItem); }

void FSFolder::updateCurrentInfo() {
    FSSimpleFolderData data;
    for (const auto& item : internalDuplicatesForSelection) {
        if (!item->isSelected()) continue;
        ++data.countOfSelectedDuplicates;
        data.sizeOfSelectedDuplicates += item->getFileItemSize();
        FileSystemItem* node = item->getFileSystemItem();
        if (node && node->parent() == folderItem) ++data.countOfSelectedDuplicatesInCurrentFolder;
    }
    data.countOfDuplicates = countOfInternalDuplicatesWithExternalPart;
    data.countOfUniqueFiles = countOfUniqueItems;
    currentInfo = data;
}

void FSFolder::updateInfo() {
    if (!isItemChanged() || !FSFolderManager::sharedInstance().isCanUpdate()) return;
    if (isChildChanged) {
        isChildChanged = false;
        for (const auto& sub : subFolders) {
            sub->updateInfo();
            info.addData(sub->info, sub.get());
        }
        isChanged = true;
    }
    if (isChanged) {
        isChanged = false;
        updateCurrentInfo();
        info.addData(currentInfo, this);
    }
    std::weak_ptr<FSFolder> weak = weak_from_this();
    listeners.notifyAsync([weak](FSFolderListener& listener) {
        if (auto self = weak.lock()) listener.onFolderInfoChanged(*self);
    });
}

int FSFolder::duplicatesSelectionState() const {
    if (info.countOfSelectedDuplicates < 1) return 0;
    return info.countOfSelectedDuplicates < info.countOfDuplicates ? -1 : 1;
}

FSFolder* FSFolder::findSubFolderWithMaxCountOfDuplicates() {
    FSFolder* best = nullptr;
    std::int64_t bestCount = 0;
    std::deque<FSFolder*> queue{this};
    while (!queue.empty()) {
        FSFolder* folder = queue.front();
        queue.pop_front();
        if (folder->info.countOfDuplicates > bestCount) {
            bestCount = folder->info.countOfDuplicates;
            best = folder;
        }
        for (const auto& sub : folder->subFolders) queue.push_back(sub.get());
    }
    return best;
}

void FSFolder::onItemSelectionChanged(const std::shared_ptr<DuplicateItem>&) {
    isChanged = true;
    FSFolder* top = this;
    for (FSFolder* p = parentFolderItem; p; p = p->parentFolderItem) {
        p->isChildChanged = true;
        top = p;
    }
    top->updateInfo();
}

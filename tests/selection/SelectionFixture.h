// A scanned tree built from relative paths over a real temporary folder (so modification dates can be
// read), a container for groups of its files, private settings with empty Always and Never Select
// lists, and a counter of selection-changed notifications.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/NotificationCenter.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "settings/AppNotification.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

struct SelectionFixture : ::testing::Test {
    TempDir dir;
    std::string rootPath = dir.makeFolder("data");
    std::shared_ptr<DuplicatesContainer> container = std::make_shared<DuplicatesContainer>(false, nullptr);
    VolumeSystemItem* root = nullptr;  // owned by the container
    std::shared_ptr<Settings> settings;

    void SetUp() override {
        std::vector<std::unique_ptr<VolumeSystemItem>> roots;
        roots.push_back(VolumeSystemItem::createRoot(rootPath, 0, 0));
        root = roots.back().get();
        container->saveRoots(std::move(roots));
        settings = std::make_shared<Settings>(dir / "settings.json");
        Settings::setStandard(settings);
        settings->setAutoAlwaysSelectFolders(std::vector<std::string>{});
        settings->setAutoNeverSelectFolders(std::vector<std::string>{});
    }
    void TearDown() override { Settings::setStandard(nullptr); }

    std::string abs(const std::string& relative) const { return rootPath + "/" + relative; }

    FolderSystemItem* folderAt(const std::string& relative) {
        FolderSystemItem* folder = root;
        std::size_t start = 0;
        while (start < relative.size()) {
            std::size_t slash = relative.find('/', start);
            if (slash == std::string::npos) slash = relative.size();
            const std::string name = relative.substr(start, slash - start);
            FileSystemItem* child = folder->childWithName(name);
            if (!child) {
                dir.makeFolder("data/" + relative.substr(0, slash));
                child = FolderSystemItem::createFolder(name, folder, 0, false, 0, false, 0);
            }
            folder = static_cast<FolderSystemItem*>(child);
            start = slash + 1;
        }
        return folder;
    }

    // The file on disk and in the tree, with the given modification time (seconds since 1970).
    FileSystemItem* file(const std::string& relative, std::int64_t date = 1000000000, std::int64_t size = 10) {
        dir.writeFile("data/" + relative, std::string(static_cast<std::size_t>(size), 'x'));
        runCommand("touch -m -d @" + std::to_string(date) + " '" + abs(relative) + "'");
        const auto slash = relative.rfind('/');
        FolderSystemItem* parent = slash == std::string::npos ? root : folderAt(relative.substr(0, slash));
        const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
        return FileSystemItem::createFile(name, parent, size, 0, false, size);
    }

    std::shared_ptr<DuplicatesGroup> group(std::initializer_list<std::string> paths) {
        std::vector<FileSystemItem*> nodes;
        for (const auto& p : paths) nodes.push_back(file(p));
        return container->addGroupWithItems(nodes);
    }
    std::shared_ptr<DuplicatesGroup> groupOfNodes(const std::vector<FileSystemItem*>& nodes) {
        return container->addGroupWithItems(nodes);
    }

    // The names (relative paths) of the selected copies, in the group's order.
    std::vector<std::string> selected(const DuplicatesGroup& g) const {
        std::vector<std::string> out;
        for (const auto& item : g.getItems())
            if (item->isSelected()) out.push_back(item->getFileItemPath().substr(rootPath.size() + 1));
        return out;
    }
    std::shared_ptr<DuplicateItem> member(const DuplicatesGroup& g, const std::string& relative) const {
        for (const auto& item : g.getItems())
            if (item->getFileItemPath() == abs(relative)) return item;
        return nullptr;
    }
    // The last-copy rule: every group keeps at least one unselected copy.
    void expectEveryGroupKeepsACopy() {
        for (const auto& g : container->getAllFilesGroups())
            EXPECT_LT(g->getSelectedCountWithDuplicatesFolderContent(), g->getTotalCount()) << g->getGroupName();
    }
};

// Counts the selection-changed notifications while alive.
struct SelectionNotificationCounter {
    SelectionNotificationCounter() {
        token = NotificationCenter::defaultCenter().addObserver(
            AppNotification::DuplicateItemSelectionChangedNotificationName(), [this](const Notification&) { ++count; });
    }
    ~SelectionNotificationCounter() { NotificationCenter::defaultCenter().removeObserver(token); }
    SelectionNotificationCounter(const SelectionNotificationCounter&) = delete;
    SelectionNotificationCounter& operator=(const SelectionNotificationCounter&) = delete;
    int count = 0;
    NotificationCenter::Token token;
};

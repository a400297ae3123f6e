// Auto Select over groups built in any order gives one answer (members in path order, bytes compared),
// and names of one file (hard links, made with link(2) in a temporary tree) are one copy: counted once,
// freeing nothing while one of them stays, never split by Auto Select, no group on their own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <set>

#include "results/DuplicatesCategory.h"
#include "selection/AutoSelectGroupSeparator.h"
#include "selection/OperationsManager.h"
#include "support/TestSupport.h"
#include "SelectionFixture.h"

namespace {
std::int64_t blocksOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return static_cast<std::int64_t>(st.st_blocks) * 512;
}

// Selected paths of every file group of the container.
std::set<std::string> selectedPaths(DuplicatesContainer& container) {
    std::set<std::string> out;
    for (const auto& group : container.getAllFilesGroups())
        for (const auto& item : group->getSelectedItems()) out.insert(item->getFileItemPath());
    return out;
}
}  // namespace

// ---- Canonical order ----

TEST(CanonicalOrder, ShuffledArrivalGivesOneOrderAndOneSelection) {
    TempDir dir;
    const std::string top = dir.makeFolder("data");
    // Same names, dates and depth: only the order of the copies can decide, so it must not depend on
    // the order of arrival. "Z" < "a" < "é" in bytes (0x5A, 0x61, 0xC3).
    const std::vector<std::string> folders{"a", "Z", "\xC3\xA9", "b", "a b"};
    for (const auto& f : folders) {
        dir.writeFile("data/" + f + "/photo.jpg", std::string(100, 'p'));
        dir.writeFile("data/" + f + "/song.mp3", std::string(200, 's'));
        runCommand("touch -m -d @1000000000 '" + top + "/" + f + "/photo.jpg' '" + top + "/" + f + "/song.mp3'");
    }
    auto settings = std::make_shared<Settings>(dir / "settings.json");
    Settings::setStandard(settings);

    std::optional<std::set<std::string>> first;
    std::mt19937 shuffle(12345);
    for (int round = 0; round < 8; ++round) {
        auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
        std::vector<std::unique_ptr<VolumeSystemItem>> roots;
        roots.push_back(VolumeSystemItem::createRoot(top, 0, 0));
        VolumeSystemItem* root = roots.back().get();
        container->saveRoots(std::move(roots));
        std::vector<FileSystemItem*> photos, songs;
        for (const auto& f : folders) {
            auto* folder = FolderSystemItem::createFolder(f, root, 0, false, 0, false, 0);
            photos.push_back(FileSystemItem::createFile("photo.jpg", folder, 100, 0, false, 100));
            songs.push_back(FileSystemItem::createFile("song.mp3", folder, 200, 0, false, 200));
        }
        std::shuffle(photos.begin(), photos.end(), shuffle);
        std::shuffle(songs.begin(), songs.end(), shuffle);
        auto photoGroup = container->addGroupWithItems(photos);
        ASSERT_TRUE(photoGroup && container->addGroupWithItems(songs));

        std::vector<std::string> order;
        for (const auto& item : photoGroup->getItems()) order.push_back(item->getFileItemPath());
        EXPECT_EQ(order, (std::vector<std::string>{top + "/Z/photo.jpg", top + "/a b/photo.jpg", top + "/a/photo.jpg",
                                                   top + "/b/photo.jpg", top + "/\xC3\xA9/photo.jpg"}));

        // The contest alone, given the copies in yet another order.
        auto items = photoGroup->getItems();
        std::shuffle(items.begin(), items.end(), shuffle);
        AutoSelectGroupSeparator separator(items);
        separator.separateItemsUsingManager(nullptr);
        std::set<std::string> contest;
        for (const auto& item : separator.getItemsForSelect()) contest.insert(item->getFileItemPath());
        AutoSelectGroupSeparator inOrder(photoGroup->getItems());
        inOrder.separateItemsUsingManager(nullptr);
        std::set<std::string> contestInOrder;
        for (const auto& item : inOrder.getItemsForSelect()) contestInOrder.insert(item->getFileItemPath());
        EXPECT_EQ(contest, contestInOrder);

        OperationsManager::autoSelectAllGroupsOfContainer(*container, {}, {});
        const std::set<std::string> chosen = selectedPaths(*container);
        EXPECT_EQ(chosen.size(), 8u);  // four of five copies in both groups
        if (!first)
            first = chosen;
        else
            EXPECT_EQ(chosen, *first) << "round " << round;
    }
    // The first copy in path order is the one that stays.
    EXPECT_FALSE(first->contains(top + "/Z/photo.jpg"));
    EXPECT_FALSE(first->contains(top + "/Z/song.mp3"));
    Settings::setStandard(nullptr);
}

// ---- Hard links ----

struct HardLinkSelection : SelectionFixture {
    // a.bin with two more names (b.bin, sub/c.bin) and one real copy, keep/real.bin, of 20 000 bytes.
    FileSystemItem* a = nullptr;
    FileSystemItem* b = nullptr;
    FileSystemItem* c = nullptr;
    FileSystemItem* real = nullptr;
    std::int64_t oneFile = 0;

    // The node of a file on disk, with its blocks as the walk records them.
    FileSystemItem* node(const std::string& relative, bool hasOtherNames) {
        const auto slash = relative.rfind('/');
        FolderSystemItem* parent = slash == std::string::npos ? root : folderAt(relative.substr(0, slash));
        auto* item = FileSystemItem::createFile(relative.substr(slash == std::string::npos ? 0 : slash + 1), parent,
                                                blocksOf(abs(relative)), 0, false, 20000);
        item->setHasOtherNames(hasOtherNames);
        return item;
    }

    void SetUp() override {
        SelectionFixture::SetUp();
        folderAt("sub");
        folderAt("keep");
        dir.writePatternFile("data/a.bin", 20000, 3);
        dir.writePatternFile("data/keep/real.bin", 20000, 3);
        ASSERT_EQ(::link(abs("a.bin").c_str(), abs("b.bin").c_str()), 0);
        ASSERT_EQ(::link(abs("a.bin").c_str(), abs("sub/c.bin").c_str()), 0);
        runCommand("touch -m -d @1000000000 '" + abs("a.bin") + "' '" + abs("keep/real.bin") + "'");
        a = node("a.bin", true);
        b = node("b.bin", true);
        c = node("sub/c.bin", true);
        real = node("keep/real.bin", false);
        oneFile = blocksOf(abs("keep/real.bin"));
        ASSERT_GT(oneFile, 0);
    }

    // No selected name whose file keeps an unselected name.
    void expectNoNameOfAStayingFileSelected(const DuplicatesGroup& g) {
        for (const auto& chosen : g.getItems()) {
            if (!chosen->isSelected()) continue;
            for (const auto& other : g.getItems())
                EXPECT_FALSE(!other->isSelected() && other->isSameFileAs(*chosen))
                    << chosen->getFileItemPath() << " goes while " << other->getFileItemPath() << " stays";
        }
    }
};

TEST_F(HardLinkSelection, NamesOfOneFileAreOneCopyInTheFigures) {
    auto g = groupOfNodes({real, c, a, b});
    ASSERT_TRUE(g);
    EXPECT_EQ(g->getTotalCount(), 4);
    EXPECT_EQ(g->getFilesCount(), 2);
    EXPECT_EQ(g->getHardLinkedNamesCount(), 3);
    EXPECT_EQ(g->getHardLinkedFilesCount(), 1);
    EXPECT_EQ(g->getTotalSize(), static_cast<std::uint64_t>(2 * oneFile));
    EXPECT_EQ(g->getTotalContentSize(), 40000u);
    EXPECT_EQ(g->getSizeThatCanBeRemoved(), static_cast<std::uint64_t>(oneFile));
    EXPECT_EQ(g->getContentSizeThatCanBeRemoved(), 20000u);
    EXPECT_EQ(g->getCountOfDuplicatesThatCanBeRemoved(), 1);  // real.bin: a.bin, the first, stays with its names

    // Two names of a file whose third name stays free nothing; all three free the blocks once.
    member(*g, "a.bin")->selectItemForced(false);
    member(*g, "b.bin")->selectItemForced(false);
    EXPECT_EQ(g->getSelectedSize(), 0u);
    member(*g, "sub/c.bin")->selectItemForced(false);
    EXPECT_EQ(g->getSelectedSize(), static_cast<std::uint64_t>(oneFile));
    EXPECT_EQ(container->getRemoveListTotalSize(), oneFile);
}

TEST_F(HardLinkSelection, NamesOfOneFileAloneAreNoGroup) {
    EXPECT_EQ(groupOfNodes({a, b, c}), nullptr);
    EXPECT_TRUE(container->getAllFilesGroups().empty());
    EXPECT_EQ(a->getDuplicateItem(), nullptr);
    // With the real copy they are.
    EXPECT_TRUE(groupOfNodes({a, b, c, real}));
}

TEST_F(HardLinkSelection, AutoSelectNeverSplitsTheNamesOfOneFile) {
    // The Always Select folder holds one name only: the name contest would choose it.
    auto g = groupOfNodes({a, b, c, real});
    ASSERT_TRUE(g);
    OperationsManager::autoSelectAllGroupsOfContainer(*container, {abs("sub")}, {});
    expectNoNameOfAStayingFileSelected(*g);
    EXPECT_EQ(selected(*g), std::vector<std::string>{"keep/real.bin"});
    EXPECT_EQ(g->getSelectedSize(), static_cast<std::uint64_t>(oneFile));
    expectEveryGroupKeepsACopy();
}

TEST_F(HardLinkSelection, AutoSelectTakesAllNamesWhenTheRealCopyStays) {
    auto g = groupOfNodes({a, b, c, real});
    ASSERT_TRUE(g);
    OperationsManager::autoSelectAllGroupsOfContainer(*container, {}, {abs("keep")});
    expectNoNameOfAStayingFileSelected(*g);
    EXPECT_EQ(selected(*g), (std::vector<std::string>{"a.bin", "b.bin", "sub/c.bin"}));
    EXPECT_EQ(g->getSelectedSize(), static_cast<std::uint64_t>(oneFile));
}

TEST_F(HardLinkSelection, AutoSelectOverManyArrangements) {
    // Wherever the copies lie in the lists and whatever the names say, the names stay together.
    const std::vector<std::vector<std::string>> always{{}, {abs("sub")}, {root->path()}};
    const std::vector<std::vector<std::string>> never{{}, {abs("sub")}, {abs("keep")}, {abs("keep"), abs("sub")}};
    auto g = groupOfNodes({a, b, c, real});
    ASSERT_TRUE(g);
    for (const auto& alwaysFolders : always)
        for (const auto& neverFolders : never) {
            container->deselectAllItems();
            OperationsManager::autoSelectAllGroupsOfContainer(*container, alwaysFolders, neverFolders);
            expectNoNameOfAStayingFileSelected(*g);
            expectEveryGroupKeepsACopy();
        }
}

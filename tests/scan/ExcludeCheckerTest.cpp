#include <gtest/gtest.h>

#include <functional>

#include "platform/UserIdentity.h"
#include "platform/Volumes.h"
#include "scan/ExcludeChecker.h"
#include "scan/FolderSystemItem.h"
#include "scan/PathUtils.h"
#include "scan/PathsGenerator.h"
#include "scan/VolumeSystemItem.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
// Mounted volumes as a test wants them: every listed path holds an ext4 file system.
class FakeVolumes : public Volumes {
public:
    explicit FakeVolumes(std::vector<std::string> mountPoints) : m_mountPoints(std::move(mountPoints)) {}
    std::vector<VolumeInfo> mountedVolumes() const override {
        std::vector<VolumeInfo> volumes;
        for (const auto& point : m_mountPoints) volumes.push_back({point, "ext4", "/dev/fake", 1, false, true});
        return volumes;
    }
    std::optional<VolumeInfo> volumeOfPath(const std::string&) const override { return std::nullopt; }
    bool sizes(const std::string&, std::int64_t& total, std::int64_t& free) const override {
        total = free = 0;
        return true;
    }

private:
    std::vector<std::string> m_mountPoints;
};

class ExcludeCheckerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_settings = std::make_shared<Settings>(m_dir / "settings.json");
        Settings::setStandard(m_settings);
        m_volume = m_dir.makeFolder("volume");
        Volumes::setStandard(std::make_shared<FakeVolumes>(std::vector<std::string>{"/", m_volume}));
        // Plain lists by default, so that each test sees only what it sets.
        m_settings->setExcludeFolders(std::vector<std::string>{});
        m_settings->setExcludeFiles(std::vector<std::string>{});
        m_settings->setExcludeExtensions(std::vector<std::string>{});
    }
    void TearDown() override {
        Volumes::setStandard(nullptr);
        Settings::setStandard(nullptr);
    }

    TempDir m_dir;
    std::shared_ptr<Settings> m_settings;
    std::string m_volume;
};

// Builds the scanned tree of `top` from the relative paths of its files.
std::unique_ptr<VolumeSystemItem> buildTree(const std::string& top, const std::vector<std::string>& files) {
    auto root = VolumeSystemItem::createRoot(top, 0, 0);
    for (const auto& file : files) {
        FolderSystemItem* folder = root.get();
        std::size_t start = 0;
        for (std::size_t slash; (slash = file.find('/', start)) != std::string::npos; start = slash + 1) {
            const std::string name = file.substr(start, slash - start);
            auto* child = static_cast<FolderSystemItem*>(folder->childWithName(name));
            folder = child ? child : FolderSystemItem::createFolder(name, folder, 0, false, 0, false, 0);
        }
        FileSystemItem::createFile(file.substr(start), folder, 1, 0, false, 1);
    }
    return root;
}

void forEachItem(FolderSystemItem* folder, const std::function<void(FileSystemItem*)>& visit) {
    for (const auto& child : folder->childrenArray()) {
        visit(child.get());
        if (child->isDir()) forEachItem(static_cast<FolderSystemItem*>(child.get()), visit);
    }
}
}  // namespace

TEST(PathUtils, ContainmentIsByWholeComponents) {
    EXPECT_FALSE(isPathInFolder("/ab", "/a"));
    EXPECT_TRUE(isPathInFolder("/a/b", "/a"));
    EXPECT_TRUE(isPathInFolder("/a/b/c", "/a"));
    EXPECT_TRUE(isPathInFolder("/x", "/"));
    EXPECT_FALSE(isPathInFolder("/a", "/a"));
    EXPECT_FALSE(isPathInFolder("/", "/"));
    EXPECT_FALSE(isPathInFolder("/a", "/a/b"));

    EXPECT_TRUE(isFolderParent("/a", "/a/b"));
    EXPECT_TRUE(isFolderParent("/a/", "/a/b"));
    EXPECT_FALSE(isFolderParent("/a", "/ab"));
    EXPECT_FALSE(isFolderParent("/a", "/a"));
}

TEST_F(ExcludeCheckerTest, DeepestRecordedFolderDecides) {
    const std::string a = m_dir.makeFolder("A");
    m_dir.makeFolder("A/B/C");
    m_dir.makeFolder("A/B/C/D");
    m_settings->setExcludeFolders(std::vector<std::string>{a, m_dir / "missing"});

    ExcludeChecker checker(false);
    checker.addIncludedFolderPaths({a + "/B"});
    checker.addToExcludeFolder(a + "/B/C/D");
    checker.prepareForUse();

    EXPECT_TRUE(checker.isPathExcluded(a));
    EXPECT_TRUE(checker.isPathExcluded(a + "/C"));
    EXPECT_FALSE(checker.isPathExcluded(a + "/B"));
    EXPECT_FALSE(checker.isPathExcluded(a + "/B/C"));
    EXPECT_FALSE(checker.isPathExcluded(a + "/B/C/file"));
    EXPECT_TRUE(checker.isPathExcluded(a + "/B/C/D/file"));  // excluded inside a chosen folder
    EXPECT_FALSE(checker.isPathExcluded(m_dir / "AB/file"));   // a sibling that shares the name's start
    EXPECT_FALSE(checker.isPathExcluded(m_dir / "missing/file"));  // folders that do not exist are ignored
    EXPECT_FALSE(checker.isPathExcluded(""));
}

TEST_F(ExcludeCheckerTest, ChosenFolderWinsOverAnExactExclusion) {
    const std::string folder = m_dir.makeFolder("both");
    ExcludeChecker checker(false);
    checker.addToExcludeFolder(folder);
    checker.addIncludedFolderPaths({folder});
    EXPECT_FALSE(checker.isPathExcluded(folder));
    EXPECT_FALSE(checker.isPathExcluded(folder + "/x"));
}

TEST_F(ExcludeCheckerTest, ExtensionsMatchWithoutRegardToCase) {
    m_settings->setExcludeExtensions(std::vector<std::string>{".PLIST", ".", ".Übung"});
    auto root = buildTree(m_dir.path(), {"a.plist", "b.Plist", "c.plist.txt", "plist", ".plist", "d.", "e.übung"});
    ExcludeChecker checker(false);
    auto excluded = [&](const char* name) { return checker.isFileItemExcluded(root->childWithName(name)); };
    EXPECT_TRUE(excluded("a.plist"));
    EXPECT_TRUE(excluded("b.Plist"));
    EXPECT_TRUE(excluded("e.übung"));
    EXPECT_FALSE(excluded("c.plist.txt"));
    EXPECT_FALSE(excluded("plist"));
    EXPECT_FALSE(excluded(".plist"));  // a hidden name, not an extension
    EXPECT_FALSE(excluded("d."));
    // Excluded by name ending only: not marked as checked.
    EXPECT_FALSE(root->childWithName("a.plist")->isCheckedForDuplicates());
    EXPECT_TRUE(checker.isFileItemExcluded(nullptr));
}

TEST_F(ExcludeCheckerTest, ItemsAgreeWithTheirPathsAndExcludedOnesAreMarked) {
    const std::string top = m_dir.makeFolder("top");
    m_dir.writeFile("top/keep/x.bin", "");
    m_settings->setExcludeFolders(std::vector<std::string>{m_dir.makeFolder("top/skip"),
                                                           m_dir.makeFolder("top/keep/skip2")});
    m_settings->setExcludeFiles(std::vector<std::string>{top + "/keep/secret.txt", top + "/lonely.txt"});
    m_dir.makeFolder("top/skip/back");
    m_dir.makeFolder("top/skip/back/keep2");

    auto root = buildTree(top, {"lonely.txt", "other.txt", "keep/x.bin", "keep/secret.txt", "keep/secret.txt2",
                                "keep/skip2/y", "keep/skip2x/y", "skip/a", "skip/b/c", "skip/back/d",
                                "skip/back/keep2/e", "skip/back/keep2/f/g"});
    ExcludeChecker checker(false);
    checker.addIncludedFolderPaths({top, top + "/skip/back"});

    // The per-folder cache must give what the path alone gives, in any order of visits.
    std::vector<FileSystemItem*> items;
    forEachItem(root.get(), [&](FileSystemItem* item) { items.push_back(item); });
    for (int pass = 0; pass < 2; ++pass) {
        for (auto* item : items) {
            const bool byPath = checker.isPathExcluded(item->path());
            EXPECT_EQ(checker.isFileItemExcluded(item), byPath) << item->path();
            if (byPath) {
                EXPECT_TRUE(item->isCheckedForDuplicates()) << item->path();
            }
        }
        std::reverse(items.begin(), items.end());
    }
    auto find = [&](const std::string& relative) {
        for (auto* item : items)
            if (item->path() == top + "/" + relative) return item;
        return static_cast<FileSystemItem*>(nullptr);
    };
    EXPECT_TRUE(checker.isFileItemExcluded(find("lonely.txt")));
    EXPECT_FALSE(checker.isFileItemExcluded(find("other.txt")));
    EXPECT_TRUE(checker.isFileItemExcluded(find("keep/secret.txt")));
    EXPECT_FALSE(checker.isFileItemExcluded(find("keep/secret.txt2")));
    EXPECT_TRUE(checker.isFileItemExcluded(find("keep/skip2/y")));
    EXPECT_FALSE(checker.isFileItemExcluded(find("keep/skip2x/y")));
    EXPECT_TRUE(checker.isFileItemExcluded(find("skip/b/c")));
    EXPECT_FALSE(checker.isFileItemExcluded(find("skip/back/d")));
    EXPECT_FALSE(checker.isFileItemExcluded(find("skip/back/keep2/f/g")));
    EXPECT_FALSE(find("other.txt")->isCheckedForDuplicates());

    // Another checker asked about the same folder right after must not reuse the first one's answer,
    // nor must the first after it changed.
    m_settings->setExcludeFolders(std::vector<std::string>{});
    m_settings->setExcludeFiles(std::vector<std::string>{});
    ExcludeChecker plain(false);
    EXPECT_TRUE(checker.isFileItemExcluded(find("skip/b/c")));
    EXPECT_FALSE(plain.isFileItemExcluded(find("skip/b/c")));
    EXPECT_TRUE(checker.isFileItemExcluded(find("skip/b/c")));
    checker.addIncludedFolderPaths({m_dir.makeFolder("top/skip/b")});
    EXPECT_FALSE(checker.isFileItemExcluded(find("skip/b/c")));
}

TEST_F(ExcludeCheckerTest, VolumeSystemLocationsAreLeftOutOnlyForAScan) {
    const std::string spotlight = m_dir.makeFolder("volume/.Spotlight-V100") + "/store.db";
    const std::string trash =
        m_dir.makeFolder("volume/.Trash-" + std::to_string(user_identity::currentUserId())) + "/files/a";
    const std::string backups = m_dir.makeFolder("volume/" + PathsGenerator::backupsFolderName()) + "/b";
    const std::string hfsFile = m_volume + "/.hotfiles.btree";
    const std::string user = m_dir.makeFolder("volume/photos") + "/p.jpg";

    ExcludeChecker scan(true);
    // The test's volume lives under /tmp, itself a system folder of "/": choose it, as a scan would.
    scan.addIncludedFolderPaths({m_volume});
    EXPECT_TRUE(scan.isPathExcluded(spotlight));
    EXPECT_TRUE(scan.isPathExcluded(trash));
    EXPECT_TRUE(scan.isPathExcluded(backups));
    EXPECT_TRUE(scan.isPathExcluded(hfsFile));
    EXPECT_FALSE(scan.isPathExcluded(user));
    // The system's own folders at "/", never the folders where people keep their files.
    EXPECT_TRUE(scan.isPathExcluded("/usr/bin/env"));
    EXPECT_TRUE(scan.isPathExcluded("/proc/self/status"));
    EXPECT_FALSE(scan.isPathExcluded("/home/someone/file"));
    EXPECT_FALSE(scan.isPathExcluded("/media/disk/file"));
    EXPECT_FALSE(scan.isPathExcluded("/mnt/disk/file"));

    ExcludeChecker chooser(false);
    EXPECT_FALSE(chooser.isPathExcluded(spotlight));
    EXPECT_FALSE(chooser.isPathExcluded(backups));
    EXPECT_FALSE(chooser.isPathExcluded("/usr/bin/env"));

    // The two switches that have no setter in the window.
    m_settings->saveBoolValue(false, "Skip Volume System Folders");
    ExcludeChecker unskipped(true);
    EXPECT_FALSE(unskipped.isPathExcluded(spotlight));
    EXPECT_FALSE(unskipped.isPathExcluded("/usr/bin/env"));
    EXPECT_TRUE(unskipped.isPathExcluded(backups));
    m_settings->saveBoolValue(false, "Exclude Time Machine Backups");
    EXPECT_FALSE(ExcludeChecker(true).isPathExcluded(backups));
}

TEST_F(ExcludeCheckerTest, DefaultListsLeaveOutTrashAndCachesAndReadHiddenChoice) {
    m_settings->setExcludeFolders(std::nullopt);
    m_settings->setScanInHiddenFolders(true);
    const std::string home = PathsGenerator::GetInstance().homeDirectory();
    ASSERT_EQ(runCommand("mkdir -p '" + home + "/.cache/app' '" + home + "/.local/share/Trash/files' '" + home +
                         "/Documents'"),
              0);
    ExcludeChecker checker(false);
    EXPECT_TRUE(checker.isScanInHiddenFolders());
    EXPECT_TRUE(checker.isPathExcluded(home + "/.cache/app/blob"));
    EXPECT_TRUE(checker.isPathExcluded(home + "/.local/share/Trash/files/old.txt"));
    EXPECT_FALSE(checker.isPathExcluded(home + "/Documents/letter.odt"));
    EXPECT_TRUE(checker.isPathExcluded("/proc/1/status"));
    // Choosing a folder inside an excluded one searches it again.
    checker.addIncludedFolderPaths({home + "/.cache/app"});
    EXPECT_FALSE(checker.isPathExcluded(home + "/.cache/app/blob"));
    EXPECT_TRUE(checker.isPathExcluded(home + "/.cache/other"));
}

// Auto Select through the command line's entry point on a generated home folder, scanned by the real
// walk and detection: one copy of every group stays, copy-named files lose to their plain twins, and
// nothing inside a Never Select folder is selected.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>
#include <set>

#include "app/ScanSession.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "selection/OperationsManager.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
bool isInside(const std::string& path, const std::vector<std::string>& folders) {
    for (const auto& f : folders)
        if (path.compare(0, f.size() + 1, f + "/") == 0) return true;
    return false;
}

std::string baseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The plain name a copy-named file stands for ("Copy of x.jpg", "x copy.jpg", "x (1).jpg" → "x.jpg").
std::optional<std::string> plainTwinName(const std::string& name) {
    static const std::regex copyOf("^Copy of (.+)$");
    static const std::regex suffixed("^(.+?)( copy| \\(1\\))(\\.[^.]+)?$");
    std::smatch m;
    if (std::regex_match(name, m, copyOf)) return m[1].str();
    if (std::regex_match(name, m, suffixed)) return m[1].str() + m[3].str();
    return std::nullopt;
}
}  // namespace

TEST(AutoSelectScan, GeneratedHomeFolder) {
    TempDir dir;
    const std::string home = dir / "home";
    ASSERT_EQ(runTreeGenerator("'" + home + "' --manifest '" + (dir / "manifest.json") +
                               "' --files 1500 --seed 23 --max-size 30000 --no-extras"),
              0);
    auto settings = std::make_shared<Settings>(dir / "settings.json");
    Settings::setStandard(settings);

    // Nested lists: Backup is an Always folder, one of its folders a Never folder; Desktop is Never.
    std::string nestedNever;
    for (const auto& entry : std::filesystem::directory_iterator(home + "/Backup"))
        if (entry.is_directory()) {
            nestedNever = entry.path().string();
            break;
        }
    ASSERT_FALSE(nestedNever.empty());
    settings->setAutoAlwaysSelectFolders(std::vector<std::string>{home + "/Downloads", home + "/Backup"});
    settings->setAutoNeverSelectFolders(std::vector<std::string>{home + "/Desktop"});
    const std::vector<std::string> neverFolders{home + "/Desktop", nestedNever};
    const std::vector<std::string> alwaysFolders{home + "/Downloads", home + "/Backup"};

    ScanChoices choices;
    choices.minimalSizeMode = ScanChoices::MinimalSize::Fixed;
    choices.fixedMinimalSize = 0;
    choices.fullHash = true;
    choices.searchDuplicateFolders = false;
    std::shared_ptr<DuplicatesContainer> container;
    bool finished = false;
    auto session = ScanSession::create({home}, choices, [&](std::shared_ptr<DuplicatesContainer> c) {
        container = std::move(c);
        finished = true;
    });
    session->start();
    ASSERT_TRUE(runMainLoopUntil([&] { return finished; }, std::chrono::seconds(120)));
    ASSERT_TRUE(container);
    const auto groups = container->getAllFilesGroups();
    ASSERT_GT(groups.size(), 30u);

    AutoSelectCommandResult result = OperationsManager::autoSelectAllGroupsOfContainer(*container, {}, {nestedNever});
    EXPECT_TRUE(result.selectedSomething);

    int groupsWithoutNever = 0, copyNamedChecked = 0, neverCopies = 0;
    for (const auto& group : groups) {
        const auto items = group->getItems();
        bool touchesNever = false, touchesAlways = false;
        std::set<std::string> names;
        for (const auto& item : items) {
            names.insert(baseName(item->getFileItemPath()));
            touchesAlways = touchesAlways || isInside(item->getFileItemPath(), alwaysFolders);
            if (isInside(item->getFileItemPath(), neverFolders)) {
                touchesNever = true;
                ++neverCopies;
                EXPECT_FALSE(item->isSelected()) << item->getFileItemPath();
            }
        }
        const std::int64_t unselected = group->getTotalCount() - group->getSelectedCountWithDuplicatesFolderContent();
        EXPECT_GE(unselected, 1) << group->getGroupName();
        if (!touchesNever) {
            ++groupsWithoutNever;
            EXPECT_EQ(unselected, 1) << group->getGroupName();
        }
        for (const auto& item : items) {
            const std::string& path = item->getFileItemPath();
            auto twin = plainTwinName(baseName(path));
            // An Always Select copy of the group is chosen before names are compared.
            if (!twin || !names.contains(*twin) || isInside(path, neverFolders) || touchesAlways) continue;
            ++copyNamedChecked;
            EXPECT_TRUE(item->isSelected()) << path;
        }
    }
    // The run is only meaningful when every case occurred.
    EXPECT_GT(groupsWithoutNever, 10);
    EXPECT_GT(copyNamedChecked, 5);
    EXPECT_GT(neverCopies, 0);
    // The lists of this run were not stored.
    EXPECT_EQ(settings->autoNeverSelectFolders(), std::vector<std::string>{home + "/Desktop"});
    Settings::setStandard(nullptr);
}

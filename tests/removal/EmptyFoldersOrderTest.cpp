// The empty-folder pass after a removal, through the command line: a folder emptied only by the
// removal of its emptied sub-folder goes as well, so the pass must take the deepest folders first.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestSupport.h"

TEST(EmptyFoldersAfterRemoval, AFolderLeftEmptyByItsEmptiedSubFolderGoesToo) {
    TempDir dir;
    const std::string contentA(3000, 'a'), contentB(4000, 'b');
    dir.writeFile("home/keep/a.bin", contentA);
    dir.writeFile("home/keep/b.bin", contentB);
    dir.writeFile("home/x/a copy.bin", contentA);
    dir.writeFile("home/x/y/b copy.bin", contentB);
    dir.writeFile("home/z/b copy 2.bin", contentB);
    dir.writeFile("home/z/notes.txt", "stays");
    dir.writeFile("config/dorvane/settings.json", "{\"KEY_removeEmptyFolders\": true}");

    // The run gets a home, settings and history of its own.
    const std::string environment = "HOME='" + (dir / "home") + "' XDG_CONFIG_HOME='" + (dir / "config") +
                                    "' XDG_DATA_HOME='" + (dir / "data") + "' ";
    std::string output;
    ASSERT_EQ(runCommand(environment + "'" DORVANE_BINARY "' scan -q --all-sizes --no-folders --select auto --remove "
                                       "--permanent --yes '" + (dir / "home") + "' </dev/null 2>&1", &output),
              0) << output;

    namespace fs = std::filesystem;
    EXPECT_TRUE(fs::exists(dir / "home/keep/a.bin"));
    EXPECT_TRUE(fs::exists(dir / "home/keep/b.bin"));
    EXPECT_FALSE(fs::exists(dir / "home/x/y"));
    EXPECT_FALSE(fs::exists(dir / "home/x"));
    // A folder that still holds a file stays.
    EXPECT_FALSE(fs::exists(dir / "home/z/b copy 2.bin"));
    EXPECT_TRUE(fs::exists(dir / "home/z/notes.txt"));
}

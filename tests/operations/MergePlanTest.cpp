// Merge plans on scanned folder pairs: which items of the source are taken, under which name, the
// counts, the description texts, the details labels, and which pairs the results offer.
#include <gtest/gtest.h>

#include <filesystem>

#include "MergeFixture.h"
#include "results/DuplicatesHeap.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> planned(const MergeOperationData& data) {
    std::vector<std::string> names;
    for (const MergeItem* item : data.affectedItems()) names.push_back(item->name() + ">" + item->destinationName());
    return names;
}

using Names = std::vector<std::string>;
}  // namespace

using MergePlan = MergeFixture;

TEST_F(MergePlan, NothingToMergeWithoutAnActionOrWhenTheSourceHoldsOnlyWhatTheDestinationHas) {
    write("A/same.txt", "shared content one");
    write("A/also.txt", "shared content two");
    write("B/same.txt", "shared content one");
    write("B/also.txt", "shared content two");
    write("B/extra.txt", "only in B");

    auto data = plan("A", "B", MergeOperationOptions{});
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->sharesDuplicates());
    EXPECT_EQ(data->countOfAffectedItems(), 0);
    EXPECT_EQ(data->descriptionText(),
              "There is nothing to merge from \"A\" to \"B\" folder.\nChange Merge options or direction to process.");

    // Same name and same content: skipped even when duplicates with other names are asked for.
    data->setOptions(moving(/*withDifferentNames*/ true));
    EXPECT_EQ(data->countOfAffectedItems(), 0);
    EXPECT_TRUE(planned(*data).empty());
    EXPECT_EQ(data->sourceFolder().duplicates().size(), 2u);

    // The other way round B's own file is unique and goes.
    data->setDirection(MergeDirection::RightToLeft);
    EXPECT_EQ(data->sourceFolder().path(), path("B"));
    EXPECT_EQ(data->destinationFolder().path(), path("A"));
    EXPECT_EQ(planned(*data), (Names{"extra.txt>extra.txt"}));
    EXPECT_EQ(data->descriptionText(), "1 file from \"B\" will be moved to \"A\".\n"
                                       "You can customize Merge using the options below or changing direction.");
}

TEST_F(MergePlan, DuplicatesUnderOtherNamesGoOnlyWithTheOptionAndTakenNamesGetFreeOnes) {
    write("A/same.txt", "shared content one");
    write("A/renamed.txt", "shared content two");
    write("A/unique.txt", "only in A");
    write("A/clash.txt", "A's clash");
    write("A/folder/inner.txt", "a unique folder");
    write("B/same.txt", "shared content one");
    write("B/other name.txt", "shared content two");
    write("B/clash.txt", "B's clash");
    write("B/clash 2.txt", "another file already called clash 2");

    auto data = plan("A", "B", moving());
    ASSERT_TRUE(data);
    EXPECT_EQ(planned(*data), (Names{"clash.txt>clash 3.txt", "folder>folder", "unique.txt>unique.txt"}));
    EXPECT_EQ(data->countOfAffectedItems(), 3);
    EXPECT_EQ(data->descriptionText(), "3 files from \"A\" will be moved to \"B\".\n"
                                       "You can customize Merge using the options below or changing direction.");
    EXPECT_EQ(data->destinationPathOf(*data->affectedItems().front()), path("B/clash 3.txt"));

    MergeOperationOptions copying = moving(/*withDifferentNames*/ true);
    copying.action = MergeAction::Copy;
    data->setOptions(copying);
    EXPECT_EQ(planned(*data),
              (Names{"clash.txt>clash 3.txt", "folder>folder", "renamed.txt>renamed.txt", "unique.txt>unique.txt"}));
    EXPECT_EQ(data->countOfAffectedItems(), 4);
    EXPECT_EQ(data->descriptionText().substr(0, 40), "4 files from \"A\" will be copied to \"B\".\n");

    // Taking the action away plans nothing again and clears every item.
    data->setOptions(MergeOperationOptions{});
    EXPECT_EQ(data->countOfAffectedItems(), 0);
    for (const auto& item : data->sourceFolder().items()) EXPECT_FALSE(item->action()) << item->name();
}

TEST_F(MergePlan, LinksAndTheFolderThatHoldsTheDestinationAreNeverPlanned) {
    write("A/shared.txt", "shared content");
    write("A/B/shared.txt", "shared content");
    write("A/B/more.txt", "more");
    write("A/unique.txt", "unique");
    fs::create_symlink("unique.txt", path("A/link"));

    // The destination lies inside the source: the folder holding it stays out of the plan.
    auto data = plan("A", "A/B", moving(true, true));
    ASSERT_TRUE(data);
    EXPECT_EQ(planned(*data), (Names{"unique.txt>unique.txt"}));
    ASSERT_EQ(data->sourceFolder().leftOutItems().size(), 1u);
    EXPECT_EQ(data->sourceFolder().leftOutItems().front()->name(), "link");
}

TEST_F(MergePlan, DetailsLabelsFollowTheActionAndThePhase) {
    EXPECT_EQ(MergeOperationData::detailsLabel(MergeAction::Copy, MergeItemPhase::Planned), "will be copied");
    EXPECT_EQ(MergeOperationData::detailsLabel(MergeAction::Move, MergeItemPhase::Planned), "will be moved");
    EXPECT_EQ(MergeOperationData::detailsLabel(MergeAction::Copy, MergeItemPhase::Running), "Copying");
    EXPECT_EQ(MergeOperationData::detailsLabel(MergeAction::Move, MergeItemPhase::Running), "Moving");
    EXPECT_EQ(MergeOperationData::detailsLabel(MergeAction::Copy, MergeItemPhase::Done), "copied");
    EXPECT_EQ(MergeOperationData::detailsLabel(MergeAction::Move, MergeItemPhase::Done), "moved");
}

TEST_F(MergePlan, TheHeapsOfTheResultsAreOfferedOncePerPair) {
    write("photos/a.jpg", std::string(5000, 'a'));
    write("photos/b.jpg", std::string(5000, 'b'));
    write("photos/c.jpg", std::string(5000, 'c'));
    write("backup/a.jpg", std::string(5000, 'a'));
    write("backup/b copy.jpg", std::string(5000, 'b'));
    write("backup/d.jpg", std::string(5000, 'd'));
    ASSERT_TRUE(scan());

    const auto pairs = MergeManager::folderPairs(*container);
    ASSERT_EQ(pairs.size(), 1u);
    auto data = MergeManager::dataForHeap(pairs.front());
    ASSERT_TRUE(data);
    EXPECT_EQ(data->heap(), pairs.front());
    const std::set<std::string> folders = {data->leftFolder().path(), data->rightFolder().path()};
    EXPECT_EQ(folders, (std::set<std::string>{path("photos"), path("backup")}));
    EXPECT_EQ(data->leftFolder().duplicates().size(), 2u);
    data->setOptions(moving(true));
    // The unique file and the copy under another name.
    EXPECT_EQ(data->countOfAffectedItems(), 2);
}

#include "RemovalFixture.h"
#include "removal/DefaultRemoverErrorsContainer.h"
#include "removal/DefaultRemoverUnknownErrorGroup.h"

namespace {
using T = DefaultRemoverErrorGroupType;
using O = RemoveObstacle;

std::uint16_t bits(std::initializer_list<O> obstacles) {
    std::uint16_t b = 0;
    for (O o : obstacles) b |= RemoveErrorInfo::bit(o);
    return b;
}

TEST(RemoveErrorGroups, FirstMatchingRuleWins) {
    EXPECT_EQ(RemoveErrorInfo::groupTypeForErrorTypes(bits({O::ItemLocked, O::ReadOnlyVolume, O::VolumeNotLocal})),
              T::ReadOnlyDisk);
    EXPECT_EQ(RemoveErrorInfo::groupTypeForErrorTypes(bits({O::ReadOnlyVolume, O::NtfsVolume})), T::ReadOnlyNTFSDisk);
    EXPECT_EQ(RemoveErrorInfo::groupTypeForErrorTypes(bits({O::VolumeNotLocal, O::HardLinkedFolder})), T::NetworkDisk);
    EXPECT_EQ(RemoveErrorInfo::groupTypeForErrorTypes(bits({O::HardLinkedFolder, O::ParentLocked})), T::HardLinkFolder);
    EXPECT_EQ(RemoveErrorInfo::groupTypeForErrorTypes(bits({O::ParentLocked, O::ParentNotWritable})), T::LockedFiles);
    EXPECT_EQ(RemoveErrorInfo::groupTypeForErrorTypes(bits({O::NoTrash})), T::ReadOnlyAccess);
    EXPECT_EQ(RemoveErrorInfo::groupTypeForErrorTypes(bits({O::FolderNotWritable})), T::ReadOnlyAccess);
    EXPECT_EQ(RemoveErrorInfo::groupTypeForErrorTypes(0), T::Unknown);
}

TEST_F(RemovalFixture, InspectionReadsVolumesTrashAndFolderLinks) {
    dir.writeFile("v/file.txt", "x");
    dir.makeFolder("v/linked/sub");
    auto fs = std::make_shared<FakeFileSystem>();
    auto volumes = std::make_shared<FakeVolumes>();
    auto trash = std::make_shared<FakeTrash>();
    FileSystem::setStandard(fs);
    Volumes::setStandard(volumes);
    Trash::setStandard(trash);

    // A locked file on a read-only network NTFS volume: the read-only rule comes first.
    fs->locked.insert(dir / "v/file.txt");
    volumes->readOnly = true;
    volumes->local = false;
    volumes->fileSystemType = "ntfs3";
    RemoveErrorInfo onNtfs(nullptr, std::nullopt, dir / "v/file.txt", false);
    EXPECT_TRUE(onNtfs.hasErrorType(O::ItemLocked));
    EXPECT_TRUE(onNtfs.hasErrorType(O::VolumeNotLocal));
    EXPECT_EQ(onNtfs.removeGroupType(), T::ReadOnlyNTFSDisk);

    // A folder with more links than its one subfolder explains is hard-linked.
    volumes->readOnly = false;
    volumes->local = true;
    fs->linkCounts[dir / "v/linked"] = 5;
    RemoveErrorInfo linked(nullptr, std::nullopt, dir / "v/linked", true);
    EXPECT_EQ(linked.removeGroupType(), T::HardLinkFolder);
    fs->linkCounts[dir / "v/linked"] = 3;  // 2 + one subfolder: an ordinary folder
    RemoveErrorInfo ordinary(nullptr, std::nullopt, dir / "v/linked", true);
    EXPECT_EQ(ordinary.removeGroupType(), T::Unknown);

    // No usable Trash on the volume counts only when removing to the Trash.
    trash->unavailable.insert(dir / "v/file.txt");
    fs->locked.clear();
    EXPECT_EQ(RemoveErrorInfo(nullptr, std::nullopt, dir / "v/file.txt", false, true).removeGroupType(), T::ReadOnlyAccess);
    EXPECT_EQ(RemoveErrorInfo(nullptr, std::nullopt, dir / "v/file.txt", false, false).removeGroupType(), T::Unknown);
}

TEST_F(RemovalFixture, HardLinkAndNetworkFailuresFallIntoUnknownWhenRemovingPermanently) {
    dir.makeFolder("h/sub");
    auto fs = std::make_shared<FakeFileSystem>();
    fs->linkCounts[dir / "h"] = 9;
    FileSystem::setStandard(fs);
    auto info = std::make_shared<RemoveErrorInfo>(nullptr, std::nullopt, dir / "h", true);
    ASSERT_EQ(info->removeGroupType(), T::HardLinkFolder);

    DefaultRemoverErrorsContainer toTrash(true);
    toTrash.addError(info);
    auto offered = toTrash.nextGroupToOffer();
    ASSERT_TRUE(offered);
    EXPECT_EQ(offered->type(), T::HardLinkFolder);
    EXPECT_EQ(offered->removerType(), DefaultRemoverType::Permanent);
    EXPECT_EQ(RemoveAlertTexts::alertForGroup(*offered).title, "The folder \"h\" cannot be moved to the Trash");
    EXPECT_FALSE(toTrash.nextGroupToOffer());  // each failure is offered once
    toTrash.addErrorToUnknownGroup(info);       // still there after a Trash helper: offered again
    auto again = toTrash.nextGroupToOffer();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->type(), T::Unknown);

    DefaultRemoverErrorsContainer permanently(false);
    permanently.addError(info);
    auto unknown = permanently.nextGroupToOffer();
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->type(), T::Unknown);
    const RemoveAlert alert = RemoveAlertTexts::alertForGroup(*unknown);
    EXPECT_EQ(alert.title, "The folder \"h\" was not removed");
    EXPECT_EQ(alert.text,
              "The folder \"h\" could not be removed for a reason given with each copy.\nDo you confirm removal?");
}

TEST(RemoveAlertTextsTest, CountsAndExplanations) {
    DefaultRemoverUnknownErrorGroup unknown(true);
    for (int i = 0; i < 3; ++i)
        unknown.addError(std::make_shared<RemoveErrorInfo>(nullptr, std::nullopt, "", false));
    EXPECT_EQ(RemoveAlertTexts::alertForGroup(unknown).title, "3 files cannot be moved to the Trash");
    EXPECT_EQ(RemoveAlertTexts::alertForGroup(unknown).text,
              "The files can only be deleted permanently.\nDo you confirm removal?");
    DefaultRemoverErrorGroup readOnly(T::ReadOnlyDisk);
    readOnly.addError(std::make_shared<RemoveErrorInfo>(nullptr, std::nullopt, "", false));
    const RemoveAlert explanation = RemoveAlertTexts::alertForGroup(readOnly);
    EXPECT_EQ(explanation.title, "The file is on a volume mounted read-only.");
    EXPECT_FALSE(explanation.asksConfirmation);
    EXPECT_EQ(RemoveAlertTexts::permanentRemovalConfirmation(1).text,
              "1 copy will be deleted permanently. You cannot undo this action.");
    EXPECT_EQ(RemoveAlertTexts::permanentRemovalConfirmation(2).text,
              "2 copies will be deleted permanently. You cannot undo this action.");
    // "Read More" explains in words; no topic is ever shown by its internal name.
    for (auto type : {T::ReadOnlyAccess, T::LockedFiles, T::NetworkDisk, T::HardLinkFolder, T::ReadOnlyNTFSDisk,
                      T::ReadOnlyDisk}) {
        DefaultRemoverErrorGroup group(type);
        group.addError(std::make_shared<RemoveErrorInfo>(nullptr, std::nullopt, "", false));
        const RemoveAlert alert = RemoveAlertTexts::alertForGroup(group);
        EXPECT_FALSE(RemoveAlertTexts::readMoreText(alert.helpTopic).empty()) << alert.helpTopic;
        for (const std::string& text : {alert.title, alert.text})
            EXPECT_EQ(text.find("Finder"), std::string::npos) << text;
    }
    for (bool toTrash : {true, false}) {
        DefaultRemoverUnknownErrorGroup group(toTrash);
        group.addError(std::make_shared<RemoveErrorInfo>(nullptr, std::nullopt, "", false));
        EXPECT_FALSE(RemoveAlertTexts::readMoreText(RemoveAlertTexts::alertForGroup(group).helpTopic).empty());
    }
}

}  // namespace

// The copy-name analysis: copy tags in every listed language, copy numbers, the number test and the rank.
#include <gtest/gtest.h>

#include <QString>

#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "selection/AutoSelectName.h"

namespace {
struct Analysis {
    std::string core;
    std::int64_t power;
    std::vector<std::int64_t> numbers;
};

Analysis analyse(const std::string& name) {
    AutoSelectName n = AutoSelectName::buildAutoSelectNameForName(name, nullptr);
    return {n.getCoreName(), n.getPowerOfCopy(), n.getCopyNumbers()};
}

std::string nfd(const char* text) {
    return QString::fromUtf8(text).normalized(QString::NormalizationForm_D).toStdString();
}

void expectAnalysis(const std::string& name, const std::string& core, std::int64_t power,
                    std::vector<std::int64_t> numbers = {}) {
    Analysis a = analyse(name);
    EXPECT_EQ(a.core, core) << name;
    EXPECT_EQ(a.power, power) << name;
    EXPECT_EQ(a.numbers, numbers) << name;
}
}  // namespace

TEST(AutoSelectName, EnglishTagsAndNumbersAtBothEnds) {
    expectAnalysis("photo", "photo", 0);
    expectAnalysis("photo copy", "photo", 1);
    expectAnalysis("photo copy 2", "photo", 2, {2});
    expectAnalysis("Copy of photo", "photo", 1);
    expectAnalysis("Copy of Photo copy 2", "photo", 3, {2});
    expectAnalysis("photo (1)", "photo", 1, {1});
    expectAnalysis("photo copy (3) 2", "photo", 3, {2, 3});  // numbers sorted
    expectAnalysis("2 photo", "photo", 1, {2});
    expectAnalysis("copy photo", "photo", 1);
    // Not marks: a tag needs its blank, a number must be written as "%ld" prints it.
    expectAnalysis("photocopy", "photocopy", 0);
    expectAnalysis("report 02", "report 02", 0);
    expectAnalysis("take 2.5", "take 2.5", 0);
    expectAnalysis("photo - Copy", "photo -", 1);
}

TEST(AutoSelectName, StandaloneCopyNamesAndWholeNumbersLeaveAnEmptyCore) {
    expectAnalysis("2", "", 1, {2});
    expectAnalysis("(2)", "", 1, {2});
    expectAnalysis("Copy", "", 1);
    expectAnalysis("copy of", "", 1);
    expectAnalysis("copy 2", "", 2, {2});
    expectAnalysis("Kopie", "", 1);
}

TEST(AutoSelectName, PatternedTags) {
    expectAnalysis("photo (kopie 3)", "photo", 2, {3});
    expectAnalysis("photo (kopie)", "photo", 1);
    expectAnalysis("photo (kopie 03)", "photo", 1);  // the tag goes, "03" is no number
    expectAnalysis("kép (kópia 2)", nfd("kép"), 2, {2});
    expectAnalysis("cópia 4 de foto", "foto", 2, {4});
    expectAnalysis("cópia de foto", "foto", 1);
    expectAnalysis("Cópia 7 de", "", 2, {7});
}

TEST(AutoSelectName, TagsOfOtherLanguagesMatchComposedAndDecomposedNames) {
    expectAnalysis("Фото копия", "фото", 1);
    expectAnalysis("копия Фото", "фото", 1);
    expectAnalysis("фото копія 2", "фото", 2, {2});
    expectAnalysis("Φωτογραφία αντίγραφο", nfd("φωτογραφία"), 1);
    expectAnalysis(nfd("Φωτογραφία αντίγραφο"), nfd("φωτογραφία"), 1);
    expectAnalysis("写真 のコピー", "写真", 1);
    expectAnalysis("写真副本", "写真", 1);
    expectAnalysis("사진 복사본", nfd("사진"), 1);
    expectAnalysis("사진 복사본 2", nfd("사진"), 2, {2});
    expectAnalysis("foto kópia", "foto", 1);
    expectAnalysis("foto-cópia", "foto", 1);
    expectAnalysis("bản sao ảnh", nfd("ảnh"), 1);
    expectAnalysis("ภาพ สำเนา", "ภาพ", 1);
    expectAnalysis("תמונה עותק", "תמונה", 1);
    expectAnalysis("صورة نسخة", "صورة", 1);
    expectAnalysis("foto másolat", "foto", 1);
    // Full case mapping: the capital sigma and the dotted capital I are lowered like any letter.
    EXPECT_EQ(analyse("ΣΟΦΙΑ copy").core, nfd("σοφια"));
}

TEST(AutoSelectName, NumberTest) {
    EXPECT_EQ(AutoSelectName::parseStringWithNumber("2"), 2);
    EXPECT_EQ(AutoSelectName::parseStringWithNumber("(2)"), 2);
    EXPECT_EQ(AutoSelectName::parseStringWithNumber("((12))"), 12);
    EXPECT_EQ(AutoSelectName::parseStringWithNumber("-3"), -3);
    EXPECT_EQ(AutoSelectName::parseStringWithNumber("0"), 0);
    for (const char* no : {"02", "2.5", "()", "", "+2", "-0", "1,000", " 2", "(2", "99999999999999999999", "2a"})
        EXPECT_FALSE(AutoSelectName::parseStringWithNumber(no)) << no;
}

TEST(AutoSelectName, RankPrefersFewerMarksThenSmallerNumbersThenFewerNumbers) {
    auto rank = [](const char* a, const char* b) {
        return AutoSelectName::buildAutoSelectNameForName(a, nullptr)
            .compareWithSelectName(AutoSelectName::buildAutoSelectNameForName(b, nullptr));
    };
    EXPECT_EQ(rank("photo", "photo copy"), -1);
    EXPECT_EQ(rank("photo copy 3", "photo copy"), 1);
    EXPECT_EQ(rank("photo copy 2", "photo copy 3"), -1);
    EXPECT_EQ(rank("photo copy", "copy of photo"), 0);
    EXPECT_EQ(rank("photo copy", "photo (1)"), -1);  // equal power, the copy number counts against it
    EXPECT_EQ(rank("photo (kopie 3)", "photo copy 3"), 0);
    EXPECT_EQ(AutoSelectName::compareNumber(-5, 3), -1);
}

TEST(AutoSelectName, NodeNamesDropTheExtensionOfFilesAndPackagesOnly) {
    auto root = VolumeSystemItem::createRoot("/data/Photos copy", 0, 0);
    FolderSystemItem* folder = FolderSystemItem::createFolder("2019.trip copy", root.get(), 0, false, 0, false, 0);
    FolderSystemItem* package = FolderSystemItem::createFolder("Viewer copy.app", root.get(), 0, false, 0, false, 0);
    FileSystemItem* file = FileSystemItem::createFile("Beach copy 2.JPG", folder, 1, 0, false, 1);

    AutoSelectName fileName = AutoSelectName::buildAutoSelectNameForFileItem(*file);
    EXPECT_EQ(fileName.getCoreName(), "beach");
    EXPECT_EQ(fileName.getPowerOfCopy(), 2);
    EXPECT_EQ(AutoSelectName::buildAutoSelectNameForFileItem(*folder).getCoreName(), "2019.trip");
    EXPECT_EQ(AutoSelectName::buildAutoSelectNameForFileItem(*package).getCoreName(), "viewer");
    EXPECT_EQ(AutoSelectName::buildAutoSelectNameForFileItem(*root).getCoreName(), "photos");
    EXPECT_TRUE(AutoSelectName().getCoreName() == " ");
}

TEST(AutoSelectName, CoreNameWithoutNumbersForTheGroupName) {
    EXPECT_EQ(AutoSelectName::calculateOriginalNameOfNameIsNameAlreadyInLowerCase("Photo Copy 2", false), "photo");
    EXPECT_EQ(AutoSelectName::calculateOriginalNameOfNameIsNameAlreadyInLowerCase("photo", true), "photo");
    EXPECT_EQ(AutoSelectName::calculateOriginalNameOfNameIsNameAlreadyInLowerCase("Résumé", false), nfd("résumé"));
}

// File kinds by name: the extensions people keep, and the compiled-in table for extensions the type
// database does not know.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "detection/FileType.h"
#include "platform/MimeTypes.h"

TEST(FileType, EveryDayExtensionsGoToTheirKinds) {
    const std::pair<const char*, FileType> table[] = {
        {"a.jpg", FileTypeImage}, {"IMG_0001.JPG", FileTypeImage}, {"b.heic", FileTypeImage}, {"c.png", FileTypeImage},
        {"d.cr2", FileTypeImage}, {"d.cr3", FileTypeImage}, {"d.rw2", FileTypeImage}, {"d.nrw", FileTypeImage},
        {"d.sr2", FileTypeImage}, {"d.nef", FileTypeImage}, {"d.arw", FileTypeImage}, {"d.dng", FileTypeImage},
        {"e.mp4", FileTypeVideo}, {"f.mkv", FileTypeVideo}, {"g.mp3", FileTypeMusic}, {"h.flac", FileTypeMusic},
        {"i.pdf", FileTypeDocument}, {"j.docx", FileTypeDocument}, {"k.odt", FileTypeDocument}, {"l.txt", FileTypeDocument},
        {"m.zip", FileTypeArchive}, {"n.tar.gz", FileTypeArchive}, {"o.7z", FileTypeArchive}, {"p.iso", FileTypeArchive},
        {"q.qzxv", FileTypeOther}, {"Makefile", FileTypeOther}, {".bashrc", FileTypeOther},
        {"/x/album.v2/readme", FileTypeOther}};
    for (const auto& [name, kind] : table) EXPECT_EQ(typeOfFileAtPath(name), kind) << name;
}

TEST(FileType, TheDynamicTableDecidesWhatTheDatabaseDoesNotKnowInAnyCase) {
    // A name only the table knows; its lookup also loads the table with the program's resources.
    EXPECT_EQ(typeOfFileAtPath("clip.braw"), FileTypeVideo);
    QFile file(QStringLiteral(":/UTIDynamicTypes.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
    int decidedByTable = 0;
    for (auto it = table.begin(); it != table.end(); ++it) {
        const std::string extension = it.key().toStdString();
        const FileType kind = fileTypeFromKey(it.value().toString().toStdString());
        EXPECT_NE(kind, FileTypeUnknown) << extension;  // every value is a kind key
        if (mime_types::typeForExtension(extension)) continue;
        ++decidedByTable;
        EXPECT_EQ(typeOfFileAtPath("x." + extension), kind) << extension;
        EXPECT_EQ(typeOfFileAtPath("x." + it.key().toUpper().toStdString()), kind) << extension;
    }
    EXPECT_GT(decidedByTable, 10);
}

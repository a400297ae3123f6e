// Runs the real `dorvane` binary on small trees and checks that its reports name what was left out:
// files left out by rule, and folders and files inside the tree that could not be read.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <set>
#include <string>

#include "support/TestSupport.h"

namespace {
struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome dorvane(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(DORVANE_BINARY), arguments);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

QJsonObject scanFacts(const std::string& json) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object()["scan"].toObject();
}

// Creates nested folders below `base` one step at a time (a path past PATH_MAX cannot be handed to
// mkdir whole) until the deepest one's path is `length` characters long; answers an open descriptor
// of the deepest folder and its path.
int makeDeepFolder(const std::string& base, std::size_t length, std::string* path) {
    *path = base;
    int fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; fd >= 0 && path->size() < length; ++i) {
        const std::size_t left = length - path->size() - 1;
        const std::string name(left > 250 ? 200 : left, static_cast<char>('a' + i % 26));
        ::mkdirat(fd, name.c_str(), 0755);
        int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        *path += "/" + name;
    }
    return fd;
}
}  // namespace

TEST(LeftOutCli, FilesLeftOutByRuleAreCountedAndNamed) {
    TempDir dir;
    dir.writeFile("t/a.txt", std::string(3000, 'a'));
    dir.writeFile("t/b.txt", std::string(3000, 'a'));
    dir.writeFile("t/.notes.txt", std::string(3000, 'a'));  // a hidden file in a visible folder takes part
    dir.writeFile("t/.cache/c.txt", std::string(3000, 'a'));
    dir.writeFile("t/.cache/deep/d.txt", "d");
    dir.writeFile("t/lib/libx.so", std::string(100, 'x'));
    dir.writeFile("t/lib/liby.SO", std::string(100, 'x'));
    const QString tree = QString::fromStdString(dir / "t");

    Outcome text = dorvane({"scan", "-q", "--all-sizes", "--no-folders", tree});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Left out:           2 files in hidden folders (--hidden to include), 2 by excluded "
                            "extension (.so: dorvane settings get exclude-extensions)"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("Files scanned:      3\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(dir / "t/.notes.txt"), std::string::npos);
    EXPECT_EQ(text.out.find("Not readable"), std::string::npos);

    Outcome json = dorvane({"scan", "-q", "--all-sizes", "--no-folders", "--format", "json", tree});
    ASSERT_EQ(json.status, 0) << json.err;
    QJsonObject facts = scanFacts(json.out);
    EXPECT_EQ(facts["left_out"].toObject()["hidden_folders"].toInt(), 2);
    EXPECT_EQ(facts["left_out"].toObject()["excluded_extension"].toInt(), 2);
    EXPECT_EQ(facts["files_scanned"].toInt(), 3);
    EXPECT_TRUE(facts["skipped"].toArray().isEmpty());

    // With --hidden the hidden folders take part and nothing is said about them.
    Outcome hidden = dorvane({"scan", "-q", "--all-sizes", "--no-folders", "--hidden", tree});
    ASSERT_EQ(hidden.status, 0) << hidden.err;
    EXPECT_EQ(hidden.out.find("hidden folders"), std::string::npos) << hidden.out;
    EXPECT_NE(hidden.out.find(dir / "t/.cache/c.txt"), std::string::npos) << hidden.out;
    EXPECT_NE(hidden.out.find("Files scanned:      5\n"), std::string::npos) << hidden.out;

    Outcome help = dorvane({"scan", "--help"});
    EXPECT_NE(help.out.find("--hidden           look inside hidden folders too"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("hidden files in visible folders always take part"), std::string::npos) << help.out;
}

TEST(LeftOutCli, FoldersAndFilesThatCannotBeReadAreListed) {
    TempDir dir;
    dir.writeFile("t/a.bin", std::string(5000, 'a'));
    dir.writeFile("t/b.bin", std::string(5000, 'a'));
    // A folder whose path is just short enough to open, holding a file and a folder whose paths are not.
    // Unlike permissions, the length limit holds for every user, root included.
    std::string deep;
    int fd = makeDeepFolder(dir / "t", PATH_MAX - 150, &deep);
    ASSERT_GE(fd, 0);
    const std::string longName(240, 'z');
    int file = ::openat(fd, (longName + ".bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(file, 0);
    const std::string content(5000, 'a');
    EXPECT_EQ(::write(file, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(file);
    EXPECT_EQ(::mkdirat(fd, (longName + "_folder").c_str(), 0755), 0);
    ::close(fd);
    const QString tree = QString::fromStdString(dir / "t");

    Outcome text = dorvane({"scan", "-q", "--all-sizes", "--no-folders", tree});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Not readable:       1 folder, 1 file (see --format json)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(dir / "t/a.bin"), std::string::npos);

    Outcome json = dorvane({"scan", "-q", "--all-sizes", "--no-folders", "--format", "json", tree});
    ASSERT_EQ(json.status, 0) << json.err;
    QJsonArray skipped = scanFacts(json.out)["skipped"].toArray();
    ASSERT_EQ(skipped.size(), 2);
    EXPECT_EQ(skipped[0].toObject()["path"].toString().toStdString(), deep + "/" + longName + ".bin");
    EXPECT_EQ(skipped[0].toObject()["kind"].toString(), "file");
    EXPECT_EQ(skipped[1].toObject()["path"].toString().toStdString(), deep + "/" + longName + "_folder");
    EXPECT_EQ(skipped[1].toObject()["kind"].toString(), "folder");
    for (const auto& s : skipped) EXPECT_EQ(s.toObject()["reason"].toString(), "File name too long");
    runCommand("rm -rf '" + (dir / "t") + "'");  // std::filesystem cannot remove paths this long
}

TEST(LeftOutCli, IdenticalContentCountsOnlyWithinOneKind) {
    TempDir dir;
    dir.writeFile("t/a.jpg", std::string(4000, 'p'));
    dir.writeFile("t/a.jpg.bak", std::string(4000, 'p'));
    dir.writeFile("t/b.jpg", std::string(4000, 'p'));
    Outcome run = dorvane({"scan", "-q", "--all-sizes", "--no-folders", "--format", "json",
                       QString::fromStdString(dir / "t")});
    ASSERT_EQ(run.status, 0) << run.err;
    QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    std::set<std::string> members;
    int groups = 0;
    for (const auto& c : report["categories"].toArray())
        for (const auto& g : c.toObject()["groups"].toArray()) {
            ++groups;
            for (const auto& m : g.toObject()["members"].toArray())
                members.insert(m.toObject()["path"].toString().toStdString());
        }
    EXPECT_EQ(groups, 1);
    EXPECT_EQ(members, (std::set<std::string>{dir / "t/a.jpg", dir / "t/b.jpg"}));
}

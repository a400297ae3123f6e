// The real `dorvane` binary on trees with hard links, sparse files and a generated home folder: names of
// one file are one copy, the space to free is counted in blocks on disk next to the content's size, and
// Auto Select chooses the same copies in every run, in the report, the dry run and the removal alike.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "support/TestSupport.h"

namespace {
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun runDorvane(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(DORVANE_BINARY), arguments);
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

QString q(const std::string& s) { return QString::fromStdString(s); }

QJsonObject parse(const std::string& json) { return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object(); }

std::vector<QJsonObject> groupsOf(const QJsonObject& report) {
    std::vector<QJsonObject> groups;
    for (const auto& c : report["categories"].toArray())
        for (const auto& g : c.toObject()["groups"].toArray()) groups.push_back(g.toObject());
    return groups;
}

std::uint64_t blocksOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return static_cast<std::uint64_t>(st.st_blocks) * 512;
}

// The paths the JSON report marks for removal.
std::set<std::string> selectedPaths(const QJsonObject& report) {
    std::set<std::string> out;
    for (const auto& g : groupsOf(report))
        for (const auto& m : g["members"].toArray())
            if (m.toObject()["selected"].toBool()) out.insert(m.toObject()["path"].toString().toStdString());
    return out;
}
}  // namespace

TEST(LinksAndSizesCli, NamesOfOneFileAreOneCopyAndFreeNothing) {
    TempDir dir;
    const std::string tree = dir.makeFolder("tree");
    const std::string a = dir.writePatternFile("tree/a.bin", 300000, 7);
    const std::string real = dir.writePatternFile("tree/real.bin", 300000, 7);
    dir.makeFolder("tree/sub");
    ASSERT_EQ(::link(a.c_str(), (dir / "tree/b.bin").c_str()), 0);
    ASSERT_EQ(::link(a.c_str(), (dir / "tree/sub/c.bin").c_str()), 0);
    // Three names of one file and nothing else: no duplicates at all.
    const std::string alone = dir.writePatternFile("tree/alone/x.bin", 200000, 8);
    ASSERT_EQ(::link(alone.c_str(), (dir / "tree/alone/y.bin").c_str()), 0);
    ASSERT_EQ(::link(alone.c_str(), (dir / "tree/alone/z.bin").c_str()), 0);
    dir.writePatternFile("tree/other/w.bin", 200000, 9);  // the same size, other content

    CliRun json = runDorvane({"scan", "-q", "--all-sizes", "--select", "auto", "--format", "json", q(tree)});
    ASSERT_EQ(json.status, 0) << json.err;
    const QJsonObject report = parse(json.out);
    const auto groups = groupsOf(report);
    ASSERT_EQ(groups.size(), 1u) << json.out;
    const QJsonObject& g = groups.front();
    EXPECT_EQ(g["members"].toArray().size(), 4);
    EXPECT_EQ(g["copies"].toInt(), 2);
    EXPECT_EQ(g["hard_links"].toInt(), 3);
    // Removing every copy but one frees one file's blocks, whichever copy stays.
    EXPECT_EQ(static_cast<std::uint64_t>(g["reclaimable_size"].toDouble()), blocksOf(real));
    EXPECT_EQ(g["reclaimable_content_size"].toInt(), 300000);
    EXPECT_EQ(report["summary"].toObject()["duplicate_files"].toInt(), 2);
    EXPECT_EQ(static_cast<std::uint64_t>(report["summary"].toObject()["reclaimable_size"].toDouble()), blocksOf(real));

    // Auto Select never takes a name whose file keeps another name: here the one real copy goes, or
    // all three names together.
    const std::set<std::string> selected = selectedPaths(report);
    const std::set<std::string> names{a, dir / "tree/b.bin", dir / "tree/sub/c.bin"};
    EXPECT_TRUE(selected == std::set<std::string>{real} || selected == names) << json.out;

    CliRun text = runDorvane({"scan", "-q", "--all-sizes", q(tree)});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("2 copies of"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("(hard links: 3 names of one file)"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("alone"), std::string::npos) << text.out;
}

TEST(LinksAndSizesCli, SparseFilesReportTheirBlocksAndTheirContent) {
    TempDir dir;
    const std::string tree = dir.makeFolder("sparse");
    constexpr std::uint64_t kTenGiB = 10ull << 30;
    for (int i = 1; i <= 4; ++i) {
        const std::string path = dir / ("sparse/disk" + std::to_string(i) + ".img");
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "boot", 4), 4);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kTenGiB)), 0);
        ::close(fd);
        if (blocksOf(path) >= (1u << 20)) GTEST_SKIP() << "this file system does not keep sparse files";
    }
    std::uint64_t oneOnDisk = blocksOf(dir / "sparse/disk1.img");

    CliRun json = runDorvane({"scan", "-q", "--all-sizes", "--format", "json", q(tree)});
    ASSERT_EQ(json.status, 0) << json.err;
    const QJsonObject report = parse(json.out);
    const auto groups = groupsOf(report);
    ASSERT_EQ(groups.size(), 1u) << json.out;
    EXPECT_EQ(static_cast<std::uint64_t>(groups.front()["reclaimable_size"].toDouble()), 3 * oneOnDisk);
    EXPECT_EQ(static_cast<std::uint64_t>(groups.front()["reclaimable_content_size"].toDouble()), 3 * kTenGiB);
    const QJsonObject summary = report["summary"].toObject();
    EXPECT_EQ(static_cast<std::uint64_t>(summary["reclaimable_size"].toDouble()), 3 * oneOnDisk);
    EXPECT_EQ(static_cast<std::uint64_t>(summary["reclaimable_content_size"].toDouble()), 3 * kTenGiB);
    EXPECT_EQ(static_cast<std::uint64_t>(summary["duplicates_content_size"].toDouble()), 4 * kTenGiB);

    CliRun text = runDorvane({"scan", "-q", "--all-sizes", q(tree)});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("on disk (30 GiB of content)"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("frees 30 GiB"), std::string::npos) << text.out;
}

TEST(LinksAndSizesCli, AutoSelectChoosesTheSameCopiesInEveryRun) {
    TempDir dir;
    const std::string home = dir / "home";
    ASSERT_EQ(runTreeGenerator("'" + home + "' --manifest '" + (dir / "manifest.json") +
                               "' --files 600 --seed 31 --max-size 40000"),
              0);
    const QStringList arguments{"scan", "-q", "--all-sizes", "--no-folders", "--select", "auto", "--format", "json",
                                q(home)};
    CliRun first = runDorvane(arguments);
    ASSERT_EQ(first.status, 0) << first.err;
    const std::set<std::string> chosen = selectedPaths(parse(first.out));
    ASSERT_GT(chosen.size(), 20u);
    for (int run = 0; run < 3; ++run) {
        CliRun again = runDorvane(arguments);
        ASSERT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(selectedPaths(parse(again.out)), chosen) << "run " << run + 2;
    }

    // The dry run removes exactly what the report marks.
    CliRun dry = runDorvane({"scan", "-q", "--all-sizes", "--no-folders", "--select", "auto", "--format", "json", "-o",
                             q(dir / "report.json"), "--remove", "--dry-run", q(home)});
    ASSERT_EQ(dry.status, 0) << dry.err;
    std::set<std::string> wouldRemove;
    const std::string prefix = "would remove to the Trash: ";
    for (std::size_t at = dry.out.find(prefix); at != std::string::npos; at = dry.out.find(prefix, at + 1)) {
        const std::size_t end = dry.out.find('\n', at);
        wouldRemove.insert(dry.out.substr(at + prefix.size(), end - at - prefix.size()));
    }
    EXPECT_EQ(wouldRemove, chosen);
}

TEST(LinksAndSizesCli, CameraRawFilesThatDifferBetweenTheSampledRegionsAreNoCopies) {
    TempDir dir;
    const std::string tree = dir.makeFolder("photos");
    std::string content(1 << 20, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 2654435761u) >> 13);
    // Each pair differs only far from the start, the middle and the end; the pairs differ at the start.
    auto edited = [](std::string text) {
        text[300000] = static_cast<char>(text[300000] ^ 0x5A);
        return text;
    };
    char first = 'a';
    for (const char* extension : {"cr2", "CR3", "rw2", "nrw", "sr2"}) {
        content[0] = first++;
        dir.writeFile(std::string("photos/a/shot.") + extension, content);
        dir.writeFile(std::string("photos/b/shot.") + extension, edited(content));
    }
    content[0] = first;
    // The control: a kind that sampled regions suffice for.
    dir.writeFile("photos/a/shot.jpg", content);
    dir.writeFile("photos/b/shot.jpg", edited(content));

    CliRun run = runDorvane({"scan", "-q", "--all-sizes", "--no-folders", "--format", "json", q(tree)});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto groups = groupsOf(parse(run.out));
    ASSERT_EQ(groups.size(), 1u) << run.out;
    EXPECT_NE(groups.front()["members"].toArray()[0].toObject()["path"].toString().toStdString().find(".jpg"),
              std::string::npos);
}

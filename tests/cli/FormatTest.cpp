// The command line's text helpers: names that are not UTF-8, status lines that fit the terminal,
// counted nouns, the JSON report's strings and times.
#include <gtest/gtest.h>

// The helpers are part of the `dorvane` executable, not of the core library: compile them in here.
#include "cli/Format.cpp"

#include <ctime>

TEST(Format, NamesThatAreNotUtf8AreShownEscapedAndKeptAsBytes) {
    const std::string name = "/t/caf\xe9 \xff.jpg";
    EXPECT_FALSE(format::isValidUtf8(name));
    EXPECT_TRUE(format::isValidUtf8("/t/caf\xc3\xa9.jpg"));
    EXPECT_FALSE(format::isValidUtf8("\xc3"));              // cut short
    EXPECT_FALSE(format::isValidUtf8("\xc0\xaf"));          // overlong "/"
    EXPECT_FALSE(format::isValidUtf8("\xed\xa0\x80"));      // a surrogate
    EXPECT_EQ(format::displayPath(name), "/t/caf\\xe9 \\xff.jpg");
    EXPECT_EQ(format::displayPath("/t/caf\xc3\xa9\n.jpg"), "/t/caf\xc3\xa9\\x0a.jpg");
    EXPECT_EQ(format::lossyUtf8(name), "/t/caf\xef\xbf\xbd \xef\xbf\xbd.jpg");
    EXPECT_EQ(format::jsonString(name), "\"/t/caf\xef\xbf\xbd \xef\xbf\xbd.jpg\"");
    EXPECT_EQ(format::base64(""), "");
    EXPECT_EQ(format::base64("a\xff"), "Yf8=");
    EXPECT_EQ(format::base64("ab\xff"), "YWL/");
    EXPECT_EQ(format::base64("abcd"), "YWJjZA==");
}

TEST(Format, JsonStringsEscapeWhatJsonRequiresAndKeepTheRest) {
    EXPECT_EQ(format::jsonString(""), "\"\"");
    EXPECT_EQ(format::jsonString("/a/caf\xc3\xa9 \"x\"\\y.jpg"), "\"/a/caf\xc3\xa9 \\\"x\\\"\\\\y.jpg\"");
    EXPECT_EQ(format::jsonString(std::string("\n\x01" "a\x1f\x7f\t")), "\"\\n\\u0001a\\u001f\x7f\\t\"");
    EXPECT_EQ(format::jsonString("\\"), "\"\\\\\"");
    EXPECT_EQ(format::jsonString("\"end"), "\"\\\"end\"");
    // Valid and invalid sequences after a long ASCII stretch.
    const std::string ascii(100, 'a');
    EXPECT_TRUE(format::isValidUtf8(ascii + "\xf0\x9f\x98\x80"));
    EXPECT_FALSE(format::isValidUtf8(ascii + "\xf0\x9f\x98"));
    EXPECT_FALSE(format::isValidUtf8(ascii + "\x80" + ascii));
}

// The report's dates against the C library's calendar: leap days, the turn of centuries, times before 1970.
TEST(Format, IsoTimesAgreeWithTheCalendarOfTheCLibrary) {
    const auto reference = [](std::int64_t seconds) {
        const std::time_t t = static_cast<std::time_t>(seconds);
        std::tm tm{};
        gmtime_r(&t, &tm);
        char buffer[32];
        std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &tm);
        return std::string(buffer);
    };
    EXPECT_EQ(format::isoTimeUtc(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(format::isoTimeUtc(951782400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(format::isoTimeUtc(-1), "1969-12-31T23:59:59Z");
    for (std::int64_t t = -62167219200LL; t < 253402300800LL; t += 86400LL * 97 + 3607)  // years 0 to 9999
        ASSERT_EQ(format::isoTimeUtc(t), reference(t)) << t;
    for (std::int64_t t : {-62167219201LL, -30610224001LL, -30610224000LL, 253402300799LL, 253402300800LL})
        EXPECT_EQ(format::isoTimeUtc(t), reference(t)) << t;
}

TEST(Format, StatusLinesFitTheTerminalLeavingTheLastPartsOut) {
    const std::vector<std::string> parts = {"Comparing files 42%", "1,234 files", "0:12", "duplicates 7 (3.0 MiB)"};
    const std::string whole = "Comparing files 42% | 1,234 files | 0:12 | duplicates 7 (3.0 MiB)";
    EXPECT_EQ(format::fitLine(parts, 200), whole);
    EXPECT_EQ(format::fitLine(parts, static_cast<int>(whole.size()) + 1), whole);
    EXPECT_EQ(format::fitLine(parts, static_cast<int>(whole.size())), "Comparing files 42% | 1,234 files | 0:12");
    EXPECT_EQ(format::fitLine(parts, 25), "Comparing files 42%");
    EXPECT_EQ(format::fitLine(parts, 11), "Comparing…");  // 10 columns: the cursor keeps the last one
    EXPECT_EQ(format::fitLine(parts, 1), "");
    EXPECT_EQ(format::fitLine({"Removing: 1 of 2 copies done", "12 KiB freed"}, 40),
              "Removing: 1 of 2 copies done");
}

TEST(Format, CountedNounsAndIecSizes) {
    EXPECT_EQ(format::counted(1, "copy", "copies"), "1 copy");
    EXPECT_EQ(format::counted(2, "copy", "copies"), "2 copies");
    EXPECT_EQ(format::counted(0, "file", "files"), "0 files");
    EXPECT_EQ(format::counted(1234, "file", "files"), "1,234 files");
    EXPECT_EQ(format::size(512), "512 B");
    EXPECT_EQ(format::size(1536), "1.5 KiB");
    EXPECT_EQ(format::size(10485760), "10 MiB");
    EXPECT_EQ(format::size(3ull << 30), "3.0 GiB");
}

#include "TextEncoding.h"

#include <gtest/gtest.h>

#include "FileSystem.h"
#include "TempDir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(TextEncoding, DecodesByMarkOrByContent) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"UTF-16 LE mark",
         std::string("\xFF\xFE"
                     "A\0\xE4\0\x3D\xD8\x00\xDE",
                     10),
         "A\xC3\xA4\xF0\x9F\x98\x80"},
        {"UTF-16 BE mark", std::string("\xFE\xFF\0A\0\xE4", 6), "A\xC3\xA4"},
        {"UTF-8 mark",
         "\xEF\xBB\xBF"
         "a\xC3\xA4",
         "a\xC3\xA4"},
        {"valid UTF-8 without mark", "M\xC3\xBCller", "M\xC3\xBCller"},
        {"Windows-1252 without mark", "M\xFCller \x80 \x93x\x94",
         "M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D"},
        {"overlong UTF-8 is no UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"lone low surrogate in UTF-16", std::string("\xFF\xFE\x00\xDC", 4), "\xEF\xBF\xBD"},
        {"odd trailing byte",
         std::string("\xFF\xFE"
                     "A\0B",
                     5),
         "A\xEF\xBF\xBD"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeTextBytes(Bytes(c.bytes)), c.text) << c.what;
}

TEST(TextEncoding, SplitsAtEveryLineEnd) {
    using L = std::vector<std::string>;
    struct Case {
        std::string text;
        L lines;
    } cases[] = {
        {"a\r\nb\rc\nd", L{"a", "b", "c", "d"}},
        {"a\r\n", L{"a"}},
        {"a\n\nb", L{"a", "", "b"}},
        {"\r\n\r\n", L{"", ""}},
        {"a\n\r", L{"a", ""}},
        {"", L{}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST(TextEncoding, WritesUtf16WithMarkAndCrLfAfterEveryLine) {
    auto bytes = EncodeTextLines({"a\xC3\xA4", ""});
    std::string expected("\xFF\xFE"
                         "a\0\xE4\0\r\0\n\0\r\0\n\0",
                         14);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
}

TEST(TextEncoding, FileRoundTripKeepsEveryCharacter) {
    TempDir dir;
    std::vector<std::string> lines{"plain", "", "\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xBF",
                                   std::string("nul\0in", 6)};
    std::string error;
    ASSERT_TRUE(WriteTextFileLines(dir / "f.txt", lines, error)) << error;
    std::vector<std::string> back;
    ASSERT_TRUE(ReadTextFileLines(dir / "f.txt", back, error)) << error;
    EXPECT_EQ(back, lines);
}

TEST(TextEncoding, Utf8Utf16ConversionsReplaceBrokenInput) {
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("x\xF0\x9F\x98\x80y")), "x\xF0\x9F\x98\x80y");
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\xFFFD\xFFFD"); // one per stray byte
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));           // an encoded surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));       // past U+10FFFF
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));
}

TEST(FileSystem, ExclusiveOpenSeesAnotherHoldersLock) {
    TempDir dir;
    WriteBytes(dir / "held.tsv", "x");
    EXPECT_TRUE(vexo::platform::CanOpenExclusive(dir / "held.tsv"));
    EXPECT_FALSE(vexo::platform::CanOpenExclusive(dir / "missing.tsv"));
    THeldFile held(dir / "held.tsv");
    ASSERT_TRUE(held.Held());
    EXPECT_FALSE(vexo::platform::CanOpenExclusive(dir / "held.tsv"));
    held.Release();
    EXPECT_TRUE(vexo::platform::CanOpenExclusive(dir / "held.tsv"));
}

#ifndef _WIN32 // POSIX permissions and symbolic links
TEST(FileSystem, ReplaceKeepsPermissionsAndFollowsLinks) {
    TempDir dir;
    WriteBytes(dir / "real.ini", "old");
    std::filesystem::permissions(dir.Path / "real.ini", std::filesystem::perms(0640));
    std::filesystem::create_symlink(dir.Path / "real.ini", dir.Path / "link.ini");
    std::string error;
    ASSERT_TRUE(vexo::platform::ReplaceFileWhole(dir / "link.ini", {'n', 'e', 'w'}, error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path / "link.ini"));
    EXPECT_EQ(ReadBytes(dir / "real.ini"), Bytes("new"));
    EXPECT_EQ(std::filesystem::status(dir.Path / "real.ini").permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path), {}), 2); // no temporary left

    // A link to a file not there yet: the file is made where the link points, through a
    // relative link and a chain of them; one into a missing folder fails and stays a link.
    std::filesystem::create_symlink("new.ini", dir.Path / "rel.ini");
    std::filesystem::create_symlink(dir.Path / "rel.ini", dir.Path / "chain.ini");
    ASSERT_TRUE(vexo::platform::ReplaceFileWhole(dir / "chain.ini", {'x'}, error)) << error;
    EXPECT_EQ(ReadBytes(dir / "new.ini"), Bytes("x"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path / "chain.ini"));
    std::filesystem::create_symlink(dir.Path / "gone/x.ini", dir.Path / "dangling.ini");
    EXPECT_FALSE(vexo::platform::ReplaceFileWhole(dir / "dangling.ini", {'x'}, error));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path / "dangling.ini"));
    std::filesystem::create_symlink("loop.ini", dir.Path / "loop.ini");
    EXPECT_FALSE(vexo::platform::ReplaceFileWhole(dir / "loop.ini", {'x'}, error));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path), {}), 7);
}

TEST(FileSystem, ReplaceLeavesAFileAnotherHolderLocked) {
    TempDir dir;
    WriteBytes(dir / "held.ini", "old");
    int fd = open((dir / "held.ini").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_SH), 0);
    std::string error;
    EXPECT_FALSE(vexo::platform::ReplaceFileWhole(dir / "held.ini", {'n'}, error));
    EXPECT_EQ(error, "the file is in use by another program");
    EXPECT_EQ(ReadBytes(dir / "held.ini"), Bytes("old"));
    close(fd);
    EXPECT_TRUE(vexo::platform::ReplaceFileWhole(dir / "held.ini", {'n'}, error)) << error;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path), {}), 1);
}
#endif

} // namespace

#include "GenFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "CapturingNotifier.h"
#include "TempDir.h"

namespace {

TEST(GenFile, StripLineReducesAsTheSyntaxSays) {
    struct Case {
        std::string line, reduced;
    } cases[] = {
        {"Left  =   12 # comment", "Left=12"},
        {"Last Used File = my file", "LastUsedFile=myfile"},
        {"[ Deutsch Schweiz ]", "[DeutschSchweiz]"},
        {"\tKey\t=\t\"a # b\"", "Key=a # b"},
        {"File = \"C:\\\\a \\#1\"", "File=C:\\\\a \\#1"},
        {"a = \\\"not quoted \\# x\\\"", "a=\\\"notquoted\\#x\\\""},
        {"a = b\\", "a=b"},
        {"# only a comment", ""},
        {"\"unclosed # quote", "unclosed # quote"},
    };
    for (const auto& c : cases) EXPECT_EQ(TGenFile::StripLine(c.line, false), c.reduced) << c.line;
    EXPECT_EQ(TGenFile::StripLine("a = \"b\" # c", true), "a = b # c");
}

// Every pair reads back through DecodeSaveString, and MakeSaveString writes it so.
TEST(GenFile, EscapesBothWays) {
    struct Case {
        std::string value, saved;
    } cases[] = {
        {"\r\n", "\\n\\r"},
        {"C:\\a #1", "C:\\\\a \\#1"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {std::string("\0\x01\x07\x0B\x0C\x0E\x1A", 7), "\\x00\\x01\\x07\\x0B\\x0C\\x0E\\x1A"},
        {"\b\t\x1B", "\\b\\t\\e"},
        {"\x1C\x1F\x7F \xC3\xA4", "\x1C\x1F\x7F \xC3\xA4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TGenFile::MakeSaveString(c.value), c.saved);
        EXPECT_EQ(TGenFile::DecodeSaveString(c.saved), c.value);
    }
}

TEST(GenFile, DecodesHandWrittenAndBrokenEscapes) {
    struct Case {
        std::string saved, value;
    } cases[] = {
        {"\\x4g", "\x04g"},
        {"\\xg", "g"},
        {"a\\qb", "ab"},
        {"a\\x4", "a"},
        {"a\\x", "a"},
        {"a\\", "a"},
        {"\\x41\\x6a", "Aj"},
        {"\\xE4", "\xC3\xA4"},
        {"\\xff", "\xC3\xBF"},
        {"\\\xC3\xA4z", "z"}, // an unknown escape drops the whole character
        {"\\x\xC3\xA4", "\xC3\xA4"},
        {"\\x4\xC3\xA4", "\x04\xC3\xA4"},
    };
    for (const auto& c : cases) EXPECT_EQ(TGenFile::DecodeSaveString(c.saved), c.value) << c.saved;
    std::uint8_t v = 99;
    EXPECT_FALSE(TGenFile::DecodeHexNibble('g', v));
    EXPECT_TRUE(TGenFile::DecodeHexNibble('b', v));
    EXPECT_EQ(v, 11);
}

TEST(GenFile, HeadsItemsAndValuesOfLines) {
    TempDir dir;
    WriteBytes(dir / "f.ini", "Loose = 1\n[Setup]\nWidth = 10\nno item here\n[Other\nWidth = 20\n");
    CapturingNotifier note;
    TGenFile f(dir / "f.ini", false, true, &note);
    ASSERT_TRUE(f.FileValid);
    ASSERT_EQ(f.Lines.size(), 6u);
    EXPECT_EQ(f.FindNextHead(0), 1);
    EXPECT_EQ(f.FindNextHead(2), 4);
    EXPECT_EQ(f.FindNextHead(5), -1);
    EXPECT_EQ(TGenFile::GetHeadOfLine(f.Lines[4]), "Other"); // no closing bracket: to the end
    EXPECT_EQ(f.FindItem(0, -1, "Width"), 2);
    EXPECT_EQ(f.FindItem(3, -1, "Width"), 5);
    EXPECT_EQ(f.FindItem(-5, 1, "Width"), -1);
    EXPECT_EQ(f.FindItem(0, -1, "width"), -1);
    EXPECT_EQ(f.FindItem(0, -1, "Loo se"), 0);
    EXPECT_EQ(f.FindItem(0, -1, ""), 1); // the first line without "="
    EXPECT_EQ(f.GetValOfLine(5, false), "20");
    EXPECT_EQ(f.GetValOfLine(3, false), "");
    EXPECT_TRUE(note.Messages.empty());
}

TEST(GenFile, OpenFileMessages) {
    TempDir dir;
    CapturingNotifier note;
    {
        TGenFile f(dir / "missing.ini", false, true, &note);
        EXPECT_FALSE(f.FileValid);
        f.reload();
        EXPECT_TRUE(f.Lines.empty());
    }
    ASSERT_EQ(note.Messages.size(), 2u); // once per open
    EXPECT_EQ(note.Messages[0].first, "Could not open file " + dir / "missing.ini");
    EXPECT_EQ(note.Messages[0].second, "File Error");
    EXPECT_FALSE(std::filesystem::exists(dir.Path / "missing.ini"));

    note.Messages.clear();
    {
        TGenFile f(dir / "no-folder/x.ini", &note);
        EXPECT_FALSE(f.FileValid);
        f.Lines.push_back("a = 1");
    }
    ASSERT_EQ(note.Messages.size(), 1u); // and the save is skipped without another
    EXPECT_EQ(note.Messages[0].first, "Could neither open nor create file " + dir / "no-folder/x.ini");
    EXPECT_EQ(note.Messages[0].second, "File error");
}

TEST(GenFile, FilenameIsMadeAbsoluteAndANewFileIsCreatedEmpty) {
    TempDir dir;
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path);
    {
        TGenFile f("new.ini");
        EXPECT_TRUE(f.FileValid);
        EXPECT_EQ(f.Filename, dir / "new.ini");
        EXPECT_EQ(ReadBytes(dir / "new.ini").size(), 0u);
    }
    std::filesystem::current_path(old);
    EXPECT_EQ(ReadBytes(dir / "new.ini"), std::vector<std::uint8_t>({0xFF, 0xFE})); // saved at destruction
}

TEST(GenFile, SaveWritesUtf16AndSkipsWhenItShouldNot) {
    TempDir dir;
    WriteBytes(dir / "a.ini", "[S]\r\nx = 1\r\n");
    for (bool saveImmediate : {true, false}) {
        TGenFile ro(dir / "a.ini", saveImmediate, !saveImmediate);
        ro.Lines.push_back("y = 2");
        EXPECT_TRUE(ro.save());
    }
    EXPECT_EQ(ReadBytes(dir / "a.ini"),
              std::vector<std::uint8_t>(std::begin("[S]\r\nx = 1\r\n"), std::end("[S]\r\nx = 1\r\n") - 1));
    {
        TGenFile rw(dir / "a.ini");
        rw.Lines.push_back("y = 2");
    }
    std::string expected = Utf16File({"[S]", "x = 1", "y = 2"});
    EXPECT_EQ(ReadBytes(dir / "a.ini"), std::vector<std::uint8_t>(expected.begin(), expected.end()));
}

#ifndef _WIN32 // the file size limit
TEST(GenFile, FailedSaveKeepsTheOldFileAndSaysSo) {
    TempDir dir;
    const std::string old = Utf16File({"[S]", "x = 1"});
    WriteBytes(dir / "a.ini", old);
    CapturingNotifier note;
    TGenFile f(dir / "a.ini", &note);
    f.Lines.assign(50000, std::string(40, 'v'));

    // A full disk in the middle of the write, as the file size limit makes it.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    bool ok = f.save();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadBytes(dir / "a.ini"), std::vector<std::uint8_t>(old.begin(), old.end()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path), {}), 1); // no temporary left
    ASSERT_EQ(note.Messages.size(), 1u);
    EXPECT_NE(note.Messages[0].first.find("Could not save file " + dir / "a.ini"), std::string::npos);
    f.Lines.clear(); // let the destructor's save succeed
}
#endif

TEST(GenFile, DefaultNotifierCanBeReplaced) {
    TempDir dir;
    CapturingNotifier note;
    SetDefaultFileNotifier(&note);
    { TGenFile f(dir / "none.ini", false, true); }
    SetDefaultFileNotifier(nullptr);
    EXPECT_EQ(note.Messages.size(), 1u);
}

} // namespace

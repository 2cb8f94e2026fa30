#include "ConfigFile.h"

#include <gtest/gtest.h>

#include "TempDir.h"

namespace {

using Lines = std::vector<std::string>;

// A settings file in a fresh folder holding the given lines.
struct ConfigFixture : ::testing::Test {
    TempDir dir;
    std::unique_ptr<TConfigFile> Open(const Lines& lines, bool readOnly = false) {
        WriteBytes(dir / "DRConfig.ini", Utf16File(lines));
        return std::make_unique<TConfigFile>(dir / "DRConfig.ini", false, readOnly);
    }
};

TEST_F(ConfigFixture, MissingIntegerIsWrittenBackOnce) {
    auto cfg = Open({});
    EXPECT_EQ(cfg->GetVal("Setup", "Width", 874), 874);
    EXPECT_EQ(cfg->Lines, (Lines{"", "[Setup]", "Width = 874"}));
    EXPECT_EQ(cfg->GetVal("Setup", "Width", 1), 874);
}

TEST_F(ConfigFixture, IntegerTexts) {
    struct Case {
        const char* stored;
        int value;
        bool rewritten;
    } cases[] = {
        {"10", 10, false},
        {"\"10\"", 10, false},
        {"-7", -7, false},
        {"+7", 7, false},
        {"$1F", 31, false},
        {"x1f", 31, false},
        {"0X10", 16, false},
        {"-$10", -16, false},
        {"2147483647", 2147483647, false},
        {"-2147483648", -2147483647 - 1, false},
        {"2147483648", 5, true},
        {"$80000000", 5, true},
        {"12abc", 5, true},
        {"0x", 5, true},
        {"\"\"", 5, true},
        {"1.5", 5, true},
        {"- 3", -3, false}, // blanks vanish first
    };
    for (const auto& c : cases) {
        auto cfg = Open({"[Setup]", std::string("Width = ") + c.stored});
        EXPECT_EQ(cfg->GetVal("Setup", "Width", 5), c.value) << c.stored;
        EXPECT_EQ(cfg->Lines[1], c.rewritten ? "Width = 5" : std::string("Width = ") + c.stored) << c.stored;
    }
}

TEST_F(ConfigFixture, BooleanTexts) {
    struct Case {
        const char* stored;
        bool getVal, getBool, rewritten;
    } cases[] = {
        {"True", true, true, false},    {"TRUE", true, true, false}, {"true", true, true, false},
        {"False", false, false, false}, {"1", true, false, true},    {"yes", true, false, true},
        {"\"\"", true, false, true},
    };
    for (const auto& c : cases) {
        auto cfg = Open({"[Setup]", std::string("Flag = ") + c.stored});
        EXPECT_EQ(cfg->GetBool("Setup", "Flag"), c.getBool) << c.stored;
        EXPECT_EQ(cfg->GetVal("Setup", "Flag", true), c.getVal) << c.stored;
        EXPECT_EQ(cfg->Lines[1], c.rewritten ? "Flag = true" : std::string("Flag = ") + c.stored) << c.stored;
    }
}

TEST_F(ConfigFixture, HeadAndItemLookup) {
    auto cfg = Open({"[setup]", "width = 10", "[Setup]", "Width = 30", "[Other]", "Width = 40"});
    // The head matches in any letter case, the item only exactly: a new item goes right after the head.
    EXPECT_EQ(cfg->GetVal("Setup", "Width", 874), 874);
    EXPECT_EQ(cfg->Lines[1], "Width = 874");
    EXPECT_EQ(cfg->Lines[2], "width = 10");
    EXPECT_EQ(cfg->GetVal("Other", "Width", 1), 40);
    EXPECT_EQ(cfg->GetVal("Ot her", "Width", 1), 40); // the head name is reduced too
    EXPECT_EQ(cfg->Lines.size(), 7u);
}

TEST_F(ConfigFixture, ItemBeforeTheFirstHeadBelongsToNoHead) {
    auto cfg = Open({"Width = 10", "[Setup]"});
    EXPECT_EQ(cfg->GetVal("Setup", "Width"), "");
    EXPECT_EQ(cfg->GetVal("Setup", "Width", 874), 874);
    EXPECT_EQ(cfg->Lines, (Lines{"Width = 10", "[Setup]", "Width = 874"}));
}

TEST_F(ConfigFixture, HeadWithTrailingCommentIsNotFound) {
    auto cfg = Open({"[Setup] # main", "Width = 10"});
    EXPECT_EQ(cfg->GetVal("Setup", "Width", 874), 874);
    EXPECT_EQ(cfg->Lines, (Lines{"[Setup] # main", "Width = 10", "", "[Setup]", "Width = 874"}));
}

TEST_F(ConfigFixture, ItemsWithBlanksAndStrings) {
    auto cfg = Open({"[Setup]", "Empty = \"\""});
    cfg->SetVal("Setup", "My Key", "C:\\a #1");
    EXPECT_EQ(cfg->Lines[1], "My Key = \"C:\\\\a \\#1\"");
    EXPECT_EQ(cfg->GetVal("Setup", "MyKey"), "C:\\a #1");
    EXPECT_EQ(cfg->GetVal("Setup", "My Key", "x"), "C:\\a #1");
    // Stored empty: the default comes back and the line stays.
    EXPECT_EQ(cfg->GetVal("Setup", "Empty", "dflt"), "dflt");
    EXPECT_EQ(cfg->Lines[2], "Empty = \"\"");
    EXPECT_EQ(cfg->GetVal("Setup", "Missing"), "");
    EXPECT_EQ(cfg->Lines.size(), 3u);
    cfg->SetVal("Setup", "Multi", "one\r\ntwo");
    EXPECT_EQ(cfg->Lines[1], "Multi = \"one\\n\\rtwo\"");
    cfg->SetVal("Setup", "Flag", false);
    cfg->SetVal("Setup", "Count", -3);
    EXPECT_EQ(cfg->Lines[1], "Count = -3");
    EXPECT_EQ(cfg->Lines[2], "Flag = false");
}

TEST_F(ConfigFixture, ReplacingAnItemLosesOnlyItsComment) {
    auto cfg = Open({"[Setup]", "Left = 12 # from the installer", "# keep me", "Top = 3"});
    EXPECT_EQ(cfg->GetVal("Setup", "Left", 0), 12);
    cfg->SetVal("Setup", "Left", 100);
    EXPECT_EQ(cfg->Lines, (Lines{"[Setup]", "Left = 100", "# keep me", "Top = 3"}));
}

TEST_F(ConfigFixture, SettingsReadBackUnchangedAfterSave) {
    const std::string tricky = "tab\there \"quoted\" #hash \\back\r\nline \xE2\x82\xAC\x01";
    {
        auto cfg = Open({});
        cfg->GetVal("Setup", "Width", 874);
        cfg->GetVal("Setup", "AutoConnect", false);
        cfg->SetVal("Setup", "LastUsedFile", tricky);
        cfg->SetVal("Language", "filename", "language.ini");
    }
    TConfigFile again(dir / "DRConfig.ini");
    EXPECT_EQ(again.GetVal("Setup", "LastUsedFile"), tricky);
    EXPECT_EQ(again.GetVal("Setup", "Width", 1), 874);
    EXPECT_FALSE(again.GetVal("Setup", "AutoConnect", true));
    EXPECT_EQ(again.GetVal("Language", "filename", "x"), "language.ini");
}

// Latin-1 text as UTF-16 big endian with its mark.
std::string Utf16Be(const std::string& latin1) {
    std::string bytes = "\xFE\xFF";
    for (char c : latin1) {
        bytes += '\0';
        bytes += c;
    }
    return bytes;
}

TEST_F(ConfigFixture, HandWrittenFilesReadInEveryEncoding) {
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"UTF-8 without mark, LF", "[Setup]\nName = M\xC3\xBCller\nWidth = 5\n"},
        {"UTF-8 with mark, CR", "\xEF\xBB\xBF[Setup]\rName = M\xC3\xBCller\rWidth = 5"},
        {"Windows-1252, CR LF", "[Setup]\r\nName = M\xFCller\r\nWidth = 5\r\n"},
        {"UTF-16 BE", Utf16Be("[Setup]\nName=M\xFCller\nWidth=5")},
    };
    for (const auto& c : cases) {
        WriteBytes(dir / "hand.ini", c.bytes);
        {
            TConfigFile cfg(dir / "hand.ini");
            EXPECT_EQ(cfg.GetVal("Setup", "Name"), "M\xC3\xBCller") << c.what;
            EXPECT_EQ(cfg.GetVal("Setup", "Width", 1), 5) << c.what;
        }
        // Saved as the program writes its files, with the same content.
        TConfigFile again(dir / "hand.ini");
        EXPECT_EQ(ReadBytes(dir / "hand.ini")[0], 0xFF) << c.what;
        EXPECT_EQ(again.GetVal("Setup", "Name"), "M\xC3\xBCller") << c.what;
    }
}

TEST_F(ConfigFixture, ReadOnlyFileTakesWritesInMemoryOnly) {
    const std::string before = Utf16File({"[Setup]", "SaveTSVStyle = \"Short\""});
    WriteBytes(dir / "DRConfigRO.ini", before);
    {
        TConfigFile ro(dir / "DRConfigRO.ini", false, true);
        EXPECT_EQ(ro.GetVal("Setup", "Missing", 7), 7);
        EXPECT_EQ(ro.GetVal("Setup", "Missing"), "7");
        EXPECT_EQ(ro.GetVal("Setup", "SaveTSVStyle", "Long"), "Short");
    }
    EXPECT_EQ(ReadBytes(dir / "DRConfigRO.ini"), std::vector<std::uint8_t>(before.begin(), before.end()));
}

} // namespace

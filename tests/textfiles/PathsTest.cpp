#include "paths.h"

#include <gtest/gtest.h>

#include "Folders.h"
#include "TempDir.h"
#include "TextEncoding.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

struct PathsFixture : ::testing::Test {
    TempDir dir;
    std::string app = dir / "app", user = dir / "user", all = dir / "all";
    std::string userDir = dir / "user/zr4/Vexo", allDir = dir / "all/zr4/Vexo";
    bool userKey = false, machineKey = false;
    tPaths paths;

    void SetUp() override {
        fs::create_directories(app);
        fs::create_directories(user);
        fs::create_directories(all);
    }
    bool systemOwned = false;

    void Init() {
        tPathsSystem s{
            app,
            user,
            all,
            [this](const std::string& key) { return userKey && key == "\\SOFTWARE\\zr4\\Vexo"; },
            [this](const std::string& key) { return machineKey && key == "\\SOFTWARE\\zr4\\Vexo"; },
            systemOwned};
        paths = tPaths();
        paths.init("DRConfig.ini", "Vexo", true, s);
    }
    // Stands in for a program folder the user may not write to: the probe cannot be made.
    void MakeAppReadOnly() { fs::create_directory(app + DIR_SEP "tmp.txt"); }
    Names Log() {
        Names lines;
        std::string error;
        ReadTextFileLines(userDir + DIR_SEP "uninstallFiles.log", lines, error);
        return lines;
    }
};

TEST_F(PathsFixture, WritableProgramFolderIsTheConfigurationFolder) {
    Init();
    EXPECT_TRUE(paths.appPathWriteAccess);
    EXPECT_EQ(paths.configPath, app);
    EXPECT_EQ(paths.configFileFullName, app + DIR_SEP "DRConfig.ini");
    EXPECT_EQ(paths.configFileNameRO, "DRConfigRO.ini");
    EXPECT_FALSE(fs::exists(app + DIR_SEP "tmp.txt")); // the probe is gone again
    EXPECT_EQ(paths.getFullFileName("language.ini", true), app + DIR_SEP "language.ini");
#ifdef _WIN32
    EXPECT_EQ(paths.getFullFileName("C:\\abs\\x.ini", true), "C:\\abs\\x.ini");
#else
    EXPECT_EQ(paths.getFullFileName("/abs/x.ini", true), "/abs/x.ini");
#endif
    EXPECT_EQ(paths.getAppFullFileName("help.pdf"), app + DIR_SEP "help.pdf");
    EXPECT_TRUE(paths.uninstallFileName.empty());
    EXPECT_FALSE(paths.uninstallUserFiles());
    EXPECT_FALSE(fs::exists(dir / "user/zr4"));
}

TEST_F(PathsFixture, ProbeNeverDeletesAUsersOwnFile) {
    WriteBytes(app + DIR_SEP "tmp.txt", "mine");
    Init();
    EXPECT_TRUE(paths.appPathWriteAccess);
    EXPECT_EQ(ReadBytes(app + DIR_SEP "tmp.txt").size(), 4u);
}

TEST_F(PathsFixture, UserKeyMakesTheUserFolderYetWritesStayInAWritableProgramFolder) {
    userKey = true;
    Init();
    EXPECT_EQ(paths.configPath, userDir);
    EXPECT_TRUE(fs::is_directory(userDir));
    EXPECT_TRUE(paths.userDirExists);
    EXPECT_EQ(paths.getFullFileName("DRConfig.ini", true), app + DIR_SEP "DRConfig.ini");
    EXPECT_EQ(Log(), Names{"DRConfig.ini"});
}

TEST_F(PathsFixture, MachineKeyMakesTheAllUsersFolder) {
    machineKey = true;
    MakeAppReadOnly();
    Init();
    EXPECT_EQ(paths.configPath, allDir);
    EXPECT_TRUE(paths.appDirExists);
}

TEST_F(PathsFixture, ReadOnlyProgramFolderUsesTheUserFolderAndLogsWrittenFiles) {
    MakeAppReadOnly();
    WriteBytes(app + DIR_SEP "language.ini", "shipped");
    Init();
    EXPECT_FALSE(paths.appPathWriteAccess);
    EXPECT_EQ(paths.configPath, userDir);
    EXPECT_EQ(paths.configFileFullName, userDir + DIR_SEP "DRConfig.ini");
    // A file shipped beside the program is read from there until the user has a copy.
    EXPECT_EQ(paths.getFullFileName("language.ini", false), app + DIR_SEP "language.ini");
    EXPECT_EQ(paths.getFullFileName("DRConfig.ini", true), userDir + DIR_SEP "DRConfig.ini");
    EXPECT_EQ(paths.getFullFileName("LANGUAGE.ini", true), userDir + DIR_SEP "LANGUAGE.ini");
    EXPECT_EQ(paths.getFullFileName("language.ini", true), userDir + DIR_SEP "language.ini");
    EXPECT_EQ(paths.getFullFileName("uninstallFiles.log", true), userDir + DIR_SEP "uninstallFiles.log");
    EXPECT_EQ(Log(), (Names{"DRConfig.ini", "LANGUAGE.ini"}));
    auto bytes = ReadBytes(userDir + DIR_SEP "uninstallFiles.log");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    WriteBytes(userDir + DIR_SEP "language.ini", "copy");
    EXPECT_EQ(paths.getFullFileName("language.ini", false), userDir + DIR_SEP "language.ini");

    // The next start finds the folder and the log.
    fs::remove(app + DIR_SEP "tmp.txt");
    Init();
    EXPECT_EQ(paths.configPath, userDir);
    EXPECT_EQ(paths.uninstallFileList, (Names{"DRConfig.ini", "LANGUAGE.ini"}));
}

// An installed program run by root: its folder could be written, yet the package owns it.
TEST_F(PathsFixture, SystemOwnedProgramFolderIsNeverWrittenEvenWhenItCouldBe) {
    systemOwned = true;
    WriteBytes(app + DIR_SEP "DRConfig.ini", "shipped by mistake");
    WriteBytes(app + DIR_SEP "language.ini", "shipped");
    Init();
    EXPECT_FALSE(paths.appPathWriteAccess);
    EXPECT_EQ(paths.configPath, userDir);
    EXPECT_EQ(paths.getFullFileName("language.ini", false), app + DIR_SEP "language.ini");
    EXPECT_EQ(paths.getFullFileName("language.ini", true), userDir + DIR_SEP "language.ini");
    EXPECT_FALSE(fs::exists(app + DIR_SEP "tmp.txt"));
    EXPECT_EQ(ReadBytes(app + DIR_SEP "DRConfig.ini").size(), 18u);
}

// A new account: the user's data folder (~/.config) does not exist yet.
TEST_F(PathsFixture, MissingUserDataFolderIsMadeRatherThanFallingBackOnTheProgramFolder) {
    systemOwned = true;
    fs::remove_all(user);
    Init();
    EXPECT_EQ(paths.configPath, userDir);
    EXPECT_TRUE(fs::is_directory(userDir));
    EXPECT_EQ(paths.configFileFullName, userDir + DIR_SEP "DRConfig.ini");
}

TEST_F(PathsFixture, SettingsFileInAWritableProgramFolderWins) {
    fs::create_directories(userDir);
    WriteBytes(app + DIR_SEP "DRConfig.ini", "");
    Init();
    EXPECT_EQ(paths.configPath, app);
    fs::remove(app + DIR_SEP "DRConfig.ini");
    Init();
    EXPECT_EQ(paths.configPath, userDir); // the existing user folder
}

TEST_F(PathsFixture, UninstallRemovesLoggedFilesAndEmptyFolders) {
    MakeAppReadOnly();
    Init();
    for (const char* name : {"DRConfig.ini", "language.ini"})
        WriteBytes(paths.getFullFileName(name, true), "x");
    WriteBytes(dir / "victim.txt", "keep");
    auto log = Log();
    log.push_back("../../victim.txt");
    log.push_back((dir / "victim.txt"));
    std::string error;
    ASSERT_TRUE(WriteTextFileLines(userDir + DIR_SEP "uninstallFiles.log", log, error));
    Init();
    EXPECT_TRUE(paths.uninstallUserFiles());
    EXPECT_FALSE(fs::exists(userDir));
    EXPECT_FALSE(fs::exists(dir / "user/zr4"));
    EXPECT_TRUE(fs::exists(dir / "victim.txt"));
}

TEST_F(PathsFixture, UninstallKeepsAFolderThatStillHoldsOtherFiles) {
    MakeAppReadOnly();
    Init();
    WriteBytes(paths.getFullFileName("DRConfig.ini", true), "x");
    WriteBytes(userDir + DIR_SEP "Results.tsv", "user data");
    EXPECT_FALSE(paths.uninstallUserFiles());
    EXPECT_FALSE(fs::exists(userDir + DIR_SEP "DRConfig.ini"));
    EXPECT_FALSE(fs::exists(userDir + DIR_SEP "uninstallFiles.log"));
    EXPECT_TRUE(fs::exists(userDir + DIR_SEP "Results.tsv"));
}

TEST(PathsNames, ReadOnlySettingsName) {
    EXPECT_EQ(MakeReadOnlyConfigName("DRConfig.ini"), "DRConfigRO.ini");
    EXPECT_EQ(MakeReadOnlyConfigName("settings"), "settingsRO");
    EXPECT_EQ(MakeReadOnlyConfigName("my.dir/settings"), "my.dir/settingsRO");
}

} // namespace

namespace {

namespace fs = std::filesystem;

#ifndef _WIN32 // the XDG folders; Windows asks the shell (tests/windows)
TEST(Folders, UserConfigFolderFollowsXdgElseHome) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string savedXdg = xdg ? xdg : "", savedHome = home ? home : "";
    struct Case {
        const char *xdg, *home, *folder;
    } cases[] = {
        {"/x/cfg", "/home/u", "/x/cfg"},
        {"relative/cfg", "/home/u/", "/home/u/.config"}, // a relative XDG folder is ignored
        {nullptr, "/home/u", "/home/u/.config"},
    };
    for (const auto& c : cases) {
        if (c.xdg)
            setenv("XDG_CONFIG_HOME", c.xdg, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        setenv("HOME", c.home, 1);
        EXPECT_EQ(vexo::platform::UserConfigFolder(), c.folder);
    }
    if (xdg)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    if (home) setenv("HOME", savedHome.c_str(), 1);
    EXPECT_EQ(vexo::platform::AllUsersDocumentsFolder(), "");
    EXPECT_TRUE(fs::exists(vexo::platform::ExecutableFolder() + "/test_textfiles"));
}
#endif

#ifndef _WIN32 // Windows asks the folder itself (the probe)
TEST(Folders, SystemOwnedFoldersAreTheHierarchysReadOnlyParts) {
    const struct {
        const char* folder;
        bool owned;
    } cases[] = {
        {"/usr/lib/vexo-data-reader", true},
        {"/usr/local/lib/vexo-data-reader", true},
        {"/opt/vexo", true},
        {"/usr", true},
        {"/usrx/lib", false},
        {"/home/lab/vexo/build", false},
        {"/tmp/usr/lib", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(vexo::platform::SystemOwnedFolder(c.folder), c.owned) << c.folder;
}
#endif

} // namespace

// The built programs as a user starts them: through a link in a bin folder, with no library path
// set. --demo finds the simulated readers' library in the program folder; without it the program
// never loads that library.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct TRun {
    int Status = -1;
    std::string Out, Err;
};

struct ProgramFolder : ::testing::Test {
    fs::path Dir;
    void SetUp() override {
        Dir =
            fs::path(::testing::TempDir()) /
            ("vexo-install-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(Dir);
        fs::create_directories(Dir / "bin");
        fs::create_directories(Dir / "config");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
    static std::string Slurp(const fs::path& file) {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Runs program with args, the user's settings and the library path kept out.
    TRun Run(const fs::path& program, const std::string& args) {
        const std::string command = "cd '" + Dir.string() + "' && env -u LD_LIBRARY_PATH XDG_CONFIG_HOME='" +
                                    (Dir / "config").string() + "' '" + program.string() + "' " + args +
                                    " >out.txt 2>err.txt";
        const int raw = std::system(command.c_str());
        TRun r;
        r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.Out = Slurp(Dir / "out.txt");
        r.Err = Slurp(Dir / "err.txt");
        return r;
    }
    fs::path Link(const fs::path& target) {
        const fs::path link = Dir / "bin" / target.filename();
        fs::create_symlink(target, link);
        return link;
    }
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(ProgramFolder, DemoReaderOnlyWithDemoEvenThroughALinkInBin) {
    const fs::path cli = Link(VEXO_CLI_EXE);
    TRun demo = Run(cli, "list --demo");
    EXPECT_EQ(demo.Status, 0) << demo.Err;
    EXPECT_TRUE(Has(demo.Out, "0\tVX3A1207\tVexo Reader\t")) << demo.Out;
    TRun info = Run(cli, "info --demo");
    EXPECT_EQ(info.Status, 0) << info.Err;
    EXPECT_TRUE(Has(info.Out, "Serial: 17 3 2436 1207")) << info.Out;

    TRun plain = Run(cli, "list");
    EXPECT_EQ(plain.Status, 0) << plain.Err;
    EXPECT_FALSE(Has(plain.Out, "VX3A1207")) << plain.Out;
    TRun noReader = Run(cli, "info");
    EXPECT_NE(noReader.Status, 0);
    EXPECT_FALSE(Has(noReader.Out, "Serial:")) << noReader.Out;
}

TEST_F(ProgramFolder, MissingDemoLibraryIsNamed) {
    // The program alone, without its program folder's files.
    const fs::path lonely = Dir / "vexo-cli";
    fs::copy_file(VEXO_CLI_EXE, lonely);
    TRun r = Run(lonely, "list --demo");
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(
        Has(r.Err, "the demo reader's library " + (Dir / VEXO_DEMO_D2XX_NAME).string() + " cannot be loaded"))
        << r.Err;
    TRun window = Run(VEXO_GUI_EXE, "--version");
    EXPECT_EQ(window.Status, 0);
    EXPECT_TRUE(Has(window.Out, "vexo-data-reader ")) << window.Out;
}

TEST_F(ProgramFolder, ProgramFolderFilesShipBesideThePrograms) {
    for (const fs::path& program : {fs::path(VEXO_CLI_EXE), fs::path(VEXO_GUI_EXE)})
        for (const char* name : {"DRConfigRO.ini", "language.ini", "logo.tif", VEXO_DEMO_D2XX_NAME})
            EXPECT_TRUE(fs::exists(program.parent_path() / name)) << program << " " << name;
}

} // namespace

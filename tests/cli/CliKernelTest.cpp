// vexo-cli end to end without any D2XX library on the library path: FTDI mode through the
// built-in backend over the kernel's driver, on a sysfs tree whose reader's device node is
// vexo-sim's pseudo-terminal, taken from VEXO_SYSFS_ROOT and VEXO_DEV_ROOT as the program
// takes them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "CliApp.h"
#include "FakeSysfs.h"
#include "SimProcess.h"

namespace {

namespace fs = std::filesystem;

struct CliKernel : ::testing::Test {
    fs::path Dir = fs::path(::testing::TempDir()) /
                   ("vexo-cli-kernel-" + std::to_string(::getpid()) + "-" +
                    std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    TSimProcess Sim;
    TFakeSysfs Tree{Dir / "tree"};

    void SetUp() override {
        ASSERT_FALSE(Sim.Device.empty());
        fs::create_directories(Dir / "config");
        setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
        setenv("VEXO_SYSFS_ROOT", Tree.Sys.c_str(), 1);
        setenv("VEXO_DEV_ROOT", Tree.Dev.c_str(), 1);
        TFakeSysfs::TUsb reader;
        reader.UsbName = "1-2.3";
        reader.Node = Sim.Device;
        Tree.AddUsb(reader);
        Tree.AddVirtual("rfcomm0");
        Tree.AddSerial8250("ttyS0", "4", true);
        Tree.AddSerial8250("ttyS1", "0");
    }
    void TearDown() override {
        unsetenv("VEXO_SYSFS_ROOT");
        unsetenv("VEXO_DEV_ROOT");
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
    int Cli(const std::vector<std::string>& args, std::string& out, std::string& err) {
        std::ostringstream o, e;
        const int status = RunCli(args, o, e);
        out = o.str();
        err = e.str();
        return status;
    }
};

} // namespace

TEST_F(CliKernel, ListInfoAndReadThroughTheKernelDriver) {
    std::string out, err;
    ASSERT_EQ(Cli({"list"}, out, err), exDone) << err;
    const std::string dev = Tree.Dev.string();
    EXPECT_EQ(out, "FTDI readers (index, serial, description, location):\n"
                   "0\tVX000001\tVexo Reader\t0x123\n"
                   "Serial ports:\n" +
                       dev + "/ttyUSB0\n" + dev + "/rfcomm0\n" + dev + "/ttyS0\n");

    ASSERT_EQ(Cli({"info"}, out, err), exDone) << err;
    EXPECT_EQ(out.rfind("Serial: 17 3 2436 1207\nFirmware: V", 0), 0u) << out;
    EXPECT_NE(out.find("EEPROM version: 6\n"), std::string::npos) << out;

    const fs::path file = Dir / "results.tsv";
    ASSERT_EQ(Cli({"read", "--ftdi", "0", "--out", file.string()}, out, err), exDone) << err;
    EXPECT_EQ(out, "Entries read: 12\nNew entries: 12\n");
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(CliKernel, AReaderGoneFromTheTreeIsNoLongerListed) {
    Tree.Remove("ttyUSB0");
    std::string out, err;
    EXPECT_EQ(Cli({"info"}, out, err), exReaderFailed);
    EXPECT_NE(err.find("no reader found (-- no device --)"), std::string::npos) << err;
    ASSERT_EQ(Cli({"list"}, out, err), exDone) << err;
    EXPECT_EQ(out.rfind("FTDI readers: none (-- no device --)\n", 0), 0u) << out;
}

// The Windows platform layer for real (in CI under Wine): the shell's known folders and the
// program's folders, files replaced with MoveFileEx, the exclusive open, the registry with the
// Bluetooth COM port discovery, and the locale's collation and dates.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "BluetoothThread.h"
#include "Collation.h"
#include "FileSystem.h"
#include "Folders.h"
#include "Registry.h"
#include "TestSystem.h"
#include "paths.h"

#include "TestRegistry.h"

namespace {

namespace fs = std::filesystem;
namespace sys = vexo::platform;

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && Upper(text.substr(text.size() - end.size())) == Upper(end);
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

DWORD Attributes(const std::string& path) {
    return ::GetFileAttributesW(fs::path(path).c_str());
}

struct TFolder {
    fs::path Path = MakeTempFolder("vexo-win32-");
    ~TFolder() {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
    std::string operator/(const std::string& name) const { return NativePath(Path, name); }
    std::size_t Count() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(Path), {}));
    }
};

// The per-user key of a program named appName, as the installer would leave it.
struct TUserProgramKey {
    std::wstring Path;
    explicit TUserProgramKey(const std::string& appName)
        : Path(TTestRegistry::Wide("SOFTWARE\\zr4\\" + appName)) {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr) == ERROR_SUCCESS)
            ::RegCloseKey(key);
    }
    ~TUserProgramKey() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, Path.c_str());
        ::RegDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\zr4"); // only when empty
    }
};

} // namespace

TEST(Win32Folders, ShellFoldersAndTheProgramsOwn) {
    EXPECT_EQ(sys::PathSeparator(), '\\');
    const std::string user = sys::UserConfigFolder(), all = sys::AllUsersDocumentsFolder();
    EXPECT_TRUE(EndsWith(user, "\\AppData\\Roaming")) << user;
    EXPECT_TRUE(sys::DirectoryExists(user)) << user;
    EXPECT_FALSE(sys::IsRelativePath(user));
    EXPECT_TRUE(EndsWith(all, "\\Documents")) << all;
    EXPECT_TRUE(sys::DirectoryExists(all)) << all;
    EXPECT_TRUE(sys::FileExists(sys::ExecutableFolder() + "\\test_windows_platform.exe"))
        << sys::ExecutableFolder();
}

TEST(Win32Folders, ProgramKeyIsLookedForUnderTheUsersAndTheMachinesRoot) {
    const std::string key = "\\SOFTWARE\\zr4\\Vexo Key Test";
    EXPECT_FALSE(sys::ProgramKeyExists(false, key));
    {
        TUserProgramKey made("Vexo Key Test");
        EXPECT_TRUE(sys::ProgramKeyExists(false, key));
        EXPECT_FALSE(sys::ProgramKeyExists(true, key));
    }
    EXPECT_FALSE(sys::ProgramKeyExists(false, key));
    TTestRegistry machine;
    ASSERT_TRUE(machine.AddKey(key));
    EXPECT_TRUE(sys::ProgramKeyExists(true, key));
}

// A program installed for the user (its registry key present) in a folder it may not write to:
// the settings go to the roaming application data, the uninstall log is hidden, and
// "-uninstall" leaves nothing behind.
TEST(Win32Folders, PerUserInstallationKeepsItsFilesInTheRoamingFolderUntilUninstalled) {
    const std::string appName = "Vexo Paths Test " + std::to_string(::GetCurrentProcessId());
    TUserProgramKey key(appName);
    tPaths paths;
    paths.init("DRConfig.ini", appName, false);
    const std::string folder = sys::UserConfigFolder() + "\\zr4\\" + appName;
    EXPECT_TRUE(paths.regUserExists);
    EXPECT_FALSE(paths.regAllUSerExists);
    ASSERT_EQ(paths.configPath, folder);
    EXPECT_TRUE(sys::DirectoryExists(folder));

    const std::string settings = paths.getFullFileName("DRConfig.ini", true);
    EXPECT_EQ(settings, folder + "\\DRConfig.ini");
    std::string error;
    ASSERT_TRUE(sys::ReplaceFileWhole(settings, Bytes("[Setup]\r\n"), error)) << error;
    const std::string log = folder + "\\uninstallFiles.log";
    ASSERT_TRUE(sys::FileExists(log));
    const DWORD attributes = Attributes(log);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << attributes;
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_ARCHIVE) << attributes;

    // The next start finds the folder and the log again.
    tPaths again;
    again.init("DRConfig.ini", appName, false);
    EXPECT_EQ(again.configPath, folder);
    EXPECT_EQ(again.uninstallFileList, std::vector<std::string>{"DRConfig.ini"});
    EXPECT_TRUE(again.uninstallUserFiles());
    EXPECT_FALSE(sys::DirectoryExists(folder));
    EXPECT_FALSE(sys::FileExists(settings));
}

TEST(Win32Files, ReplaceSwapsTheWholeFileAndLeavesNoTemporary) {
    TFolder dir;
    std::string error;
    ASSERT_TRUE(sys::ReplaceFileWhole(dir / "a.tsv", Bytes("first\r\n"), error)) << error;
    ASSERT_TRUE(sys::ReplaceFileWhole(dir / "a.tsv", Bytes("second, longer\r\n"), error)) << error;
    EXPECT_EQ(ReadAll(dir.Path / "a.tsv"), "second, longer\r\n"); // bytes as given: no CR LF translation
    ASSERT_TRUE(sys::ReplaceFileWhole(dir / "a.tsv", {}, error)) << error;
    EXPECT_EQ(ReadAll(dir.Path / "a.tsv"), "");
    EXPECT_EQ(dir.Count(), 1u);
    // Names beyond the code page.
    const std::string name = dir / "Me\xC3\x9Fwerte \xE2\x82\xAC.tsv";
    ASSERT_TRUE(sys::ReplaceFileWhole(name, Bytes("x"), error)) << error;
    EXPECT_TRUE(sys::FileExists(name));
    EXPECT_TRUE(fs::exists(dir.Path / u8"Me\u00dfwerte \u20ac.tsv")); // the name itself, not its bytes
}

TEST(Win32Files, AFailedReplaceKeepsTheOldFileWhole) {
    TFolder dir;
    const std::string file = dir / "held.tsv";
    std::string error;
    ASSERT_TRUE(sys::ReplaceFileWhole(file, Bytes("old"), error)) << error;
    {
        // Another program has the file open without sharing.
        THeldFile held(file);
        ASSERT_TRUE(held.Held());
        EXPECT_FALSE(sys::ReplaceFileWhole(file, Bytes("new"), error));
        EXPECT_NE(error.find("cannot replace the file"), std::string::npos) << error;
    }
    EXPECT_EQ(ReadAll(file), "old");
    EXPECT_EQ(dir.Count(), 1u);

    // No folder to write the temporary into.
    EXPECT_FALSE(sys::ReplaceFileWhole(dir / "missing\\x.tsv", Bytes("new"), error));
    EXPECT_NE(error.find("cannot create a temporary file"), std::string::npos) << error;
}

TEST(Win32Files, OpenTestsAndAttributes) {
    TFolder dir;
    const std::string file = dir / "f.tsv";
    EXPECT_FALSE(sys::CanOpenExclusive(file));
    EXPECT_FALSE(sys::CanOpenForReading(file));
    ASSERT_TRUE(sys::OpenOrCreate(file));
    EXPECT_TRUE(sys::CanOpenForReadWrite(file));
    EXPECT_TRUE(sys::CanOpenExclusive(file));
    {
        // Even a reader that shares everything keeps the exclusive open out.
        HANDLE reader = ::CreateFileW(fs::path(file).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(sys::CanOpenExclusive(file));
        EXPECT_TRUE(sys::CanOpenForReading(file));
        ::CloseHandle(reader);
    }
    EXPECT_TRUE(sys::CanOpenExclusive(file));

    sys::SetFileAttributesHiddenArchive(file);
    EXPECT_EQ(Attributes(file) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    sys::SetFileAttributesArchive(file);
    EXPECT_EQ(Attributes(file) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              DWORD(FILE_ATTRIBUTE_ARCHIVE));

    // Read-only: Windows refuses writing and replacing. Wine, run as root as in CI, lets root
    // write it anyway; there the check has nothing to show.
    ASSERT_TRUE(::SetFileAttributesW(fs::path(file).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(sys::CanOpenForReading(file));
    if (!sys::CanOpenForReadWrite(file)) {
        std::string error;
        EXPECT_FALSE(sys::ReplaceFileWhole(file, Bytes("new"), error));
        EXPECT_EQ(ReadAll(file), "");
    }
    ::SetFileAttributesW(fs::path(file).c_str(), FILE_ATTRIBUTE_NORMAL);
}

namespace {

const std::string TestRoot = "\\SOFTWARE\\Vexo Registry Test\\";

} // namespace

TEST(Win32Registry, ReadsKeysAndTextValuesOfTheMachine) {
    TTestRegistry writer;
    ASSERT_TRUE(writer.SetString(TestRoot + "Ports", "\\Device\\Serial0", "COM1"));
    ASSERT_TRUE(writer.SetString(TestRoot + "Ports", "Expand", "%SystemRoot%", REG_EXPAND_SZ));
    ASSERT_TRUE(writer.SetString(TestRoot + "Ports", "Ger\xC3\xA4t", "Z\xC3\xA4hler \xE2\x82\xAC"));
    ASSERT_TRUE(writer.SetDword(TestRoot + "Ports", "Number", 7));
    ASSERT_TRUE(writer.AddKey(TestRoot + "Ports\\Beta"));
    ASSERT_TRUE(writer.AddKey(TestRoot + "Ports\\Alpha"));

    auto reg = CreateSystemRegistry();
    EXPECT_TRUE(reg->KeyExists("\\software\\vexo registry test\\PORTS\\"));
    EXPECT_FALSE(reg->KeyExists(TestRoot + "Nowhere"));
    std::vector<std::string> names;
    ASSERT_TRUE(reg->GetKeyNames(TestRoot + "Ports", names));
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta"})); // as the registry lists them
    ASSERT_TRUE(reg->GetValueNames(TestRoot + "Ports", names));
    EXPECT_EQ(names.size(), 4u);
    EXPECT_FALSE(reg->GetKeyNames(TestRoot + "Nowhere", names));
    EXPECT_TRUE(names.empty());

    std::string value;
    EXPECT_TRUE(reg->ReadString(TestRoot + "Ports", "\\DEVICE\\SERIAL0", value));
    EXPECT_EQ(value, "COM1");
    EXPECT_TRUE(reg->ReadString(TestRoot + "Ports", "Expand", value));
    EXPECT_EQ(value, "%SystemRoot%"); // as stored, not expanded
    EXPECT_TRUE(reg->ReadString(TestRoot + "Ports", "Ger\xC3\xA4t", value));
    EXPECT_EQ(value, "Z\xC3\xA4hler \xE2\x82\xAC");
    EXPECT_TRUE(reg->ValueExists(TestRoot + "Ports", "Number"));
    EXPECT_FALSE(reg->ReadString(TestRoot + "Ports", "Number", value)); // no text
    EXPECT_EQ(value, "");
    EXPECT_FALSE(reg->ValueExists(TestRoot + "Ports", "Missing"));
    EXPECT_FALSE(reg->ReadString(TestRoot + "Nowhere", "x", value));
}

TEST(Win32Registry, TestKeysAreGoneAfterwards) {
    {
        TTestRegistry writer;
        ASSERT_TRUE(writer.SetString(TestRoot + "A\\B", "v", "1"));
        ASSERT_TRUE(writer.SetString("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\VexoGone", "COM99"));
    }
    auto reg = CreateSystemRegistry();
    EXPECT_FALSE(reg->KeyExists(TestRoot));
    EXPECT_FALSE(reg->ValueExists("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\VexoGone"));
}

namespace {

const std::string SerialComm = "\\HARDWARE\\DEVICEMAP\\SERIALCOMM";
const std::string ClassKey =
    "\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-08003e301f73}\\";

// One COM port interface with its device, as Windows registers it.
void AddPort(TTestRegistry& reg, const std::string& interfaceName, const std::string& instance,
             const std::string& service, const std::string& portName) {
    reg.SetString(ClassKey + interfaceName, "DeviceInstance", instance);
    const std::string device = "\\SYSTEM\\CurrentControlSet\\Enum\\" + instance;
    reg.SetString(device, "Service", service);
    reg.SetString(device, "FriendlyName", "Standard Serial over Bluetooth link (" + portName + ")");
    reg.SetString(device + "\\Device Parameters", "PortName", portName);
}

std::vector<std::string> SystemPorts(std::vector<std::string> before) {
    TBluetoothThread bt;
    bt.GetComPorts(before); // the machine's registry
    return before;
}

} // namespace

TEST(Win32Registry, BluetoothPortsFromTheMachinesRegistry) {
    TTestRegistry reg;
    // A present Bluetooth port, one switched off, a USB port, and one named in lower case.
    AddPort(reg, "##?#VEXOBTH#A_C00000000#9", "VEXOBTH\\A_C00000000\\9", "BTHMODEM", "COM19");
    AddPort(reg, "##?#VEXOBTH#B_C00000000#8", "VEXOBTH\\B_C00000000\\8", "BTHMODEM", "COM18");
    AddPort(reg, "##?#VEXOUSB#VID_0403+PID_6015_C#7", "VEXOUSB\\VID_0403+PID_6015_C\\7", "FTSER2K", "COM17");
    AddPort(reg, "##?#VEXOBTH#D_C00000000#6", "VEXOBTH\\D_C00000000\\6", "BTHMODEM", "com16");
    reg.SetString(SerialComm, "\\Device\\VexoBthModem0", "COM19 ");
    reg.SetString(SerialComm, "\\Device\\VexoVCP0", "COM17");
    reg.SetString(SerialComm, "\\Device\\VexoBthModem1", "com16");
    EXPECT_EQ(SystemPorts({"stale"}), std::vector<std::string>{"COM19"});
}

TEST(Win32Locale, CollationAndRegionalDatesFollowTheChosenLocale) {
    // The regional formats as the OS has them (Windows writes German days and months with two
    // digits, Wine with one).
    struct Case {
        const char* locale;
        int umlautVersusZ; // the sign of comparing "ärger" with "zebra"
        const char* dateTime;
        const char* date;
    } cases[] = {
        {"de_DE", -1, "20\\.0?5\\.2026 14:05:09", "20\\.0?5\\.2026"},
        {"sv_SE", 1, "2026-05-20 14:05:09", "2026-05-20"},
        {"en_US", -1, "5/20/2026 2:05:09 PM", "5/20/2026"},
    };
    for (const auto& c : cases) {
        sys::SetUserLocale(c.locale);
        const int r = sys::CompareLocaleText("\xC3\xA4rger", "zebra", true);
        EXPECT_EQ((r > 0) - (r < 0), c.umlautVersusZ) << c.locale;
        EXPECT_EQ(sys::CompareLocaleText("abc", "ABC", true), 0) << c.locale;
        EXPECT_NE(sys::CompareLocaleText("abc", "ABC", false), 0) << c.locale;
        EXPECT_LT(sys::CompareLocaleText("abc", "ABD", false), 0) << c.locale;
        EXPECT_TRUE(std::regex_match(sys::FormatLocaleDateTime({2026, 5, 20, 14, 5, 9}, true),
                                     std::regex(c.dateTime)))
            << c.locale << ": " << sys::FormatLocaleDateTime({2026, 5, 20, 14, 5, 9}, true);
        EXPECT_TRUE(
            std::regex_match(sys::FormatLocaleDateTime({2026, 5, 20, 14, 5, 9}, false), std::regex(c.date)))
            << c.locale;
    }
    // A name Windows does not know leaves the user's own locale.
    sys::SetUserLocale("en_US_POSIX");
    EXPECT_EQ(sys::CompareLocaleText("abc", "ABC", true), 0);
    EXPECT_FALSE(sys::FormatLocaleDateTime({2026, 5, 20, 14, 5, 9}, false).empty());
    sys::SetUserLocale("");
}

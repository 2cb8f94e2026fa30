// Every file the program writes, in every way a write can fail: the old file stays byte for
// byte, no temporary file is left, the user is told, and nothing in the list is lost. A full
// or read-only disk is a real small file system (tmpfs, mounted by the test where the machine
// allows it); a failing rename or flush comes from a fault seam linked into this test only.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "FileFaults.h"
#include "FileNotifier.h"
#include "FormSandbox.h"
#include "LanguageEntries.h"
#include "MeasureEntries.h"
#include "MeasureFileFormat.h"
#include "TextEncoding.h"

namespace {

namespace fs = std::filesystem;

// A small tmpfs on a folder, gone with the object.
class TSmallDisk {
public:
    explicit TSmallDisk(const std::string& dir) : fDir(dir) {
        fs::create_directories(dir);
        if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=512k,mode=0755") == 0)
            fMounted = true;
        else
            Refused = std::strerror(errno);
    }
    ~TSmallDisk() {
        if (fMounted) ::umount2(fDir.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return fMounted; }
    std::string Refused;
    // Fills the disk up to `left` bytes free (a multiple of its page size).
    void Fill(std::uint64_t left) {
        struct statvfs st {};
        ASSERT_EQ(::statvfs(fDir.c_str(), &st), 0);
        const std::uint64_t free = st.f_bavail * st.f_bsize;
        ASSERT_GE(free, left);
        std::ofstream(fDir + "/filler", std::ios::binary) << std::string(free - left, 'f');
        ASSERT_EQ(::statvfs(fDir.c_str(), &st), 0);
        ASSERT_EQ(st.f_bavail * st.f_bsize, left);
    }
    void MakeReadOnly() {
        ASSERT_EQ(::mount(nullptr, fDir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=512k"), 0)
            << std::strerror(errno);
    }

private:
    std::string fDir;
    bool fMounted = false;
};

// Another process holding a file locked, as another program would.
class TFileHolder {
public:
    bool Hold(const std::string& path) {
        if (::pipe(fReady) != 0 || ::pipe(fRelease) != 0) return false;
        fChild = ::fork();
        if (fChild < 0) return false;
        if (fChild == 0) {
            ::close(fRelease[1]);
            const int fd = ::open(path.c_str(), O_RDWR);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
            (void)!::write(fReady[1], &ok, 1);
            pollfd p{fRelease[0], POLLIN, 0};
            ::poll(&p, 1, 20000);
            ::_exit(0);
        }
        char ok = 0;
        return ::read(fReady[0], &ok, 1) == 1 && ok == 'y';
    }
    ~TFileHolder() {
        if (fChild > 0) {
            ::close(fRelease[1]);
            ::waitpid(fChild, nullptr, 0);
        }
        for (int fd : {fReady[0], fReady[1], fRelease[0]})
            if (fd >= 0) ::close(fd);
    }

private:
    pid_t fChild = -1;
    int fReady[2] = {-1, -1};
    int fRelease[2] = {-1, -1};
};

enum class eFile { MeasureFile, TrackingFile, Settings, Language };
enum class eFault {
    DiskFullAtStart,
    DiskFullMidway,
    RenameNoSpace,
    FlushIOError,
    FolderReadOnly,
    Locked,
    TargetIsFolder,
    DanglingLink
};

struct TSaveCase {
    eFile File;
    eFault Fault;
    const char* Name;
};

void PrintTo(const TSaveCase& c, std::ostream* os) {
    *os << c.Name;
}

// Each entry of a folder: a link's target, "folder", or a file's size and a hash of its bytes.
using tFolder = std::map<std::string, std::string>;

tFolder Snapshot(const std::string& dir) {
    tFolder out;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (e.is_symlink()) {
            out[name] = "-> " + fs::read_symlink(e.path()).string();
        } else if (e.is_directory()) {
            out[name] = "folder";
        } else {
            const std::string bytes = ReadFileBytes(e.path());
            out[name] =
                std::to_string(bytes.size()) + " bytes #" + std::to_string(std::hash<std::string>{}(bytes));
        }
    }
    return out;
}

class SaveFails : public ::testing::TestWithParam<TSaveCase> {
protected:
    void TearDown() override { FileFaults::Clear(); }

    // The folder of the file under test, and the file.
    std::string Folder() const {
        const eFile f = GetParam().File;
        return f == eFile::MeasureFile || f == eFile::TrackingFile ? Data : Box.UserConfig;
    }
    std::string Target() const {
        switch (GetParam().File) {
        case eFile::MeasureFile: return Data + "/Results.tsv";
        case eFile::TrackingFile: return Data + "/track.tsv";
        case eFile::Settings: return Box.UserConfig + "/DRConfig.ini";
        case eFile::Language: return Box.UserConfig + "/language.ini";
        }
        return {};
    }
    // Files as a user had them, each of which the program would write anew.
    void WriteOldFiles() {
        std::string header;
        for (int i = 0; i < 139; ++i) header += "c\t";
        std::vector<std::string> lines{header, BuildTSVLine(*MakeEntry("old-1"), TSVVLong)};
        std::string error;
        for (const char* name : {"/Results.tsv", "/track.tsv"})
            ASSERT_TRUE(WriteTextFileLines(Data + name, lines, error)) << error;
        // Long enough that a disk with one page free fills up halfway through it.
        WriteTextFile(Box.UserConfig + "/DRConfig.ini",
                      {"[Setup]", "# " + std::string(6000, 'n'),
                       "AutoSaveMeasurementsFile = \"" + Data + "/track.tsv\""});
        WriteTextFile(Box.UserConfig + "/language.ini", {"[English]", "3 = \"Connect\""});
    }
    // Many entries, each with its line image: files of some size.
    void FillList(TForm_Main& form) {
        for (int i = 0; i < 40; ++i) {
            auto e = MakeEntry("new-" + std::to_string(i));
            for (int k = 0; k < 200; ++k) e->OrigImage[k] = 1000 + i + k;
            form.MeasureList.push_back(std::move(e));
        }
    }

    TFormSandbox Box;
    std::string Data = Box.Dir / "data";
};

TEST_P(SaveFails, OldFileStaysNothingLeftBehindTheUserIsTold) {
    const TSaveCase& c = GetParam();
    fs::create_directories(Data);
    fs::create_directories(Box.UserConfig);
    std::unique_ptr<TSmallDisk> disk;
    const bool needsDisk = c.Fault == eFault::DiskFullAtStart || c.Fault == eFault::DiskFullMidway ||
                           c.Fault == eFault::FolderReadOnly;
    if (needsDisk) {
        disk = std::make_unique<TSmallDisk>(Folder());
        if (!disk->Mounted())
            GTEST_SKIP() << "a small file system cannot be mounted here (" << disk->Refused
                         << "); CI runs this as root";
    }
    WriteOldFiles();
    const std::string target = Target();
    TFileHolder holder;
    switch (c.Fault) {
    case eFault::DiskFullAtStart: disk->Fill(0); break;
    case eFault::DiskFullMidway: disk->Fill(4096); break;
    case eFault::RenameNoSpace: FileFaults::FailIn(FileFaults::eCall::Rename, Folder(), ENOSPC); break;
    case eFault::FlushIOError: FileFaults::FailIn(FileFaults::eCall::Sync, Folder(), EIO); break;
    case eFault::FolderReadOnly: disk->MakeReadOnly(); break;
    case eFault::Locked: ASSERT_TRUE(holder.Hold(target)); break;
    case eFault::TargetIsFolder:
        fs::remove(target);
        fs::create_directories(target + "/inside");
        break;
    case eFault::DanglingLink:
        fs::remove(target);
        fs::create_symlink(Box.Dir / "unmounted/share" / fs::path(target).filename(), target);
        break;
    }
    const tFolder before = Snapshot(Folder());
    // As installed: the program's folder is not the user's to write, the settings live in
    // the user's folder.
    Box.MakeAppReadOnly();

    // The program writes the file; what it says meanwhile.
    const bool list = c.File == eFile::MeasureFile || c.File == eFile::TrackingFile;
    const bool inUse = c.Fault == eFault::Locked || c.Fault == eFault::FolderReadOnly;
    const bool missing = c.Fault == eFault::TargetIsFolder || c.Fault == eFault::DanglingLink;
    auto form = Box.Start();
    std::string told;
    if (list) {
        FillList(*form);
        const std::string ids = [&] {
            std::string s;
            for (const auto& e : form->MeasureList) s += e->TestID + " ";
            return s;
        }();
        if (c.File == eFile::MeasureFile) {
            Box.Dialogs.Expect("SaveFile", mrOk, 0, target);
            // An existing file is asked about: add to it.
            if (!inUse && !missing) Box.Dialogs.Expect("MessageBox", mrYes);
            Box.Dialogs.Expect("MessageBox", mrOk);
            Box.Dialogs.Expect("SaveFile", mrCancel); // the user gives up
            form->Menu_SaveFileClick();
        } else {
            form->TrackMeasurementFile = target;
            Box.Dialogs.Expect("MessageBox", mrOk);     // try again: fails again
            Box.Dialogs.Expect("MessageBox", mrCancel); // give up
            form->SaveMeasureFile(STTrackFile);
        }
        EXPECT_TRUE(Box.Dialogs.ScriptDone());
        const auto boxes = Box.Dialogs.Of("MessageBox");
        ASSERT_FALSE(boxes.empty());
        told = boxes.back().Text;
        std::string after;
        for (const auto& e : form->MeasureList) after += e->TestID + " ";
        EXPECT_EQ(after, ids) << "the list lost entries";
        form.reset();
    } else {
        form.reset(); // the settings and the language file are saved as the program ends
        for (const auto& [text, caption] : Box.Notes.Messages)
            if (text.find(target) != std::string::npos) told = text;
    }

    if (list && inUse) {
        // A file that cannot be opened for writing is "in use", before anything is written.
        EXPECT_EQ(told, std::string(LE::FileInUse.Def));
    } else if (missing && !list) {
        // A folder in its place, or a link into a folder that is gone: such a file is never
        // read nor written, and the program says so when it opens it.
        EXPECT_EQ(told.rfind("Could neither open nor create file " + target, 0), 0u) << told;
    } else {
        EXPECT_EQ(told.rfind("Could not save file " + target + " (", 0), 0u) << told;
        EXPECT_NE(told.find("the file on disk is unchanged"), std::string::npos) << told;
    }
    // The file itself is as it was, and nothing was left beside it. (The list of files the
    // program made, kept for its uninstall, may be new.)
    tFolder after = Snapshot(Folder());
    const std::string name = fs::path(target).filename().string();
    EXPECT_EQ(after[name], before.at(name)) << "the file changed";
    for (const auto& [entry, what] : after)
        EXPECT_TRUE(before.count(entry) || entry == "uninstallFiles.log") << entry << " was left behind";
    // A fault of the whole folder fails every file in it alike.
    if (needsDisk || c.Fault == eFault::RenameNoSpace || c.Fault == eFault::FlushIOError) {
        for (const auto& [entry, what] : before) EXPECT_EQ(after[entry], what) << entry << " changed";
    }
}

std::vector<TSaveCase> Cases() {
    const std::pair<eFile, const char*> files[] = {{eFile::MeasureFile, "MeasureFile"},
                                                   {eFile::TrackingFile, "TrackingFile"},
                                                   {eFile::Settings, "Settings"},
                                                   {eFile::Language, "Language"}};
    const std::pair<eFault, const char*> faults[] = {
        {eFault::DiskFullAtStart, "DiskFullAtStart"}, {eFault::DiskFullMidway, "DiskFullMidway"},
        {eFault::RenameNoSpace, "NoSpaceAtRename"},   {eFault::FlushIOError, "IOErrorAtFlush"},
        {eFault::FolderReadOnly, "FolderReadOnly"},   {eFault::Locked, "LockedByAnotherProcess"},
        {eFault::TargetIsFolder, "TargetIsFolder"},   {eFault::DanglingLink, "DanglingLink"}};
    static std::vector<std::string> names;
    std::vector<TSaveCase> out;
    names.reserve(std::size(files) * std::size(faults));
    for (const auto& [file, fileName] : files)
        for (const auto& [fault, faultName] : faults) {
            names.push_back(std::string(fileName) + "_" + faultName);
            out.push_back({file, fault, names.back().c_str()});
        }
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryFile, SaveFails, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TSaveCase>& info) {
                             return std::string(info.param.Name);
                         });

} // namespace

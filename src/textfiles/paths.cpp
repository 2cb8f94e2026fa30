#include "paths.h"

#include <filesystem>

#include "FileSystem.h"
#include "Folders.h"
#include "TextEncoding.h"
#include "Tools.h"

namespace fsys = vexo::platform;

tPaths Paths;

tPathsSystem SystemPathsSystem() {
    tPathsSystem s;
    s.ExecutableFolder = fsys::ExecutableFolder();
    s.UserDataFolder = fsys::UserConfigFolder();
    s.AllUsersFolder = fsys::AllUsersDocumentsFolder();
    s.UserKeyExists = [](const std::string& Key) { return fsys::ProgramKeyExists(false, Key); };
    s.MachineKeyExists = [](const std::string& Key) { return fsys::ProgramKeyExists(true, Key); };
    s.ExecutableFolderSystemOwned = fsys::SystemOwnedFolder(s.ExecutableFolder);
    return s;
}

std::string MakeReadOnlyConfigName(const std::string& ConfigFileName) {
    std::size_t dot = ConfigFileName.rfind('.');
    std::size_t sep = ConfigFileName.find_last_of("/\\");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return ConfigFileName + "RO";
    return ConfigFileName.substr(0, dot) + "RO" + ConfigFileName.substr(dot);
}

std::string JoinPath(const std::string& Folder, const std::string& Name) {
    if (Folder.empty()) return Name;
    char sep = fsys::PathSeparator();
    if (Folder.back() == sep || Folder.back() == '/') return Folder + Name;
    return Folder + sep + Name;
}

namespace {

// Makes Folder (and its parent when missing); true when it exists afterwards. The data folder
// above them may be missing too: a new account has no ~/.config until a program makes it.
bool MakeFolder(const std::string& Parent, const std::string& Folder) {
    const std::string dataFolder = Parent.substr(0, Parent.find_last_of("/\\"));
    if (!dataFolder.empty() && !fsys::DirectoryExists(dataFolder)) fsys::MakeDirectory(dataFolder);
    if (!fsys::DirectoryExists(Parent) && !fsys::MakeDirectory(Parent)) return false;
    return fsys::DirectoryExists(Folder) || fsys::MakeDirectory(Folder);
}

bool SameNameIgnoreCase(const std::string& a, const std::string& b) {
    return UpperCaseAscii(a) == UpperCaseAscii(b);
}

} // namespace

void tPaths::init(const std::string& ConfigFileName, const std::string& appName, bool allowAppPath) {
    init(ConfigFileName, appName, allowAppPath, SystemPathsSystem());
}

void tPaths::init(const std::string& ConfigFileName, const std::string& appName, bool allowAppPath,
                  const tPathsSystem& System) {
    this->appName = appName;
    configFileName = ConfigFileName;
    configFileNameRO = MakeReadOnlyConfigName(ConfigFileName);

    appPath = System.ExecutableFolder;
    while (appPath.size() > 1 && (appPath.back() == '/' || appPath.back() == fsys::PathSeparator()))
        appPath.pop_back();
    appPathWriteAccess = false;
    configPath = appPath;
    configFileFullName = JoinPath(configPath, configFileName);

    if (allowAppPath && !System.ExecutableFolderSystemOwned) {
        const std::string inApp = JoinPath(appPath, configFileName);
        if (fsys::FileExists(inApp)) {
            appPathWriteAccess = fsys::CanOpenForReadWrite(inApp);
        } else {
            const std::string probe = JoinPath(appPath, "tmp.txt");
            // Only a probe we made ourselves is deleted again; a user's tmp.txt stays.
            const bool existed = fsys::FileExists(probe);
            appPathWriteAccess = fsys::OpenOrCreate(probe);
            if (appPathWriteAccess && !existed) tmpFileList.push_back(probe);
        }
    }

    appDataPath = System.AllUsersFolder;
    userDataPath = System.UserDataFolder;
    userDirExists = false;
    appDirExists = false;
    const std::string userMaker = JoinPath(userDataPath, MakerFolderName);
    const std::string userDir = JoinPath(userMaker, appName);
    const std::string allMaker = JoinPath(appDataPath, MakerFolderName);
    const std::string allDir = JoinPath(allMaker, appName);
    if (!appDataPath.empty() && fsys::DirectoryExists(allMaker) && fsys::DirectoryExists(allDir))
        appDirExists = true;
    if (!userDataPath.empty() && fsys::DirectoryExists(userMaker) && fsys::DirectoryExists(userDir))
        userDirExists = true;

    regPath = std::string("\\SOFTWARE\\") + MakerFolderName + "\\" + appName;
    regUserExists = System.UserKeyExists && System.UserKeyExists(regPath);
    regAllUSerExists = System.MachineKeyExists && System.MachineKeyExists(regPath);

    const bool settingsInApp = fsys::FileExists(JoinPath(appPath, configFileName));
    if (appPathWriteAccess && settingsInApp) {
        configPath = appPath;
    } else if (regUserExists && !userDirExists && !userDataPath.empty() && MakeFolder(userMaker, userDir)) {
        configPath = userDir;
        userDirExists = true;
    } else if (regAllUSerExists && !appDirExists && !appDataPath.empty() && MakeFolder(allMaker, allDir)) {
        configPath = allDir;
        appDirExists = true;
    } else if (userDirExists) {
        configPath = userDir;
    } else if (appDirExists) {
        configPath = allDir;
    } else if (!appPathWriteAccess) {
        if (!userDataPath.empty() && MakeFolder(userMaker, userDir)) {
            configPath = userDir;
            userDirExists = true;
        }
    }

    uninstallFileList.clear();
    uninstallFileName.clear();
    if (configPath != appPath) {
        uninstallFileName = JoinPath(configPath, UninstallLogName);
        std::vector<std::string> lines;
        std::string error;
        if (fsys::FileExists(uninstallFileName) && ReadTextFileLines(uninstallFileName, lines, error)) {
            for (auto& line : lines)
                if (!line.empty()) uninstallFileList.push_back(line);
        }
    }

    deleteTmpFiles();
    configFileFullName = JoinPath(configPath, configFileName);
}

void tPaths::deleteTmpFiles() {
    for (const auto& file : tmpFileList)
        if (fsys::FileExists(file)) fsys::DeleteFileAt(file);
    tmpFileList.clear();
}

void tPaths::writeUninstallLog() {
    fsys::SetFileAttributesArchive(uninstallFileName);
    std::string error;
    WriteTextFileLines(uninstallFileName, uninstallFileList, error);
    fsys::SetFileAttributesHiddenArchive(uninstallFileName);
}

std::string tPaths::getFullFileName(const std::string& filename, bool needsWriteAccess) {
    if (!fsys::IsRelativePath(filename)) return filename;
    if (configPath != appPath && needsWriteAccess && !SameNameIgnoreCase(filename, UninstallLogName)) {
        bool listed = false;
        for (const auto& name : uninstallFileList) listed = listed || SameNameIgnoreCase(name, filename);
        if (!listed) {
            uninstallFileList.push_back(filename);
            writeUninstallLog();
        }
    }
    const std::string inConfig = JoinPath(configPath, filename);
    const std::string inApp = JoinPath(appPath, filename);
    if (appPathWriteAccess) return inApp;
    if (!fsys::FileExists(inConfig) && fsys::FileExists(inApp) && !needsWriteAccess) return inApp;
    return inConfig;
}

std::string tPaths::getAppFullFileName(const std::string& filename) const {
    return JoinPath(appPath, filename);
}

bool tPaths::deleteUserFile(const std::string& fileName) {
    if (configPath == appPath) return false;
    if (fileName.empty()) {
        bool removed = fsys::RemoveEmptyDirectory(configPath);
        // The maker folder goes too once nothing else is in it.
        for (std::filesystem::path p = fsys::PathFromText(configPath); p.has_relative_path();
             p = p.parent_path()) {
            if (p.filename() == MakerFolderName) {
                fsys::RemoveEmptyDirectory(fsys::TextFromPath(p));
                break;
            }
            if (p == p.parent_path()) break;
        }
        return removed;
    }
    const std::string full = getFullFileName(fileName, true);
    if (fsys::FileExists(full)) fsys::DeleteFileAt(full);
    return true;
}

bool tPaths::uninstallUserFiles() {
    if (configPath == appPath) return false;
    const std::vector<std::string> files = uninstallFileList;
    for (const auto& name : files) {
        // The log is a file anyone can edit: only plain names inside the folder are deleted.
        const std::filesystem::path p = fsys::PathFromText(name);
        bool plain = p.is_relative() && !p.has_root_name() && !p.has_root_directory();
        for (const auto& part : p) plain = plain && part != "..";
        if (plain) deleteUserFile(name);
    }
    deleteUserFile(UninstallLogName);
    return deleteUserFile("");
}

void tPaths::close() {
    uninstallFileList.clear();
}

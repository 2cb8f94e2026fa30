#pragma once
// Where the program keeps its settings and language files, and the log of the
// files it placed outside its own folder (for "-uninstall").
#include <functional>
#include <string>
#include <vector>

// What init asks of the system; tests hand in folders of their own.
struct tPathsSystem {
    std::string ExecutableFolder;
    std::string UserDataFolder;
    std::string AllUsersFolder;
    // Presence of the program's registry key under the user's and the machine's root.
    std::function<bool(const std::string& Key)> UserKeyExists;
    std::function<bool(const std::string& Key)> MachineKeyExists;
    // The program folder belongs to the system's package manager: it is never written, even by a
    // user who could (root), so nothing the program makes outlives the package's removal there.
    bool ExecutableFolderSystemOwned = false;
};

// The running program's folders; no registry key is ever present outside Windows.
tPathsSystem SystemPathsSystem();

inline constexpr const char* MakerFolderName = "zr4";
inline constexpr const char* UninstallLogName = "uninstallFiles.log";

struct tPaths {
    std::vector<std::string> tmpFileList;
    std::string appName;
    std::string appPath;
    bool appPathWriteAccess = false;
    std::string globalPath;
    std::string configFileName;
    std::string configFileFullName;
    std::string configFileNameRO;
    std::string configPath;
    std::string appDataPath;
    std::string userDataPath;
    bool userDirExists = false;
    bool appDirExists = false;
    std::string regPath;
    bool regUserExists = false;
    bool regAllUSerExists = false;
    std::vector<std::string> uninstallFileList;
    std::string uninstallFileName;

    void init(const std::string& ConfigFileName, const std::string& appName, bool allowAppPath);
    void init(const std::string& ConfigFileName, const std::string& appName, bool allowAppPath,
              const tPathsSystem& System);
    // Where a file is read (needsWriteAccess false) or written; logs written files for uninstalling.
    std::string getFullFileName(const std::string& filename, bool needsWriteAccess);
    std::string getAppFullFileName(const std::string& filename) const;
    // One file of the configuration folder; an empty name removes the (empty) folders.
    bool deleteUserFile(const std::string& fileName);
    bool uninstallUserFiles();
    void close();

private:
    void deleteTmpFiles();
    void writeUninstallLog();
};

extern tPaths Paths;

// "DRConfig.ini" gives "DRConfigRO.ini".
std::string MakeReadOnlyConfigName(const std::string& ConfigFileName);
// Folder, separator, name.
std::string JoinPath(const std::string& Folder, const std::string& Name);

#pragma once
// The folders the program keeps its files in.
#include <string>

namespace vexo::platform {

// Folder of the running program file, without trailing separator.
std::string ExecutableFolder();
// The user's own configuration folder: the roaming application data folder on
// Windows; $XDG_CONFIG_HOME, else ~/.config elsewhere. Empty when unknown.
std::string UserConfigFolder();
// A folder of installed, read-only files that only the package manager changes: below /usr or
// /opt outside Windows (the file-system hierarchy's read-only parts); never on Windows.
bool SystemOwnedFolder(const std::string& folder);
// The all-users documents folder; Windows only, empty elsewhere.
std::string AllUsersDocumentsFolder();
// Whether the program's own registry key (a path like "\\SOFTWARE\\maker\\name") can be
// opened read-only under the user's or the machine's root; never on systems without a registry.
bool ProgramKeyExists(bool MachineRoot, const std::string& Key);
// The simulated readers' D2XX-compatible library in the program folder, for --demo. It is loaded
// only by this full path and only on request: no library search finds it under its name.
std::string DemoReaderLibrary();
// Separator between a folder and a name.
char PathSeparator();

} // namespace vexo::platform

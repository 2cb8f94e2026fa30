#pragma once
// The folders the program keeps its files in.
#include <string>

namespace vexo::platform {

// Folder of the running program file, without trailing separator.
std::string ExecutableFolder();
// The user's own configuration folder: the roaming application data folder on
// Windows; $XDG_CONFIG_HOME, else ~/.config elsewhere. Empty when unknown.
std::string UserConfigFolder();
// The all-users documents folder; Windows only, empty elsewhere.
std::string AllUsersDocumentsFolder();
// Separator between a folder and a name.
char PathSeparator();

} // namespace vexo::platform

#pragma once
// A console program's arguments and output as UTF-8 text, whatever the OS hands it.
#include <string>
#include <vector>

namespace vexo::platform {

// The arguments after the program's name. Windows gives main() its ANSI code page, in which
// names beyond it are lost; the wide command line has them whole.
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Makes a Windows console show the program's UTF-8 output as such (it expects its OEM code
// page); nothing elsewhere.
void UseUtf8Console();
// Whether the error output is a terminal a person watches (progress is shown there only).
bool ErrorIsTerminal();

} // namespace vexo::platform

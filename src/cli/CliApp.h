#pragma once
// vexo-cli's run: the same main window logic, with its dialogs answered by the
// options and its messages printed, driven by a loop on this thread.
#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses.
enum : int { exDone = 0, exReaderFailed = 1, exUsage = 2, exFileFailed = 3 };

// Runs one vexo-cli command line (without the program name); returns the exit status. progress:
// a database read shows its progress on err, redrawn in place (err is a terminal).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress = false);

#pragma once
// The system messages of the text files (a file that cannot be opened or saved).
// The desktop program shows a message box, vexo-cli prints to standard error,
// tests collect them.
#include <string>

class tFileNotifier {
public:
    virtual ~tFileNotifier() = default;
    // A message with one OK button.
    virtual void ShowSystemMessage(const std::string& text, const std::string& caption) = 0;
};

// What the user is told when a file could not be written (reason: the platform's words).
std::string SaveFailedText(const std::string& path, const std::string& reason);

// The notifier used by files created without one: standard error until replaced.
tFileNotifier& DefaultFileNotifier();
// nullptr goes back to standard error. The notifier must outlive its use.
void SetDefaultFileNotifier(tFileNotifier* notifier);

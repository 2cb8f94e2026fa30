#include "FileNotifier.h"

#include <cstdio>

namespace {

class tStdErrNotifier : public tFileNotifier {
public:
    void ShowSystemMessage(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

tStdErrNotifier StdErrNotifier;
tFileNotifier* Current = &StdErrNotifier;

} // namespace

tFileNotifier& DefaultFileNotifier() {
    return *Current;
}

void SetDefaultFileNotifier(tFileNotifier* notifier) {
    Current = notifier ? notifier : &StdErrNotifier;
}

std::string SaveFailedText(const std::string& path, const std::string& reason) {
    return "Could not save file " + path + " (" + reason + "); the file on disk is unchanged.";
}

#pragma once
#include <string>
#include <utility>
#include <vector>

#include "FileNotifier.h"

// Collects the system messages instead of showing them.
struct CapturingNotifier : tFileNotifier {
    std::vector<std::pair<std::string, std::string>> Messages; // text, caption
    void ShowSystemMessage(const std::string& text, const std::string& caption) override {
        Messages.emplace_back(text, caption);
    }
};

#pragma once
// Read-only access to HKEY_LOCAL_MACHINE. Paths use backslashes; leading and trailing
// ones are ignored, and names compare without regard to case, as the registry does.
#include <memory>
#include <string>
#include <vector>

class IRegistry {
public:
    virtual ~IRegistry() = default;
    virtual bool KeyExists(const std::string& path) const = 0;
    // False when the key cannot be opened.
    virtual bool GetKeyNames(const std::string& path, std::vector<std::string>& names) const = 0;
    virtual bool GetValueNames(const std::string& path, std::vector<std::string>& names) const = 0;
    virtual bool ValueExists(const std::string& path, const std::string& name) const = 0;
    // False when the key or value is missing or the value holds no text.
    virtual bool ReadString(const std::string& path, const std::string& name, std::string& value) const = 0;
};

// The machine's registry; outside Windows an empty one (no key is ever present).
std::unique_ptr<IRegistry> CreateSystemRegistry();

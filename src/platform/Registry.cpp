#include "Registry.h"

#ifndef _WIN32
namespace {

// Off Windows there is no registry: no key is ever present.
class TNoRegistry final : public IRegistry {
public:
    bool KeyExists(const std::string&) const override { return false; }
    bool GetKeyNames(const std::string&, std::vector<std::string>& names) const override {
        names.clear();
        return false;
    }
    bool GetValueNames(const std::string&, std::vector<std::string>& names) const override {
        names.clear();
        return false;
    }
    bool ValueExists(const std::string&, const std::string&) const override { return false; }
    bool ReadString(const std::string&, const std::string&, std::string&) const override { return false; }
};

} // namespace

std::unique_ptr<IRegistry> CreateSystemRegistry() {
    return std::make_unique<TNoRegistry>();
}
#endif

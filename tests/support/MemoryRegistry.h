#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Registry.h"

// A registry held in memory: keys keep the order they were added in.
class TMemoryRegistry final : public IRegistry {
public:
    TMemoryRegistry();
    ~TMemoryRegistry() override;
    void AddKey(const std::string& path);
    void SetString(const std::string& path, const std::string& name, const std::string& value);

    bool KeyExists(const std::string& path) const override;
    bool GetKeyNames(const std::string& path, std::vector<std::string>& names) const override;
    bool GetValueNames(const std::string& path, std::vector<std::string>& names) const override;
    bool ValueExists(const std::string& path, const std::string& name) const override;
    bool ReadString(const std::string& path, const std::string& name, std::string& value) const override;

private:
    struct TNode;
    const TNode* Find(const std::string& path) const;
    TNode& Make(const std::string& path);
    std::unique_ptr<TNode> fRoot;
};

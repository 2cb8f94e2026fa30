#include "MemoryRegistry.h"

#include <utility>

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace

struct TMemoryRegistry::TNode {
    std::string name;
    std::vector<std::unique_ptr<TNode>> keys;
    std::vector<std::pair<std::string, std::string>> values;

    TNode* Child(const std::string& childName) const {
        for (auto& key : keys)
            if (SameName(key->name, childName)) return key.get();
        return nullptr;
    }
    const std::string* Value(const std::string& valueName) const {
        for (auto& value : values)
            if (SameName(value.first, valueName)) return &value.second;
        return nullptr;
    }
};

TMemoryRegistry::TMemoryRegistry() : fRoot(std::make_unique<TNode>()) {}
TMemoryRegistry::~TMemoryRegistry() = default;

const TMemoryRegistry::TNode* TMemoryRegistry::Find(const std::string& path) const {
    const TNode* node = fRoot.get();
    for (auto& part : SplitPath(path)) {
        node = node->Child(part);
        if (!node) return nullptr;
    }
    return node;
}

TMemoryRegistry::TNode& TMemoryRegistry::Make(const std::string& path) {
    TNode* node = fRoot.get();
    for (auto& part : SplitPath(path)) {
        TNode* child = node->Child(part);
        if (!child) {
            node->keys.push_back(std::make_unique<TNode>());
            child = node->keys.back().get();
            child->name = part;
        }
        node = child;
    }
    return *node;
}

void TMemoryRegistry::AddKey(const std::string& path) {
    Make(path);
}

void TMemoryRegistry::SetString(const std::string& path, const std::string& name, const std::string& value) {
    TNode& node = Make(path);
    for (auto& entry : node.values)
        if (SameName(entry.first, name)) {
            entry.second = value;
            return;
        }
    node.values.emplace_back(name, value);
}

bool TMemoryRegistry::KeyExists(const std::string& path) const {
    return Find(path) != nullptr;
}

bool TMemoryRegistry::GetKeyNames(const std::string& path, std::vector<std::string>& names) const {
    names.clear();
    const TNode* node = Find(path);
    if (!node) return false;
    for (auto& key : node->keys) names.push_back(key->name);
    return true;
}

bool TMemoryRegistry::GetValueNames(const std::string& path, std::vector<std::string>& names) const {
    names.clear();
    const TNode* node = Find(path);
    if (!node) return false;
    for (auto& value : node->values) names.push_back(value.first);
    return true;
}

bool TMemoryRegistry::ValueExists(const std::string& path, const std::string& name) const {
    const TNode* node = Find(path);
    return node && node->Value(name);
}

bool TMemoryRegistry::ReadString(const std::string& path, const std::string& name, std::string& value) const {
    value.clear();
    const TNode* node = Find(path);
    const std::string* found = node ? node->Value(name) : nullptr;
    if (!found) return false;
    value = *found;
    return true;
}

#include "settings/RegistryTree.h"

#include <algorithm>
#include <cstring>

#include "base/FixedText.h"

namespace velatrace {

namespace {

// Order of key paths: letter case ignored, and the separator sorts before every other
// character so that a key comes right before its own subkeys.
int PathOrderChar(char c) {
    if (c == '\\') {
        return 0;
    }
    if (c >= 'A' && c <= 'Z') {
        return static_cast<unsigned char>(c - 'A' + 'a');
    }
    return static_cast<unsigned char>(c);
}

bool PathLess(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = PathOrderChar(a[i]);
        const int cb = PathOrderChar(b[i]);
        if (ca != cb) {
            return ca < cb;
        }
    }
    return a.size() < b.size();
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && !PathLess(a, b) && !PathLess(b, a);
}

// Names with control characters are refused: they could not be written as one line of the
// export file.
bool HasControlChar(std::string_view name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return true;
        }
    }
    return false;
}

}  // namespace

RegKeyNode& RegistryTree::KeyAt(std::string_view fullPath) {
    auto at = std::lower_bound(
        keys_.begin(), keys_.end(), fullPath,
        [](const RegKeyNode& node, std::string_view path) { return PathLess(node.path, path); });
    if (at != keys_.end() && SameName(at->path, fullPath)) {
        return *at;
    }
    changed_ = true;
    return *keys_.insert(at, RegKeyNode{std::string(fullPath), {}});
}

RegKeyNode* RegistryTree::Find(std::string_view fullPath) {
    for (RegKeyNode& node : keys_) {
        if (SameName(node.path, fullPath)) {
            return &node;
        }
    }
    return nullptr;
}

void RegistryTree::RemoveKeyTree(std::string_view fullPath) {
    const std::string below = std::string(fullPath) + "\\";
    const size_t before = keys_.size();
    std::erase_if(keys_, [&](const RegKeyNode& node) {
        return SameName(node.path, fullPath) || StartsWithNoCase(node.path.c_str(), below.c_str());
    });
    if (keys_.size() != before) {
        changed_ = true;
        valuesChanged_ = true;
    }
}

bool RegistryTree::PutValue(RegKeyNode& node, std::string_view name, uint32_t type,
                            std::vector<uint8_t> data) {
    for (RegValue& value : node.values) {
        if (SameName(value.name, name)) {
            if (value.type == type && value.data == data) {
                return false;
            }
            value.type = type;
            value.data = std::move(data);
            return true;
        }
    }
    node.values.push_back(RegValue{std::string(name), type, std::move(data)});
    return true;
}

bool RegistryTree::RemoveValue(RegKeyNode& node, std::string_view name) {
    return std::erase_if(node.values, [&](const RegValue& v) { return SameName(v.name, name); }) >
           0;
}

bool RegistryTree::PathOf(RegKey key, std::string* path) const {
    if (key == kCurrentUser) {
        *path = kCurrentUserName;
        return true;
    }
    auto it = open_.find(key);
    if (it == open_.end()) {
        return false;
    }
    *path = it->second;
    return true;
}

bool RegistryTree::JoinPath(RegKey parent, const char* subKey, std::string* path) const {
    if (!PathOf(parent, path)) {
        return false;
    }
    std::string_view rest = subKey != nullptr ? subKey : "";
    if (HasControlChar(rest)) {
        return false;
    }
    while (!rest.empty()) {
        const size_t cut = rest.find('\\');
        const std::string_view part = rest.substr(0, cut);
        if (!part.empty()) {
            *path += '\\';
            *path += part;
        }
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    return true;
}

bool RegistryTree::Exists(const std::string& path) const {
    if (SameName(path, kCurrentUserName)) {
        return true;
    }
    const std::string below = path + "\\";
    for (const RegKeyNode& node : keys_) {
        if (SameName(node.path, path) || StartsWithNoCase(node.path.c_str(), below.c_str())) {
            return true;
        }
    }
    return false;
}

RegKey RegistryTree::NewHandle(const std::string& path) {
    RegKey handle = nextHandle_++;
    if (nextHandle_ == kCurrentUser) {
        ++nextHandle_;
    }
    open_[handle] = path;
    return handle;
}

int32_t RegistryTree::CreateKey(RegKey parent, const char* subKey, RegKey* key) {
    std::string path;
    if (key == nullptr) {
        return reg::kInvalidParameter;
    }
    if (!PathOf(parent, &path)) {
        return reg::kInvalidHandle;
    }
    if (!JoinPath(parent, subKey, &path)) {
        return reg::kInvalidParameter;
    }
    KeyAt(path);
    *key = NewHandle(path);
    return reg::kSuccess;
}

int32_t RegistryTree::OpenKey(RegKey parent, const char* subKey, RegKey* key) {
    std::string path;
    if (key == nullptr) {
        return reg::kInvalidParameter;
    }
    if (!PathOf(parent, &path)) {
        return reg::kInvalidHandle;
    }
    if (!JoinPath(parent, subKey, &path)) {
        return reg::kInvalidParameter;
    }
    if (!Exists(path)) {
        return reg::kFileNotFound;
    }
    *key = NewHandle(path);
    return reg::kSuccess;
}

int32_t RegistryTree::CloseKey(RegKey key) {
    if (key == kCurrentUser) {
        return reg::kSuccess;
    }
    return open_.erase(key) > 0 ? reg::kSuccess : reg::kInvalidHandle;
}

int32_t RegistryTree::SetValue(RegKey key, const char* name, uint32_t type, const void* data,
                               uint32_t size) {
    std::string path;
    if (!PathOf(key, &path)) {
        return reg::kInvalidHandle;
    }
    if ((data == nullptr && size != 0) || (name != nullptr && HasControlChar(name))) {
        return reg::kInvalidParameter;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> copy(bytes, bytes + size);
    if (PutValue(KeyAt(path), name != nullptr ? name : "", type, std::move(copy))) {
        changed_ = true;
        valuesChanged_ = true;
    }
    return reg::kSuccess;
}

int32_t RegistryTree::QueryValue(RegKey key, const char* name, uint32_t* type, void* data,
                                 uint32_t* size) {
    std::string path;
    if (!PathOf(key, &path)) {
        return reg::kInvalidHandle;
    }
    if (data != nullptr && size == nullptr) {
        return reg::kInvalidParameter;
    }
    const RegKeyNode* node = Find(path);
    if (node == nullptr) {
        return reg::kFileNotFound;
    }
    const std::string_view wanted = name != nullptr ? name : "";
    for (const RegValue& value : node->values) {
        if (!SameName(value.name, wanted)) {
            continue;
        }
        const auto stored = static_cast<uint32_t>(value.data.size());
        if (type != nullptr) {
            *type = value.type;
        }
        if (data != nullptr && *size < stored) {
            *size = stored;
            return reg::kMoreData;
        }
        if (data != nullptr && stored > 0) {
            std::memcpy(data, value.data.data(), stored);
        }
        if (size != nullptr) {
            *size = stored;
        }
        return reg::kSuccess;
    }
    return reg::kFileNotFound;
}

int32_t RegistryTree::DeleteValue(RegKey key, const char* name) {
    std::string path;
    if (!PathOf(key, &path)) {
        return reg::kInvalidHandle;
    }
    RegKeyNode* node = Find(path);
    if (node == nullptr || !RemoveValue(*node, name != nullptr ? name : "")) {
        return reg::kFileNotFound;
    }
    changed_ = true;
    valuesChanged_ = true;
    return reg::kSuccess;
}

int32_t RegistryTree::EnumValue(RegKey key, uint32_t index, char* name, uint32_t* nameSize) {
    std::string path;
    if (!PathOf(key, &path)) {
        return reg::kInvalidHandle;
    }
    if (name == nullptr || nameSize == nullptr) {
        return reg::kInvalidParameter;
    }
    const RegKeyNode* node = Find(path);
    if (node == nullptr || index >= node->values.size()) {
        return reg::kNoMoreItems;
    }
    const std::string& found = node->values[index].name;
    if (found.size() + 1 > *nameSize) {
        return reg::kMoreData;
    }
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = static_cast<uint32_t>(found.size());
    return reg::kSuccess;
}

}  // namespace velatrace

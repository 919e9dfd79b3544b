#include "settings/RegistryWin32.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace velatrace {

namespace {

HKEY ToHkey(RegKey key) {
    // The one predefined root the program uses keeps its own handle value.
    return key == kCurrentUser ? HKEY_CURRENT_USER : reinterpret_cast<HKEY>(key);
}

RegKey FromHkey(HKEY key) {
    return reinterpret_cast<RegKey>(key);
}

// The system's text for a registry result code, without its line end.
std::string SystemText(int32_t error) {
    char text[256] = {};
    const DWORD n =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    std::string s(text, n < sizeof text ? n : 0);
    while (!s.empty() &&
           (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) {
        s.pop_back();
    }
    return s.empty() ? "error " + std::to_string(error) : s;
}

}  // namespace

std::string RegistryWin32::PathOf(RegKey key) const {
    if (key == kCurrentUser) {
        return "HKEY_CURRENT_USER";
    }
    const auto found = open_.find(key);
    return found == open_.end() ? std::string() : found->second.path;
}

void RegistryWin32::SaveFailed(const std::string& where, int32_t error) {
    problem_ = "The settings cannot be saved to the registry at " + where + " (" +
               SystemText(error) + ").\nChanges are kept until the program ends.";
    std::fprintf(stderr, "velatrace: %s\n", problem_.c_str());
}

int32_t RegistryWin32::CreateKey(RegKey parent, const char* subKey, RegKey* key) {
    if (key == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY opened = nullptr;
    const LONG result =
        ::RegCreateKeyExA(ToHkey(parent), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &opened, nullptr);
    std::string path = PathOf(parent);
    if (subKey != nullptr && subKey[0] != '\0') {
        path += std::string("\\") + subKey;
    }
    if (result != ERROR_SUCCESS) {
        SaveFailed(path, static_cast<int32_t>(result));
        return static_cast<int32_t>(result);
    }
    *key = FromHkey(opened);
    open_[*key] = OpenKeyState{std::move(path)};
    return ERROR_SUCCESS;
}

int32_t RegistryWin32::OpenKey(RegKey parent, const char* subKey, RegKey* key) {
    if (key == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyExA(ToHkey(parent), subKey, 0, KEY_READ | KEY_WRITE, &opened);
    if (result == ERROR_SUCCESS) {
        *key = FromHkey(opened);
        std::string path = PathOf(parent);
        if (subKey != nullptr && subKey[0] != '\0') {
            path += std::string("\\") + subKey;
        }
        open_[*key] = OpenKeyState{std::move(path)};
    }
    return static_cast<int32_t>(result);
}

int32_t RegistryWin32::CloseKey(RegKey key) {
    if (key == kCurrentUser) {
        return ERROR_SUCCESS;
    }
    const auto found = open_.find(key);
    if (found != open_.end()) {
        // A group of values saved whole mends an earlier refusal.
        if (found->second.wrote && !found->second.failed) {
            problem_.clear();
        }
        open_.erase(found);
    }
    return static_cast<int32_t>(::RegCloseKey(ToHkey(key)));
}

int32_t RegistryWin32::SetValue(RegKey key, const char* name, uint32_t type, const void* data,
                                uint32_t size) {
    const auto result = static_cast<int32_t>(
        ::RegSetValueExA(ToHkey(key), name, 0, static_cast<DWORD>(type),
                         static_cast<const BYTE*>(data), static_cast<DWORD>(size)));
    const auto found = open_.find(key);
    if (found != open_.end()) {
        found->second.wrote = true;
        found->second.failed = found->second.failed || result != ERROR_SUCCESS;
    }
    if (result != ERROR_SUCCESS) {
        SaveFailed(PathOf(key) + " \"" + (name != nullptr ? name : "") + "\"", result);
    }
    return result;
}

int32_t RegistryWin32::QueryValue(RegKey key, const char* name, uint32_t* type, void* data,
                                  uint32_t* size) {
    DWORD storedType = 0;
    if (data == nullptr) {
        DWORD needed = 0;
        const LONG result =
            ::RegQueryValueExA(ToHkey(key), name, nullptr, &storedType, nullptr, &needed);
        if (result == ERROR_SUCCESS) {
            if (type != nullptr) {
                *type = storedType;
            }
            if (size != nullptr) {
                *size = needed;
            }
        }
        return static_cast<int32_t>(result);
    }
    if (size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    // The registry may scribble on a buffer that turns out too small; read into a scratch
    // buffer so the caller's field keeps its default unless the whole value fits.
    std::vector<BYTE> scratch(*size > 0 ? *size : 1);
    DWORD count = *size;
    const LONG result =
        ::RegQueryValueExA(ToHkey(key), name, nullptr, &storedType, scratch.data(), &count);
    if (result == ERROR_SUCCESS) {
        if (count > *size) {  // never copy more than the caller's buffer holds
            *size = count;
            return reg::kMoreData;
        }
        std::memcpy(data, scratch.data(), count);
        if (type != nullptr) {
            *type = storedType;
        }
    } else if (result == ERROR_MORE_DATA && type != nullptr) {
        *type = storedType;
    }
    if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        *size = count;
    }
    return static_cast<int32_t>(result);
}

int32_t RegistryWin32::DeleteValue(RegKey key, const char* name) {
    return static_cast<int32_t>(::RegDeleteValueA(ToHkey(key), name));
}

int32_t RegistryWin32::EnumValue(RegKey key, uint32_t index, char* name, uint32_t* nameSize) {
    if (name == nullptr || nameSize == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD count = *nameSize;
    const LONG result = ::RegEnumValueA(ToHkey(key), static_cast<DWORD>(index), name, &count,
                                        nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_SUCCESS) {
        *nameSize = count;
    }
    return static_cast<int32_t>(result);
}

}  // namespace velatrace

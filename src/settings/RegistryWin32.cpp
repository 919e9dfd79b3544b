#include "settings/RegistryWin32.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

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

}  // namespace

int32_t RegistryWin32::CreateKey(RegKey parent, const char* subKey, RegKey* key) {
    if (key == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY opened = nullptr;
    const LONG result =
        ::RegCreateKeyExA(ToHkey(parent), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &opened, nullptr);
    if (result == ERROR_SUCCESS) {
        *key = FromHkey(opened);
    }
    return static_cast<int32_t>(result);
}

int32_t RegistryWin32::OpenKey(RegKey parent, const char* subKey, RegKey* key) {
    if (key == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyExA(ToHkey(parent), subKey, 0, KEY_READ | KEY_WRITE, &opened);
    if (result == ERROR_SUCCESS) {
        *key = FromHkey(opened);
    }
    return static_cast<int32_t>(result);
}

int32_t RegistryWin32::CloseKey(RegKey key) {
    if (key == kCurrentUser) {
        return ERROR_SUCCESS;
    }
    return static_cast<int32_t>(::RegCloseKey(ToHkey(key)));
}

int32_t RegistryWin32::SetValue(RegKey key, const char* name, uint32_t type, const void* data,
                                uint32_t size) {
    return static_cast<int32_t>(::RegSetValueExA(ToHkey(key), name, 0, static_cast<DWORD>(type),
                                                 static_cast<const BYTE*>(data),
                                                 static_cast<DWORD>(size)));
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

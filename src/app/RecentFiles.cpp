#include "app/RecentFiles.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/FixedText.h"
#include "base/TextCatalog.h"
#include "settings/RegistryKey.h"

namespace velatrace {

namespace {

constexpr const char* kRootKey = "Software\\Korvex\\Velatrace";
constexpr const char* kListKey = "Recent Document List";
constexpr const char* kListPath = "Software\\Korvex\\Velatrace\\Recent Document List";
constexpr const char* kCountValue = "DocumentCount";
constexpr size_t kValueNameSize = 16;

void DocumentName(char (&name)[kValueNameSize], int32_t i) {
    FormatText(name, sizeof name, "Document%i", static_cast<int>(i));
}

}  // namespace

void RecentFiles::SetMaxEntries(int32_t count) {
    max_ = std::clamp(count, kRecentMinEntries, kRecentMaxEntries);
}

const char* RecentFiles::MostRecent(int32_t position) const {
    if (position < 0 || position >= count_) {
        return nullptr;
    }
    return entries_[count_ - 1 - position];
}

bool RecentFiles::Add(const char* path) {
    if (path == nullptr || path[0] == '\0' || std::strlen(path) >= kRecentPathSize) {
        return false;
    }
    char copy[kRecentPathSize];
    CopyText(copy, path);
    for (int32_t i = 0; i < count_; ++i) {
        if (EqualsNoCase(entries_[i], copy)) {
            RemoveAt(i);
            break;
        }
    }
    while (count_ > 0 && count_ >= max_) {
        RemoveAt(0);
    }
    CopyText(entries_[count_], copy);
    ++count_;
    return true;
}

void RecentFiles::RemoveAt(int32_t index) {
    for (int32_t i = index; i + 1 < count_; ++i) {
        std::memcpy(entries_[i], entries_[i + 1], kRecentPathSize);
    }
    --count_;
    entries_[count_][0] = '\0';
}

int32_t RecentFiles::IndexOfCommand(uint32_t commandId) const {
    if (commandId < kRecentFirstId || commandId > kRecentLastId) {
        return -1;
    }
    const int32_t index = count_ - static_cast<int32_t>(commandId - kRecentFirstId) - 1;
    return index >= 0 && index < count_ ? index : -1;
}

bool RecentFiles::Remove(uint32_t commandId) {
    const int32_t index = IndexOfCommand(commandId);
    if (index < 0) {
        return false;
    }
    RemoveAt(index);
    return true;
}

void RecentFiles::SetEmptyText(const char* text) {
    CopyText(emptyText_, text != nullptr && text[0] != '\0' ? text : kRecentEmptyText);
}

int32_t RecentFiles::MenuItems(RecentMenuItem (&items)[kRecentMaxEntries]) const {
    if (count_ == 0) {
        items[0].id = kRecentFirstId;
        CopyText(items[0].text, emptyText_);
        items[0].enabled = false;
        return 1;
    }
    for (int32_t p = 0; p < count_; ++p) {
        items[p].id = kRecentFirstId + static_cast<uint32_t>(p);
        FormatText(items[p].text, sizeof items[p].text, "&%i %s", static_cast<int>(p + 1),
                   MostRecent(p));
        items[p].enabled = true;
    }
    return count_;
}

void RecentFiles::ReadFromRegistry(RegistryStore& registry) {
    count_ = 0;
    RegistryKey key(registry);
    if (!key.Open(kCurrentUser, kListPath) || !key.HasValue(kCountValue)) {
        return;
    }
    int32_t stored = 0;
    key.ReadDword(kCountValue, stored);
    SetMaxEntries(stored);
    char name[kValueNameSize];
    for (int32_t i = max_; i >= 1; --i) {
        DocumentName(name, i);
        char path[kRecentPathSize] = {};
        key.ReadText(name, path, sizeof path);
        if (path[0] != '\0') {
            Add(path);
        }
    }
}

void RecentFiles::WriteToRegistry(RegistryStore& registry) const {
    RegistryKey root(registry);
    if (!root.Create(kCurrentUser, kRootKey)) {
        return;
    }
    RegistryKey key(registry);
    if (!key.Create(root.Handle(), kListKey)) {
        return;
    }
    key.WriteDword(kCountValue, max_);
    char name[kValueNameSize];
    for (int32_t i = count_; i >= 1; --i) {
        DocumentName(name, i);
        key.WriteText(name, MostRecent(i - 1));
    }
    // Every slot the list can have is cleared above the entries, so no dropped file comes
    // back as the oldest entry on the next start.
    for (int32_t i = count_ + 1; i <= kRecentMaxEntries; ++i) {
        DocumentName(name, i);
        key.DeleteValue(name);
    }
}

void RecentFiles::Restore(RegistryStore& registry) {
    ReadFromRegistry(registry);
    if (max_ < kRecentKeptEntries) {
        SetMaxEntries(kRecentKeptEntries);
        WriteToRegistry(registry);
    }
}

int32_t RecentFileKind(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        return kOpenClip;
    }
    const char* dot = std::strrchr(path + 1, '.');
    return dot != nullptr && StartsWithNoCase(dot + 1, "csv") ? kOpenWave : kOpenClip;
}

bool RecentFileExists(const char* path) {
    if (path == nullptr || path[0] == '\0' || std::strlen(path) >= kRecentPathSize) {
        return false;
    }
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(path), ec);
}

void OpenRecentFile(RecentFiles& list, uint32_t commandId, UserPrompts& user,
                    RegistryStore& registry, const OpenPairFunction& openPair) {
    const int32_t index = list.IndexOfCommand(commandId);
    if (index < 0) {
        return;
    }
    char path[kRecentPathSize];
    CopyText(path, list.MostRecent(list.Count() - 1 - index));
    list.Remove(commandId);
    if (RecentFileExists(path)) {
        list.Add(path);
        if (openPair) {
            openPair(path, RecentFileKind(path));
        }
    } else {
        user.Beep(MessageKind::Information);
        char text[kRecentPathSize + 16];
        FormatText(text, sizeof text, Text(TextId::NotFound), path);
        user.Tell(text, MessageKind::Information, Buttons::Ok);
    }
    list.WriteToRegistry(registry);
}

}  // namespace velatrace

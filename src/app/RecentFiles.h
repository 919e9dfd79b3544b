#pragma once
// The recent-file list of the File menu: the last opened clips and wave files, oldest first in
// memory, most recent first in the menu and in its registry copy under
// HKEY_CURRENT_USER\Software\Korvex\Velatrace\Recent Document List.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "base/TextCatalog.h"
#include "base/UserPrompts.h"
#include "settings/RegistryStore.h"

namespace velatrace {

inline constexpr uint32_t kRecentFirstId = 57616;  // the most recent file's menu item
inline constexpr uint32_t kRecentLastId = 57631;
inline constexpr int32_t kRecentMinEntries = 2;
inline constexpr int32_t kRecentMaxEntries = 16;
inline constexpr int32_t kRecentStartEntries = 4;  // before the registry is read
inline constexpr int32_t kRecentKeptEntries = 8;   // a smaller stored maximum is raised to this
inline constexpr size_t kRecentPathSize = 260;
inline constexpr size_t kRecentMenuTextSize = 272;  // "&16 " and a 259-character path
inline constexpr const char* kRecentEmptyText = QT_TRANSLATE_NOOP("Command", "(empty)");

// What a chosen file opens as.
inline constexpr int32_t kOpenClip = 1;
inline constexpr int32_t kOpenWave = 2;

struct RecentMenuItem {
    uint32_t id = 0;
    char text[kRecentMenuTextSize] = {};
    bool enabled = false;
};

class RecentFiles {
  public:
    // Sets the maximum number of entries, clamped to 2..16. Entries beyond it stay until the
    // next Add makes room.
    void SetMaxEntries(int32_t count);
    int32_t MaxEntries() const { return max_; }
    int32_t Count() const { return count_; }
    // The entry at `position` counted from the most recent (0); nullptr outside the list.
    const char* MostRecent(int32_t position) const;

    // Puts a path at the most recent end. An entry equal to it, letter case ignored, is removed
    // first; a full list drops its oldest entry. A path of 260 bytes or more is not taken (cut,
    // it would name another file): false then.
    bool Add(const char* path);
    // Drops the entry shown under a menu ID; false when the ID shows no entry.
    bool Remove(uint32_t commandId);
    // The entry shown under a menu ID (0 = oldest), or -1.
    int32_t IndexOfCommand(uint32_t commandId) const;

    // The text of the placeholder item shown while the list is empty; "(empty)" when empty.
    void SetEmptyText(const char* text);
    // The submenu's items in menu order: the most recent file first with ID 57616, each reading
    // "&<position> <path>"; with no entries, one disabled placeholder item. Returns the count.
    int32_t MenuItems(RecentMenuItem (&items)[kRecentMaxEntries]) const;

    // Replaces the list with the registry copy; a missing key or "DocumentCount" leaves it
    // empty with the maximum unchanged.
    void ReadFromRegistry(RegistryStore& registry);
    void WriteToRegistry(RegistryStore& registry) const;
    // The start-up read: after reading, a maximum below 8 is raised to 8 and written back.
    void Restore(RegistryStore& registry);

  private:
    void RemoveAt(int32_t index);

    char entries_[kRecentMaxEntries][kRecentPathSize] = {};  // oldest first
    int32_t count_ = 0;
    int32_t max_ = kRecentStartEntries;
    char emptyText_[kRecentPathSize] = "(empty)";
};

// kOpenWave when the path has a "." after its first character and the text after the last "."
// begins with "csv" (letter case ignored), else kOpenClip.
int32_t RecentFileKind(const char* path);
// Whether the path is shorter than 260 characters and names something that exists.
bool RecentFileExists(const char* path);

// Opens a recorded pair from a path with a kind; true when it opened.
using OpenPairFunction = std::function<bool(const char* path, int32_t kind)>;

// The recent-file command (57616..57631). An entry whose file still exists moves to the top and
// is opened; a vanished one is dropped with the message "<path> not found". Either way the list
// is written to the registry. The caller rebuilds the menu from MenuItems() afterwards.
void OpenRecentFile(RecentFiles& list, uint32_t commandId, UserPrompts& user,
                    RegistryStore& registry, const OpenPairFunction& openPair);

}  // namespace velatrace

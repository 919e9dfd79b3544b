#include "app/RecentFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "settings/RegistryProbe.h"
#include "settings/RegistryTree.h"
#include "support/FakeHost.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

using testing::DwordValue;
using testing::RawValue;

constexpr const char* kList = "Software\\Korvex\\Velatrace\\Recent Document List";

std::vector<std::string> Newest(const RecentFiles& list) {
    std::vector<std::string> paths;
    for (int32_t p = 0; p < list.Count(); ++p) {
        paths.emplace_back(list.MostRecent(p));
    }
    return paths;
}

std::string Stored(RegistryStore& registry, const char* name) {
    auto bytes = RawValue(registry, kList, name);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
}

TEST(RecentFiles, AddKeepsOneEntryPerPathAndDropsTheOldest) {
    RecentFiles list;
    list.SetMaxEntries(8);
    for (int i = 1; i <= 8; ++i) {
        list.Add(("/clips/run_0" + std::to_string(i) + ".avi").c_str());
    }
    list.Add("/CLIPS/Run_03.AVI");  // the same file in other letter case moves to the top
    list.Add("/clips/run_09.avi");  // run_01, the oldest, goes
    EXPECT_EQ(std::tuple(list.Count(), Newest(list)[1], Newest(list).back()),
              std::tuple(8, "/CLIPS/Run_03.AVI", "/clips/run_02.avi"));

    EXPECT_TRUE(list.Remove(57617));  // the second most recent
    EXPECT_EQ(Newest(list)[1], "/clips/run_08.avi");
    EXPECT_FALSE(list.Remove(57616 + 7));
    EXPECT_FALSE(list.Remove(57615));

    // A path that does not fit is not taken: cut, it would name another file.
    std::string deep = "/clips/";
    for (int i = 0; i < 90; ++i) {
        deep += "記";  // 101 characters, 281 bytes
    }
    EXPECT_FALSE(list.Add((deep + ".avi").c_str()));
    EXPECT_EQ(list.Count(), 7);
}

TEST(RecentFiles, TheStoredMaximumIsClampedAndRaisedToEight) {
    // A first start keeps eight entries; only a stored maximum below 8 is written back.
    for (const auto& [stored, read] : {std::pair{0, 4}, {1, 2}, {20, 16}, {-3, 2}, {12, 12}}) {
        RegistryTree registry;
        if (stored != 0)
            testing::PutDword(registry, kList, "DocumentCount", stored);
        RecentFiles list;
        list.ReadFromRegistry(registry);
        EXPECT_EQ(list.MaxEntries(), read) << stored;
        list.Restore(registry);
        EXPECT_EQ(DwordValue(registry, kList, "DocumentCount"), read < 8 ? 8 : stored) << stored;
    }
}

TEST(RecentFiles, TheRegistryCopyListsTheMostRecentFirstAndNoStaleEntry) {
    RegistryTree registry;
    RecentFiles list;
    list.SetMaxEntries(16);
    for (int i = 1; i <= 16; ++i) {
        list.Add(("/c/" + std::to_string(i) + ".avi").c_str());
    }
    list.WriteToRegistry(registry);
    EXPECT_EQ(Stored(registry, "Document1"), std::string("/c/16.avi\0", 10));
    EXPECT_EQ(Stored(registry, "Document16"), std::string("/c/1.avi\0", 9));

    list.Remove(kRecentFirstId + 15);  // the oldest
    list.Remove(kRecentFirstId);       // the newest
    list.WriteToRegistry(registry);
    EXPECT_EQ(Stored(registry, "Document14"), std::string("/c/2.avi\0", 9));
    EXPECT_EQ(Stored(registry, "Document15"), "<missing>");
    EXPECT_EQ(Stored(registry, "Document16"), "<missing>");

    list.Add("/計測/記録_01.avi");  // a Japanese folder and name come back as they went
    list.WriteToRegistry(registry);
    RecentFiles restarted;
    restarted.Restore(registry);
    EXPECT_EQ(Newest(restarted), Newest(list));
    EXPECT_EQ(Newest(restarted)[0], "/計測/記録_01.avi");
    EXPECT_EQ(restarted.MaxEntries(), 16);

    // Missing and empty slots are skipped; a missing "DocumentCount" reads nothing.
    RegistryTree gaps;
    testing::PutDword(gaps, kList, "DocumentCount", 4);
    testing::PutText(gaps, kList, "Document4", "/old.avi");
    testing::PutText(gaps, kList, "Document2", "");
    testing::PutText(gaps, kList, "Document1", "/new.csv");
    RecentFiles sparse;
    sparse.ReadFromRegistry(gaps);
    EXPECT_EQ(Newest(sparse), (std::vector<std::string>{"/new.csv", "/old.avi"}));
    RegistryTree uncounted;
    testing::PutText(uncounted, kList, "Document1", "/new.csv");
    RecentFiles none;
    none.ReadFromRegistry(uncounted);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(none.MaxEntries(), 4);
}

TEST(RecentFiles, TheRecentCommandOpensAnExistingFileAndDropsAVanishedOne) {
    // The kind follows the text after the last dot, which must follow the first character.
    for (const char* wave : {"/data/RUN.CSV", "/data/run.csvx", "/data.csv/run"}) {
        EXPECT_EQ(RecentFileKind(wave), kOpenWave) << wave;
    }
    for (const char* clip : {"/data/run.avi", "/data/run", ".csv", ""}) {
        EXPECT_EQ(RecentFileKind(clip), kOpenClip) << clip;
    }

    testing::TempFolder dir;
    dir.Write("kept.csv", "x");
    const std::string kept = dir.File("kept.csv");
    const std::string gone = dir.File("gone.avi");
    RegistryTree registry;
    RecentFiles list;
    list.SetMaxEntries(8);
    list.Add(kept.c_str());
    list.Add(gone.c_str());
    testing::FakeUser user;
    std::vector<std::pair<std::string, int32_t>> opened;
    const OpenPairFunction open = [&](const char* path, int32_t kind) {
        opened.emplace_back(path, kind);
        return true;
    };

    OpenRecentFile(list, kRecentFirstId + 1, user, registry, open);  // kept.csv
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], std::make_pair(kept, kOpenWave));
    EXPECT_EQ(Newest(list), (std::vector<std::string>{kept, gone}));
    EXPECT_TRUE(user.boxes.empty());
    EXPECT_EQ(Stored(registry, "Document1"), kept + '\0');

    OpenRecentFile(list, kRecentFirstId + 1, user, registry, open);  // gone.avi
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(Newest(list), (std::vector<std::string>{kept}));
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text, gone + " not found");
    EXPECT_EQ(Stored(registry, "Document2"), "<missing>");

    OpenRecentFile(list, kRecentFirstId + 5, user, registry, open);  // shows no entry
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(RecentFileExists(std::string(300, 'a').c_str()));
}

}  // namespace
}  // namespace velatrace

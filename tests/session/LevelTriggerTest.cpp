// Level triggers on a channel's values: a start at each crossing, an end past the hysteresis,
// nothing in between, and the numbers they are kept as.
#include "session/LevelTrigger.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace velatrace {
namespace {

// Feeds channel `channel`'s values one record at a time; the record indexes at which trigger 1
// started and cleared.
struct Seen {
    std::vector<int> starts, clears;
};
Seen Feed(LevelTriggers& t, int channel, const std::vector<double>& values) {
    Seen seen;
    double row[kTriggerChannels] = {};
    for (size_t k = 0; k < values.size(); ++k) {
        row[channel - 1] = values[k];
        const LevelTriggers::Events e = t.Feed(row, kTriggerChannels);
        if (e.started & 1u)
            seen.starts.push_back(static_cast<int>(k));
        if (e.cleared & 1u)
            seen.clears.push_back(static_cast<int>(k));
    }
    return seen;
}

std::vector<double> Square(double low, double high, int half, int periods) {
    std::vector<double> v;
    for (int p = 0; p < periods; ++p) {
        v.insert(v.end(), half, low);
        v.insert(v.end(), half, high);
    }
    return v;
}

TEST(LevelTrigger, StartsAtEachCrossingEndsPastTheHysteresisAndNeverChatters) {
    LevelTriggers t;
    LevelTriggerSetting s[kLevelTriggers] = {{1, 3, kTriggerAbove, 2.0, 0.5}};
    t.Configure(s);
    Seen seen = Feed(t, 3, Square(0.0, 5.0, 5, 3));
    EXPECT_EQ(seen.starts, (std::vector<int>{5, 15, 25}));
    EXPECT_EQ(seen.clears, (std::vector<int>{10, 20}));
    EXPECT_TRUE(t.AnyActive());

    // Inside the band nothing happens; leaving it ends, reaching the level again starts.
    t.Configure(s);
    seen = Feed(t, 3, {1.0, 2.0, 1.6, 1.9, 2.4, 1.5, 3.0, 1.49, 1.99, 2.0});
    EXPECT_EQ(seen.starts, (std::vector<int>{1, 9}));
    EXPECT_EQ(seen.clears, (std::vector<int>{7}));

    // Below is the mirror image; a value already past the level when watching begins is no
    // crossing, and a record without a reading (NaN) changes nothing.
    s[0] = {1, 10, kTriggerBelow, -1.0, 0.25};
    t.Configure(s);
    seen = Feed(t, 10, {-3.0, -2.0, 0.0, NAN, -1.0, -0.8, -0.9, -0.7, -1.5, 5.0, -1.0});
    EXPECT_EQ(seen.starts, (std::vector<int>{4, 8, 10}));
    EXPECT_EQ(seen.clears, (std::vector<int>{7, 9}));

    // Disabled or unusable settings never start; nor does a channel the record does not have.
    for (const LevelTriggerSetting& bad : {LevelTriggerSetting{0, 1, kTriggerAbove, 1, 0},
                                           {1, 11, kTriggerAbove, 1, 0},
                                           {1, 1, 2, 1, 0},
                                           {1, 1, kTriggerAbove, 1, -0.5},
                                           {1, 1, kTriggerAbove, NAN, 0}}) {
        s[0] = bad;
        t.Configure(s);
        EXPECT_FALSE(t.AnyEnabled());
        EXPECT_TRUE(Feed(t, 1, Square(0.0, 5.0, 2, 3)).starts.empty());
    }
    s[0] = {1, 10, kTriggerAbove, 1, 0};
    t.Configure(s);
    double row[kTriggerChannels] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    t.Feed(row, 9);
    row[9] = 5;
    EXPECT_EQ(t.Feed(row, 9).started, 0u);
}

TEST(LevelTrigger, NumbersAreReadWholeWhateverTheLocaleAndWrittenToReadBack) {
    for (const auto& [text, value] : {std::pair{"1.5", 1.5}, {" -2e-3 ", -0.002}, {"+4", 4.0}}) {
        double v = 0;
        EXPECT_TRUE(ParseTriggerNumber(text, v) && v == value) << text;
    }
    for (const char* text : {"", " ", "abc", "1.5x", "2,5", "inf", "nan", "1e999"}) {
        double v = 7;
        EXPECT_FALSE(ParseTriggerNumber(text, v) || v != 7) << text;
    }
    for (const double v : {0.1, -1234.5678, 1e-9, 3.0}) {
        char text[48];
        FormatTriggerNumber(text, sizeof text, v);
        double back = 0;
        EXPECT_TRUE(ParseTriggerNumber(text, back) && back == v) << text;
    }
    char text[48];
    FormatTriggerNumber(text, sizeof text, 0.1);
    EXPECT_STREQ(text, "0.1");
}

}  // namespace
}  // namespace velatrace

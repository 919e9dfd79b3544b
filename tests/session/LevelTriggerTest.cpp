// Level triggers on a channel's values: a start at each crossing, an end past the hysteresis,
// nothing in between.
#include "session/LevelTrigger.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace velatrace {
namespace {

// Feeds trigger 1's channel the values: 's' where it started, 'e' where it cleared, '.' else.
std::string Trace(LevelTriggers& t, int channel, const std::vector<double>& values) {
    std::string trace;
    double row[kTriggerChannels] = {};
    for (const double v : values) {
        row[channel - 1] = v;
        const LevelTriggers::Events e = t.Feed(row, kTriggerChannels);
        trace += e.started ? 's' : e.cleared ? 'e' : '.';
    }
    return trace;
}

TEST(LevelTrigger, StartsAtEachCrossingEndsPastTheHysteresisAndNeverChatters) {
    LevelTriggers t;
    LevelTriggerSetting s[kLevelTriggers] = {{1, 3, kTriggerAbove, 2.0, 0.5}};
    t.Configure(s);
    EXPECT_EQ(Trace(t, 3, {0, 0, 5, 5, 0, 0, 5, 5}), "..s.e.s.") << "a square wave";
    EXPECT_TRUE(t.AnyActive());
    // Inside the band nothing happens; leaving it ends, reaching the level again starts.
    t.Configure(s);
    EXPECT_EQ(Trace(t, 3, {1.0, 2.0, 1.6, 1.9, 2.4, 1.5, 3.0, 1.49, 1.99, 2.0}), ".s.....e.s");
    // Below is the mirror image; a value already past the level when watching begins is no
    // crossing, and a record without a reading (NaN) changes nothing.
    s[0] = {1, 10, kTriggerBelow, -1.0, 0.25};
    t.Configure(s);
    EXPECT_EQ(Trace(t, 10, {-3.0, 0.0, NAN, -1.0, -0.8, -0.7, -1.5, 5.0, -1.0}), "...s.eses");
    // Disabled or unusable settings never start.
    for (const LevelTriggerSetting& bad : {LevelTriggerSetting{0, 1, kTriggerAbove, 1, 0},
                                           {1, 11, kTriggerAbove, 1, 0},
                                           {1, 1, kTriggerAbove, NAN, -0.5}}) {
        s[0] = bad;
        t.Configure(s);
        EXPECT_EQ(Trace(t, 1, {0, 5, 0, 5}), "....");
    }
}

}  // namespace
}  // namespace velatrace

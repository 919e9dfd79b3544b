#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "FakeDriverLibrary.h"
#include "logger/LoggerLink.h"

namespace velatrace {
namespace {

using testing::FakeDriverLibrary;

struct LinkFixture : ::testing::Test {
    FakeDriverLibrary driver;
    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    LoggerLink link{driver, *wave};
};

TEST_F(LinkFixture, WithoutLibraryOrDeviceNothingOpensAndIoReportsNoDevice) {
    driver.loadable = false;
    EXPECT_FALSE(link.OpenLogger());
    uint32_t got = 99;
    EXPECT_EQ((std::vector{link.SendBytes("x", 1, 0), link.ReadBytes(8, &got, 0), got,
                           link.ReadReply(0, 0)}),
              (std::vector{err::kInvalidHandle, err::kInvalidHandle, 0u, err::kInvalidHandle}));

    // The library loads but has no open entry, or the open entry finds no device.
    driver.loadable = true;
    driver.hasOpen = false;
    EXPECT_FALSE(link.OpenLogger());
    driver.hasOpen = true;
    driver.handle = 0;
    EXPECT_FALSE(link.OpenLogger());
    link.CloseLogger(0);
    EXPECT_TRUE(driver.writes.empty() && driver.closed.empty()) << "nothing to close";
}

TEST_F(LinkFixture, RepliesFailuresTheReceiveBufferAndClosing) {
    WaveBuffer& w = *wave;
    const auto state = [&] {
        return std::tie(w.writeIndex, w.csvIndex, w.bytesPerPoint, w.channelCount, w.noWait,
                        w.csvActive, w.fileLoaded, w.samples[5][2]);
    };
    state() = std::make_tuple(3, 3, 3, 3, 3, 3, 3, 1234);
    ASSERT_TRUE(link.OpenLogger());
    EXPECT_EQ(state(), std::make_tuple(0, 0, 0, 0, 0, 0, 0, 1234))
        << "opening resets the counters but keeps the samples";

    // A text reply arrives through the event with the given time-out, 0 meaning 2000 ms; with
    // no reply the wait runs out.
    driver.text[":X?"] = ":X 1";
    link.SendBytes(":X?\r\n", 5, 0);
    EXPECT_EQ(link.ReadReply(0, 300), err::kSuccess);
    EXPECT_STREQ(link.ReplyText(), ":X 1");
    EXPECT_EQ(link.ReadReply(0, 0), err::kWaitTimeout);
    EXPECT_EQ(driver.waits, (std::vector<uint32_t>{300, 2000}));
    EXPECT_STREQ(link.ReplyText(), "");

    // With noWait the read returns at once, before any reply could be there.
    wave->SetNoWait(1);
    EXPECT_EQ(link.ReadReply(0, 0), err::kSuccess);
    EXPECT_EQ(driver.waits.size(), 2u);
    wave->SetNoWait(0);

    // A reply that fills the whole buffer without a terminator still reads as a bounded text.
    driver.fillWholeBuffer = true;
    EXPECT_EQ(link.ReadReply(0, 0), err::kSuccess);
    EXPECT_EQ(std::strlen(link.ReplyText()), kReceiveBufferSize);

    // No read may ask for more than the receive buffer holds; failures pass the reason on and
    // leave an empty text.
    uint32_t got = 0;
    link.ReadBytes(100000, &got, 0);
    EXPECT_EQ(driver.readSizes.back(), kReceiveBufferSize);
    driver.failRead = 1117;
    EXPECT_EQ(link.ReadBytes(8, &got, 0), 1117u);
    EXPECT_STREQ(link.ReplyText(), "");
    driver.failReadEx = 6;
    EXPECT_EQ(link.ReadReply(0, 0), 6u);

    // Closing sends remote off, then releases everything once.
    const size_t sent = driver.writes.size();
    link.CloseLogger(1);
    link.CloseLogger(1);
    EXPECT_EQ(driver.writes.size(), sent + 1);
    EXPECT_EQ(driver.writes.back(), ":STAT:REM OFF\r");
    EXPECT_EQ(driver.closed, (std::vector<DeviceHandle>{7}));
    EXPECT_EQ(driver.closedEvents, (std::vector<int64_t>{42}));
    EXPECT_EQ(driver.unloads, 1);
}

}  // namespace
}  // namespace velatrace

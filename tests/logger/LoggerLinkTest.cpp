#include <gtest/gtest.h>

#include <memory>

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
    EXPECT_EQ(link.SendBytes("x", 1, 0), err::kInvalidHandle);
    EXPECT_EQ(link.ReadBytes(8, &got, 0), err::kInvalidHandle);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(link.ReadReply(0, 0), err::kInvalidHandle);
    EXPECT_STREQ(link.ReplyText(), "");

    // The library loads but has no open entry, or the open entry finds no device.
    driver.loadable = true;
    driver.hasOpen = false;
    EXPECT_FALSE(link.OpenLogger());
    driver.hasOpen = true;
    driver.handle = 0;
    EXPECT_FALSE(link.OpenLogger());
    EXPECT_FALSE(link.IsOpen());

    // Closing without a device sends nothing and calls nothing.
    link.CloseLogger(0);
    EXPECT_TRUE(driver.writes.empty());
    EXPECT_TRUE(driver.closed.empty());
}

TEST_F(LinkFixture, OpenResetsTheBufferCountersButKeepsTheSamples) {
    const auto counters = {&WaveBuffer::writeIndex,    &WaveBuffer::csvIndex,
                           &WaveBuffer::bytesPerPoint, &WaveBuffer::channelCount,
                           &WaveBuffer::noWait,        &WaveBuffer::csvActive,
                           &WaveBuffer::fileLoaded};
    for (int32_t WaveBuffer::*counter : counters) {
        wave.get()->*counter = 3;
    }
    wave->samples[5][2] = 1234;
    ASSERT_TRUE(link.OpenLogger());
    for (int32_t WaveBuffer::*counter : counters) {
        EXPECT_EQ(wave.get()->*counter, 0);
    }
    EXPECT_EQ(wave->samples[5][2], 1234);
}

TEST_F(LinkFixture, ErrorCodesTimeOutsAndTheReceiveBuffer) {
    ASSERT_TRUE(link.OpenLogger());
    uint32_t got = 0;

    // Time-out 0 means 2000 ms; any other value is used as it is.
    link.SendBytes("a", 1, 0);
    link.SendBytes("a", 1, 500);
    EXPECT_EQ(driver.timeouts, (std::vector<uint32_t>{2000, 500}));

    // Failed entries pass the driver's reason on; a failure with no reason is still a failure.
    driver.failWrite = 31;
    EXPECT_EQ(link.SendBytes("a", 1, 0), 31u);
    driver.failWrite = 0;
    driver.failRead = 1117;
    EXPECT_EQ(link.ReadBytes(8, &got, 0), 1117u);
    EXPECT_STREQ(link.ReplyText(), "") << "a failed read leaves an empty text";
    driver.failRead = 0;

    // A text reply arrives through the event; with no reply the wait runs out.
    driver.text[":X?"] = ":X 1";
    link.SendBytes(":X?\r\n", 5, 0);
    EXPECT_EQ(link.ReadReply(0, 300), err::kSuccess);
    EXPECT_STREQ(link.ReplyText(), ":X 1");
    EXPECT_EQ(driver.waits.back(), 300u);
    EXPECT_EQ(link.ReadReply(0, 0), err::kWaitTimeout);
    EXPECT_EQ(driver.waits.back(), 2000u);
    EXPECT_STREQ(link.ReplyText(), "");

    // With noWait the read returns at once, before any reply could be there.
    wave->SetNoWait(1);
    const size_t waitsBefore = driver.waits.size();
    EXPECT_EQ(link.ReadReply(0, 0), err::kSuccess);
    EXPECT_EQ(driver.waits.size(), waitsBefore);
    EXPECT_STREQ(link.ReplyText(), "");
    wave->SetNoWait(0);

    // A reply that fills the whole buffer without a terminator still reads as a bounded text.
    driver.fillWholeBuffer = true;
    EXPECT_EQ(link.ReadReply(0, 0), err::kSuccess);
    EXPECT_EQ(std::strlen(link.ReplyText()), kReceiveBufferSize);
    driver.fillWholeBuffer = false;

    // No read may ask for more than the receive buffer holds.
    link.ReadBytes(100000, &got, 0);
    EXPECT_EQ(driver.readSizes.back(), kReceiveBufferSize);

    driver.failReadEx = 6;
    EXPECT_EQ(link.ReadReply(0, 0), 6u);
}

TEST_F(LinkFixture, CloseSendsRemoteOffThenReleasesEverythingOnce) {
    ASSERT_TRUE(link.OpenLogger());
    link.CloseLogger(1);
    ASSERT_EQ(driver.writes.size(), 1u);
    EXPECT_EQ(driver.writes[0], ":STAT:REM OFF\r");
    EXPECT_EQ(driver.closed, (std::vector<DeviceHandle>{7}));
    EXPECT_EQ(driver.closedEvents, (std::vector<int64_t>{42}));
    EXPECT_EQ(driver.unloads, 1);

    link.CloseLogger(1);
    EXPECT_EQ(driver.writes.size(), 1u);
    EXPECT_EQ(driver.unloads, 1);
}

}  // namespace
}  // namespace velatrace

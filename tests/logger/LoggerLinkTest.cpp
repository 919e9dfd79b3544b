#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FakeDriverLibrary.h"
#include "logger/LoggerLink.h"

namespace velatrace {
namespace {

TEST(LoggerLink, OpeningRepliesTheReceiveBufferAndClosing) {
    testing::FakeDriverLibrary driver;
    LoggerLink link{driver};
    // A library without the open entry, or an open entry that finds no device.
    driver.hasOpen = false;
    EXPECT_FALSE(link.OpenLogger());
    driver.hasOpen = true;
    driver.handle = 0;
    EXPECT_FALSE(link.OpenLogger());

    uint32_t got = 99;
    EXPECT_EQ((std::vector{link.SendBytes("x", 1, 0), link.ReadBytes(8, &got, 0), got,
                           link.ReadReply(0, 0)}),
              (std::vector{err::kInvalidHandle, err::kInvalidHandle, 0u, err::kInvalidHandle}));
    link.CloseLogger(0);
    EXPECT_TRUE(driver.writes.empty() && driver.released.empty()) << "nothing to close";
    driver.handle = 7;

    ASSERT_TRUE(link.OpenLogger());

    // Without a reply the wait runs out, after 2000 ms when no time-out is given; a read the
    // caller does not wait for returns at once, before any reply could be there.
    EXPECT_EQ(link.ReadReply(0, 0), err::kWaitTimeout);
    EXPECT_EQ(link.ReadReply(0, 0, /*wait=*/false), err::kSuccess);
    EXPECT_EQ(driver.waits, (std::vector<uint32_t>{2000}));

    // Neither a reply that fills the whole buffer without a terminator nor a long block may run
    // past the receive buffer; a failed event read passes its reason on.
    driver.text[":X?"] = std::string(2 * kReceiveBufferSize, 'A');
    link.SendBytes(":X?\r\n", 5, 0);
    EXPECT_EQ(link.ReadReply(0, 0), err::kSuccess);
    EXPECT_EQ(std::strlen(link.ReplyText()), kReceiveBufferSize);
    driver.pendingBytes.assign(100000, 1);
    EXPECT_EQ(link.ReadBytes(100000, &got, 0), err::kSuccess);
    EXPECT_EQ(got, kReceiveBufferSize);
    driver.failReadEx = 6;
    EXPECT_EQ(link.ReadReply(0, 0), 6u);

    // Closing sends remote off, then releases everything once.
    link.CloseLogger(1);
    link.CloseLogger(1);
    EXPECT_EQ(driver.writes, (std::vector<std::string>{":X?\r\n", ":STAT:REM OFF\r"}));
    EXPECT_EQ(driver.released, (std::vector<std::string>{"event 42", "device 7", "library"}));
}

}  // namespace
}  // namespace velatrace

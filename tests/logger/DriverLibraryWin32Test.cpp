// The driver library on Windows, through the driver host and the simulated gtcusbr.dll beside
// it: a library or host that is not there, replies cut to the caller's buffers, and a host that
// dies mid-session.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "FakeDriverLibrary.h"
#include "logger/DriverLibraryWin32.h"
#include "support/FakeClock.h"

namespace velatrace {
namespace {

TEST(DriverHost, WithoutTheLibraryOrTheHostTheLoggerIsNotConnected) {
    DriverLibraryWin32 noLibrary{"no-such-gtcusbr.dll"};
    LoggerLink link{noLibrary};
    EXPECT_FALSE(link.OpenLogger());
    EXPECT_EQ(noLibrary.HostProcessId(), 0ul) << "a host with nothing to serve does not stay";
    DriverLibraryWin32 noHost{"", "no-such-driverhost.exe"};
    EXPECT_FALSE(noHost.Load());
}

TEST(DriverHost, RepliesStayInTheCallersBuffersAndAKilledHostIsALostLogger) {
    DriverLibraryWin32 driver;
    ASSERT_TRUE(driver.Load());
    const DeviceHandle device = driver.OpenDevice();
    ASSERT_NE(device, 0);
    // A plain read of part of a 48-byte point, and an event read of a reply longer than its
    // buffer: both stop at the buffer's end, the text terminated inside it.
    uint32_t count = 0;
    ASSERT_TRUE(driver.WriteDevice(device, ":MEAS:OUTP:ONE?\n", 16, &count, 0));
    uint8_t bytes[16];
    std::memset(bytes, 0xAB, sizeof bytes);
    EXPECT_TRUE(driver.ReadDevice(device, bytes, 10, &count, 100));
    EXPECT_EQ(std::make_tuple(count, bytes[0], bytes[10]), std::make_tuple(10u, '#', 0xAB));
    ASSERT_TRUE(driver.WriteDevice(device, ":AMP:CH1?\n", 10, &count, 0));
    const int64_t event = driver.MakeEvent();
    GtcCompletion done{{0, 0}, event};
    char text[16];
    std::memset(text, 'x', sizeof text);
    ASSERT_TRUE(driver.ReadDeviceEx(device, text, 8, &done));
    EXPECT_EQ(driver.WaitEvent(event, 2000), err::kSuccess);
    EXPECT_EQ(std::string(text) + text[8], ":AMP:CHx");
    driver.CloseEvent(event);
    EXPECT_TRUE(driver.CloseDevice(device));

    // A host that dies is a logger that stopped working; the next connection starts another.
    testing::FakeClock clock;
    LoggerLink link{driver};
    LoggerProtocol protocol{link, clock};
    const LoggerProtocol::Connection connection = protocol.ConnectLogger(0);
    ASSERT_EQ(connection.queryResult, 0u);
    const HANDLE host = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, driver.HostProcessId());
    ASSERT_NE(host, nullptr);
    TerminateProcess(host, 9);
    WaitForSingleObject(host, INFINITE);
    CloseHandle(host);
    testing::RecordingSink sink(link, connection.setup);
    EXPECT_EQ(protocol.PollAck(0, 0, connection.setup.bytesPerPoint, sink), err::kGenFailure);
    EXPECT_EQ(protocol.SendControl(LoggerControl::Status, 0, 0), err::kGenFailure);
    link.CloseLogger(0);
    EXPECT_EQ(protocol.ConnectLogger(0).queryResult, 0u);
    EXPECT_EQ(protocol.PollAck(0, 0, connection.setup.bytesPerPoint, sink), 0u);
}

}  // namespace
}  // namespace velatrace

// The built libgtcusbr.so, loaded at run time the way the program loads a driver library.
#include <dlfcn.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ReplyParsing.h"
#include "sim/GtcUSBr.h"
#include "support/TempFolder.h"

namespace velatrace::sim {
namespace {

class SimLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("VELATRACE_SIM_CONFIG");
        module_ = dlopen(GTCUSBR_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
        Bind(open_, "GtcUSBr_OpenDevice");
        Bind(close_, "GtcUSBr_CloseDevice");
        Bind(read_, "GtcUSBr_ReadDevice");
        Bind(readEx_, "GtcUSBr_ReadDeviceEx");
        Bind(write_, "GtcUSBr_WriteDevice");
        Bind(writeEx_, "GtcUSBr_WriteDeviceEx");
        done_.event = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        ASSERT_GE(done_.event, 0);
    }
    void TearDown() override {
        unsetenv("VELATRACE_SIM_CONFIG");
        if (done_.event >= 0) {
            close(static_cast<int>(done_.event));
        }
        if (module_ != nullptr) {
            dlclose(module_);
        }
    }

    template <typename Fn>
    void Bind(Fn& entry, const char* name) {
        entry = reinterpret_cast<Fn>(dlsym(module_, name));
        ASSERT_NE(entry, nullptr) << name;
    }

    intptr_t Open(const std::string& config = "") {
        if (!config.empty()) {
            folder_.Write("sim.cfg", config);
            setenv("VELATRACE_SIM_CONFIG", folder_.File("sim.cfg").c_str(), 1);
        }
        return open_();
    }

    void Send(intptr_t dev, const std::string& command) {
        uint32_t written = 0;
        ASSERT_EQ(
            write_(dev, command.data(), static_cast<uint32_t>(command.size()), &written, 2000), 1);
        EXPECT_EQ(written, command.size());
    }

    // An entry failed with the error code `code` (errno is read after the call has run).
    static void Refused(int result, int code) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(errno, code);
    }

    // True when the event read signalled its completion (the event is reset by reading it).
    bool Signalled() {
        eventfd_t value = 0;
        return eventfd_read(static_cast<int>(done_.event), &value) == 0 && value == 1;
    }

    std::string Exchange(intptr_t dev, const std::string& command) {
        Send(dev, command + "\r\n");
        char reply[16000];
        reply[0] = '\0';
        EXPECT_EQ(readEx_(dev, reply, sizeof reply, &done_), 1);
        EXPECT_TRUE(Signalled()) << command;
        return reply;
    }

    void* module_ = nullptr;
    decltype(&GtcUSBr_OpenDevice) open_ = nullptr;
    decltype(&GtcUSBr_CloseDevice) close_ = nullptr;
    decltype(&GtcUSBr_ReadDevice) read_ = nullptr;
    decltype(&GtcUSBr_ReadDeviceEx) readEx_ = nullptr;
    decltype(&GtcUSBr_WriteDevice) write_ = nullptr;
    decltype(&GtcUSBr_WriteDeviceEx) writeEx_ = nullptr;
    GtcCompletion done_ = {{0, 0}, -1};
    testing::TempFolder folder_;
};

TEST_F(SimLibrary, ConnectSequenceAnswersWithTheDemoSetup) {
    const intptr_t dev = Open();
    ASSERT_NE(dev, 0);
    EXPECT_EQ(Exchange(dev, ":MEAS:OUTP:CLR?"), ":MEAS:OUTP:CLR 0");
    EXPECT_EQ(done_.status[1], std::strlen(":MEAS:OUTP:CLR 0"));
    EXPECT_FALSE(Exchange(dev, ":MEAS:OUTP:STAT?").empty());
    // Sample 0: sine at 0 V, ramp at 0 V, 25.0 degrees, 45 %RH; the channels that are off send 0.
    Send(dev, ":MEAS:OUTP:ONE?\r\n");
    uint8_t one[64];
    uint32_t n = 0;
    ASSERT_EQ(read_(dev, one, sizeof one, &n, 2000), 1);
    ASSERT_EQ(n, 8u + 48);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(one), 8), "#6000048");
    const parse::DecodedPoint point = parse::DecodePoints(one + 8, 48, 10)[0];
    EXPECT_EQ(std::vector<int16_t>(point.counts, point.counts + 10),
              (std::vector<int16_t>{0, 0, 250, 9000, 0, 0, 0, 0, 0, 0}));
    // Drained: a further read waits out its time-out.
    Refused(read_(dev, one, sizeof one, &n, 1), 258);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(Exchange(dev, ":INFO:CH?"), ":INFO:CH 10");
    EXPECT_EQ(Exchange(dev, ":AMP:CH3?"), ":AMP:CH3:INP TEMP;RANG TC-K");
    EXPECT_EQ(Exchange(dev, ":AMP:CH10?"), ":AMP:CH10:INP OFF;RANG 10V");
    EXPECT_EQ(Exchange(dev, ":ALAR:CH1?"), ":ALAR:CH1:MODE HI;LEV 4;HYST 0.5;OUTP 1");
    EXPECT_EQ(Exchange(dev, ":DATA:SAMP?"), ":DATA:SAMP 100MS");
    Send(dev, ":STAT:REM OFF\r\n");
    EXPECT_EQ(close_(dev), 1);
    Refused(close_(dev), 6);
}

TEST_F(SimLibrary, InjectedFaultsGiveTheirErrorCodes) {
    errno = 0;
    EXPECT_EQ(Open("open_fails = 1\n"), 0);
    EXPECT_EQ(errno, 2);

    intptr_t dev = Open("timeout_every = 1\n");
    ASSERT_NE(dev, 0);
    Send(dev, ":INFO:CH?\r\n");
    char reply[64] = "untouched";
    EXPECT_EQ(readEx_(dev, reply, sizeof reply, &done_), 1);
    EXPECT_FALSE(Signalled());
    EXPECT_STREQ(reply, "untouched");
    Send(dev, ":MEAS:OUTP:ACK?\r\n");
    uint32_t n = 0;
    Refused(read_(dev, reply, 8, &n, 1), 258);
    close_(dev);

    dev = Open("disconnect_after_ms = 0\n");
    ASSERT_NE(dev, 0);
    Refused(write_(dev, ":INFO:CH?", 9, &n, 2000), 31);
    Refused(readEx_(dev, reply, sizeof reply, &done_), 31);
    Refused(read_(dev, reply, 8, &n, 2000), 31);
    Refused(close_(dev), 31);
    Refused(close_(dev), 6);  // released all the same
}

TEST_F(SimLibrary, BadHandlesAndArgumentsAreRefused) {
    char buf[16];
    uint32_t n = 0;
    const intptr_t dev = Open();
    GtcCompletion noEvent = {{0, 0}, -1};
    for (intptr_t bad : {intptr_t{0}, intptr_t{-1}, intptr_t{12345}}) {
        Refused(write_(bad, ":INFO:CH?", 9, &n, 0), 6);
        Refused(read_(bad, buf, 8, &n, 0), 6);
        Refused(readEx_(bad, buf, sizeof buf, &done_), 6);
        Refused(close_(bad), 6);
    }
    Refused(write_(dev, nullptr, 4, &n, 0), 87);
    Send(dev, ":INFO:CH?");
    Refused(readEx_(dev, buf, sizeof buf, nullptr), 87);
    Refused(readEx_(dev, buf, sizeof buf, &noEvent), 6);
    Refused(read_(dev, nullptr, 8, &n, 0), 87);
    close_(dev);
    Refused(write_(dev, ":INFO:CH?", 9, &n, 0), 6);
}

TEST_F(SimLibrary, BrokenConfigurationStillOpensTheLogger) {
    ::testing::internal::CaptureStderr();
    intptr_t dev = Open("interval = 2s\nch1 DC\nwhat is this\nch12 TEMP K\n");
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    ASSERT_NE(dev, 0);
    EXPECT_NE(warnings.find("line 2"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("line 3"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("line 4"), std::string::npos) << warnings;
    EXPECT_EQ(Exchange(dev, ":DATA:SAMP?"), ":DATA:SAMP 2S");
    EXPECT_EQ(Exchange(dev, ":AMP:CH1?"), ":AMP:CH1:INP DC;RANG 10V");
    close_(dev);

    setenv("VELATRACE_SIM_CONFIG", folder_.File("no-such.cfg").c_str(), 1);
    ::testing::internal::CaptureStderr();
    dev = open_();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("no-such.cfg"), std::string::npos);
    ASSERT_NE(dev, 0);
    EXPECT_EQ(Exchange(dev, ":DATA:SAMP?"), ":DATA:SAMP 100MS");
    close_(dev);
}

}  // namespace
}  // namespace velatrace::sim

// The built libgtcusbr.so, loaded at run time the way the program loads a driver library. The
// exchange under faults and the block polling are tested through the program's logger link.
#include <dlfcn.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <tuple>

#include "sim/GtcUSBr.h"
#include "support/TempFolder.h"

namespace velatrace::sim {
namespace {

class SimLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(module_ && open_ && close_ && read_ && readEx_ && write_) << dlerror();
    }
    ~SimLibrary() override {
        close(static_cast<int>(done_.event));
        if (module_ != nullptr)
            dlclose(module_);
    }
    template <typename Fn>
    Fn Entry(const char* name) {
        return module_ ? reinterpret_cast<Fn>(dlsym(module_, name)) : nullptr;
    }

    intptr_t Open(const std::string& config) {
        folder_.Write("sim.cfg", config);
        setenv("VELATRACE_SIM_CONFIG", folder_.File("sim.cfg").c_str(), 1);
        return open_();
    }
    // An entry failed with the error code `code` (errno is read after the call has run).
    static void Refused(int result, int code) {
        EXPECT_EQ(std::tuple(result, errno), std::tuple(0, code));
    }
    // True when the event read signalled its completion (the event is reset by reading it).
    bool Signalled() {
        eventfd_t value = 0;
        return eventfd_read(static_cast<int>(done_.event), &value) == 0 && value == 1;
    }
    std::string Exchange(intptr_t dev, const std::string& command) {
        uint32_t n = 0;
        EXPECT_EQ(write_(dev, (command + "\r\n").c_str(), command.size() + 2, &n, 2000), 1);
        char reply[16000] = "";
        EXPECT_EQ(readEx_(dev, reply, sizeof reply, &done_), 1);
        EXPECT_TRUE(Signalled()) << command;
        return reply;
    }

    void* module_ = dlopen(GTCUSBR_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    decltype(&GtcUSBr_OpenDevice) open_ = Entry<decltype(open_)>("GtcUSBr_OpenDevice");
    decltype(&GtcUSBr_CloseDevice) close_ = Entry<decltype(close_)>("GtcUSBr_CloseDevice");
    decltype(&GtcUSBr_ReadDevice) read_ = Entry<decltype(read_)>("GtcUSBr_ReadDevice");
    decltype(&GtcUSBr_ReadDeviceEx) readEx_ = Entry<decltype(readEx_)>("GtcUSBr_ReadDeviceEx");
    decltype(&GtcUSBr_WriteDevice) write_ = Entry<decltype(write_)>("GtcUSBr_WriteDevice");
    GtcCompletion done_ = {{0, 0}, eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    testing::TempFolder folder_;
};

// A configuration file that is missing is named, and the demo setup answers.
TEST_F(SimLibrary, WithoutAConfigurationTheDemoSetupAnswers) {
    setenv("VELATRACE_SIM_CONFIG", folder_.File("no-such.cfg").c_str(), 1);
    ::testing::internal::CaptureStderr();
    const intptr_t dev = open_();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("no-such.cfg"), std::string::npos);
    ASSERT_NE(dev, 0);
    EXPECT_EQ(Exchange(dev, ":AMP:CH3?"), ":AMP:CH3:INP TEMP;RANG TC-K");
    EXPECT_EQ(Exchange(dev, ":DATA:SAMP?"), ":DATA:SAMP 100MS");
    EXPECT_EQ(close_(dev), 1);
}

TEST_F(SimLibrary, RefusalsAndInjectedFaultsGiveTheirErrorCodes) {
    char buf[16] = "untouched";
    uint32_t n = 0;
    Refused(write_(0, ":INFO:CH?", 9, &n, 0), 6);
    Refused(readEx_(12345, buf, sizeof buf, &done_), 6);
    Refused(close_(12345), 6);
    intptr_t dev = Open("timeout_every = 1\n");
    ASSERT_NE(dev, 0);
    Refused(write_(dev, nullptr, 4, &n, 0), 87);
    Refused(read_(dev, nullptr, 8, &n, 0), 87);
    Refused(readEx_(dev, buf, sizeof buf, nullptr), 87);
    // A reply that times out leaves the buffer alone and never signals.
    EXPECT_EQ(write_(dev, ":INFO:CH?", 9, &n, 0), 1);
    EXPECT_EQ(readEx_(dev, buf, sizeof buf, &done_), 1);
    EXPECT_FALSE(Signalled());
    EXPECT_STREQ(buf, "untouched");
    close_(dev);

    Refused(static_cast<int>(Open("open_fails = 1\n")), 2);
    dev = Open("disconnect_after_ms = 0\n");
    ASSERT_NE(dev, 0);
    Refused(close_(dev), 31);
    Refused(close_(dev), 6);  // released all the same
}

}  // namespace
}  // namespace velatrace::sim

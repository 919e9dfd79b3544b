// The transfer over real DDE: a DDE server of our own (DdeTestServer, beside this test) plays
// the spreadsheet and writes down what it receives.
#include "dde/DdemlBackend.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "base/FixedText.h"
#include "dde/DdeTransfer.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

// Runs this thread's messages (DDE talks through them) until `done` or a minute has passed.
bool PumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        Sleep(10);
    }
    return true;
}

class Server {
  public:
    explicit Server(std::string log) : log_(std::move(log)) {}
    ~Server() { Stop(); }
    // Starts the server, which quits after `executes` commands (0: never).
    bool Start(int executes) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string exe = self;
        exe = exe.substr(0, exe.find_last_of("\\/") + 1) + "DdeTestServer.exe";
        std::string command = "\"" + exe + "\" \"" + log_ + "\" " + std::to_string(executes);
        const size_t ready = Count("READY") + 1;
        STARTUPINFOA start = {};
        start.cb = sizeof start;
        if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &start, &process_)) {
            return false;
        }
        CloseHandle(process_.hThread);
        return PumpUntil([&] { return Count("READY") == ready; });
    }
    void Stop() {
        if (process_.hProcess != nullptr) {
            TerminateProcess(process_.hProcess, 0);
            WaitForSingleObject(process_.hProcess, INFINITE);
            CloseHandle(process_.hProcess);
            process_.hProcess = nullptr;
        }
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    size_t Count(const std::string& start) const {
        size_t n = 0;
        for (const std::string& line : Lines()) {
            n += line.rfind(start, 0) == 0 ? 1 : 0;
        }
        return n;
    }

  private:
    std::string log_;
    PROCESS_INFORMATION process_ = {};
};

StillImage Picture(int32_t width, int32_t height) {
    const int32_t row = (width * 3 + 3) & ~3;
    return StillImage{width, height, std::vector<uint8_t>(static_cast<size_t>(row * height), 7)};
}

std::string ClipboardPicture() {
    std::string what = "none";
    if (OpenClipboard(nullptr)) {
        if (HANDLE block = GetClipboardData(CF_DIB)) {
            const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(block));
            what = std::to_string(header->biWidth) + "x" + std::to_string(header->biHeight);
            GlobalUnlock(block);
        }
        CloseClipboard();
    }
    return what;
}

std::string Values(const char* cells, const char* time) {
    std::string text =
        std::string("POKE ") + cells + " Time\\t" + time + "\\t\\r\\nCH1\\t1.5\\tV\\r\\n";
    for (int c = 2; c <= kChannels; ++c) {
        text += "CH" + std::to_string(c) + "\\toff\\t\\r\\n";
    }
    return text;
}

TEST(DdemlBackend, StillsReachTheSpreadsheetAndWaitWhileItIsGone) {
    testing::TempFolder dir;
    Server server(dir.File("server.log"));
    DdemlBackend backend;
    DdeSettings settings;
    settings.app = kDdeAppSpreadsheet;
    CopyText(settings.topic[kDdeAppSpreadsheet], "[Book1]Sheet1");
    CopyText(settings.initialCell, "B2");
    settings.colStep = settings.rowStep = 1;
    settings.colCount = 2;
    DdeTransfer transfer(backend, settings);
    ASSERT_TRUE(transfer.DdeInit());
    // Nobody serves the spreadsheet yet: no conversation (the frame says "Cannot connect to DDE
    // sever"), and the picture still reaches the clipboard.
    EXPECT_FALSE(transfer.DdeConnectApp());
    StillNote note;
    CopyText(note.time, "00:00:01.000");
    note.channel[0] = {true, 1.5, "V"};
    EXPECT_EQ(transfer.TransferStill(Picture(2, 2), note), TransferResult::NoPaste);
    EXPECT_EQ(ClipboardPicture(), "2x2");

    // Two stills: the pastes at the walked cells, the values beside each picture.
    ASSERT_TRUE(server.Start(2));
    ASSERT_TRUE(transfer.DdeConnectApp());
    // Each picture is on the clipboard when the paste is sent, the newest after waiting ones.
    auto send = [&](int32_t width, int32_t height) {
        EXPECT_EQ(transfer.TransferStill(Picture(width, height), note), TransferResult::PasteDue);
        EXPECT_TRUE(transfer.PasteDue());
        EXPECT_EQ(ClipboardPicture(), std::to_string(width) + "x" + std::to_string(height));
    };
    send(4, 2);
    send(70, 3);
    // The server quits after these. A still while it is gone waits with its picture and values,
    // and the user is told.
    ASSERT_TRUE(PumpUntil([&] { return server.Count("QUIT") == 1; }));
    send(8, 4);
    EXPECT_EQ(backend.Waiting(), 2u);  // with the values of the last still it took
    EXPECT_NE(std::string(backend.Problem()).find("Excel ended the DDE conversation"),
              std::string::npos)
        << backend.Problem();
    // Back again: what waits goes first (the values the quitting server missed, then the
    // waiting still), each in its own cell.
    server.Stop();
    ASSERT_TRUE(server.Start(0));
    send(10, 5);
    ASSERT_TRUE(PumpUntil([&] { return server.Count("POKE") == 4; }));
    EXPECT_STREQ(backend.Problem(), "");
    EXPECT_EQ(backend.Waiting(), 0u);
    EXPECT_EQ(server.Lines(), (std::vector<std::string>{
                                  "READY",
                                  "EXECUTE [SELECT(\"R2C2\")][PASTE]",
                                  Values("R2C3:R12C5", "00:00:01.000"),
                                  "EXECUTE [SELECT(\"R2C3\")][PASTE]",
                                  "QUIT",
                                  "READY",
                                  Values("R2C5:R12C7", "00:00:01.000"),
                                  "EXECUTE [SELECT(\"R3C2\")][PASTE]",
                                  Values("R3C3:R13C5", "00:00:01.000"),
                                  "EXECUTE [SELECT(\"R3C3\")][PASTE]",
                                  Values("R3C4:R13C6", "00:00:01.000"),
                              }));
    transfer.DdeUninit();
}

}  // namespace
}  // namespace velatrace

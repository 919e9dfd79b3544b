#include "logger/host/HostProcess.h"

namespace velatrace::host {

namespace {
constexpr char kHostProgram[] = "velatrace-driverhost.exe";
constexpr DWORD kStopWaitMs = 3000;

void CloseIf(HANDLE& handle) {
    if (handle != nullptr) {
        CloseHandle(handle);
        handle = nullptr;
    }
}
}  // namespace

std::string HostProcess::BesideProgram() {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
    const size_t slash = folder.find_last_of("\\/");
    folder.resize(slash == std::string::npos ? 0 : slash + 1);
    return folder + kHostProgram;
}

bool HostProcess::Start(const std::string& path) {
    Stop();
    Release();
    // Only the host's ends of the two pipes are inherited.
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE hostIn = nullptr;
    HANDLE hostOut = nullptr;
    if (!CreatePipe(&hostIn, &toHost_, &inherit, 0)) {
        return false;
    }
    if (!CreatePipe(&fromHost_, &hostOut, &inherit, 0)) {
        CloseIf(hostIn);
        CloseIf(toHost_);
        return false;
    }
    SetHandleInformation(toHost_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromHost_, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = hostIn;
    startup.hStdOutput = hostOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + path + "\"";
    const BOOL started = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    // The host holds its own ends now; ours go, so its end of a pipe closing is seen here.
    CloseIf(hostIn);
    CloseIf(hostOut);
    if (!started) {
        CloseIf(toHost_);
        CloseIf(fromHost_);
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    return true;
}

void HostProcess::Stop() {
    CloseIf(toHost_);
    if (process_ != nullptr && WaitForSingleObject(process_, kStopWaitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, kStopWaitMs);
    }
}

void HostProcess::Release() {
    CloseIf(process_);
    CloseIf(fromHost_);
    processId_ = 0;
}

void HostProcess::Kill() {
    if (process_ != nullptr) {
        TerminateProcess(process_, 1);
    }
}

}  // namespace velatrace::host

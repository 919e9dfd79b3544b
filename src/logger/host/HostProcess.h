#pragma once
// The driver host as a child process with its standard input and output on two pipes. Started
// from the program's folder; stopped by closing its input, and ended by force when it does not
// go in time.
//
// Stop(), then Release() once no thread reads FromHost() any more.
#include <windows.h>

#include <string>

namespace velatrace::host {

class HostProcess {
  public:
    HostProcess() = default;
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;
    ~HostProcess() {
        Stop();
        Release();
    }

    // Starts the program at `path`; false when it cannot be started.
    bool Start(const std::string& path);
    // Closes the host's input, waits a moment for it to end, else ends it by force. Its output
    // then reads as closed; Release() lets go of it once nobody reads it any more.
    void Stop();
    void Release();
    // Ends the host at once (a host that stopped answering).
    void Kill();

    bool Running() const { return process_ != nullptr; }
    HANDLE ToHost() const { return toHost_; }
    HANDLE FromHost() const { return fromHost_; }
    DWORD ProcessId() const { return processId_; }

    // velatrace-driverhost.exe in the folder of the running program.
    static std::string BesideProgram();

  private:
    HANDLE process_ = nullptr;
    HANDLE toHost_ = nullptr;
    HANDLE fromHost_ = nullptr;
    DWORD processId_ = 0;
};

}  // namespace velatrace::host

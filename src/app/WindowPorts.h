#pragma once
// The window as the core reaches it, one small port per concern. The Qt main window's host
// implements all of them; each session and helper takes only the ports it needs.
#include "app/FrameDialogs.h"
#include "base/StatusPanes.h"
#include "base/UserPrompts.h"
#include "base/WindowFrame.h"

namespace velatrace {

struct WindowPorts {
    UserPrompts& user;
    StatusPanes& panes;
    FrameDialogs& dialogs;
    WindowFrame& frame;
    SeekBarControl& seek;
};

// The ports of one object that implements them all.
template <class Window>
WindowPorts WindowPortsOf(Window& window) {
    return WindowPorts{window, window, window, window, window};
}

}  // namespace velatrace

#pragma once
// Work that should not compete with the window's first appearance: run once the window is on the
// screen and has been painted.
#include <functional>

class QWidget;

namespace velatrace {

// Runs `work` once, from the event loop, after `window`'s first exposure on the screen has been
// painted. The window must have been shown (it has its native window).
void RunAfterFirstExposure(QWidget* window, std::function<void()> work);

}  // namespace velatrace

#pragma once
// The window the core runs in, as the core sees it: message boxes, beeps and the menus that grow
// at run time. The Qt main window implements it; tests use a fake that records the calls.
#include <cstdint>

namespace velatrace {

// Message box styles and answers keep their Windows values, so callers read as the design does.
namespace mb {
inline constexpr uint32_t kOk = 0x0;
inline constexpr uint32_t kOkCancel = 0x1;
inline constexpr uint32_t kYesNo = 0x4;
inline constexpr uint32_t kIconHand = 0x10;
inline constexpr uint32_t kIconQuestion = 0x20;
inline constexpr uint32_t kIconExclamation = 0x30;
inline constexpr uint32_t kIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

// Submenu positions of the menu bar.
enum class Submenu : int { File = 0, View = 1, Capture = 2, Transfer = 3, Help = 4 };

// Kinds of run-time menu extension, named by the first command ID they add.
enum class MenuExtension : uint32_t {
    CaptureDevices = 32796,   // one item per camera, IDs 32796..32799
    ChannelProperty = 32802,  // "Channel &property..."
    DdeTransfer = 32790,      // "DDE &transfer" and "&DDE transfer setting..."
};

class Host {
  public:
    virtual ~Host() = default;
    // A system sound of the given message box icon kind (mb::kIcon*), or 0 for the default beep.
    virtual void MessageBeep(uint32_t kind) = 0;
    // Shows a modal message box captioned with the program's title; returns the button pressed.
    virtual int MessageBox(const char* text, uint32_t style) = 0;
    // Appends a separator and the items of `kind` to the submenu at `position`.
    virtual void AppendMenuItems(MenuExtension kind, Submenu position) = 0;
};

}  // namespace velatrace

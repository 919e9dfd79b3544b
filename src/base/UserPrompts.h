#pragma once
// Telling and asking the user: message boxes with their sounds, the open-file dialog and the
// wait cursor. The Qt main window implements it; tests use a fake that answers from a script.
#include <cstddef>
#include <cstdint>

namespace velatrace {

// What a message is about: the icon its box shows and the system sound that goes with it.
// Plain has no icon and sounds the default beep.
enum class MessageKind : uint8_t { Plain, Error, Question, Warning, Information };

// The buttons a message box offers, left to right; the first is the default.
enum class Buttons : uint8_t { Ok, OkCancel, YesNo };

// The button pressed. A box closed without one answers Cancel where it offers Cancel, No where
// it offers No, else OK.
enum class Answer : uint8_t { Ok, Cancel, Yes, No };

class UserPrompts {
  public:
    virtual ~UserPrompts() = default;
    // The system sound of a kind of message.
    virtual void Beep(MessageKind kind) = 0;
    // Shows a modal message box captioned with the program's title; returns the button pressed.
    virtual Answer Tell(const char* text, MessageKind kind, Buttons buttons) = 0;
    // The open-file dialog with the filters "Media files" (1) and "Wave files (*.csv)" (2).
    // Returns the chosen filter, 0 when cancelled; `path` receives at most size-1 characters.
    virtual int ChooseOpenFile(char* path, size_t size) = 0;
    // The wait cursor over a long operation; calls nest.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
};

// The sound of `sound`, then the message box; returns the button pressed.
inline Answer BeepAndTell(UserPrompts& user, MessageKind sound, const char* text, MessageKind kind,
                          Buttons buttons = Buttons::Ok) {
    user.Beep(sound);
    return user.Tell(text, kind, buttons);
}

// The program's usual word about a problem: the warning sound and a warning box with OK.
inline void Warn(UserPrompts& user, const char* text) {
    BeepAndTell(user, MessageKind::Warning, text, MessageKind::Warning);
}

}  // namespace velatrace

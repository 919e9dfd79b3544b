#pragma once
// The button pictures of the File, Capture and Channel bars and the window icon, drawn with
// QPainter so they stay crisp at any device pixel ratio.
#include <QIcon>
#include <QSize>
#include <cstdint>

namespace velatrace {

// Picture sizes of the bars: File and Capture bar buttons are 22 x 22, Channel bar buttons
// 16 wide and 22 high.
inline constexpr QSize kWideButtonSize{22, 22};
inline constexpr QSize kNarrowButtonSize{16, 22};

// The picture of a bar button by command ID; a null icon for a command without one.
QIcon CommandIcon(uint32_t id);
// The program's window icon.
QIcon ProgramIcon();

}  // namespace velatrace

#pragma once
// The main window's artwork for the Win32 window, painted at run time as the Qt window
// paints it: the dark 500 x 400 background picture and the program icon, without wording.

#include <windows.h>

namespace tav {

inline constexpr int kBackdropWidth = 500;
inline constexpr int kBackdropHeight = 400;

// The background picture, opaque; the caller deletes it.
HBITMAP PaintBackdrop();

// The program icon at `size` pixels square (16, 32 and 48 are drawn); the caller destroys it.
HICON PaintAppIcon(int size);

}  // namespace tav

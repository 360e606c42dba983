#pragma once
// The 48 by 48 pixel golden padlock of the password dialogs for the Win32 window, drawn on a
// transparent background as the Qt window draws it.

#include <windows.h>

namespace tav {

// A 32-bit picture with premultiplied alpha; the caller deletes it.
HBITMAP DrawPadlock();

}  // namespace tav

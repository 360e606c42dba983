#pragma once
// The look of the ButtonPlus push button in the Win32 window, painted into an owner-drawn
// button as the Qt window paints its own: the face in the back colour (lighter while the
// mouse is over it, darker while pressed or disabled), a raised edge, a solid ring for the
// window's default button and a dotted one for the focused button, and the caption centred
// with its words wrapped.

#include <windows.h>

#include <string>

namespace tav {

struct ButtonLook {
  std::wstring caption;
  COLORREF back = RGB(110, 110, 110);
  COLORREF fore = RGB(255, 255, 255);
  HFONT font = nullptr;
  bool enabled = true;
  bool pressed = false;
  bool hovered = false;
  bool focused = false;
  bool isDefault = false;
};

void PaintButtonFace(HDC dc, const RECT& box, const ButtonLook& look);

// The colour `percent` per cent as bright (lighter above 100), or 100 / `percent` as bright
// (darker).
COLORREF Lighter(COLORREF colour, int percent);
COLORREF Darker(COLORREF colour, int percent);

}  // namespace tav

#include "wingui/ButtonFace.h"

#include <algorithm>
#include <cmath>

#include "wingui/Canvas.h"

namespace tav {
namespace {

COLORREF Scaled(COLORREF c, double factor) {
  auto part = [factor](int v) {
    return static_cast<BYTE>(std::clamp<long>(std::lround(v * factor), 0, 255));
  };
  return RGB(part(GetRValue(c)), part(GetGValue(c)), part(GetBValue(c)));
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

}  // namespace

COLORREF Lighter(COLORREF colour, int percent) { return Scaled(colour, percent / 100.0); }
COLORREF Darker(COLORREF colour, int percent) { return Scaled(colour, 100.0 / percent); }

void PaintButtonFace(HDC dc, const RECT& box, const ButtonLook& look) {
  COLORREF face = look.back;
  if (!look.enabled) {
    face = Darker(face, 130);
  } else if (look.pressed) {
    face = Darker(face, 125);
  } else if (look.hovered) {
    face = Lighter(face, 135);
  }
  HBRUSH fill = CreateSolidBrush(face);
  FillRect(dc, &box, fill);
  DeleteObject(fill);

  const int right = box.right - 1, bottom = box.bottom - 1;
  const COLORREF light = Lighter(look.back, 160), dark = Darker(look.back, 200);
  {
    PenAndBrush tools(dc, CreatePen(PS_SOLID, 1, look.pressed ? dark : light), nullptr);
    Line(dc, box.left, box.top, right + 1, box.top);
    Line(dc, box.left, box.top, box.left, bottom + 1);
  }
  {
    PenAndBrush tools(dc, CreatePen(PS_SOLID, 1, look.pressed ? light : dark), nullptr);
    Line(dc, box.left, bottom, right + 1, bottom);
    Line(dc, right, box.top, right, bottom + 1);
  }
  if (look.focused || look.isDefault) {
    PenAndBrush tools(dc, CreatePen(look.focused ? PS_DOT : PS_SOLID, 1, look.fore), nullptr);
    SetBkMode(dc, TRANSPARENT);
    Rectangle(dc, box.left + 2, box.top + 2, box.right - 2, box.bottom - 2);
  }

  // A disabled caption is the fore colour faded into the face.
  SetTextColor(dc, look.enabled ? look.fore : Mix(face, look.fore, 110 / 255.0));
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = look.font ? SelectObject(dc, look.font) : nullptr;
  RECT text = box;
  if (look.pressed) OffsetRect(&text, 1, 1);
  // Centred as a block: measure the wrapped caption, then place it in the middle.
  RECT measured = text;
  const UINT flags = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
  DrawTextW(dc, look.caption.c_str(), static_cast<int>(look.caption.size()), &measured, flags | DT_CALCRECT);
  const LONG height = measured.bottom - measured.top;
  text.top += std::max<LONG>(0, (text.bottom - text.top - height) / 2);
  DrawTextW(dc, look.caption.c_str(), static_cast<int>(look.caption.size()), &text, flags);
  if (oldFont) SelectObject(dc, oldFont);
}

}  // namespace tav

#include "wingui/Padlock.h"

#include <cmath>

#include "wingui/Canvas.h"

namespace tav {
namespace {

constexpr int kSize = 48;

void DrawShackle(HDC dc) {
  LOGBRUSH steel{BS_SOLID, RGB(150, 150, 160), 0};
  {
    PenAndBrush tools(dc, ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, 5, &steel, 0, nullptr),
                      nullptr);
    SetArcDirection(dc, AD_CLOCKWISE);
    BeginPath(dc);
    MoveToEx(dc, 14, 24, nullptr);
    LineTo(dc, 14, 15);
    ArcTo(dc, 14, 4, 34, 26, 14, 15, 34, 15);
    LineTo(dc, 34, 24);
    EndPath(dc);
    StrokePath(dc);
  }
  PenAndBrush tools(dc, CreatePen(PS_SOLID, 1, RGB(215, 215, 225)), nullptr);
  SetArcDirection(dc, AD_COUNTERCLOCKWISE);
  Arc(dc, 16, 6, 33, 25, 31, 10, 17, 10);
}

bool InRoundedBody(int x, int y) {
  constexpr int left = 7, top = 22, right = 41, bottom = 46, radius = 4;
  if (x < left || x >= right || y < top || y >= bottom) return false;
  const double cx = x < left + radius ? left + radius : x >= right - radius ? right - radius : x + 0.5;
  const double cy = y < top + radius ? top + radius : y >= bottom - radius ? bottom - radius : y + 0.5;
  return std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius;
}

void DrawBody(Canvas& canvas) {
  // Gold from the top-left corner to the bottom-right one.
  const COLORREF light = RGB(255, 236, 140), gold = RGB(232, 182, 40), dark = RGB(150, 100, 10);
  for (int y = 22; y < 46; ++y) {
    for (int x = 7; x < 41; ++x) {
      if (!InRoundedBody(x, y)) continue;
      const double t = ((x - 7) * 34.0 + (y - 22) * 24.0) / (34.0 * 34.0 + 24.0 * 24.0);
      canvas.Blend(x, y, t < 0.45 ? Mix(light, gold, t / 0.45) : Mix(gold, dark, (t - 0.45) / 0.55), 255);
    }
  }
  {
    PenAndBrush tools(canvas.Dc(), CreatePen(PS_SOLID, 1, RGB(110, 70, 0)), nullptr);
    RoundRect(canvas.Dc(), 7, 22, 41, 46, 8, 8);
  }
  for (int x = 10; x <= 38; ++x) canvas.Blend(x, 25, RGB(255, 245, 190), 180);
}

void DrawKeyhole(HDC dc) {
  PenAndBrush tools(dc, nullptr, CreateSolidBrush(RGB(60, 35, 0)));
  Ellipse(dc, 21, 28, 28, 35);
  const POINT slot[] = {{22, 32}, {26, 32}, {27, 41}, {21, 41}};
  Polygon(dc, slot, 4);
}

}  // namespace

HBITMAP DrawPadlock() {
  Canvas canvas(kSize, kSize);
  canvas.Fill(kKeyColour);
  DrawShackle(canvas.Dc());
  DrawBody(canvas);
  DrawKeyhole(canvas.Dc());
  canvas.KeyOut();
  return canvas.Release();
}

}  // namespace tav

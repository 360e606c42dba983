#include "wingui/Backdrop.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "wingui/Canvas.h"

namespace tav {
namespace {

const COLORREF kNight = RGB(10, 14, 28);
const COLORREF kDeepBlue = RGB(22, 38, 70);
const COLORREF kAccent = RGB(64, 140, 220);

// A drum (cylinder) standing in the box: the usual picture of a database.
void PaintDrum(HDC dc, int left, int top, int width, int height, COLORREF body, COLORREF rim) {
  const int right = left + width, bottom = top + height;
  const int cap = std::max(2, static_cast<int>(std::lround(height * 0.28)));
  const int penWidth = std::max(1, static_cast<int>(std::lround(width / 24.0)));
  {
    PenAndBrush tools(dc, CreatePen(PS_SOLID, penWidth, rim), CreateSolidBrush(body));
    SetArcDirection(dc, AD_COUNTERCLOCKWISE);
    BeginPath(dc);
    MoveToEx(dc, left, top + cap / 2, nullptr);
    LineTo(dc, left, bottom - cap / 2);
    ArcTo(dc, left, bottom - cap, right, bottom, left, bottom - cap / 2, right, bottom - cap / 2);
    LineTo(dc, right, top + cap / 2);
    CloseFigure(dc);
    EndPath(dc);
    StrokeAndFillPath(dc);
  }
  {
    PenAndBrush tools(dc, CreatePen(PS_SOLID, penWidth, rim), nullptr);
    for (int band = 1; band <= 2; ++band) {
      const int y = top + (height - cap) * band / 3;
      Arc(dc, left, y, right, y + cap, left, y + cap / 2, right, y + cap / 2);
    }
  }
  PenAndBrush tools(dc, CreatePen(PS_SOLID, penWidth, rim), CreateSolidBrush(rim));
  Ellipse(dc, left, top, right, top + cap);
}

void PaintSky(Canvas& canvas) {
  // Along the line from the top-left corner towards (0.4 width, height).
  const double dx = kBackdropWidth * 0.4, dy = kBackdropHeight, length2 = dx * dx + dy * dy;
  const double glowX = kBackdropWidth * 0.85, glowY = -20, glowRadius = kBackdropWidth * 0.6;
  for (int y = 0; y < kBackdropHeight; ++y) {
    for (int x = 0; x < kBackdropWidth; ++x) {
      const double t = std::clamp((x * dx + y * dy) / length2, 0.0, 1.0);
      const COLORREF sky =
          t < 0.55 ? Mix(kDeepBlue, kNight, t / 0.55) : Mix(kNight, RGB(4, 6, 12), (t - 0.55) / 0.45);
      canvas.Blend(x, y, sky, 255);
      const double d = std::hypot(x - glowX, y - glowY) / glowRadius;
      if (d < 1) canvas.Blend(x, y, RGB(60, 110, 180), 110 * (1 - d));
    }
  }
}

// Faint diagonal streaks across the lower half, like light on glass.
void PaintStreaks(Canvas& canvas) {
  const int top = 150, bottom = kBackdropHeight;
  for (int i = 0; i < 5; ++i) {
    const double x = 120 + i * 78;
    for (int y = top; y < bottom; ++y) {
      const double up = double(bottom - y) / (bottom - top);  // 0 at the foot, 1 at the top
      const double from = x + (178 - 2 * i) * up;
      const double to = x + 26 + 4 * i + (190 - 26 - 4 * i) * up;
      const double alpha = (14 + i * 3) * (1 - up);
      for (int px = static_cast<int>(std::ceil(from)); px < to; ++px)
        canvas.Blend(px, y, RGB(90, 140, 210), alpha);
    }
  }
}

// The title strip above the introduction: an accent rule and a small drum at its start.
void PaintHeader(Canvas& canvas) {
  for (int x = 48; x < kBackdropWidth - 20; ++x) {
    const double alpha = 230 * (1 - double(x - 20) / (kBackdropWidth - 40));
    for (int y = 30; y < 32; ++y) canvas.Blend(x, y, kAccent, alpha);
  }
  PaintDrum(canvas.Dc(), 20, 10, 20, 26, RGB(30, 60, 105), RGB(110, 170, 235));
}

// The monochrome mask an icon carries beside its colours: set where it is transparent.
HBITMAP IconMask(const Canvas& canvas) {
  const int size = canvas.Width();
  const int stride = ((size + 15) / 16) * 2;
  std::vector<BYTE> bits(static_cast<size_t>(stride) * size, 0);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (canvas.Pixel(x, y) == RGB(0, 0, 0))
        bits[static_cast<size_t>(y) * stride + x / 8] |= 0x80 >> (x % 8);
  return CreateBitmap(size, size, 1, 1, bits.data());
}

}  // namespace

HBITMAP PaintBackdrop() {
  Canvas canvas(kBackdropWidth, kBackdropHeight);
  canvas.Fill(kNight);
  PaintSky(canvas);
  PaintStreaks(canvas);
  PaintHeader(canvas);
  return canvas.Release();
}

HICON PaintAppIcon(int size) {
  Canvas canvas(size, size);
  canvas.Fill(kKeyColour);
  const double m = size / 8.0;
  PaintDrum(canvas.Dc(), static_cast<int>(std::lround(m)), static_cast<int>(std::lround(m * 0.6)),
            static_cast<int>(std::lround(size - 2 * m)), static_cast<int>(std::lround(size - 1.6 * m)),
            RGB(34, 70, 125), RGB(120, 185, 245));
  {
    // A sweep of light across the drum: the database made clean again.
    LOGBRUSH white{BS_SOLID, RGB(255, 255, 255), 0};
    const int width = std::max(1, static_cast<int>(std::lround(size / 14.0)));
    HPEN sweep = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, width, &white, 0, nullptr);
    PenAndBrush tools(canvas.Dc(), sweep, nullptr);
    MoveToEx(canvas.Dc(), static_cast<int>(size * 0.30), static_cast<int>(size * 0.78), nullptr);
    LineTo(canvas.Dc(), static_cast<int>(size * 0.72), static_cast<int>(size * 0.42));
  }
  canvas.KeyOut();
  HBITMAP mask = IconMask(canvas);
  HBITMAP colour = canvas.Release();
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask;
  info.hbmColor = colour;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colour);
  return icon;
}

}  // namespace tav

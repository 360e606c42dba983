#include "wingui/DesignFont.h"

#include <cmath>

#include "wingui/Utf16.h"

namespace tav {
namespace {

constexpr double kSmallestFittedPoints = 6.0;

std::wstring MessageFontFace() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    return metrics.lfMessageFont.lfFaceName;
  return L"MS Shell Dlg 2";
}

bool Fits(const FontDesign& font, double points, const std::wstring& caption, int width, int height,
          bool wordWrap) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT made = CreateDesignFont(font, points);
  HGDIOBJ old = SelectObject(dc, made);
  bool fits = false;
  if (wordWrap) {
    RECT box{0, 0, width, 100000};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    fits = box.bottom <= height;
  } else {
    SIZE size{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    fits = size.cx <= width - 12;
  }
  SelectObject(dc, old);
  DeleteObject(made);
  DeleteDC(dc);
  return fits;
}

}  // namespace

HFONT CreateDesignFont(const FontDesign& font, double points) {
  LOGFONTW design{};
  design.lfHeight = -static_cast<LONG>(std::lround(points * 96.0 / 72.0));
  design.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  design.lfCharSet = DEFAULT_CHARSET;
  design.lfOutPrecision = OUT_TT_PRECIS;
  design.lfQuality = CLEARTYPE_QUALITY;
  const std::wstring face = font.face.empty() ? MessageFontFace() : Widen(font.face);
  wcsncpy(design.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&design);
}

double FittedPoints(const FontDesign& font, const std::wstring& caption, int width, int height,
                    bool wordWrap) {
  double points = font.points;
  while (points > kSmallestFittedPoints && !Fits(font, points, caption, width, height, wordWrap))
    points -= 0.25;
  return points;
}

}  // namespace tav

#include "wingui/Canvas.h"

#include <algorithm>
#include <cmath>

namespace tav {
namespace {

// Pixels are stored blue, green, red, alpha from the lowest byte up.
uint32_t ToPixel(COLORREF c, uint8_t alpha = 0) {
  return (uint32_t{alpha} << 24) | (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) |
         GetBValue(c);
}

COLORREF FromPixel(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

}  // namespace

COLORREF Mix(COLORREF from, COLORREF to, double t) {
  t = std::clamp(t, 0.0, 1.0);
  auto part = [t](int a, int b) { return static_cast<BYTE>(std::lround(a + (b - a) * t)); };
  return RGB(part(GetRValue(from), GetRValue(to)), part(GetGValue(from), GetGValue(to)),
             part(GetBValue(from), GetBValue(to)));
}

Canvas::Canvas(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  pixels_ = static_cast<uint32_t*>(bits);
  previous_ = SelectObject(dc_, bitmap_);
}

Canvas::~Canvas() {
  if (dc_) {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
}

void Canvas::Fill(COLORREF colour) {
  GdiFlush();
  std::fill(pixels_, pixels_ + static_cast<size_t>(width_) * height_, ToPixel(colour));
}

void Canvas::Blend(int x, int y, COLORREF colour, double alpha) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  GdiFlush();
  uint32_t* p = At(x, y);
  *p = ToPixel(Mix(FromPixel(*p), colour, alpha / 255.0));
}

COLORREF Canvas::Pixel(int x, int y) const {
  GdiFlush();
  return FromPixel(*At(x, y));
}

void Canvas::KeyOut() {
  GdiFlush();
  const uint32_t key = ToPixel(kKeyColour);
  for (uint32_t* p = pixels_; p != pixels_ + static_cast<size_t>(width_) * height_; ++p)
    *p = (*p & 0xFFFFFF) == key ? 0 : (*p | 0xFF000000u);
}

HBITMAP Canvas::Release() {
  GdiFlush();
  SelectObject(dc_, previous_);
  DeleteDC(dc_);
  dc_ = nullptr;
  HBITMAP bitmap = bitmap_;
  bitmap_ = nullptr;
  pixels_ = nullptr;
  return bitmap;
}

}  // namespace tav

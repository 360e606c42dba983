#pragma once
// A picture being painted: a 32-bit top-down bitmap with a device context, so that GDI draws
// the shapes (outlines, arcs, polygons) and the pixel loops here lay the gradients and the
// translucent strokes that GDI has no means for. A picture with transparent parts is first
// filled with kKeyColour, which no drawing uses, and KeyOut turns what is left of it into
// transparency, with every other pixel opaque.

#include <windows.h>

#include <cstdint>

namespace tav {

inline constexpr COLORREF kKeyColour = RGB(255, 0, 255);

class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Sets every pixel to `colour`.
  void Fill(COLORREF colour);
  // Mixes `colour` into pixel (x, y) with `alpha` (0 leaves it, 255 replaces it); a pixel
  // outside the picture is passed over.
  void Blend(int x, int y, COLORREF colour, double alpha);
  COLORREF Pixel(int x, int y) const;
  // The key colour becomes transparent, the rest opaque (alpha premultiplied, as
  // AlphaBlend and icons take it).
  void KeyOut();

  // Hands the bitmap over to the caller, who deletes it; the canvas is empty afterwards.
  HBITMAP Release();

 private:
  uint32_t* At(int x, int y) const { return pixels_ + static_cast<size_t>(y) * width_ + x; }

  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  uint32_t* pixels_ = nullptr;
};

// Selects a pen and a brush into a device context while it lives, and deletes them after;
// a null one stands for none.
class PenAndBrush {
 public:
  PenAndBrush(HDC dc, HPEN pen, HBRUSH brush) : dc_(dc), pen_(pen), brush_(brush) {
    oldPen_ = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
    oldBrush_ = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
  }
  ~PenAndBrush() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    if (pen_) DeleteObject(pen_);
    if (brush_) DeleteObject(brush_);
  }
  PenAndBrush(const PenAndBrush&) = delete;
  PenAndBrush& operator=(const PenAndBrush&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_;
  HGDIOBJ oldBrush_;
};

// A colour between `from` (t = 0) and `to` (t = 1).
COLORREF Mix(COLORREF from, COLORREF to, double t);

}  // namespace tav

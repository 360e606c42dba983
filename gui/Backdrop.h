#pragma once
// The main window's artwork, painted at run time: the dark 500 x 400 background picture
// and the program icon. Neither carries any wording.

#include <QIcon>
#include <QImage>

namespace tav {

constexpr int kBackdropWidth = 500;
constexpr int kBackdropHeight = 400;

// The background picture, 24 bits per pixel (no alpha), predominantly dark.
QImage PaintBackdrop();

// The program icon: a database drum with a sweep of light, at 16, 32 and 48 pixels.
QIcon PaintAppIcon();

}  // namespace tav

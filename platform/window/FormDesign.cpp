#include "platform/window/FormDesign.h"

#include <cmath>

namespace tav {

std::string CollectionName(std::string_view name, int index) {
  std::string collected(name);
  if (index >= 0) collected += "(" + std::to_string(index) + ")";
  return collected;
}

std::string CollectionName(const ControlDesign& control) {
  return CollectionName(control.name, control.index);
}

const char* ControlTypeName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kLabel:
      return "Label";
    case ControlKind::kTextBox:
      return "TextBox";
    case ControlKind::kButton:
      return "ButtonPlus";
    case ControlKind::kShape:
      return "Shape";
    case ControlKind::kImage:
      return "Image";
  }
  return "";
}

int TwipsToPixels(int twips) { return static_cast<int>(std::lround(twips / double(kTwipsPerPixel))); }
int PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

}  // namespace tav

#pragma once
// A form as its designer laid it out, without a window toolkit: the window and its controls
// in the designed collection order, each with its type, name, position and size in twips
// (1/1440 inch, 15 to the pixel at 96 dots per inch), its designed caption ("#n" markers
// included, resolved when the form loads), tool tip, colours, font, tab order, and the
// window's default and cancel buttons.
//
// A window back end renders a design: it creates the window and each control with these
// settings, lists the controls in this order as the form's collection, and routes the
// form's events to its handlers (FormHandlers.h). The back ends that do are the Qt one
// (gui/QtWindowServices.h) and the terminal one (platform/window/TerminalWindowServices.h);
// the tests' scripted services (tests/support/ScriptedWindowServices.h) answer a form from
// their script instead. Pictures are named, not stored: each back end draws or loads the
// picture of a name.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

inline constexpr int kTwipsPerPixel = 15;

// A colour by its red, green and blue parts (0 to 255).
struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A font. A font without a face is the window system's own dialog font at that size; a
// named face that the system lacks is stood in for by a close one, and captions in such a
// stand-in are made a little smaller where they would not fit their control.
struct FontDesign {
  std::string face;
  double points = 8.25;
  bool bold = false;
};

enum class ControlKind {
  kLabel,    // text, transparent unless it has a back colour; words wrap
  kTextBox,  // single-line or multi-line text box
  kButton,   // the ButtonPlus push button
  kShape,    // a rectangle outline
  kImage,    // a picture drawn from the control's top-left corner
};

struct ControlDesign {
  ControlKind kind = ControlKind::kLabel;
  std::string name;
  int index = -1;  // element of a control array (0, 1, ...), or -1 for a control of its own
  int left = 0, top = 0, width = 0, height = 0;  // twips
  std::string caption;                           // labels and buttons
  std::string toolTip;                           // labels and buttons
  bool visible = true;
  bool enabled = true;
  std::optional<Rgb> foreColor;
  std::optional<Rgb> backColor;    // a label without one is transparent
  std::optional<FontDesign> font;  // none: the form's font
  int tabIndex = -1;               // place in the keyboard order; -1 for a control that takes no focus
  // Text boxes.
  bool multiLine = false;    // several lines with a vertical scroll bar
  bool locked = false;       // not editable by the user
  std::string passwordChar;  // shown for every character when not empty
  // Buttons: pressed by Enter (default) or Escape (cancel) anywhere in the window.
  bool isDefault = false;
  bool isCancel = false;
  // Shapes: the outline's colour and width in pixels.
  Rgb borderColor;
  int borderWidth = 1;
  // Images.
  std::string picture;
};

// How the window is framed.
enum class WindowFrame {
  kFixedWithTitle,  // a fixed-size window with a title bar, control box and minimise button
  kFixedNoTitle,    // a fixed-size dialog with a thin border and no title bar
};

struct FormDesign {
  std::string name;
  std::string caption;        // the window's title
  int width = 0, height = 0;  // client area, twips
  WindowFrame frame = WindowFrame::kFixedWithTitle;
  std::optional<Rgb> backColor;
  std::string picture;  // drawn from the top-left corner over the back colour
  std::string icon;
  FontDesign font;
  // The control that has the focus when the form opens; empty leaves it to the window system.
  std::string focus;
  std::vector<ControlDesign> controls;  // in the designed collection order
};

// The name a control has in its form's collection: "cmdTV(1)" for element 1 of the array
// cmdTV (index 1), the plain name for a control of its own (index -1).
std::string CollectionName(std::string_view name, int index);
std::string CollectionName(const ControlDesign& control);

// The type name a control of the kind has in every window back end ("Label", "TextBox",
// "ButtonPlus", "Shape", "Image").
const char* ControlTypeName(ControlKind kind);

// Twips to whole pixels (nearest) and back.
int TwipsToPixels(int twips);
int PixelsToTwips(int pixels);

}  // namespace tav

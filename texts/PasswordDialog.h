#pragma once
// What the two password dialogs share: their handlers, and the pieces of their design (a
// borderless dark-grey window with a coloured frame, the padlock, the masked password box,
// the OK and cancel buttons).
//
// The answer, left in the form's Tag before it hides itself, is the box's text without
// leading and trailing spaces, in lower case (OK), or the dialog's cancel answer (Cancel,
// Escape, or closing the window by other means). OK is enabled exactly while that trimmed
// text is not empty, from the first change of the text on; the design sets its state at
// opening. Typed characters other than backspace, A-Z, a-z and 0-9 never reach the box.

#include <string>
#include <string_view>

#include "platform/window/FormHandlers.h"

namespace tav {

// The characters the password box accepts when typed: backspace, A-Z, a-z and 0-9.
bool IsPasswordKey(char16_t c);
// The OK answer for a box holding `text`.
std::string PasswordAnswer(std::string_view text);

class PasswordDialog : public FormHandlers {
 public:
  explicit PasswordDialog(std::string cancelAnswer) : cancelAnswer_(std::move(cancelAnswer)) {}

  // Localises the designed "#n" captions.
  void Form_Load(Form& self) override;
  void Click(Form& self, std::string_view control, int index) override;
  void Change(Form& self, std::string_view control) override;
  bool KeyPress(Form& self, std::string_view control, char16_t key) override;
  bool QueryUnload(Form& self) override;

 private:
  void Answer(Form& self, const std::string& tag);

  std::string cancelAnswer_;
};

// The design pieces, in the order of a dialog's layout (positions and sizes in twips).
// A dialog of `width` by `height` twips framed in `frameColor`, holding the frame "Shape1".
FormDesign PasswordDialogDesign(const char* name, int width, int height, Rgb frameColor);
ControlDesign PasswordLabel(const char* name, int left, int top, int width, int height, const char* caption);
ControlDesign Padlock(int left, int top);
ControlDesign PasswordBox(int left, int top, int width, int height);
// OK (the default button, enabled at opening when `okEnabled`) and cancel, side by side.
void AddPasswordButtons(FormDesign& dialog, int okLeft, int cancelLeft, int top, bool okEnabled);

}  // namespace tav

#pragma once
// The event handlers of a form, in portable code: a window back end that renders the form's
// design (FormDesign.h) calls them as the user acts, and they answer only through the Form
// and WindowServices interfaces. Each instance of a form gets handlers of its own, made by
// its FormClass when the back end creates the instance.

#include <functional>
#include <memory>
#include <string_view>

#include "platform/window/FormDesign.h"
#include "platform/window/WindowServices.h"

namespace tav {

class FormHandlers {
 public:
  virtual ~FormHandlers() = default;

  // The form's controls exist with their designed properties; it is not shown yet.
  virtual void Form_Load(Form& /*self*/) {}
  // A button was pressed (click, space, or Enter and Escape for the default and cancel
  // buttons) while enabled and visible; `index` is its element of a control array, or -1.
  virtual void Click(Form& /*self*/, std::string_view /*control*/, int /*index*/) {}
  // The text of a text box changed, however it came about (typing, pasting, the program).
  virtual void Change(Form& /*self*/, std::string_view /*control*/) {}
  // A character typed into a text box, before the box takes it (backspace is 8); answering
  // false discards it. Pasted text and keys that type nothing never come here.
  virtual bool KeyPress(Form& /*self*/, std::string_view /*control*/, char16_t /*key*/) { return true; }
  // The user closes the window by the window system's means (title bar, Alt+F4); answering
  // false keeps it open. The form's Tag is cleared before this is asked.
  virtual bool QueryUnload(Form& /*self*/) { return true; }
};

// A form as a back end registers it: the design, and the handlers of each new instance.
struct FormClass {
  const FormDesign* design = nullptr;
  std::function<std::unique_ptr<FormHandlers>(WindowServices&)> makeHandlers;
};

}  // namespace tav

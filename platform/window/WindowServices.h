#pragma once
// What the program asks of its window runtime: forms with a Tag and named controls whose
// properties are read and written by name, modal message boxes, message processing on
// demand, ending the program at once, and common-controls initialisation.
//
// Three implementations: the Qt one (gui/QtWindowServices.h), the terminal one for
// unattended runs (platform/window/TerminalWindowServices.h) and a scripted one for tests
// (tests/support/ScriptedWindowServices.h) that answers boxes and dialogs from a script and
// records everything it was asked. The program's forms are designs (FormDesign.h) with
// portable handlers (FormHandlers.h), which the Qt and the terminal services render.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tav {

// The title message boxes and the main window show.
inline constexpr const char* kApplicationTitle = "Tavimer Database Maintenance";

// Message-box styles: a button set plus an icon.
enum MsgBoxStyle : int {
  vbOKOnly = 0,
  vbRetryCancel = 5,
  vbCritical = 16,
  vbExclamation = 48,
  vbInformation = 64,
};
// Buttons a message box returns.
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbRetry = 4 };

// A property value: text, a whole number or a Boolean.
using PropValue = std::variant<std::string, int32_t, bool>;

// Thrown by WindowServices::End() in tests; the Qt implementation ends the process.
struct ProgramEnded {};

// One window. A form is created unloaded by WindowServices::CreateForm; Load() creates its
// controls with their designed properties and runs its load handler.
class Form {
 public:
  virtual ~Form() = default;

  virtual const std::string& Name() const = 0;
  virtual void Load() = 0;
  virtual void ShowModal() = 0;  // returns when the form hides itself or is destroyed
  virtual void Show() = 0;       // modeless
  virtual void Hide() = 0;
  virtual void Unload() = 0;

  virtual std::string Tag() const = 0;
  virtual void SetTag(const std::string& tag) = 0;

  // Control names in the designed collection order.
  virtual std::vector<std::string> ControlNames() const = 0;
  // The type name of a control ("Label", "TextBox", "ButtonPlus", "Shape", "Image", ...).
  virtual std::string ControlType(std::string_view control) const = 0;

  // Property by name. `control` empty means the form itself. Both return false when the
  // object has no such property or refuses the access.
  virtual bool GetProperty(std::string_view control, std::string_view property, PropValue& out) const = 0;
  virtual bool SetProperty(std::string_view control, std::string_view property, const PropValue& value) = 0;

  // Repaints a control at once.
  virtual void Refresh(std::string_view control) = 0;
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // A fresh, unloaded instance of the named form.
  virtual std::unique_ptr<Form> CreateForm(std::string_view name) = 0;
  // Modal message box without a title of its own; returns the button pressed.
  virtual int MsgBox(const std::string& text, int style) = 0;
  // Handles all pending window messages and returns.
  virtual void DoEvents() = 0;
  // Ends the program at once, discarding every window without running further handlers.
  [[noreturn]] virtual void End() = 0;
  // Common-controls initialisation with a class set; false when it failed.
  virtual bool InitCommonControls(uint32_t classFlags) = 0;
};

// Convenience accessors for the common property kinds: the value, or "", 0 and false when
// the control has no such property or it holds another kind of value.
inline std::string PropText(const Form& form, std::string_view control, std::string_view property) {
  PropValue v;
  if (!form.GetProperty(control, property, v)) return {};
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  return {};
}
inline int32_t PropNumber(const Form& form, std::string_view control, std::string_view property) {
  PropValue v;
  if (!form.GetProperty(control, property, v)) return 0;
  if (auto* n = std::get_if<int32_t>(&v)) return *n;
  return 0;
}
inline bool PropFlag(const Form& form, std::string_view control, std::string_view property) {
  PropValue v;
  if (!form.GetProperty(control, property, v)) return false;
  if (auto* b = std::get_if<bool>(&v)) return *b;
  return false;
}

}  // namespace tav

#pragma once
// Window services on the Win32 API, for the program built for Windows: each registered form
// design is rendered as a native window (Win32Form.h), message boxes are MessageBoxW, and the
// messages of every window pass through one pump that gives the forms their keys first (tab
// order, default and cancel buttons).
//
// A modal show disables every other window of the program and pumps messages until the form
// hides itself or is destroyed; a message box shows over the active window of the program,
// with the application's title and the system's buttons and icon for the style. The styles'
// numbers are the system's own, so a style and the button a box returns pass unchanged.
//
// Pictures and icons are named by the designs and drawn afresh for each window that shows
// them; the window deletes them with itself.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/window/FormHandlers.h"
#include "platform/window/WindowServices.h"

namespace tav {

class Win32WindowServices : public WindowServices {
 public:
  Win32WindowServices();
  ~Win32WindowServices() override;

  // Registers the form of a design under its name; each instance is the design rendered as
  // a window, with handlers of its own.
  void RegisterForm(const FormClass& form);
  void RegisterPicture(std::string name, std::function<HBITMAP()> draw);
  void RegisterIcon(std::string name, std::function<HICON(int size)> draw);
  // A fresh picture or icon of the name, null for a name never registered.
  HBITMAP Picture(std::string_view name) const;
  HICON Icon(std::string_view name, int size) const;

  // Throws std::out_of_range for a name that was never registered.
  std::unique_ptr<Form> CreateForm(std::string_view name) override;
  int MsgBox(const std::string& text, int style) override;
  void DoEvents() override;
  [[noreturn]] void End() override;
  bool InitCommonControls(uint32_t classFlags) override;

  // Handles messages, waiting for each, until `done` answers true after one; false when the
  // program was asked to quit first (the quit is left for the next pump).
  bool PumpUntil(const std::function<bool()>& done);
  // Runs until the program is asked to quit; its exit code.
  int Run();

 private:
  std::map<std::string, FormClass, std::less<>> forms_;
  std::map<std::string, std::function<HBITMAP()>, std::less<>> pictures_;
  std::map<std::string, std::function<HICON(int)>, std::less<>> icons_;
};

// Hands a message to the form it is for, before the window it is sent to sees it; true
// when the form took it (a key of its keyboard order or of its default or cancel button).
bool TranslateFormMessage(const MSG& message);

}  // namespace tav

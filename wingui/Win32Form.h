#pragma once
// One form of a design (platform/window/FormDesign.h) as a native window: labels are static
// controls, text boxes edit controls, buttons owner-drawn buttons with the ButtonPlus look
// (ButtonFace.h); shapes and images have no window of their own and are painted by the form
// over its back colour and picture. Twips map to pixels at 15 to the pixel, as in the Qt
// window; fonts and colours are as designed (DesignFont.h).
//
// Properties by name are the ones each kind of control has in every back end: for all,
// Visible, Left, Top, Width and Height (twips); labels Caption, ToolTipText and Enabled;
// text boxes Text, SelStart (a byte of the UTF-8 text), PasswordChar, Locked and Enabled;
// buttons Caption, ToolTipText, Enabled, Index, Default and Cancel; shapes BorderWidth; the
// form itself Caption and Enabled. A value of another type is refused.
//
// Events go to the form's handlers: a press of an enabled, visible button (click, space,
// Enter on the focused button, Enter anywhere for the default button, Escape for the cancel
// button) is a Click; every change of a text box's text, by the user or the program, one
// Change; each character typed into a text box passes KeyPress first, and one answered false
// never reaches the box (pasting by the menu or Shift+Insert types nothing); closing by the
// title bar or Alt+F4 clears the Tag and asks QueryUnload, and hides the form when allowed.
// Tab and Shift+Tab move through the text boxes and buttons in their tab order.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/window/FormHandlers.h"
#include "platform/window/WindowServices.h"

namespace tav {

class Win32WindowServices;

class Win32Form : public Form {
 public:
  Win32Form(const FormClass& form, Win32WindowServices& services);
  ~Win32Form() override;

  const std::string& Name() const override;
  void Load() override;
  void ShowModal() override;
  void Show() override;
  void Hide() override;
  void Unload() override;
  std::string Tag() const override { return tag_; }
  void SetTag(const std::string& tag) override;
  std::vector<std::string> ControlNames() const override;
  std::string ControlType(std::string_view control) const override;
  bool GetProperty(std::string_view control, std::string_view property, PropValue& out) const override;
  bool SetProperty(std::string_view control, std::string_view property, const PropValue& value) override;
  void Refresh(std::string_view control) override;

  // The window, or null before Load() and after Unload().
  HWND Handle() const { return window_; }
  // The form a window of ours belongs to (the window itself or one of its controls).
  static Win32Form* FromWindow(HWND window);
  // Takes a key meant for the form before its focused control sees it.
  bool TranslateKey(const MSG& message);

 private:
  struct Control;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnControlMessage(Control& control, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  void CreateWindowAndControls();
  void CreateControl(Control& control);
  void FitCaptions();
  void ShowCentredOnce();
  void EnableOtherWindows();
  void Press(Control& control);
  void MoveFocus(bool backwards);
  void PaintDrawnControls(HDC dc);
  HBRUSH ColourControl(HDC dc, HWND child);
  void Place(Control& control);
  void SetText(Control& control, const std::string& text);

  Control* Find(std::string_view name);
  const Control* Find(std::string_view name) const;
  Control* FindByWindow(HWND window);

  FormClass class_;
  Win32WindowServices& services_;
  std::unique_ptr<FormHandlers> handlers_;
  // Handlers of earlier loads, kept while one of them may still be running.
  std::vector<std::unique_ptr<FormHandlers>> retired_;
  std::vector<Control> controls_;
  std::string tag_;
  HWND window_ = nullptr;
  HWND tooltips_ = nullptr;
  HWND lastFocus_ = nullptr;
  HBITMAP picture_ = nullptr;
  HBRUSH background_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::vector<HWND> disabledByModal_;
  bool centred_ = false;
  bool settingText_ = false;
};

}  // namespace tav

#include "wingui/Win32WindowServices.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "wingui/Utf16.h"
#include "wingui/Win32Form.h"

namespace tav {
namespace {

void Dispatch(MSG& message) {
  if (TranslateFormMessage(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace

bool TranslateFormMessage(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  Win32Form* form = Win32Form::FromWindow(message.hwnd);
  return form != nullptr && form->TranslateKey(message);
}

Win32WindowServices::Win32WindowServices() = default;
Win32WindowServices::~Win32WindowServices() = default;

void Win32WindowServices::RegisterForm(const FormClass& form) { forms_[form.design->name] = form; }

void Win32WindowServices::RegisterPicture(std::string name, std::function<HBITMAP()> draw) {
  pictures_[std::move(name)] = std::move(draw);
}

void Win32WindowServices::RegisterIcon(std::string name, std::function<HICON(int)> draw) {
  icons_[std::move(name)] = std::move(draw);
}

HBITMAP Win32WindowServices::Picture(std::string_view name) const {
  auto it = pictures_.find(name);
  return it == pictures_.end() ? nullptr : it->second();
}

HICON Win32WindowServices::Icon(std::string_view name, int size) const {
  auto it = icons_.find(name);
  return it == icons_.end() ? nullptr : it->second(size);
}

std::unique_ptr<Form> Win32WindowServices::CreateForm(std::string_view name) {
  auto it = forms_.find(name);
  if (it == forms_.end()) throw std::out_of_range("no form named " + std::string(name));
  return std::make_unique<Win32Form>(it->second, *this);
}

int Win32WindowServices::MsgBox(const std::string& text, int style) {
  HWND owner = GetActiveWindow();
  if (!Win32Form::FromWindow(owner)) owner = nullptr;
  // The button sets and icons have the system's own numbers.
  const UINT buttons = (style & 0x7) == vbRetryCancel ? MB_RETRYCANCEL : MB_OK;
  const UINT icon = static_cast<UINT>(style & 0x70);
  const int pressed = MessageBoxW(owner, Widen(text).c_str(), Widen(kApplicationTitle).c_str(),
                                  buttons | icon | MB_TASKMODAL);
  if (pressed == IDRETRY) return vbRetry;
  if (pressed == IDCANCEL) return vbCancel;
  return vbOK;
}

void Win32WindowServices::DoEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

bool Win32WindowServices::PumpUntil(const std::function<bool()>& done) {
  MSG message;
  while (!done()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    if (got < 0) return false;
    Dispatch(message);
  }
  return true;
}

int Win32WindowServices::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
  return static_cast<int>(message.wParam);
}

// Ends at once: no window is hidden or closed first, so no handler of any window runs.
void Win32WindowServices::End() {
  std::fflush(nullptr);
  std::exit(0);
}

bool Win32WindowServices::InitCommonControls(uint32_t classFlags) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), classFlags};
  return InitCommonControlsEx(&controls) != FALSE;
}

}  // namespace tav

#include "wingui/Win32Form.h"

#include <commctrl.h>

#include <algorithm>

#include "wingui/ButtonFace.h"
#include "wingui/DesignFont.h"
#include "wingui/Utf16.h"
#include "wingui/Win32WindowServices.h"

namespace tav {

struct Win32Form::Control {
  const ControlDesign* design = nullptr;
  std::string name;       // in the form's collection: "cmdTV(1)"
  HWND window = nullptr;  // none for shapes and images, which the form paints
  RECT box{};             // pixels, in the form's client area
  bool visible = true;
  bool enabled = true;
  std::string caption;
  std::string toolTip;
  std::string passwordChar;
  bool locked = false;
  int index = -1;
  bool isDefault = false;
  bool isCancel = false;
  int borderWidth = 1;
  FontDesign font;
  double points = 8.25;
  HFONT hfont = nullptr;
  HBRUSH back = nullptr;  // an opaque label's or a coloured text box's background
  HBITMAP picture = nullptr;
  bool hovered = false;
};

namespace {

constexpr wchar_t kFormClass[] = L"TavimerForm";
constexpr int kFirstControlId = 100;

// Whether a control of `kind` has `property`, as in every window back end.
bool HasProperty(ControlKind kind, std::string_view p) {
  if (p == "Visible" || p == "Left" || p == "Top" || p == "Width" || p == "Height") return true;
  switch (kind) {
    case ControlKind::kLabel:
      return p == "Caption" || p == "ToolTipText" || p == "Enabled";
    case ControlKind::kTextBox:
      return p == "Text" || p == "SelStart" || p == "PasswordChar" || p == "Locked" || p == "Enabled";
    case ControlKind::kButton:
      return p == "Caption" || p == "ToolTipText" || p == "Enabled" || p == "Index" || p == "Default" ||
             p == "Cancel";
    case ControlKind::kShape:
      return p == "BorderWidth";
    case ControlKind::kImage:
      return false;
  }
  return false;
}

COLORREF ToColour(const Rgb& rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

std::string WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

// The first character of a UTF-8 text, or "" for none.
std::string FirstCharacter(const std::string& text) {
  if (text.empty()) return {};
  size_t length = 1;
  while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) ++length;
  return text.substr(0, length);
}

wchar_t MaskCharacter(const std::string& passwordChar) {
  const std::wstring wide = Widen(passwordChar);
  return wide.empty() ? L'\0' : wide[0];
}

void RegisterFormClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    wc.lpszClassName = kFormClass;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

BOOL CALLBACK CollectShownForm(HWND window, LPARAM found) {
  if (IsWindowVisible(window) && IsWindowEnabled(window) && Win32Form::FromWindow(window))
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

}  // namespace

Win32Form::Win32Form(const FormClass& form, Win32WindowServices& services)
    : class_(form), services_(services) {}

Win32Form::~Win32Form() { Unload(); }

const std::string& Win32Form::Name() const { return class_.design->name; }

Win32Form* Win32Form::FromWindow(HWND window) {
  if (!window) return nullptr;
  HWND root = GetAncestor(window, GA_ROOT);
  wchar_t name[32] = {};
  if (!root || !GetClassNameW(root, name, 32) || std::wstring_view(name) != kFormClass) return nullptr;
  return reinterpret_cast<Win32Form*>(GetWindowLongPtrW(root, GWLP_USERDATA));
}

// ---- Loading

void Win32Form::Load() {
  if (window_) return;
  handlers_ = class_.makeHandlers(services_);
  CreateWindowAndControls();
  handlers_->Form_Load(*this);
  FitCaptions();
}

void Win32Form::CreateWindowAndControls() {
  RegisterFormClass();
  const FormDesign& design = *class_.design;
  const DWORD style = design.frame == WindowFrame::kFixedNoTitle
                          ? WS_POPUP | WS_BORDER | WS_CLIPCHILDREN
                          : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT outer{0, 0, TwipsToPixels(design.width), TwipsToPixels(design.height)};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  // A dialog opened over another window of the program stays above it.
  HWND owner = GetActiveWindow();
  if (!FromWindow(owner)) owner = nullptr;
  window_ = CreateWindowExW(0, kFormClass, Widen(design.caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.right - outer.left, outer.bottom - outer.top, owner, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Form::WindowProc));
  if (!design.icon.empty()) {
    bigIcon_ = services_.Icon(design.icon, 32);
    smallIcon_ = services_.Icon(design.icon, 16);
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  }
  if (!design.picture.empty()) picture_ = services_.Picture(design.picture);
  background_ = picture_ ? CreatePatternBrush(picture_)
                         : CreateSolidBrush(design.backColor ? ToColour(*design.backColor)
                                                             : GetSysColor(COLOR_BTNFACE));
  tooltips_ = CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, 400);

  controls_.clear();
  controls_.reserve(design.controls.size());
  for (const ControlDesign& c : design.controls) {
    Control control;
    control.design = &c;
    control.name = CollectionName(c);
    control.box =
        RECT{TwipsToPixels(c.left), TwipsToPixels(c.top), TwipsToPixels(c.left) + TwipsToPixels(c.width),
             TwipsToPixels(c.top) + TwipsToPixels(c.height)};
    control.visible = c.visible;
    control.enabled = c.enabled;
    control.caption = c.caption;
    control.toolTip = c.toolTip;
    control.passwordChar = FirstCharacter(c.passwordChar);
    control.locked = c.locked;
    control.index = c.index;
    control.isDefault = c.isDefault;
    control.isCancel = c.isCancel;
    control.borderWidth = c.borderWidth;
    control.font = c.font ? *c.font : design.font;
    control.points = control.font.points;
    controls_.push_back(std::move(control));
  }
  for (Control& control : controls_) CreateControl(control);
  centred_ = false;
  lastFocus_ = nullptr;
}

void Win32Form::CreateControl(Control& control) {
  const ControlDesign& c = *control.design;
  const int id = kFirstControlId + static_cast<int>(&control - controls_.data());
  const DWORD shown = control.visible ? WS_VISIBLE : 0;
  const std::wstring caption = Widen(control.caption);
  const RECT& b = control.box;
  auto create = [&](DWORD exStyle, const wchar_t* cls, DWORD style) {
    return CreateWindowExW(exStyle, cls, caption.c_str(), WS_CHILD | shown | style, b.left, b.top,
                           b.right - b.left, b.bottom - b.top, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                           nullptr);
  };
  switch (c.kind) {
    case ControlKind::kLabel:
      control.window = create(0, L"STATIC", SS_LEFT | SS_NOTIFY | SS_NOPREFIX);
      if (c.backColor) control.back = CreateSolidBrush(ToColour(*c.backColor));
      break;
    case ControlKind::kTextBox: {
      DWORD style = WS_TABSTOP | (c.multiLine ? ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL : ES_AUTOHSCROLL);
      if (!control.passwordChar.empty() && !c.multiLine) style |= ES_PASSWORD;
      if (control.locked) style |= ES_READONLY;
      control.window = create(WS_EX_CLIENTEDGE, L"EDIT", style);
      SendMessageW(control.window, EM_SETLIMITTEXT, 0, 0);  // no length limit of its own
      if (!control.passwordChar.empty())
        SendMessageW(control.window, EM_SETPASSWORDCHAR, MaskCharacter(control.passwordChar), 0);
      if (c.backColor && c.foreColor) control.back = CreateSolidBrush(ToColour(*c.backColor));
      break;
    }
    case ControlKind::kButton:
      control.window = create(0, L"BUTTON", WS_TABSTOP | BS_OWNERDRAW);
      break;
    case ControlKind::kShape:
      return;
    case ControlKind::kImage:
      control.picture = services_.Picture(c.picture);
      return;
  }
  if (!control.enabled) EnableWindow(control.window, FALSE);
  control.hfont = CreateDesignFont(control.font, control.points);
  SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(control.hfont), FALSE);
  SetWindowSubclass(control.window, &Win32Form::ControlProc, static_cast<UINT_PTR>(id - kFirstControlId),
                    reinterpret_cast<DWORD_PTR>(this));
  if (c.kind != ControlKind::kTextBox) {
    std::wstring tip = Widen(control.toolTip);
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = window_;
    info.uId = reinterpret_cast<UINT_PTR>(control.window);
    info.lpszText = tip.data();
    SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
}

// Captions in a named face that do not fit their control get a slightly smaller size.
void Win32Form::FitCaptions() {
  for (Control& control : controls_) {
    const ControlKind kind = control.design->kind;
    if ((kind != ControlKind::kLabel && kind != ControlKind::kButton) || control.font.face.empty()) continue;
    const double points =
        FittedPoints(control.font, Widen(control.caption), control.box.right - control.box.left,
                     control.box.bottom - control.box.top, kind == ControlKind::kLabel);
    if (points == control.points) continue;
    control.points = points;
    HFONT old = control.hfont;
    control.hfont = CreateDesignFont(control.font, points);
    SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(control.hfont), TRUE);
    DeleteObject(old);
  }
}

// ---- Showing

void Win32Form::ShowCentredOnce() {
  if (!centred_) {
    centred_ = true;
    RECT frame{}, work{};
    GetWindowRect(window_, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  HWND focus = GetFocus();
  if (!focus || FromWindow(focus) != this || focus == window_) {
    const std::string& designed = class_.design->focus;
    Control* first = designed.empty() ? nullptr : Find(designed);
    if (first && first->window && IsWindowVisible(first->window) && IsWindowEnabled(first->window)) {
      SetFocus(first->window);
    } else {
      SetFocus(window_);
      MoveFocus(false);
    }
  }
}

void Win32Form::ShowModal() {
  Load();
  if (IsWindowVisible(window_)) ShowWindow(window_, SW_HIDE);
  HWND self = window_;
  EnableOtherWindows();
  EnumThreadWindows(GetCurrentThreadId(), &CollectShownForm, reinterpret_cast<LPARAM>(&disabledByModal_));
  for (HWND other : disabledByModal_) EnableWindow(other, FALSE);
  ShowCentredOnce();
  services_.PumpUntil([self] { return !IsWindow(self) || !IsWindowVisible(self); });
  if (IsWindow(self)) EnableOtherWindows();
}

// Gives back the windows a modal show took; before the form hides, so that one of them
// becomes the active window again.
void Win32Form::EnableOtherWindows() {
  for (HWND other : disabledByModal_)
    if (IsWindow(other)) EnableWindow(other, TRUE);
  disabledByModal_.clear();
}

void Win32Form::Show() {
  Load();
  ShowCentredOnce();
}

void Win32Form::Hide() {
  if (!window_) return;
  EnableOtherWindows();
  ShowWindow(window_, SW_HIDE);
}

void Win32Form::Unload() {
  if (!window_) return;
  EnableOtherWindows();
  HWND window = window_;
  window_ = nullptr;
  DestroyWindow(window);
  for (Control& control : controls_) {
    if (control.hfont) DeleteObject(control.hfont);
    if (control.back) DeleteObject(control.back);
    if (control.picture) DeleteObject(control.picture);
  }
  controls_.clear();
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(picture_), static_cast<HGDIOBJ>(background_)})
    if (object) DeleteObject(object);
  for (HICON icon : {bigIcon_, smallIcon_})
    if (icon) DestroyIcon(icon);
  picture_ = nullptr, background_ = nullptr, bigIcon_ = nullptr, smallIcon_ = nullptr;
  tooltips_ = nullptr;
  lastFocus_ = nullptr;
  tag_.clear();
  // Unload may run inside one of the handlers: they are deleted with the form.
  if (handlers_) retired_.push_back(std::move(handlers_));
}

void Win32Form::SetTag(const std::string& tag) {
  Load();
  tag_ = tag;
}

// ---- Controls and properties

Win32Form::Control* Win32Form::Find(std::string_view name) {
  for (Control& control : controls_)
    if (control.name == name) return &control;
  return nullptr;
}

const Win32Form::Control* Win32Form::Find(std::string_view name) const {
  return const_cast<Win32Form*>(this)->Find(name);
}

Win32Form::Control* Win32Form::FindByWindow(HWND window) {
  if (!window) return nullptr;
  for (Control& control : controls_)
    if (control.window == window) return &control;
  return nullptr;
}

std::vector<std::string> Win32Form::ControlNames() const {
  std::vector<std::string> names;
  for (const Control& control : controls_) names.push_back(control.name);
  return names;
}

std::string Win32Form::ControlType(std::string_view control) const {
  const Control* c = Find(control);
  return c ? ControlTypeName(c->design->kind) : std::string();
}

bool Win32Form::GetProperty(std::string_view control, std::string_view property, PropValue& out) const {
  if (!window_) return false;
  if (control.empty()) {
    if (property == "Caption")
      out = WindowText(window_);
    else if (property == "Enabled")
      out = IsWindowEnabled(window_) != FALSE;
    else
      return false;
    return true;
  }
  const Control* c = Find(control);
  if (!c || !HasProperty(c->design->kind, property)) return false;
  if (property == "Visible")
    out = c->visible;
  else if (property == "Left")
    out = PixelsToTwips(c->box.left);
  else if (property == "Top")
    out = PixelsToTwips(c->box.top);
  else if (property == "Width")
    out = PixelsToTwips(c->box.right - c->box.left);
  else if (property == "Height")
    out = PixelsToTwips(c->box.bottom - c->box.top);
  else if (property == "Caption")
    out = c->caption;
  else if (property == "ToolTipText")
    out = c->toolTip;
  else if (property == "Enabled")
    out = c->enabled;
  else if (property == "Text")
    out = WindowText(c->window);
  else if (property == "PasswordChar")
    out = c->passwordChar;
  else if (property == "Locked")
    out = c->locked;
  else if (property == "Index")
    out = static_cast<int32_t>(c->index);
  else if (property == "Default")
    out = c->isDefault;
  else if (property == "Cancel")
    out = c->isCancel;
  else if (property == "BorderWidth")
    out = static_cast<int32_t>(c->borderWidth);
  else if (property == "SelStart") {
    DWORD start = 0;
    SendMessageW(c->window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    out = static_cast<int32_t>(Utf8Offset(WindowText(c->window), static_cast<int>(start)));
  } else {
    return false;
  }
  return true;
}

void Win32Form::Place(Control& control) {
  const RECT& b = control.box;
  if (control.window) {
    MoveWindow(control.window, b.left, b.top, b.right - b.left, b.bottom - b.top, TRUE);
  } else {
    InvalidateRect(window_, nullptr, TRUE);
  }
}

void Win32Form::SetText(Control& control, const std::string& text) {
  const bool changed = WindowText(control.window) != text;
  settingText_ = true;
  SetWindowTextW(control.window, Widen(text).c_str());
  settingText_ = false;
  // The handler may unload the form: nothing of it is touched afterwards.
  if (changed && handlers_) handlers_->Change(*this, control.design->name);
}

bool Win32Form::SetProperty(std::string_view control, std::string_view property, const PropValue& value) {
  if (!window_) return false;
  const auto* text = std::get_if<std::string>(&value);
  const auto* number = std::get_if<int32_t>(&value);
  const auto* flag = std::get_if<bool>(&value);
  if (control.empty()) {
    if (property == "Caption" && text)
      SetWindowTextW(window_, Widen(*text).c_str());
    else if (property == "Enabled" && flag)
      EnableWindow(window_, *flag);
    else
      return false;
    return true;
  }
  Control* c = Find(control);
  if (!c || !HasProperty(c->design->kind, property)) return false;
  const bool geometry =
      property == "Left" || property == "Top" || property == "Width" || property == "Height";
  const bool textual =
      property == "Caption" || property == "ToolTipText" || property == "Text" || property == "PasswordChar";
  const bool numeric = geometry || property == "Index" || property == "BorderWidth" || property == "SelStart";
  if ((textual && !text) || (numeric && !number) || (!textual && !numeric && !flag)) return false;

  if (geometry) {
    RECT& b = c->box;
    const int pixels = TwipsToPixels(*number);
    if (property == "Left") OffsetRect(&b, pixels - b.left, 0);
    if (property == "Top") OffsetRect(&b, 0, pixels - b.top);
    if (property == "Width") b.right = b.left + pixels;
    if (property == "Height") b.bottom = b.top + pixels;
    Place(*c);
  } else if (property == "Visible") {
    c->visible = *flag;
    if (c->window) {
      if (!*flag && GetFocus() == c->window) MoveFocus(false);
      ShowWindow(c->window, *flag ? SW_SHOWNA : SW_HIDE);
    } else {
      InvalidateRect(window_, &c->box, TRUE);
    }
  } else if (property == "Enabled") {
    c->enabled = *flag;
    if (!*flag && GetFocus() == c->window) MoveFocus(false);
    EnableWindow(c->window, *flag);
  } else if (property == "Caption") {
    c->caption = *text;
    SetWindowTextW(c->window, Widen(*text).c_str());
    InvalidateRect(c->window, nullptr, TRUE);
  } else if (property == "ToolTipText") {
    c->toolTip = *text;
    std::wstring tip = Widen(*text);
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = window_;
    info.uId = reinterpret_cast<UINT_PTR>(c->window);
    info.lpszText = tip.data();
    SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  } else if (property == "Text") {
    SetText(*c, *text);
  } else if (property == "SelStart") {
    const std::string shown = WindowText(c->window);
    const size_t at =
        static_cast<size_t>(std::clamp<int32_t>(*number, 0, static_cast<int32_t>(shown.size())));
    const int position = Utf16Offset(shown, at);
    SendMessageW(c->window, EM_SETSEL, position, position);
    SendMessageW(c->window, EM_SCROLLCARET, 0, 0);
  } else if (property == "PasswordChar") {
    c->passwordChar = FirstCharacter(*text);
    SendMessageW(c->window, EM_SETPASSWORDCHAR, MaskCharacter(c->passwordChar), 0);
    InvalidateRect(c->window, nullptr, TRUE);
  } else if (property == "Locked") {
    c->locked = *flag;
    SendMessageW(c->window, EM_SETREADONLY, *flag, 0);
  } else if (property == "Index") {
    c->index = *number;
  } else if (property == "Default") {
    c->isDefault = *flag;
    InvalidateRect(c->window, nullptr, TRUE);
  } else if (property == "Cancel") {
    c->isCancel = *flag;
  } else if (property == "BorderWidth") {
    c->borderWidth = std::max(0, *number);
    InvalidateRect(window_, &c->box, TRUE);
  }
  return true;
}

void Win32Form::Refresh(std::string_view control) {
  if (!window_) return;
  constexpr UINT now = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME;
  if (control.empty()) {
    RedrawWindow(window_, nullptr, nullptr, now);
  } else if (const Control* c = Find(control)) {
    if (c->window) {
      RedrawWindow(c->window, nullptr, nullptr, now);
    } else {
      RedrawWindow(window_, &c->box, nullptr, now);
    }
  }
}

// ---- Keys and presses

void Win32Form::Press(Control& control) {
  if (!control.enabled || !control.visible || !IsWindowVisible(control.window) || !handlers_) return;
  // The handler may hide or unload the form: nothing of it is touched afterwards.
  handlers_->Click(*this, control.design->name, control.index);
}

void Win32Form::MoveFocus(bool backwards) {
  std::vector<Control*> order;
  for (Control& control : controls_) {
    const ControlKind kind = control.design->kind;
    if (control.design->tabIndex < 0 || (kind != ControlKind::kTextBox && kind != ControlKind::kButton))
      continue;
    if (IsWindowVisible(control.window) && IsWindowEnabled(control.window)) order.push_back(&control);
  }
  if (order.empty()) return;
  std::stable_sort(order.begin(), order.end(),
                   [](Control* a, Control* b) { return a->design->tabIndex < b->design->tabIndex; });
  const Control* current = FindByWindow(GetFocus());
  auto at = std::find(order.begin(), order.end(), current);
  size_t next = 0;
  if (at != order.end()) {
    const size_t here = static_cast<size_t>(at - order.begin());
    next = backwards ? (here + order.size() - 1) % order.size() : (here + 1) % order.size();
  } else if (backwards) {
    next = order.size() - 1;
  }
  Control& target = *order[next];
  SetFocus(target.window);
  if (target.design->kind == ControlKind::kTextBox && !target.design->multiLine)
    SendMessageW(target.window, EM_SETSEL, 0, -1);
}

bool Win32Form::TranslateKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || !window_) return false;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  Control* focused = FindByWindow(GetFocus());
  switch (message.wParam) {
    case VK_TAB:
      MoveFocus(GetKeyState(VK_SHIFT) < 0);
      return true;
    case VK_RETURN:
      if (focused && focused->design->kind == ControlKind::kButton) {
        Press(*focused);
        return true;
      }
      if (focused && focused->design->multiLine) return false;
      for (Control& control : controls_) {
        if (control.design->kind == ControlKind::kButton && control.isDefault) {
          Press(control);
          return true;
        }
      }
      return false;
    case VK_ESCAPE:
      for (Control& control : controls_) {
        if (control.design->kind == ControlKind::kButton && control.isCancel) {
          Press(control);
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

// ---- Painting and messages

void Win32Form::PaintDrawnControls(HDC dc) {
  for (const Control& control : controls_) {
    if (!control.visible) continue;
    const RECT& b = control.box;
    if (control.design->kind == ControlKind::kShape && control.borderWidth > 0) {
      // The outline lies inside the control's rectangle, as wide as BorderWidth.
      const int w = control.borderWidth;
      HBRUSH border = CreateSolidBrush(ToColour(control.design->borderColor));
      const RECT sides[] = {{b.left, b.top, b.right, b.top + w},
                            {b.left, b.bottom - w, b.right, b.bottom},
                            {b.left, b.top, b.left + w, b.bottom},
                            {b.right - w, b.top, b.right, b.bottom}};
      for (const RECT& side : sides) FillRect(dc, &side, border);
      DeleteObject(border);
    }
    if (control.design->kind == ControlKind::kImage && control.picture) {
      BITMAP size{};
      GetObjectW(control.picture, sizeof(size), &size);
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, control.picture);
      const int width = std::min<int>(size.bmWidth, b.right - b.left);
      const int height = std::min<int>(size.bmHeight, b.bottom - b.top);
      const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      AlphaBlend(dc, b.left, b.top, width, height, source, 0, 0, width, height, blend);
      SelectObject(source, old);
      DeleteDC(source);
    }
  }
}

HBRUSH Win32Form::ColourControl(HDC dc, HWND child) {
  const Control* c = FindByWindow(child);
  if (!c) return nullptr;
  const ControlDesign& d = *c->design;
  if (d.kind == ControlKind::kLabel) {
    SetTextColor(dc, d.foreColor ? ToColour(*d.foreColor) : GetSysColor(COLOR_WINDOWTEXT));
    if (c->back) {
      SetBkColor(dc, ToColour(*d.backColor));
      return c->back;
    }
    // Transparent: the form's own background, lined up with the form.
    SetBkMode(dc, TRANSPARENT);
    SetBrushOrgEx(dc, -c->box.left, -c->box.top, nullptr);
    return background_;
  }
  if (d.kind == ControlKind::kTextBox && c->back) {
    SetTextColor(dc, ToColour(*d.foreColor));
    SetBkColor(dc, ToColour(*d.backColor));
    return c->back;
  }
  return nullptr;
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (!form || form->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
  return form->OnMessage(message, wParam, lParam);
}

LRESULT Win32Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      RECT client{};
      GetClientRect(window_, &client);
      const FormDesign& design = *class_.design;
      HBRUSH back =
          CreateSolidBrush(design.backColor ? ToColour(*design.backColor) : GetSysColor(COLOR_BTNFACE));
      FillRect(dc, &client, back);
      DeleteObject(back);
      if (picture_) {
        BITMAP size{};
        GetObjectW(picture_, sizeof(size), &size);
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, picture_);
        BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
      }
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(window_, &paint);
      PaintDrawnControls(dc);
      EndPaint(window_, &paint);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      if (HBRUSH brush = ColourControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
        return reinterpret_cast<LRESULT>(brush);
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const Control* c = FindByWindow(item->hwndItem);
      if (!c) break;
      ButtonLook look;
      look.caption = Widen(c->caption);
      if (c->design->backColor) look.back = ToColour(*c->design->backColor);
      if (c->design->foreColor) look.fore = ToColour(*c->design->foreColor);
      look.font = c->hfont;
      look.enabled = !(item->itemState & ODS_DISABLED);
      look.pressed = item->itemState & ODS_SELECTED;
      look.focused = item->itemState & ODS_FOCUS;
      look.hovered = c->hovered;
      look.isDefault = c->isDefault;
      PaintButtonFace(item->hDC, item->rcItem, look);
      return TRUE;
    }
    case WM_COMMAND: {
      Control* c = FindByWindow(reinterpret_cast<HWND>(lParam));
      if (!c) break;
      const WORD code = HIWORD(wParam);
      if (c->design->kind == ControlKind::kButton && (code == BN_CLICKED || code == BN_DOUBLECLICKED)) {
        Press(*c);
        return 0;
      }
      if (c->design->kind == ControlKind::kTextBox && code == EN_CHANGE && !settingText_ && handlers_) {
        handlers_->Change(*this, c->design->name);
        return 0;
      }
      break;
    }
    case WM_ACTIVATE:
      // The focus stays with the control that had it while the window was in the background.
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (FindByWindow(GetFocus())) lastFocus_ = GetFocus();
      } else if (lastFocus_ && FindByWindow(lastFocus_) && IsWindowVisible(lastFocus_) &&
                 IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_CLOSE:
      tag_.clear();
      if (!handlers_ || handlers_->QueryUnload(*this)) Hide();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Win32Form::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data) {
  auto* form = reinterpret_cast<Win32Form*>(data);
  if (message == WM_NCDESTROY || id >= form->controls_.size() || form->controls_[id].window != window) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &Win32Form::ControlProc, id);
    return DefSubclassProc(window, message, wParam, lParam);
  }
  return form->OnControlMessage(form->controls_[id], window, message, wParam, lParam);
}

LRESULT Win32Form::OnControlMessage(Control& control, HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
      // The handler sees each typed character first and may keep it out of the box.
      if (control.design->kind == ControlKind::kTextBox && handlers_ &&
          !handlers_->KeyPress(*this, control.design->name, static_cast<char16_t>(wParam)))
        return 0;
      break;
    case WM_MOUSEMOVE:
      if (control.design->kind == ControlKind::kButton && !control.hovered) {
        control.hovered = true;
        TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, window, 0};
        TrackMouseEvent(&leave);
        InvalidateRect(window, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      control.hovered = false;
      InvalidateRect(window, nullptr, FALSE);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace tav

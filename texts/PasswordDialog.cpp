#include "texts/PasswordDialog.h"

#include "texts/LocalizeForm.h"
#include "texts/LowerCase.h"

namespace tav {

namespace {

constexpr Rgb kDialogGrey{64, 64, 64};
constexpr Rgb kButtonGrey{96, 96, 96};
constexpr Rgb kWhite{255, 255, 255};
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 315;
constexpr int kPadlockSize = 720;

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

ControlDesign Placed(ControlKind kind, const char* name, int left, int top, int width, int height) {
  ControlDesign control;
  control.kind = kind;
  control.name = name;
  control.left = left, control.top = top, control.width = width, control.height = height;
  return control;
}

}  // namespace

bool IsPasswordKey(char16_t c) {
  return c == 8 || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

std::string PasswordAnswer(std::string_view text) { return LowerCase(TrimSpaces(text)); }

void PasswordDialog::Form_Load(Form& self) { LocalizeForm(self); }

void PasswordDialog::Click(Form& self, std::string_view control, int /*index*/) {
  if (control == "cmdOK") Answer(self, PasswordAnswer(PropText(self, "txtPwd", "Text")));
  if (control == "cmdAnnulla") Answer(self, cancelAnswer_);
}

void PasswordDialog::Change(Form& self, std::string_view control) {
  if (control == "txtPwd")
    self.SetProperty("cmdOK", "Enabled", !TrimSpaces(PropText(self, "txtPwd", "Text")).empty());
}

bool PasswordDialog::KeyPress(Form& /*self*/, std::string_view control, char16_t key) {
  return control != "txtPwd" || IsPasswordKey(key);
}

bool PasswordDialog::QueryUnload(Form& self) {
  self.SetTag(cancelAnswer_);
  return true;
}

void PasswordDialog::Answer(Form& self, const std::string& tag) {
  self.SetTag(tag);
  self.Hide();
}

FormDesign PasswordDialogDesign(const char* name, int width, int height, Rgb frameColor) {
  FormDesign dialog;
  dialog.name = name;
  dialog.width = width;
  dialog.height = height;
  dialog.frame = WindowFrame::kFixedNoTitle;
  dialog.backColor = kDialogGrey;
  dialog.font = FontDesign{"", 8.25, false};
  dialog.focus = "txtPwd";
  ControlDesign frame = Placed(ControlKind::kShape, "Shape1", 0, 0, width, height);
  frame.borderColor = frameColor;
  frame.borderWidth = 2;
  dialog.controls.push_back(frame);
  return dialog;
}

ControlDesign PasswordLabel(const char* name, int left, int top, int width, int height, const char* caption) {
  ControlDesign label = Placed(ControlKind::kLabel, name, left, top, width, height);
  label.caption = caption;
  label.foreColor = kWhite;
  return label;
}

ControlDesign Padlock(int left, int top) {
  ControlDesign image = Placed(ControlKind::kImage, "Image1", left, top, kPadlockSize, kPadlockSize);
  image.picture = "padlock";
  return image;
}

ControlDesign PasswordBox(int left, int top, int width, int height) {
  ControlDesign box = Placed(ControlKind::kTextBox, "txtPwd", left, top, width, height);
  box.passwordChar = "*";
  box.tabIndex = 0;
  return box;
}

void AddPasswordButtons(FormDesign& dialog, int okLeft, int cancelLeft, int top, bool okEnabled) {
  auto button = [top](const char* name, int left, const char* caption, int tabIndex) {
    ControlDesign b = Placed(ControlKind::kButton, name, left, top, kButtonWidth, kButtonHeight);
    b.caption = caption;
    b.backColor = kButtonGrey;
    b.foreColor = kWhite;
    b.tabIndex = tabIndex;
    return b;
  };
  ControlDesign ok = button("cmdOK", okLeft, "#2", 1);
  ok.isDefault = true;
  ok.enabled = okEnabled;
  dialog.controls.push_back(ok);
  ControlDesign cancel = button("cmdAnnulla", cancelLeft, "#3", 2);
  cancel.isCancel = true;
  dialog.controls.push_back(cancel);
}

}  // namespace tav

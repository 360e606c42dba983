#include "texts/PasswordDialog.h"

#include "texts/LocalizeForm.h"
#include "texts/Padlock.h"
#include "texts/frmOptionalPwd.h"
#include "texts/frmPwd.h"

namespace tav {

namespace {
const QColor kDialogGrey(64, 64, 64);
const QColor kButtonGrey(96, 96, 96);
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 315;
constexpr int kFontPixels = 11;

QString TrimSpaces(const QString& text) {
  qsizetype first = 0, last = text.size();
  while (first < last && text.at(first) == u' ') ++first;
  while (last > first && text.at(last - 1) == u' ') --last;
  return text.mid(first, last - first);
}
}  // namespace

bool IsPasswordKey(char16_t c) {
  return c == 8 || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

QString PasswordAnswer(const QString& text) { return TrimSpaces(text).toLower(); }

PasswordDialog::PasswordDialog(int widthTwips, int heightTwips, const QColor& frameColor,
                               QString cancelAnswer)
    : cancelAnswer_(std::move(cancelAnswer)) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint);
  SetClientSize(widthTwips, heightTwips);
  SetBackColor(kDialogGrey);
  QFont small = font();
  small.setPixelSize(kFontPixels);
  setFont(small);
  auto* frame = new Shape(this);
  DesignControl(*frame, "Shape1", 0, 0, widthTwips, heightTwips);
  frame->SetBorderColor(frameColor);
  frame->SetBorderWidth(2);
}

void PasswordDialog::Form_Load(Form& self) { LocalizeForm(self); }

Label* PasswordDialog::AddLabel(const QString& name, int left, int top, int width, int height,
                                const QString& caption) {
  auto* label = new Label(this);
  DesignControl(*label, name, left, top, width, height);
  label->SetForeColor(Qt::white);
  label->setText(caption);
  return label;
}

void PasswordDialog::AddPadlock(int left, int top) {
  auto* image = new Image(this);
  DesignControl(*image, "Image1", left, top, 720, 720);
  image->SetPicture(DrawPadlock());
}

void PasswordDialog::AddPasswordBox(int left, int top, int width, int height) {
  txtPwd = new TextBox(this);
  DesignControl(*txtPwd, "txtPwd", left, top, width, height);
  txtPwd->SetPasswordChar("*");
  txtPwd->SetKeyFilter(IsPasswordKey);
  connect(txtPwd, &TextBox::Change, this,
          [this] { cmdOK->setEnabled(!TrimSpaces(txtPwd->Text()).isEmpty()); });
}

void PasswordDialog::AddButtons(int okLeft, int cancelLeft, int top, bool okEnabled) {
  auto button = [this, top](const QString& name, int left, const QString& caption) {
    auto* b = new ButtonPlus(this);
    DesignControl(*b, name, left, top, kButtonWidth, kButtonHeight);
    b->SetCaption(caption);
    b->SetBackColor(kButtonGrey);
    b->SetForeColor(Qt::white);
    b->SetBorderStyle(ButtonPlus::kBorderRaised);
    return b;
  };
  cmdOK = button("cmdOK", okLeft, "#2");
  cmdOK->SetDefault(true);
  cmdOK->setEnabled(okEnabled);
  connect(cmdOK, &ButtonPlus::Click, this, [this] { Answer(PasswordAnswer(txtPwd->Text())); });
  cmdAnnulla = button("cmdAnnulla", cancelLeft, "#3");
  cmdAnnulla->SetCancel(true);
  connect(cmdAnnulla, &ButtonPlus::Click, this, [this] { Answer(cancelAnswer_); });
  setTabOrder(txtPwd->Editor(), cmdOK);
  setTabOrder(cmdOK, cmdAnnulla);
  txtPwd->setFocus();
}

void PasswordDialog::closeEvent(QCloseEvent* event) {
  setProperty("Tag", cancelAnswer_);
  VbForm::closeEvent(event);
}

void PasswordDialog::Answer(const QString& tag) {
  setProperty("Tag", tag);
  hide();
}

void RegisterPasswordDialogs(QtWindowServices& services) {
  services.RegisterForm("frmPwd", [](QtWindowServices&) { return std::make_unique<frmPwd>(); });
  services.RegisterForm("frmOptionalPwd",
                        [](QtWindowServices&) { return std::make_unique<frmOptionalPwd>(); });
}

}  // namespace tav

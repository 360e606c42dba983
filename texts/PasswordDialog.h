#pragma once
// What the two password dialogs share: a borderless dark-grey window with a coloured frame,
// the padlock, the masked password box with its key filter, the OK and cancel buttons, and
// the answer left in the form's Tag before it hides itself.
//
// The answer is the box's text without leading and trailing spaces, in lower case (OK), or
// the dialog's cancel answer. OK is enabled exactly while that trimmed text is not empty,
// from the first change of the text on; the dialog sets its state at opening.

#include <QString>

#include "platform/qt/ButtonPlus.h"
#include "platform/qt/QtWindowServices.h"
#include "platform/qt/VbControls.h"

namespace tav {

// The characters the password box accepts when typed: backspace, A-Z, a-z and 0-9.
bool IsPasswordKey(char16_t c);
// The OK answer for a box holding `text`.
QString PasswordAnswer(const QString& text);

class PasswordDialog : public VbForm, public FormLoadHandler {
  Q_OBJECT
 public:
  void Form_Load(Form& self) override;

  TextBox* txtPwd = nullptr;
  ButtonPlus* cmdOK = nullptr;
  ButtonPlus* cmdAnnulla = nullptr;

 protected:
  PasswordDialog(int widthTwips, int heightTwips, const QColor& frameColor, QString cancelAnswer);
  // Controls in their designed order; the subclasses call these in the order of their layout.
  Label* AddLabel(const QString& name, int left, int top, int width, int height, const QString& caption);
  void AddPadlock(int left, int top);
  void AddPasswordBox(int left, int top, int width, int height);
  // OK (default button) and cancel; afterwards sets the tab order box, OK, cancel.
  void AddButtons(int okLeft, int cancelLeft, int top, bool okEnabled);

  // Closing the window by other means (Alt+F4) answers as cancel.
  void closeEvent(QCloseEvent* event) override;

 private:
  void Answer(const QString& tag);

  QString cancelAnswer_;
};

// Registers "frmPwd" and "frmOptionalPwd"; every CreateForm gives a fresh instance.
void RegisterPasswordDialogs(QtWindowServices& services);

}  // namespace tav

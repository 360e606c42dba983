#include "texts/frmOptionalPwd.h"

namespace tav {

frmOptionalPwd::frmOptionalPwd()
    : PasswordDialog(6495, 3555, QColor(255, 128, 0), QString::fromLatin1(kOptionalPwdCancel)) {
  AddLabel("Label1", 180, 180, 6135, 255, "#10");
  lblError = AddLabel("lblError", 180, 480, 6135, 735, QString());
  lblError->SetForeColor(QColor(255, 0, 0));
  lblError->SetBackColor(QColor(128, 128, 128));
  AddLabel("Label2", 180, 1320, 6135, 435, "#11");
  AddPadlock(180, 1740);
  AddPasswordBox(960, 1980, 5295, 315);
  AddLabel("Label3", 180, 2520, 6075, 435, "#12");
  AddButtons(1980, 3300, 3060, true);
}

}  // namespace tav

#include "texts/frmPwd.h"

namespace tav {

frmPwd::frmPwd() : PasswordDialog(4095, 1875, QColor(255, 0, 0), QString()) {
  AddPadlock(60, 120);
  AddLabel("Label1", 780, 180, 3135, 255, "#20");
  AddLabel("Label2", 780, 420, 3135, 255, "#21");
  AddPasswordBox(180, 900, 3735, 315);
  AddButtons(1380, 2700, 1320, false);
}

}  // namespace tav

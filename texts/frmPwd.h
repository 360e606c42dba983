#pragma once
// Asks for the password of a protected database. OK answers the password (never empty);
// cancel answers the empty string.

#include "texts/PasswordDialog.h"

namespace tav {

class frmPwd : public PasswordDialog {
  Q_OBJECT
 public:
  frmPwd();
};

}  // namespace tav

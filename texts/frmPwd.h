#pragma once
// Asks for the password of a protected database. OK answers the password (never empty);
// cancel answers the empty string.

#include "platform/window/FormHandlers.h"

namespace tav {

const FormDesign& frmPwdDesign();

// The design with its handlers, as "frmPwd".
FormClass PasswordForm();

}  // namespace tav

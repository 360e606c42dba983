#pragma once
// Asks for the password, if any, of a database that could not be opened and is about to be
// repaired. The caller puts the error description into lblError after loading. OK answers
// the password or the empty string (no password); cancel answers "#EXIT#" and CR LF.

#include "platform/window/FormHandlers.h"

namespace tav {

// The cancel answer of frmOptionalPwd.
inline constexpr const char* kOptionalPwdCancel = "#EXIT#\r\n";

const FormDesign& frmOptionalPwdDesign();

// The design with its handlers, as "frmOptionalPwd".
FormClass OptionalPasswordForm();

}  // namespace tav

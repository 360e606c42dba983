#pragma once
// The program's windows on Win32: the main window and the two password dialogs, rendered
// from their designs, with the pictures the designs name (the main window's background and
// the program's icon, the padlock).

#include "wingui/Win32WindowServices.h"

namespace tav {

// Registers "frmChooseVersion", "frmPwd" and "frmOptionalPwd" and their pictures.
void RegisterProgramWindows(Win32WindowServices& services);

}  // namespace tav

#pragma once
// The program's windows on Qt: the main window and the two password dialogs, rendered from
// their designs, with the pictures the designs name (the main window's background and the
// program's icon, the padlock).

#include "gui/QtWindowServices.h"

namespace tav {

// Registers "frmChooseVersion", "frmPwd" and "frmOptionalPwd" and their pictures.
void RegisterProgramWindows(QtWindowServices& services);

}  // namespace tav

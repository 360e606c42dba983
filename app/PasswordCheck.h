#pragma once
// The password check of the main database, run once before any file is touched.

#include <memory>
#include <string>

#include "platform/dao/DaoEngine.h"
#include "platform/window/WindowServices.h"

namespace tav {

// At most this many passwords are asked for; the open after the last one is the final try.
inline constexpr int16_t kPasswordPrompts = 3;

// Opens `mainPath` with the password in use (Run().DbPassword). While the engine answers
// 3031 (missing or wrong password) the user is asked through a fresh frmPwd, at most
// three times; every rejected password is answered with the wrong-password box. Ends the
// program (ws.End()) when the dialog is cancelled or the fourth open is refused. Any other
// outcome ends the check quietly: the open database is returned (the caller keeps it open
// until it is opened again), or null after another failure, which the caller meets again.
std::unique_ptr<DaoDatabase> CheckMainPassword(WindowServices& ws, const FileLocation& mainPath);

// Shows a fresh frmPwd modally and returns its answer (empty for cancel, also when the
// dialog could not be shown).
std::string AskPassword(WindowServices& ws);

}  // namespace tav

#pragma once
// The password dialogs at the terminal, for runs from the command line. The user of each
// dialog prints its labels (for frmOptionalPwd with the error the caller put into lblError)
// and answers as a user of the window would: enters the password into the box and presses
// OK, or presses Cancel; the dialog's own handlers make the answer.
//
// Where the box's text comes from:
// - a password file (its first line, pasted: not filtered). frmPwd takes it once per run;
//   asked again, the file's password was refused, and frmPwd is cancelled. frmOptionalPwd
//   takes it as the database's password.
// - otherwise the terminal, typed without echo key by key into the box, which refuses the
//   keys it refuses in the window. frmPwd asks again while its OK stays disabled (a line
//   that leaves the box without a password); frmOptionalPwd takes any line, an empty one as
//   "no password". The end of the input (Ctrl-D) is cancel.
// - with neither, frmPwd is cancelled and frmOptionalPwd answered "no password" (its OK at
//   once).

#include <optional>
#include <string>

#include "platform/window/TerminalWindowServices.h"

namespace tav {

// Registers "frmPwd" and "frmOptionalPwd"; `filePassword` is the password file's line when
// a file was named. Every CreateForm gives a fresh instance.
void RegisterTerminalPasswordDialogs(TerminalWindowServices& services,
                                     std::optional<std::string> filePassword);

}  // namespace tav

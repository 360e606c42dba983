#pragma once
// The password dialogs' terminal counterparts, for runs from the command line. Each one
// prints its texts (for frmOptionalPwd with the error the caller put into lblError) and
// answers through its Tag exactly as the window does: OK with the box's text (without
// leading and trailing spaces, in lower case) or its cancel answer.
//
// Where the box's text comes from:
// - a password file (its first line, taken as pasted: not filtered). frmPwd takes it once
//   per run; asked again, the file's password was refused, and frmPwd answers cancel.
//   frmOptionalPwd takes it as the database's password.
// - otherwise the terminal, typed without echo and filtered key by key as the box filters
//   them. frmPwd asks again after an empty line (its OK stays disabled while the box is
//   empty); frmOptionalPwd takes an empty line as "no password". The end of the input
//   (Ctrl-D) is cancel.
// - with neither, frmPwd answers cancel and frmOptionalPwd "no password" (its OK at once).

#include <memory>
#include <optional>
#include <string>

#include "platform/window/TerminalWindowServices.h"

namespace tav {

// Registers "frmPwd" and "frmOptionalPwd"; `filePassword` is the password file's line when
// a file was named. Every CreateForm gives a fresh instance.
void RegisterTerminalPasswordDialogs(TerminalWindowServices& services,
                                     std::optional<std::string> filePassword);

}  // namespace tav

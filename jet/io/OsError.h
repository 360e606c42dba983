#pragma once
// The one place where an operating-system error number becomes a Status. Every call of the
// file layer (PosixFile.cpp) and of the lock table (FileLock.cpp) reports through it.

#include <string>

#include "jet/base/Status.h"

namespace jet {

// `what` failed on `path` with error number `err`: kNotFound for a missing file or folder
// (or a name too long to exist), kExists for a name already taken, kInUse for a file
// someone else holds, kIo otherwise. The cause says what the system said (a full disk, a
// refused permission, a read-only medium, ...). The text is `what`, a colon and the
// system's description of `err`.
Status OsError(int err, const std::string& what, const std::string& path);

}  // namespace jet

#pragma once
// Windows only. The one place where a Windows error code (GetLastError) becomes a Status,
// as OsError.h is for POSIX error numbers. Every call of the Windows file layer
// (WindowsFile.cpp) and of its lock table (WindowsFileLock.cpp) reports through it.

#include <cstdint>
#include <string>

#include "jet/base/Status.h"

namespace jet {

// `what` failed on `path` with Windows error `error`: kNotFound for a missing file, folder or
// drive, kExists for a name already taken, kInUse for a file another open's share mode or a
// byte-range lock keeps (ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION), kIo otherwise. The
// cause says what the system said, as OsError's does: a full disk or quota, a refused
// permission, a write-protected medium, a failing device, ... The text is `what`, a colon
// and the system's description of `error`.
Status WindowsError(uint32_t error, const std::string& what, const std::string& path);

}  // namespace jet

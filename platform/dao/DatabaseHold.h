#pragma once
// The database engine's locks on a database file (platform/dao/DatabaseLock.h) with the
// engine's errors, and the hold that keeps other programs off a database while the
// maintenance cycle works on it.

#include <filesystem>
#include <memory>
#include <string>

#include "jet/io/FileLock.h"
#include "platform/dao/DatabaseLock.h"
#include "platform/host/FileLocation.h"

namespace tav {

// Locks the existing database file `host` for one use of `mode` by the engine, or throws
// the engine's error about `name` from `source`: 3024 no such file, 3045 in use (also by
// a lock of this program), 3356 opened exclusively by another program, 3051 no
// permission, 3043 anything else.
std::unique_ptr<DatabaseLock> LockForEngine(const std::filesystem::path& host, jet::LockMode mode,
                                            const std::string& name, const char* source);

// Holds the database at `database` (a kHold lock) until the result is released: other
// programs that respect the locks stay out, and none of this program's own opens does.
// Throws 3045 or 3356 as above when another program uses the database. A path that names
// no file gives an empty hold: there is nothing to keep anyone from.
std::unique_ptr<DatabaseLock> HoldDatabase(const FileLocation& database);

}  // namespace tav

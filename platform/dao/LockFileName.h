#pragma once
// The one rule that names a database's lock file, the product's: every ".mdb" of the file
// name, in any case, becomes ".ldb" (list.mdb gives list.ldb, LIST.MDB gives LIST.ldb,
// x.mdbx gives x.ldbx). The maintenance cycle deletes that file before it opens the
// database; the engine's opens create and join it; the in-use test looks at it.

#include <optional>
#include <string>

namespace tav {

// The lock file's name for the database file name `fileName`; nullopt when the name holds no
// ".mdb" at all (there is then no lock file, and the database is never taken for one), or
// when a ".mdb" would remain.
std::optional<std::string> LockFileName(const std::string& fileName);

}  // namespace tav

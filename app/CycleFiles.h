#pragma once
// Names that the maintenance cycle forms beside a database: its lock file, the temporary
// compacted copy, and the password argument of the compaction.

#include <optional>
#include <string>

namespace tav {

// The main database: only its password is checked, asked for and passed to compaction.
inline constexpr const char* kMainDatabase = "list.mdb";

// The lock file of `fileName`: every ".mdb", in any case, becomes ".ldb" (LIST.MDB gives
// LIST.ldb). nullopt when the name holds no ".mdb" at all, so that there is no lock file
// to delete and the database itself is never taken for one.
std::optional<std::string> LockFileName(const std::string& fileName);

// "db" + the whole part of draw * 1000000 + ".bak"; `draw` is in [0, 1).
std::string TemporaryName(double draw);

// ";pwd=" + password for the main database when a password is in use; else empty.
std::string CompactPasswordArgument(const std::string& fileName, const std::string& password);

}  // namespace tav

#pragma once
// Names that the maintenance cycle forms beside a database: its lock file (by the one rule
// of platform/dao/LockFileName.h), the temporary compacted copy, and the password argument
// of the compaction.

#include <string>

#include "platform/dao/LockFileName.h"

namespace tav {

// The main database: only its password is checked, asked for and passed to compaction.
inline constexpr const char* kMainDatabase = "list.mdb";

// "db" + the whole part of draw * 1000000 + ".bak"; `draw` is in [0, 1).
std::string TemporaryName(double draw);

// ";pwd=" + password for the main database when a password is in use; else empty.
std::string CompactPasswordArgument(const std::string& fileName, const std::string& password);

}  // namespace tav

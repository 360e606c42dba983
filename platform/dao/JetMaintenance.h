#pragma once
// Whole-file compaction and repair for the engine (platform/dao/JetDaoEngine.h). The engine
// has already checked the arguments, holds the source exclusively and, for compaction,
// has opened it with the right password; these functions only do the work.
// Failures are thrown as VbError with the engine's numbers. Both work through the program's
// file system (platform/base/ProgramFileSystem.h).

#include <filesystem>
#include <string>

namespace jet {
class Database;
}

namespace tav {

// Writes a compacted copy of `source` into the new file `destination` (a host path;
// `destinationName` is the caller's name for it, for messages).
void CompactDatabaseFile(jet::Database& source, const std::filesystem::path& destination,
                         const std::string& destinationName);

// Repairs the database file `database` in place (`name`: the caller's name for it): a
// sound file is left as it is, a damaged one is rebuilt from what can still be read and
// replaces the original in one step. What cannot be repaired is thrown with a positive
// number and a description of what is lost and where; the file then stays as it was.
void RepairDatabaseFile(const std::filesystem::path& database, const std::string& name);

}  // namespace tav

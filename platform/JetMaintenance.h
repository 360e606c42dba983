#pragma once
// Whole-file compaction and repair for the engine (platform/JetDaoEngine.h). The engine
// has already checked the arguments, holds the source exclusively and, for compaction,
// has opened it with the right password; these functions only do the work.
// Failures are thrown as VbError with the engine's numbers.

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

// Repairs the database file `database` in place (`name`: the caller's name for it). For
// now this checks the file and succeeds only when there is nothing to mend; a damaged
// file is refused with 3251 and left as it is.
void RepairDatabaseFile(const std::filesystem::path& database, const std::string& name);

}  // namespace tav

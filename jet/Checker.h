#pragma once
// Structural check of an open database. Every problem found goes to the reporter; the check
// does not stop at the first one. What it covers is listed in docs/jet-format.md ("Checking").

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "jet/Status.h"

namespace jet {

class Database;

// Which structure a problem was found in, so that a caller can decide what to rebuild.
enum class ProblemArea {
  kFile,        // file length, pages beyond the end
  kHeader,      // header page fields, unfinished-write marker
  kPage,        // a page of unknown or unexpected type
  kCatalog,     // MSysObjects rows against the table definitions
  kTableDef,    // a table definition
  kUsageMap,    // a table's, an index's or the database's page map
  kRow,         // row offsets, lengths, null masks, moved rows, row counts
  kLongValue,   // memo and OLE chains
  kIndex,       // index B-trees against the rows
  kOwnership,   // pages owned twice or by nobody
};

struct Problem {
  std::string table;  // empty for database-wide problems
  std::optional<uint32_t> page;
  std::string description;
  ProblemArea area = ProblemArea::kFile;

  std::string ToString() const;
};

using ProblemReporter = std::function<void(const Problem&)>;

// Walks the header, every page's type, the catalog, every table definition, every row (long
// values included), the usage maps and the index trees, and which structure owns each page.
// Returns the number of problems reported; 0 means the file is sound.
size_t CheckDatabase(Database& db, const ProblemReporter& report);

}  // namespace jet

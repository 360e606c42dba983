#pragma once
// Structural check of an open database. Every problem found goes to the reporter; the check
// does not stop at the first one. What it covers is listed in docs/jet-format.md ("Checking").

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "jet/base/Status.h"

namespace jet {

class Database;

// Which structure a problem was found in, so that a caller can decide what to rebuild.
enum class ProblemArea {
  kFile,       // file length, pages beyond the end
  kHeader,     // header page fields, unfinished-write marker
  kPage,       // a page of unknown or unexpected type
  kCatalog,    // MSysObjects rows against the table definitions
  kTableDef,   // a table definition
  kUsageMap,   // a table's, an index's or the database's page map
  kRow,        // row offsets, lengths, null masks, moved rows, row counts
  kLongValue,  // memo and OLE chains
  kIndex,      // index B-trees against the rows
  kOwnership,  // pages owned twice
};

// What the check found, and where.
struct Finding {
  std::string table;  // empty for database-wide findings
  std::optional<uint32_t> page;
  std::string description;

  std::string ToString() const;
};

struct Problem : Finding {
  ProblemArea area = ProblemArea::kFile;
};

using ProblemReporter = std::function<void(const Problem&)>;

// What Access leaves behind in files it keeps using, which is not damage: nothing that a
// reader of the file would miss is lost, and a compaction drops it. docs/jet-format.md
// describes each kind.
enum class Leftover {
  kRowCount,       // a definition's row count differs from the rows its table holds
  kKeyCount,       // its count of an index's distinct keys differs from the tree's
  kOldRowVersion,  // a row flagged as moved that no slot of its table points to
  kStrayDataPage,  // a data page naming a table whose usage map leaves it out
  kUnusedPage,     // a page nothing uses and the free-page map does not mark free
  // a catalog row's memo-like property value (MSysObjects' LvProp, LvExtra, ...) that names a
  // long-value row no longer there: Access reads an object's properties only when it needs
  // them and keeps using such a file; compaction drops the value, repair empties it
  kLostPropertyValue,
};

struct Note : Finding {
  Leftover kind = Leftover::kUnusedPage;
};

using NoteReporter = std::function<void(const Note&)>;

// Walks the header, every page's type, the catalog, every table definition, every row (long
// values included), the usage maps and the index trees, and which structure owns each page.
// Damage goes to `report`; leftovers go to `note` when one is given. Returns the number of
// problems reported; 0 means the file is sound, whatever the notes.
size_t CheckDatabase(Database& db, const ProblemReporter& report, const NoteReporter& note = {});

// Whether CheckDatabase would report a problem. The walk ends at the first one it finds (the
// walk over a table's data pages at the page that has it), so a damaged file is told apart
// without the rest of the walk.
bool FindsProblem(Database& db);

}  // namespace jet

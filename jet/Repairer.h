#pragma once
// Repair of a damaged database. Everything that can still be read is carried into a new
// file written from scratch: the header (restored where damaged), the catalog, each table's
// definition and its rows, found by scanning every page rather than through the file's
// maps. Indexes, usage maps and the free-page map are built afresh from the rows, and
// tables get new definition pages (the catalog ids follow), as in a compaction. Every row
// dropped, value cut, page skipped and table lost goes into the report.
//
// On disk the new file is created beside the original under a hidden name, synced, read
// back and checked, and then renamed over the original in one step. When the database
// cannot be repaired the original stays as it was and no other file is left behind.

#include <string>

#include "jet/File.h"
#include "jet/RepairReport.h"
#include "jet/Status.h"

namespace jet {

struct RepairOptions {
  // When not empty, it must match the password the file stores (when that is readable).
  std::string password;
};

// Writes the repaired copy of `source` into the empty `destination` and syncs it. Errors:
// kCorrupt, describing what is lost and where, when no catalog or no table can be read;
// kIo from either file.
Result<RepairReport> RepairInto(File& source, File& destination);

// Repairs the database file at `path` in place, holding it exclusively meanwhile. A file
// that opens and passes the structural check is left untouched (report.repaired is false).
// Errors: kNotFound, kInUse (another repair holds it), kBadPassword, kCorrupt (cannot be
// repaired, or the repaired copy failed its check), kIo.
Result<RepairReport> RepairDatabase(const std::string& path, const RepairOptions& options = {});

}  // namespace jet

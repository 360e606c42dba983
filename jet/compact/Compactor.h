#pragma once
// Compaction: writes a new database holding every table of an open one, system tables
// included, with every live row and nothing else. Rows, memo and OLE values, index keys and
// table definitions are copied as stored, never decoded and encoded again; only the page
// numbers and row pointers in them move. Rows go onto data pages packed from the start,
// index trees are written afresh and densely from the source's keys, usage maps and the
// global page map describe the new file, and no page is left free. The header page
// (version, code page, sort order, database key, password, creation date) is carried over
// as it is.
//
// Tables get new definition pages; the catalog ids of tables and the access-control
// entries that name them follow, with the indexes on them. MSysObjects stays on page 2.
//
// Nothing is dropped silently: damage met in the source fails the whole compaction with
// its table and page. The one leftover passed over is a catalog row's property value that
// names a long-value row no longer there: that value is copied as null and listed in
// CompactSummary::dropped. Memory: see docs/jet-compaction.md (a few bytes per row of the table
// being copied, never the database).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jet/compact/CopyReadBack.h"
#include "jet/io/File.h"
#include "jet/io/FileSystem.h"
#include "jet/read/Database.h"

namespace jet {

struct CompactSummary {
  uint32_t tables = 0;
  uint64_t rows = 0;
  uint32_t pages = 0;                         // pages in the new file
  std::map<std::string, CopiedTable> copied;  // what each table got, by name
  // What was left out, one line each: only catalog property values that cannot be read
  // (a leftover Access passes over; see Leftover::kLostPropertyValue).
  std::vector<std::string> dropped;
};

// Writes the compacted copy of `source` into `destination`, which must be empty, and syncs it.
Result<CompactSummary> CompactInto(Database& source, File& destination);

// Creates `path` through `fs` (never through an existing file or link), compacts into it,
// syncs and closes it, then opens it again and compares its catalog, definitions and usage
// maps with what was copied (CheckCopyReadsBack). On failure the file is removed again.
// Errors: kExists when `path` exists, kCorrupt when the new file does not read back, plus
// everything CompactInto and `fs` report.
Result<CompactSummary> CompactToPath(Database& source, const std::string& path,
                                     FileSystem& fs = SystemFileSystem());

}  // namespace jet

#pragma once
// Compaction: writes a new database holding every table of an open one, system tables
// included, with every live row and identical values, and nothing else. Rows go onto data
// pages packed from the start, indexes are built afresh from the rows, usage maps and the
// global page map describe the new file, and no page is left free. The header page (version,
// code page, sort order, database key, password, creation date) is carried over as it is.
//
// Tables get new definition pages; the catalog ids of tables and the access-control
// entries that name them follow. MSysObjects stays on page 2.
//
// Nothing is dropped silently: a value, column or index the writer cannot reproduce, or
// damage met in the source, fails the whole compaction. Memory: one row at a time plus,
// per table being written, its index entries (key bytes and a row pointer each).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "jet/Database.h"
#include "jet/File.h"

namespace jet {

struct CompactSummary {
  uint32_t tables = 0;
  uint64_t rows = 0;
  uint32_t pages = 0;  // pages in the new file
  std::map<std::string, uint64_t> table_rows;  // rows copied, by table
};

// Writes the compacted copy of `source` into `destination`, which must be empty, and syncs it.
Result<CompactSummary> CompactInto(Database& source, File& destination);

// Lets tests put a failing file between the compactor and the disk.
using FileWrapper = std::function<std::unique_ptr<File>(std::unique_ptr<File>)>;

// Creates `path` (never through an existing file or link), compacts into it, syncs and
// closes it, then opens it again and counts every table's rows against those copied. On
// failure the file is removed again. Errors: kExists when `path` exists, kCorrupt when the
// new file does not read back, plus everything CompactInto reports.
Result<CompactSummary> CompactToPath(Database& source, const std::string& path, const FileWrapper& wrap = {});

}  // namespace jet

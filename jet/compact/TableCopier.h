#pragma once
// Copies one table of a database being compacted into the new file: its live rows byte for
// byte onto data pages packed from the start (memo and OLE values copied after them, table
// ids renumbered in place), its indexes from their key bytes, new usage maps, and its
// definition with every page pointer moved.
//
// Memory: the row being copied, one data page and one long-value page being filled, eight
// bytes per row for the map of old to new row pointers, and per index the entries that
// share one key (every entry for an index on table ids).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "jet/compact/CopyReadBack.h"
#include "jet/compact/RowPatcher.h"
#include "jet/format/TableDef.h"
#include "jet/read/Database.h"
#include "jet/write/MapRowWriter.h"
#include "jet/write/PageAllocator.h"

namespace jet {

// What every table's copy shares.
struct CompactionTargets {
  Database& source;
  PageAllocator& allocator;
  MapRowWriter& maps;
  const std::map<uint32_t, uint32_t>& new_pages;  // definition pages, old -> new
  const std::map<uint32_t, uint32_t>& new_ids;    // table ids, old -> new
  // What the copy leaves out, one line each: a catalog row's property value that cannot be
  // read (Leftover::kLostPropertyValue) is copied as null rather than failing the compaction.
  std::vector<std::string>& dropped;
};

struct TableToCopy {
  std::string name;
  TableDef def;
  std::vector<uint32_t> new_pages;  // reserved for the definition, as many as it has now
  TableIdColumn ids = TableIdColumn::kNone;
};

// Returns what was copied: the rows and the data pages holding them. kCorrupt for damage
// met in the source, naming where.
Result<CopiedTable> CopyTable(CompactionTargets& targets, const TableToCopy& table);

}  // namespace jet

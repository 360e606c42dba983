#pragma once
// Repair's copy of one table into the new file, built from the pieces compaction uses: rows,
// memo and OLE values and the definition go over as stored (only page numbers, row pointers
// and table ids move), each index whose tree checks sound keeps the key bytes Access wrote.
//
// Steps:
//   1. The pages: those the table's map lists and the table owns; when the map is damaged,
//      every page that names the table as owner and that page 1 does not mark free.
//   2. The rows whose place in their page is sound and that split into their columns; the
//      others are dropped and reported.
//   3. Each index tree is checked against those rows. One that lists each of them once, in
//      key order, is copied; any other is rebuilt from the rows with the keys Access
//      computes, or, where a key cannot be known exactly, left out and reported.
//   4. The rows are copied. A row whose key a unique index being rebuilt already holds is
//      left out and reported: the row stored first is kept.
//   5. The indexes, new usage maps, and the definition with the new row count and without
//      the indexes left out.
//
// Memory: eight bytes per row for the map of old to new row pointers, and every key of
// each index being rebuilt.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "jet/compact/CopyReadBack.h"
#include "jet/compact/RowPatcher.h"
#include "jet/format/TableDef.h"
#include "jet/repair/RepairReport.h"
#include "jet/repair/SalvageSource.h"
#include "jet/write/LongValueWriter.h"
#include "jet/write/MapRowWriter.h"
#include "jet/write/PageAllocator.h"

namespace jet {

// What every table's repair shares.
struct SalvageTargets {
  SalvageSource& source;
  PageAllocator& allocator;
  MapRowWriter& maps;
  LongValueWriter& cut_values;                    // memo and OLE values cut short are stored anew here
  const std::map<uint32_t, uint32_t>& new_pages;  // definition pages, old -> new
  const std::map<uint32_t, uint32_t>& new_ids;    // table ids, old -> new
  RepairReport& report;
};

struct TableToSalvage {
  std::string name;
  TableDef def;                     // as salvaged; no indexes when its index part is damaged
  std::vector<uint8_t> definition;  // the bytes `def` was read from, as one run
  uint32_t new_page = 0;            // reserved for the definition's first page
  TableIdColumn ids = TableIdColumn::kNone;
  std::vector<uint32_t> left_out;  // source row pointers not to carry over, ascending
  std::vector<Bytes> added_rows;   // rows stored after the salvaged ones (their indexes are rebuilt)
  bool rows_reported = false;      // its damaged pages and rows were reported already (the catalog)
};

// Whether the definition bytes can be carried over: every pointer in them can be moved.
// kCorrupt when not (the table is then lost before anything of it is written).
Status CheckDefinition(const Layout& layout, const TableDef& def, std::vector<uint8_t> definition);

// Returns what was written: the rows and the data pages holding them. Errors: kIo from the
// files; kCorrupt when the definition cannot be carried over (the caller then loses the table).
Result<CopiedTable> SalvageTable(SalvageTargets& targets, const TableToSalvage& table);

}  // namespace jet

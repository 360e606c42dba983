#pragma once
// Copies one index tree to a new file without rebuilding its keys: the key bytes of the
// source's leaf entries stay as Access wrote them, each row pointer is moved to where the
// row went, entries with equal keys are put in the order of their new pointers, and the
// tree is written afresh, densely. Only keys that start with a table id being renumbered
// are re-encoded (and then sorted again).
//
// Memory: one bit per row (each row may be listed once), the entries with one key at a
// time (all entries when renumbering), and the writer's one key per leaf page.

#include <cstdint>
#include <map>
#include <vector>

#include "jet/format/RowPointerMap.h"
#include "jet/format/TableDef.h"
#include "jet/read/PageSource.h"
#include "jet/write/IndexBuilder.h"

namespace jet {

struct IndexCopyOptions {
  // Old id -> new id, for an index whose first column holds table ids; null otherwise.
  const std::map<uint32_t, uint32_t>* renumbered_ids = nullptr;
  // Whether an entry naming a row that `rows` does not hold is passed over instead of
  // failing: repair, where rows are lost to damage or left out on purpose, and a tree that
  // lists every surviving row once still holds their keys as Access wrote them.
  bool pass_over_lost_rows = false;
};

struct CopiedIndex {
  WrittenIndexPages pages;
  uint32_t keys = 0;  // distinct keys, which the definition counts for each real index
};

// kCorrupt when the source tree is damaged: pages of the wrong kind, a loop, keys out of
// order, or an entry naming a row the table does not hold.
//
// VerifyIndex reads the tree without writing anything: kCorrupt as above, and also when it
// does not list every row of `rows` (rows whose key columns are all null may be missing
// when the index ignores nulls). Every entry must then copy. `rows` maps each row to itself
// and each slot a moved row left behind to the row, which one of the two entries may name.
// Memory: two bits per row.
Status VerifyIndex(PageSource& source, const RealIndex& index, const RowPointerMap& rows,
                   const IndexCopyOptions& options);

Result<CopiedIndex> CopyIndex(PageSource& source, const RealIndex& index, const RowPointerMap& rows,
                              const IndexCopyOptions& options, PageAllocator& allocator, uint32_t table_page);

}  // namespace jet

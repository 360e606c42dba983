#pragma once
// Splitting one stored row into its column fields. A row holds its column count, the fixed
// area, the variable area, then (read from the end) the null mask, the number of variable
// columns and their offsets (Jet 3 adds a jump table for rows longer than 256 bytes).
// A row may carry fewer columns than the definition (columns added later): the missing
// ones read as Access, mdbtools and mdb-reader read them, null, and a Boolean (kept in the
// null mask, never null) False.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/Format.h"
#include "jet/format/TableDef.h"

namespace jet {

struct RawField {
  bool null = true;
  bool bit = false;                // Boolean columns: the value lives in the null mask
  std::span<const uint8_t> bytes;  // points into the row
};

// One field per column of `def.columns`, in the same order. kCorrupt when an offset in the
// row points outside it.
Result<std::vector<RawField>> SplitRow(std::span<const uint8_t> row, const TableDef& def,
                                       const Layout& layout);

}  // namespace jet

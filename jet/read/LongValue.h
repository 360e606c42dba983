#pragma once
// Memo and OLE values. The row holds a 12-byte field: the length with flags in the top
// bits, a row pointer and 4 spare bytes. The data follows inline, or lives in one row on
// another page, or in a chain of rows each starting with the pointer to the next.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/base/Status.h"

namespace jet {

class PageSource;

// The bytes of the row that `pointer` (page << 8 | row) designates, whatever its slot's
// flags. kCorrupt (at its page) when the pointer leads outside the file, or LocateRow
// refuses the row.
Result<std::vector<uint8_t>> ReadRowAt(PageSource& db, uint32_t pointer);

// Resolves a long-value field into its full bytes. kCorrupt as WalkLongValue and ReadRowAt.
Result<std::vector<uint8_t>> ReadLongValue(PageSource& db, std::span<const uint8_t> field);

}  // namespace jet

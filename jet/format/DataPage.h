#pragma once
// A data page: a small header, a table of row offsets growing from the front, and the rows
// packed from the end of the page towards the front. Row i ends where row i-1 starts (row 0
// ends at the page end). See docs/jet-format.md.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/Format.h"

namespace jet {

struct RowSlot {
  uint16_t start = 0;  // byte offset of the row in the page
  uint16_t end = 0;    // one past the last byte
  bool deleted = false;
  bool pointer = false;  // the slot holds only a row pointer to where the row was moved
  bool moved = false;    // this row was moved here from a slot on another page

  // Whether a walk in storage order yields this slot as a row.
  bool live() const { return !deleted && !pointer; }
};

struct DataPageInfo {
  uint32_t owner = 0;  // table definition page
  uint16_t free_space = 0;
  std::vector<RowSlot> rows;
};

// Parses and checks the row table. kCorrupt when the page is not a data page or a row
// lies outside the page.
Result<DataPageInfo> ParseDataPage(std::span<const uint8_t> page, const Layout& layout);

// The place of row `row` of a data page, whatever its flags (Jet 3 leaves the deleted flag on
// some long-value rows that are still referenced; the caller decides what the flags mean).
// `page` is a whole page; only its first `present` bytes exist in the file (a file cut short
// holds part of its last page). kCorrupt, without a page number (the caller adds it), when:
// the page is not a data page, its row table holds more rows than a row pointer can
// name or runs past the present bytes, `row` is not in it, or the row does not lie between
// the end of the row table and the start of the rows before it, in the present bytes, with
// at least one byte.
Result<RowSlot> LocateRow(std::span<const uint8_t> page, size_t present, const Layout& layout, uint8_t row);

// Splits a row pointer (page << 8 | row).
inline uint32_t PointerPage(uint32_t pointer) { return pointer >> 8; }
inline uint8_t PointerRow(uint32_t pointer) { return static_cast<uint8_t>(pointer & 0xff); }

}  // namespace jet

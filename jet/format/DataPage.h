#pragma once
// A data page: a small header, a table of row offsets growing from the front, and the rows
// packed from the end of the page towards the front. Row i ends where row i-1 starts (row 0
// ends at the page end). See docs/jet-format.md.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/format/Format.h"
#include "jet/base/Status.h"

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
  uint32_t owner = 0;        // table definition page
  uint16_t free_space = 0;
  std::vector<RowSlot> rows;
};

// Parses and checks the row table. kCorrupt when the page is not a data page or a row
// lies outside the page.
Result<DataPageInfo> ParseDataPage(std::span<const uint8_t> page, const Layout& layout);

// Splits a row pointer (page << 8 | row).
inline uint32_t PointerPage(uint32_t pointer) { return pointer >> 8; }
inline uint8_t PointerRow(uint32_t pointer) { return static_cast<uint8_t>(pointer & 0xff); }

}  // namespace jet

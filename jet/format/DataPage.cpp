#include "jet/format/DataPage.h"

#include <algorithm>

#include "jet/base/Bytes.h"

namespace jet {
namespace {

// The row's start and flags from its entry in the row table; its end is left to the caller.
RowSlot SlotOf(uint16_t raw) {
  RowSlot slot;
  slot.start = raw & kRowOffsetMask;
  const uint16_t flags = raw & kRowFlagMask;
  slot.deleted = flags == kRowDeletedFlags;
  slot.pointer = flags == kRowPointerFlag;
  slot.moved = flags == kRowMovedFlag;
  return slot;
}

}  // namespace
Result<RowSlot> LocateRow(std::span<const uint8_t> page, size_t present, const Layout& layout, uint8_t row) {
  if (page.size() != layout.page_size || present < layout.data_row_offsets || page[0] != kPageData) {
    return CorruptError("not a data page");
  }
  const uint16_t count = *GetU16(page, layout.data_row_count);
  const size_t table_end = layout.data_row_offsets + size_t{count} * 2;
  if (count > kMaxRowsPerPage || table_end > present)
    return CorruptError("row table runs past the end of the data page");
  if (row >= count) return CorruptError("no row " + std::to_string(row) + " on the data page");
  // Rows lie in slot order from the end of the page down: a row ends where the rows before
  // it start, deleted ones included, as they keep their offsets.
  size_t end = layout.page_size;
  for (size_t i = 0; i < row; ++i) {
    end = std::min<size_t>(end, *GetU16(page, layout.data_row_offsets + i * 2) & kRowOffsetMask);
  }
  RowSlot slot = SlotOf(*GetU16(page, layout.data_row_offsets + size_t{row} * 2));
  slot.end = static_cast<uint16_t>(end);
  if (slot.start < table_end || slot.start >= end || end > present) {
    return CorruptError("row " + std::to_string(row) + " lies outside its data page");
  }
  return slot;
}

Result<DataPageInfo> ParseDataPage(std::span<const uint8_t> page, const Layout& layout) {
  if (page.size() != layout.page_size || page[0] != kPageData) return CorruptError("not a data page");
  DataPageInfo info;
  info.owner = *GetU32(page, layout.data_owner);
  info.free_space = *GetU16(page, layout.data_free_space);
  const uint16_t count = *GetU16(page, layout.data_row_count);
  const size_t table_end = layout.data_row_offsets + size_t{count} * 2;
  if (table_end > page.size()) return CorruptError("row table runs past the end of the data page");
  uint32_t previous_start = layout.page_size;
  info.rows.reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    RowSlot slot = SlotOf(*GetU16(page, layout.data_row_offsets + size_t{i} * 2));
    // A deleted row keeps its offset, so the next row's end is still computed from it.
    slot.end = static_cast<uint16_t>(previous_start);
    if (slot.live() && (slot.start < table_end || slot.start > slot.end)) {
      return CorruptError("row " + std::to_string(i) + " lies outside its data page");
    }
    if (slot.start <= previous_start) previous_start = slot.start;
    info.rows.push_back(slot);
  }
  return info;
}

}  // namespace jet

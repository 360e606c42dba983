#include "jet/read/LongValue.h"

#include <set>

#include "jet/base/Bytes.h"
#include "jet/format/DataPage.h"
#include "jet/read/PageSource.h"
#include "jet/format/Format.h"

namespace jet {

Result<std::vector<uint8_t>> ReadRowAt(PageSource& db, uint32_t pointer) {
  const uint32_t page_number = PointerPage(pointer);
  std::vector<uint8_t> page;
  JET_RETURN_IF_ERROR(db.ReadPage(page_number, page));
  auto info = ParseDataPage(page, db.layout());
  if (!info.ok()) return info.status().AtPage(page_number);
  const uint8_t row = PointerRow(pointer);
  if (row >= info->rows.size()) {
    return CorruptError("row pointer names a missing row " + std::to_string(row)).AtPage(page_number);
  }
  // Jet 3 leaves the deleted flag on some long-value rows that are still referenced, so the
  // flag is not trusted here; the bounds are.
  const RowSlot& slot = info->rows[row];
  if (slot.start > slot.end || slot.start < db.layout().data_row_offsets) {
    return CorruptError("row " + std::to_string(row) + " lies outside its data page").AtPage(page_number);
  }
  return std::vector<uint8_t>(page.begin() + slot.start, page.begin() + slot.end);
}

Result<std::vector<uint8_t>> ReadLongValue(PageSource& db, std::span<const uint8_t> field) {
  if (field.size() < kLongValueHeaderSize) return CorruptError("long value field is too short");
  const uint32_t head = *GetU32(field, 0);
  const uint32_t length = head & kLongValueLengthMask;
  uint32_t pointer = *GetU32(field, 4);
  if (head & kLongValueInline) {
    if (field.size() - kLongValueHeaderSize < length) return CorruptError("inline long value runs past its row");
    return std::vector<uint8_t>(field.begin() + kLongValueHeaderSize, field.begin() + kLongValueHeaderSize + length);
  }
  if (head & kLongValueSinglePage) {
    JET_ASSIGN_OR_RETURN(std::vector<uint8_t> row, ReadRowAt(db, pointer));
    if (row.size() < length) return CorruptError("long value is shorter than its length");
    row.resize(length);
    return row;
  }
  std::vector<uint8_t> out;
  std::set<uint32_t> seen;
  while (out.size() < length) {
    if (pointer == 0) return CorruptError("long value chain ends early");
    if (!seen.insert(pointer).second) return CorruptError("long value chain loops");
    JET_ASSIGN_OR_RETURN(std::vector<uint8_t> row, ReadRowAt(db, pointer));
    if (row.size() < 4) return CorruptError("long value chain row is too short");
    pointer = *GetU32(row, 0);
    const size_t take = std::min<size_t>(row.size() - 4, length - out.size());
    out.insert(out.end(), row.begin() + 4, row.begin() + 4 + static_cast<std::ptrdiff_t>(take));
  }
  return out;
}

}  // namespace jet

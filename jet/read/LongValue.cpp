#include "jet/read/LongValue.h"

#include "jet/format/DataPage.h"
#include "jet/format/LongValueChain.h"
#include "jet/read/PageSource.h"

namespace jet {

Result<std::vector<uint8_t>> ReadRowAt(PageSource& db, uint32_t pointer) {
  const uint32_t page_number = PointerPage(pointer);
  std::vector<uint8_t> page;
  JET_RETURN_IF_ERROR(db.ReadPage(page_number, page));
  auto slot = LocateRow(page, page.size(), db.layout(), PointerRow(pointer));
  if (!slot.ok()) return slot.status().AtPage(page_number);
  return std::vector<uint8_t>(page.begin() + slot->start, page.begin() + slot->end);
}

Result<std::vector<uint8_t>> ReadLongValue(PageSource& db, std::span<const uint8_t> field) {
  std::vector<uint8_t> row;
  std::vector<uint8_t> out;
  const auto fetch = [&](uint32_t pointer) -> Result<std::span<const uint8_t>> {
    JET_ASSIGN_OR_RETURN(row, ReadRowAt(db, pointer));
    return std::span<const uint8_t>(row);
  };
  const Status walked = WalkLongValue(field, fetch, [&](const LongValuePiece& piece) {
    out.insert(out.end(), piece.data.begin(), piece.data.end());
    return Status::Ok();
  });
  if (!walked.ok()) return walked;
  return out;
}

}  // namespace jet

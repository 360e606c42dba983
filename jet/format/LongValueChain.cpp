#include "jet/format/LongValueChain.h"

#include <algorithm>
#include <unordered_set>

#include "jet/base/Bytes.h"
#include "jet/format/DataPage.h"
#include "jet/format/Format.h"

namespace jet {
namespace {

constexpr size_t kNextPointer = 4;  // a chain row starts with the pointer to the next

}  // namespace

Status WalkLongValue(std::span<const uint8_t> field, const LongValueRowFetch& fetch,
                     const LongValuePieceVisit& visit) {
  if (field.size() < kLongValueHeaderSize)
    return CorruptError("the long value's field is shorter than its header");
  const uint32_t head = *GetU32(field, 0);
  const uint32_t length = head & kLongValueLengthMask;
  uint32_t pointer = *GetU32(field, kLongValueFieldPointer);
  if (head & kLongValueInline) {
    const std::span<const uint8_t> inside = field.subspan(kLongValueHeaderSize);
    JET_RETURN_IF_ERROR(visit({0, inside, inside.first(std::min<size_t>(length, inside.size()))}));
    if (inside.size() < length) return CorruptError("the inline long value runs past its row");
    return Status::Ok();
  }
  if (head & kLongValueSinglePage) {
    JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> row, fetch(pointer));
    JET_RETURN_IF_ERROR(visit({pointer, row, row.first(std::min<size_t>(length, row.size()))}));
    if (row.size() < length)
      return CorruptError("the long value's row is shorter than its length").AtPage(PointerPage(pointer));
    return Status::Ok();
  }
  // Every row is passed once at the most, so a damaged chain ends after as many pieces as
  // it names distinct rows.
  std::unordered_set<uint32_t> seen;
  uint64_t gathered = 0;
  while (gathered < length) {
    if (pointer == 0) {
      return CorruptError("the long-value chain ends after " + std::to_string(gathered) + " of " +
                          std::to_string(length) + " bytes");
    }
    if (!seen.insert(pointer).second)
      return CorruptError("the long-value chain loops").AtPage(PointerPage(pointer));
    JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> row, fetch(pointer));
    if (row.size() < kNextPointer)
      return CorruptError("a long-value chain row is too short").AtPage(PointerPage(pointer));
    const size_t take = static_cast<size_t>(std::min<uint64_t>(row.size() - kNextPointer, length - gathered));
    const uint32_t next = *GetU32(row, 0);
    JET_RETURN_IF_ERROR(visit({pointer, row, row.subspan(kNextPointer, take)}));
    gathered += take;
    pointer = next;
  }
  return Status::Ok();
}

}  // namespace jet

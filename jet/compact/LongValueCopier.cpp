#include "jet/compact/LongValueCopier.h"

#include <algorithm>

#include "jet/base/Bytes.h"

namespace jet {
namespace {

constexpr size_t kFieldPointer = 4;
constexpr size_t kNextPointer = 4;
constexpr uint32_t kWindowPages = 64;

}  // namespace

LongValueCopier::LongValueCopier(PageSource& source, PageAllocator& allocator)
    : source_(source),
      allocator_(allocator),
      current_(allocator.layout(), kLongValueOwner),
      window_(source, kWindowPages) {}

Result<std::span<const uint8_t>> LongValueCopier::SourceRow(uint32_t pointer) {
  const uint32_t number = PointerPage(pointer);
  if (!source_loaded_ || number != source_number_) {
    source_loaded_ = false;
    JET_ASSIGN_OR_RETURN(source_page_, window_.Page(number));
    auto info = ParseDataPage(source_page_, source_.layout());
    if (!info.ok()) return info.status().AtPage(number);
    source_info_ = std::move(info).value();
    source_number_ = number;
    source_loaded_ = true;
  }
  const uint8_t row = PointerRow(pointer);
  if (row >= source_info_.rows.size()) {
    return CorruptError("a long value names a missing row " + std::to_string(row)).AtPage(number);
  }
  // Jet 3 leaves the deleted flag on some long-value rows still in use: only the bounds count.
  const RowSlot& slot = source_info_.rows[row];
  if (slot.start > slot.end || slot.start < source_.layout().data_row_offsets) {
    return CorruptError("long-value row " + std::to_string(row) + " lies outside its page").AtPage(number);
  }
  return source_page_.subspan(slot.start, slot.end - slot.start);
}

Result<uint32_t> LongValueCopier::Place(std::span<const uint8_t> row) {
  if (row.size() > current_.Capacity()) return CorruptError("a long-value row is larger than a page");
  if (!open_ || !current_.Fits(row.size())) {
    JET_RETURN_IF_ERROR(Flush());
    current_page_ = allocator_.Reserve();
    open_ = true;
  }
  return RowPointer(current_page_, current_.Add(row));
}

Status LongValueCopier::Copy(std::span<uint8_t> field) {
  if (field.size() < kLongValueHeaderSize) return CorruptError("a long-value field is too short");
  const uint32_t head = *GetU32(field, 0);
  if (head & kLongValueInline) return Status::Ok();
  const uint32_t length = head & kLongValueLengthMask;
  uint32_t pointer = *GetU32(field, kFieldPointer);
  if (head & kLongValueSinglePage) {
    JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> row, SourceRow(pointer));
    if (row.size() < length) return CorruptError("a long value is shorter than its length").AtPage(PointerPage(pointer));
    pieces_.assign(1, std::vector<uint8_t>(row.begin(), row.end()));
    JET_ASSIGN_OR_RETURN(const uint32_t copy, Place(pieces_.front()));
    PutU32(field, kFieldPointer, copy);
    return Status::Ok();
  }
  // A chain: read every piece, then place them last first, each pointing at the next.
  pieces_.clear();
  visited_.clear();
  uint64_t gathered = 0;
  while (gathered < length) {
    if (pointer == 0) return CorruptError("a long-value chain ends early");
    // More pieces than the file has rows can only be a loop.
    if (visited_.size() > uint64_t{source_.page_count()} * 256) return CorruptError("a long-value chain loops");
    visited_.push_back(pointer);
    JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> row, SourceRow(pointer));
    if (row.size() < kNextPointer) return CorruptError("a long-value chain row is too short").AtPage(PointerPage(pointer));
    pieces_.emplace_back(row.begin(), row.end());
    gathered += row.size() - kNextPointer;
    pointer = *GetU32(row, 0);
  }
  std::sort(visited_.begin(), visited_.end());
  if (std::adjacent_find(visited_.begin(), visited_.end()) != visited_.end()) {
    return CorruptError("a long-value chain loops").AtPage(PointerPage(visited_.front()));
  }
  // Nothing is placed before every piece is known to fit a page: a value copied in part would
  // leave pieces no row names.
  for (const std::vector<uint8_t>& piece : pieces_) {
    if (piece.size() > current_.Capacity()) return CorruptError("a long-value row is larger than a page");
  }
  uint32_t next = 0;
  for (size_t i = pieces_.size(); i-- > 0;) {
    PutU32(pieces_[i], 0, next);
    JET_ASSIGN_OR_RETURN(next, Place(pieces_[i]));
  }
  PutU32(field, kFieldPointer, next);
  return Status::Ok();
}

Status LongValueCopier::Flush() {
  if (!open_) return Status::Ok();
  open_ = false;
  return allocator_.Write(current_page_, current_.Finish());
}

}  // namespace jet

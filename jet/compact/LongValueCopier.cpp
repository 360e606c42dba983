#include "jet/compact/LongValueCopier.h"

#include "jet/base/Bytes.h"
#include "jet/format/LongValueChain.h"

namespace jet {
LongValueCopier::LongValueCopier(PageSource& source, PageAllocator& allocator)
    : source_(source),
      allocator_(allocator),
      current_(allocator.layout(), kLongValueOwner),
      windows_(source, PageWindow::Pages(source.layout())) {}

Result<std::span<const uint8_t>> LongValueCopier::SourceRow(uint32_t pointer) {
  const uint32_t number = PointerPage(pointer);
  if (!source_loaded_ || number != source_number_) {
    source_loaded_ = false;
    JET_ASSIGN_OR_RETURN(source_page_, windows_.Page(number));
    source_number_ = number;
    source_loaded_ = true;
  }
  auto slot = LocateRow(source_page_, source_page_.size(), source_.layout(), PointerRow(pointer));
  if (!slot.ok()) return slot.status().AtPage(number);
  return source_page_.subspan(slot->start, slot->end - slot->start);
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
  if (field.size() >= kLongValueHeaderSize && (*GetU32(field, 0) & kLongValueInline)) return Status::Ok();
  // The page kept from the last value may lie in a window that has moved on since.
  source_loaded_ = false;
  // Every piece is read first, then placed last first, each pointing at the next.
  pieces_.clear();
  piece_ends_.clear();
  JET_RETURN_IF_ERROR(WalkLongValue(
      field, [this](uint32_t pointer) { return SourceRow(pointer); },
      [this](const LongValuePiece& piece) {
        pieces_.insert(pieces_.end(), piece.row.begin(), piece.row.end());
        piece_ends_.push_back(pieces_.size());
        return Status::Ok();
      }));
  const auto piece = [this](size_t i) {
    const size_t start = i == 0 ? 0 : piece_ends_[i - 1];
    return std::span<uint8_t>(pieces_).subspan(start, piece_ends_[i] - start);
  };
  // Nothing is placed before every piece is known to fit a page: a value copied in part would
  // leave pieces no row names.
  for (size_t i = 0; i < piece_ends_.size(); ++i) {
    if (piece(i).size() > current_.Capacity()) return CorruptError("a long-value row is larger than a page");
  }
  const bool single = (*GetU32(field, 0) & kLongValueSinglePage) != 0;
  uint32_t next = 0;
  for (size_t i = piece_ends_.size(); i-- > 0;) {
    if (!single) PutU32(piece(i), 0, next);
    JET_ASSIGN_OR_RETURN(next, Place(piece(i)));
  }
  PutU32(field, kLongValueFieldPointer, next);
  return Status::Ok();
}

Status LongValueCopier::Flush() {
  if (!open_) return Status::Ok();
  open_ = false;
  return allocator_.Write(current_page_, current_.Finish());
}

}  // namespace jet

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

Result<uint32_t> LongValueCopier::Place(std::optional<uint32_t> next, std::span<const uint8_t> row) {
  if (!open_ || !current_.Fits(row.size())) {
    JET_RETURN_IF_ERROR(Flush());
    current_page_ = allocator_.Reserve();
    open_ = true;
  }
  return RowPointer(current_page_, next ? current_.Add(*next, row.subspan(4)) : current_.Add(row));
}

Status LongValueCopier::Copy(std::span<uint8_t> field) {
  if (field.size() >= kLongValueHeaderSize && (*GetU32(field, 0) & kLongValueInline)) return Status::Ok();
  // Every piece is read first, then placed last first, each pointing at the next. The pieces
  // stay where the windows hold them, unless reading a later one replaced pages an earlier
  // one lies on: the value is then read again, each piece copied out as it comes.
  std::vector<std::span<const uint8_t>>& pieces = pieces_;
  pieces.clear();
  uint64_t moves = 0;
  JET_RETURN_IF_ERROR(Walk(field, [&](const LongValuePiece& piece) {
    if (pieces.empty()) moves = windows_.moves();
    pieces.push_back(piece.row);
    return Status::Ok();
  }));
  if (!pieces.empty() && windows_.moves() != moves) {
    copied_.clear();
    std::vector<size_t> ends;
    JET_RETURN_IF_ERROR(Walk(field, [&](const LongValuePiece& piece) {
      copied_.insert(copied_.end(), piece.row.begin(), piece.row.end());
      ends.push_back(copied_.size());
      return Status::Ok();
    }));
    pieces.clear();
    for (size_t i = 0; i < ends.size(); ++i) {
      const size_t begin = i == 0 ? 0 : ends[i - 1];
      pieces.push_back(std::span<const uint8_t>(copied_).subspan(begin, ends[i] - begin));
    }
  }
  // Nothing is placed before every piece is known to fit a page: a value copied in part would
  // leave pieces no row names.
  for (const std::span<const uint8_t> piece : pieces) {
    if (piece.size() > current_.Capacity()) return CorruptError("a long-value row is larger than a page");
  }
  const bool single = (*GetU32(field, 0) & kLongValueSinglePage) != 0;
  uint32_t next = 0;
  for (size_t i = pieces.size(); i-- > 0;) {
    JET_ASSIGN_OR_RETURN(next, Place(single ? std::nullopt : std::optional<uint32_t>(next), pieces[i]));
  }
  PutU32(field, kLongValueFieldPointer, next);
  return Status::Ok();
}

Status LongValueCopier::Walk(std::span<const uint8_t> field, const LongValuePieceVisit& visit) {
  // The page kept from the last walk may lie in a window that has moved on since.
  source_loaded_ = false;
  return WalkLongValue(
      field, [this](uint32_t pointer) { return SourceRow(pointer); }, visit);
}

Status LongValueCopier::Flush() {
  if (!open_) return Status::Ok();
  open_ = false;
  const Status written = allocator_.Write(current_page_, current_.Seal());
  current_.Clear();
  return written;
}

}  // namespace jet

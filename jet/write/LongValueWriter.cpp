#include "jet/write/LongValueWriter.h"

#include <algorithm>

namespace jet {

LongValueWriter::LongValueWriter(PageAllocator& pages, size_t inline_limit)
    : pages_(pages), inline_limit_(inline_limit), current_(pages.layout(), kLongValueOwner) {}

Status LongValueWriter::StartPage() {
  JET_RETURN_IF_ERROR(Flush());
  current_page_ = pages_.Reserve();
  open_ = true;
  return Status::Ok();
}

Status LongValueWriter::Flush() {
  if (!open_) return Status::Ok();
  open_ = false;
  return pages_.Write(current_page_, current_.Finish());
}

Result<uint32_t> LongValueWriter::PlaceRow(std::span<const uint8_t> row) {
  if (!open_ || !current_.Fits(row.size())) JET_RETURN_IF_ERROR(StartPage());
  const uint8_t number = current_.Add(row);
  ++live_rows_[current_page_];
  last_rows_.push_back(RowPointer(current_page_, number));
  if (tracking_) tracked_rows_.push_back(last_rows_.back());
  return last_rows_.back();
}

Result<Bytes> LongValueWriter::Store(std::span<const uint8_t> data) {
  if (data.size() > kLongValueLengthMask) return Status(ErrorKind::kInvalidArgument, "long value too large");
  Bytes field(kLongValueHeaderSize, 0);
  const auto length = static_cast<uint32_t>(data.size());
  if (data.size() <= inline_limit_) {
    PutU32(field, 0, length | kLongValueInline);
    AppendBytes(field, data);
    return field;
  }
  last_rows_.clear();
  last_field_.clear();
  const size_t capacity = current_.Capacity();
  if (data.size() <= capacity) {
    JET_ASSIGN_OR_RETURN(const uint32_t pointer, PlaceRow(data));
    PutU32(field, 0, length | kLongValueSinglePage);
    PutU32(field, 4, pointer);
    last_field_ = field;
    return field;
  }
  // A chain: place the pieces last to first so each knows where the next one lives.
  const size_t piece = capacity - 4;
  const size_t pieces = (data.size() + piece - 1) / piece;
  uint32_t next = 0;
  for (size_t i = pieces; i-- > 0;) {
    const size_t begin = i * piece;
    const size_t size = std::min(piece, data.size() - begin);
    Bytes row;
    row.reserve(size + 4);
    AppendU32(row, next);
    AppendBytes(row, data.subspan(begin, size));
    JET_ASSIGN_OR_RETURN(next, PlaceRow(row));
  }
  PutU32(field, 0, length);
  PutU32(field, 4, next);
  last_field_ = field;
  return field;
}

void LongValueWriter::Drop(uint32_t pointer) {
  const uint32_t page = pointer >> 8;
  if (open_ && page == current_page_) current_.MarkDeleted(static_cast<uint8_t>(pointer & 0xFF));
  auto live = live_rows_.find(page);
  if (live != live_rows_.end() && live->second > 0) --live->second;
}

void LongValueWriter::Abandon(const Bytes& field) {
  if (field.size() < kLongValueHeaderSize || (field[3] & 0x80)) return;
  if (field != last_field_) return Drop(*GetU32(field, 4));
  for (const uint32_t pointer : last_rows_) Drop(pointer);
  last_field_.clear();
}

void LongValueWriter::StartTracking() {
  tracking_ = true;
  tracked_rows_.clear();
}

void LongValueWriter::AbandonTracked() {
  for (const uint32_t pointer : tracked_rows_) Drop(pointer);
  tracking_ = false;
  tracked_rows_.clear();
}

std::vector<uint32_t> LongValueWriter::EmptiedPages() const {
  std::vector<uint32_t> pages;
  for (const auto& [page, live] : live_rows_) {
    if (live == 0) pages.push_back(page);
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

}  // namespace jet

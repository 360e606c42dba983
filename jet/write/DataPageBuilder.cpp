#include "jet/write/DataPageBuilder.h"

#include <algorithm>

namespace jet {

DataPageBuilder::DataPageBuilder(const Layout& layout, uint32_t owner)
    : layout_(layout), owner_(owner), page_(layout.page_size, 0), top_(layout.page_size) {}

size_t DataPageBuilder::FreeSpace() const { return top_ - (layout_.data_row_offsets + 2 * rows_); }

size_t DataPageBuilder::Capacity() const { return layout_.page_size - layout_.data_row_offsets - 2; }

bool DataPageBuilder::Fits(size_t size) const {
  return rows_ < kRowsPerPageWritten && FreeSpace() >= size + 2;
}

uint8_t DataPageBuilder::Add(std::span<const uint8_t> row) {
  top_ -= row.size();
  std::copy(row.begin(), row.end(), page_.begin() + static_cast<ptrdiff_t>(top_));
  PutU16(page_, layout_.data_row_offsets + 2 * rows_, static_cast<uint16_t>(top_));
  return static_cast<uint8_t>(rows_++);
}

uint8_t DataPageBuilder::Add(uint32_t first, std::span<const uint8_t> rest) {
  top_ -= 4 + rest.size();
  PutU32(page_, top_, first);
  std::copy(rest.begin(), rest.end(), page_.begin() + static_cast<ptrdiff_t>(top_ + 4));
  PutU16(page_, layout_.data_row_offsets + 2 * rows_, static_cast<uint16_t>(top_));
  return static_cast<uint8_t>(rows_++);
}

void DataPageBuilder::MarkDeleted(uint8_t row) {
  const size_t at = layout_.data_row_offsets + 2 * row;
  const uint16_t offset = static_cast<uint16_t>(page_[at] | (page_[at + 1] << 8));
  if ((offset & kRowFlagMask) == kRowDeletedFlags) return;
  PutU16(page_, at, static_cast<uint16_t>(offset | kRowDeletedFlag));
  ++deleted_;
}

std::span<const uint8_t> DataPageBuilder::Seal() {
  page_[0] = kPageData;
  page_[1] = 0x01;
  PutU16(page_, layout_.data_free_space, static_cast<uint16_t>(FreeSpace()));
  PutU32(page_, layout_.data_owner, owner_);
  PutU16(page_, layout_.data_row_count, rows_);
  return page_;
}

void DataPageBuilder::Clear() {
  std::fill(page_.begin(), page_.end(), 0);
  rows_ = 0;
  deleted_ = 0;
  top_ = layout_.page_size;
}

Bytes DataPageBuilder::Finish() {
  Seal();
  Bytes done(layout_.page_size, 0);
  done.swap(page_);
  rows_ = 0;
  deleted_ = 0;
  top_ = layout_.page_size;
  return done;
}

}  // namespace jet

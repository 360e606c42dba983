#pragma once
// Fills one data page: a header naming the owner (a table definition page, or "LVAL" for
// pages of long values), a table of row offsets growing forwards, rows growing backwards
// from the end of the page.

#include <cstdint>
#include <span>

#include "jet/base/WriteBytes.h"
#include "jet/format/Format.h"

namespace jet {

class DataPageBuilder {
 public:
  DataPageBuilder(const Layout& layout, uint32_t owner);

  // Whether a row of `size` bytes still fits.
  bool Fits(size_t size) const;
  // Adds a row and returns its number on the page. Precondition: Fits(row.size()).
  uint8_t Add(std::span<const uint8_t> row);
  // Adds a row made of `first` (4 bytes, little-endian) and then `rest`: a long-value chain
  // row pointed at the next piece, without assembling it first.
  uint8_t Add(uint32_t first, std::span<const uint8_t> rest);
  // Flags a row as deleted, as a deletion by the engine leaves it.
  void MarkDeleted(uint8_t row);
  // The largest row an empty page can take.
  size_t Capacity() const;

  uint16_t row_count() const { return rows_; }
  bool empty() const { return rows_ == 0; }
  uint16_t live_rows() const { return static_cast<uint16_t>(rows_ - deleted_); }
  // The finished page; the builder starts over empty.
  Bytes Finish();
  // The finished page in the builder's own buffer, valid until Clear, which starts over
  // empty in the same buffer: for writers that hand the page on at once.
  std::span<const uint8_t> Seal();
  void Clear();

 private:
  size_t FreeSpace() const;

  const Layout& layout_;
  uint32_t owner_;
  Bytes page_;
  uint16_t rows_ = 0;
  uint16_t deleted_ = 0;
  size_t top_;  // where the last row added begins
};

}  // namespace jet

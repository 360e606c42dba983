#pragma once
// Places copied rows on fresh data pages of one table, in the order given: a page is filled
// until the next row does not fit, then written and a new one reserved. Shared by compaction
// and repair.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/write/DataPageBuilder.h"
#include "jet/write/PageAllocator.h"

namespace jet {

class RowPlacer {
 public:
  // `allocator` must outlive the placer; `owner` is the table's definition page.
  RowPlacer(PageAllocator& allocator, uint32_t owner)
      : allocator_(allocator), page_(allocator.layout(), owner) {}

  // The largest row a page can take.
  size_t Capacity() const { return page_.Capacity(); }
  // Stores `row` and returns its row pointer. kCorrupt for a row larger than a page.
  Result<uint32_t> Place(std::span<const uint8_t> row);
  // Writes the page being filled.
  Status Flush();
  // The data pages reserved so far, in order.
  const std::vector<uint32_t>& pages() const { return pages_; }

 private:
  PageAllocator& allocator_;
  DataPageBuilder page_;
  uint32_t current_ = 0;
  bool open_ = false;
  std::vector<uint32_t> pages_;
};

}  // namespace jet

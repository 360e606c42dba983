#pragma once
// Keeps usage-map rows together on data pages of their own, filled one after the other.
// A row's pointer is known as soon as it is added; its page is written when it is full or
// on Flush.

#include "jet/write/DataPageBuilder.h"
#include "jet/write/PageAllocator.h"

namespace jet {

class MapRowWriter {
 public:
  // `allocator` must outlive the writer.
  explicit MapRowWriter(PageAllocator& allocator) : allocator_(allocator), page_(allocator.layout(), 0) {}

  // Returns the row pointer of the stored row.
  Result<uint32_t> Add(const Bytes& row);
  Status Flush();

 private:
  PageAllocator& allocator_;
  DataPageBuilder page_;
  uint32_t number_ = 0;
  bool open_ = false;
};

}  // namespace jet

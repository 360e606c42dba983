#include "jet/write/RowPlacer.h"

#include "jet/base/WriteBytes.h"

namespace jet {

Result<uint32_t> RowPlacer::Place(std::span<const uint8_t> row) {
  if (row.size() > page_.Capacity()) return CorruptError("a row is larger than a page");
  if (!open_ || !page_.Fits(row.size())) {
    JET_RETURN_IF_ERROR(Flush());
    current_ = allocator_.Reserve();
    pages_.push_back(current_);
    open_ = true;
  }
  return RowPointer(current_, page_.Add(row));
}

Status RowPlacer::Flush() {
  if (!open_) return Status::Ok();
  open_ = false;
  const Status written = allocator_.Write(current_, page_.Seal());
  page_.Clear();
  return written;
}

}  // namespace jet

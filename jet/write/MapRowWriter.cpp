#include "jet/write/MapRowWriter.h"

namespace jet {

Result<uint32_t> MapRowWriter::Add(const Bytes& row) {
  if (!open_ || !page_.Fits(row.size())) {
    JET_RETURN_IF_ERROR(Flush());
    number_ = allocator_.Reserve();
    open_ = true;
  }
  return RowPointer(number_, page_.Add(row));
}

Status MapRowWriter::Flush() {
  if (!open_) return Status::Ok();
  open_ = false;
  return allocator_.Write(number_, page_.Finish());
}

}  // namespace jet

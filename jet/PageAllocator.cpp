#include "jet/PageAllocator.h"

namespace jet {

Status PageAllocator::Write(uint32_t page, std::span<const uint8_t> bytes) {
  if (bytes.size() != layout_.page_size || page >= next_) {
    return Status(ErrorKind::kInvalidArgument, "page write outside the reserved pages");
  }
  Status status = file_.WriteAt(uint64_t{page} * layout_.page_size, bytes);
  if (!status.ok()) status.AtPage(page);
  return status;
}

}  // namespace jet

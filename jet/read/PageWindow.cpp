#include "jet/read/PageWindow.h"

#include <algorithm>

namespace jet {

Result<std::span<const uint8_t>> PageWindow::Page(uint32_t number) {
  const size_t size = db_.page_size();
  if (count_ > 0 && number >= first_ && number < first_ + count_) {
    return std::span<const uint8_t>(bytes_).subspan((number - first_) * size, size);
  }
  // Onwards: at most a window's length (or a few pages) past the end of this one. The next
  // window then starts where this one ended: pages a walk steps over (a long value's pieces
  // stored the other way round) are often asked for next.
  constexpr uint32_t kSmallStep = 16;
  const uint32_t end = first_ + count_;
  const bool onwards = count_ > 0 && number >= end && number - end <= std::max(capacity_, kSmallStep);
  capacity_ = onwards ? std::min(limit_, capacity_ * 2) : 1;
  const uint32_t start = onwards ? end : number;
  count_ = 0;
  // The header page is kept scrambled on disk; the database hands it out unscrambled.
  if (number == 0 || number >= db_.page_count() || (capacity_ <= 1 && start == number)) {
    JET_RETURN_IF_ERROR(db_.ReadPage(number, bytes_));
    first_ = number;
    count_ = 1;
    return std::span<const uint8_t>(bytes_);
  }
  const uint32_t count = std::min(std::max(capacity_, number - start + 1), db_.page_count() - start);
  bytes_.resize(size_t{count} * size);
  JET_RETURN_IF_ERROR(db_.ReadPages(start, count, bytes_));
  first_ = start;
  count_ = count;
  return std::span<const uint8_t>(bytes_).subspan((number - start) * size, size);
}

}  // namespace jet

#include "jet/read/PageWindow.h"

#include <algorithm>

namespace jet {

Result<std::span<const uint8_t>> PageWindow::Page(uint32_t number) {
  const size_t size = db_.page_size();
  if (count_ > 0 && number >= first_ && number < first_ + count_) {
    return std::span<const uint8_t>(bytes_).subspan((number - first_) * size, size);
  }
  const bool onwards = count_ > 0 && number == first_ + count_;
  capacity_ = onwards ? std::min(limit_, capacity_ * 2) : 1;
  count_ = 0;
  // The header page is kept scrambled on disk; the database hands it out unscrambled.
  if (number == 0 || number >= db_.page_count() || capacity_ <= 1) {
    JET_RETURN_IF_ERROR(db_.ReadPage(number, bytes_));
    first_ = number;
    count_ = 1;
    return std::span<const uint8_t>(bytes_);
  }
  const uint32_t count = std::min(capacity_, db_.page_count() - number);
  bytes_.resize(size_t{count} * size);
  JET_RETURN_IF_ERROR(db_.ReadPages(number, count, bytes_));
  first_ = number;
  count_ = count;
  return std::span<const uint8_t>(bytes_).first(size);
}

}  // namespace jet

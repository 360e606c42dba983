#include "jet/read/PageWindow.h"

#include <algorithm>

namespace jet {

std::span<const uint8_t> PageWindow::Held(uint32_t number) const {
  if (count_ == 0 || number < first_ || number - first_ >= count_) return {};
  const size_t size = db_.page_size();
  return std::span<const uint8_t>(bytes_).subspan((number - first_) * size, size);
}

namespace {
// How far past (or before) a window a walk may step and still count as going on.
constexpr uint32_t kSmallStep = 16;
}  // namespace

bool PageWindow::Near(uint32_t number) const {
  if (count_ == 0) return false;
  const uint32_t reach = std::max(capacity_, kSmallStep);
  const uint32_t end = first_ + count_;
  return (number >= end && number - end <= reach) || (number < first_ && first_ - number <= reach);
}

Result<std::span<const uint8_t>> PageWindow::PageAfter(const PageWindow& from, uint32_t number) {
  if (const std::span<const uint8_t> held = from.Held(number); !held.empty()) return held;
  // Where `from` stands, without its bytes: the page lies outside that range, so Page reads.
  first_ = from.first_;
  count_ = from.count_;
  capacity_ = from.capacity_;
  return Page(number);
}

Result<std::span<const uint8_t>> PageWindow::Page(uint32_t number) {
  const size_t size = db_.page_size();
  if (const std::span<const uint8_t> held = Held(number); !held.empty()) return held;
  if (other_ != nullptr) {
    if (const std::span<const uint8_t> held = other_->Held(number); !held.empty()) {
      copied_.assign(held.begin(), held.end());
      return std::span<const uint8_t>(copied_);
    }
  }
  // Onwards: at most a window's length (or a few pages) past the end of this one. The next
  // window then starts where this one ended: pages a walk steps over (a long value's pieces
  // stored the other way round) are often asked for next. Backwards, as close before its
  // start: the next window ends where this one started (a long value whose pieces were
  // stored last first, in descending pages).
  const uint32_t end = first_ + count_;
  const bool near = Near(number);
  const bool onwards = near && number >= end;
  const bool backwards = near && number < first_;
  capacity_ = onwards || backwards ? std::min(limit_, capacity_ * 2) : 1;
  uint32_t start = number;
  if (onwards) start = end;
  // Never back to the header page, which is read on its own.
  if (backwards) start = first_ - std::min(first_ - 1, std::max(capacity_, first_ - number));
  count_ = 0;
  // The header page is kept scrambled on disk; the database hands it out unscrambled.
  if (number == 0 || number >= db_.page_count()) {
    JET_RETURN_IF_ERROR(db_.ReadPage(number, bytes_));
    first_ = number;
    count_ = 1;
    return std::span<const uint8_t>(bytes_).first(size);
  }
  uint32_t stop = number + 1;  // the page alone, after a jump
  if (capacity_ > 1 || start != number) {
    stop = backwards ? first_
                     : start + std::min(std::max(capacity_, number - start + 1), db_.page_count() - start);
  }
  const uint32_t count = stop - start;
  // The buffer only grows: bytes the read overwrites need not be cleared first.
  if (bytes_.size() < size_t{count} * size) bytes_.resize(size_t{count} * size);
  const std::span<uint8_t> window = std::span<uint8_t>(bytes_).first(size_t{count} * size);
  if (Status read = db_.ReadPages(start, count, window); !read.ok()) {
    // A page the file does not hold whole fails only itself, not the pages read with it: the
    // page asked for is read on its own. A failing read of the file fails the walk.
    if (read.kind() == ErrorKind::kIo || count == 1) return read;
    JET_RETURN_IF_ERROR(db_.ReadPages(number, 1, window.first(size)));
    first_ = number;
    count_ = 1;
    return std::span<const uint8_t>(bytes_).first(size);
  }
  first_ = start;
  count_ = count;
  return std::span<const uint8_t>(bytes_).subspan((number - start) * size, size);
}

}  // namespace jet

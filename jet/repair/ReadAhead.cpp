#include "jet/repair/ReadAhead.h"

#include <algorithm>

namespace jet {

ReadAhead::ReadAhead(File& file, uint64_t size, uint32_t page_size, uint32_t pages)
    : file_(file),
      size_(size),
      page_size_(page_size),
      limit_(std::max<uint32_t>(pages, 1)),
      pages_(static_cast<uint32_t>(std::min<uint64_t>((size + page_size - 1) / page_size, UINT32_MAX))) {}

std::span<const uint8_t> ReadAhead::Serve(Window& window, uint32_t number) {
  window.used = ++clock_;
  const uint64_t offset = uint64_t{number - window.first} * page_size_;
  const size_t length = static_cast<size_t>(std::min<uint64_t>(page_size_, window.bytes.size() - offset));
  return std::span<const uint8_t>(window.bytes).subspan(static_cast<size_t>(offset), length);
}

Status ReadAhead::Fill(Window& window, uint32_t start, uint32_t count) {
  const uint64_t offset = uint64_t{start} * page_size_;
  window.count = 0;
  window.bytes.resize(static_cast<size_t>(std::min<uint64_t>(uint64_t{count} * page_size_, size_ - offset)));
  JET_RETURN_IF_ERROR(file_.ReadAt(offset, window.bytes));
  window.first = start;
  window.count = count;
  return Status::Ok();
}

Result<std::span<const uint8_t>> ReadAhead::Page(uint32_t number) {
  if (number >= pages_) return std::span<const uint8_t>();
  for (Window& window : windows_) {
    if (window.count > 0 && number >= window.first && number - window.first < window.count)
      return Serve(window, number);
  }
  // A page a little past the end of a window carries that walk on: the window grows and
  // starts where it ended, since the pages stepped over are often asked for next.
  constexpr uint32_t kSmallStep = 16;
  Window* chosen = nullptr;
  for (Window& window : windows_) {
    const uint32_t end = window.first + window.count;
    if (window.count > 0 && number >= end && number - end <= std::max(window.capacity, kSmallStep)) {
      chosen = &window;
      break;
    }
  }
  uint32_t start = number;
  if (chosen != nullptr) {
    start = chosen->first + chosen->count;
    chosen->capacity = std::min(limit_, chosen->capacity * 2);
  } else {
    chosen = &*std::min_element(windows_.begin(), windows_.end(),
                                [](const Window& a, const Window& b) { return a.used < b.used; });
    chosen->capacity = 1;
  }
  const uint32_t count = std::min(std::max(chosen->capacity, number - start + 1), pages_ - start);
  JET_RETURN_IF_ERROR(Fill(*chosen, start, count));
  return Serve(*chosen, number);
}

}  // namespace jet

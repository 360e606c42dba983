#include "jet/write/PageAllocator.h"

#include <algorithm>
#include <functional>
#include <string>

namespace jet {

uint32_t PageAllocator::Reserve() {
  if (reuse_.empty()) return next_++;
  const uint32_t page = reuse_.back();
  reuse_.pop_back();
  return page;
}

void PageAllocator::Reuse(std::vector<uint32_t> pages) {
  std::erase_if(pages, [this](uint32_t page) { return page == 0 || page >= next_; });
  std::sort(pages.begin(), pages.end(), std::greater<>());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  reuse_ = std::move(pages);
}

void PageAllocator::BufferWrites(uint32_t pages) {
  buffer_pages_ = pages;
  buffer_.reserve(size_t{pages} * layout_.page_size);
}

Status PageAllocator::Flush() {
  if (buffered_ == 0) return Status::Ok();
  const uint32_t first = buffer_first_;
  const uint32_t count = buffered_;
  buffered_ = 0;
  Status status = file_.WriteAt(uint64_t{first} * layout_.page_size,
                                std::span<const uint8_t>(buffer_).first(size_t{count} * layout_.page_size));
  if (!status.ok()) status.AtPage(first);
  return status;
}

Status PageAllocator::Write(uint32_t page, std::span<const uint8_t> bytes) {
  if (bytes.size() != layout_.page_size || page >= next_) {
    return Status(ErrorKind::kInvalidArgument, "page write outside the reserved pages");
  }
  if (page >= MaxPageCount(layout_)) {
    const bool jet3 = layout_.version == JetVersion::kJet3;
    return Status(ErrorKind::kInvalidArgument, std::string("the database would grow past ") +
                                                   (jet3 ? "1 GB" : "2 GB") + ", the largest file " +
                                                   (jet3 ? "Jet 3 (Access 97)" : "Jet 4 (Access 2000/2003)") +
                                                   " can open")
        .AtPage(page);
  }
  if (buffer_pages_ > 0) {
    if (buffered_ > 0 && page >= buffer_first_ && page < buffer_first_ + buffered_) {
      std::copy(bytes.begin(), bytes.end(),
                buffer_.begin() + static_cast<ptrdiff_t>(page - buffer_first_) * layout_.page_size);
      return Status::Ok();
    }
    if (buffered_ == buffer_pages_ || (buffered_ > 0 && page != buffer_first_ + buffered_))
      JET_RETURN_IF_ERROR(Flush());
    if (buffered_ == 0) {
      buffer_first_ = page;
      buffer_.clear();
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    ++buffered_;
    return Status::Ok();
  }
  Status status = file_.WriteAt(uint64_t{page} * layout_.page_size, bytes);
  if (!status.ok()) status.AtPage(page);
  return status;
}

}  // namespace jet

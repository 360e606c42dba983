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
  buffer_.assign(size_t{pages} * layout_.page_size, 0);
  filled_.assign(pages, false);
  buffered_ = 0;
}

Status PageAllocator::Flush() {
  if (buffered_ == 0) return Status::Ok();
  const uint32_t count = buffered_;
  buffered_ = 0;
  const size_t size = layout_.page_size;
  for (uint32_t run = 0; run < count;) {
    if (!filled_[run]) {
      ++run;
      continue;
    }
    uint32_t end = run;
    while (end < count && filled_[end]) filled_[end++] = false;
    Status status = file_.WriteAt(uint64_t{buffer_first_ + run} * size,
                                  std::span<const uint8_t>(buffer_).subspan(run * size, (end - run) * size));
    if (!status.ok()) {
      std::fill(filled_.begin(), filled_.end(), false);
      return status.AtPage(buffer_first_ + run);
    }
    run = end;
  }
  return Status::Ok();
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
  if (buffer_pages_ > 0 && page >= buffer_first_) {
    if (page - buffer_first_ >= buffer_pages_) {
      // The next stretch begins at the first page this one still waits for, when that is
      // near enough to hold this page too.
      uint32_t waiting = 0;
      while (waiting < buffered_ && filled_[waiting]) ++waiting;
      const uint32_t next = waiting < buffered_ && page - (buffer_first_ + waiting) < buffer_pages_
                                ? buffer_first_ + waiting
                                : page;
      JET_RETURN_IF_ERROR(Flush());
      buffer_first_ = next;
    }
    const uint32_t at = page - buffer_first_;
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<ptrdiff_t>(at) * layout_.page_size);
    filled_[at] = true;
    buffered_ = std::max(buffered_, at + 1);
    return Status::Ok();
  }
  if (buffer_pages_ > 0 && buffered_ == 0) {
    buffer_first_ = page;  // an empty stretch may begin anywhere
    return Write(page, bytes);
  }
  Status status = file_.WriteAt(uint64_t{page} * layout_.page_size, bytes);
  if (!status.ok()) status.AtPage(page);
  return status;
}

}  // namespace jet

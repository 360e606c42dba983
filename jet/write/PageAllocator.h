#pragma once
// Hands out page numbers of a database being written and writes whole pages. Pages may be
// written in any order; every page handed out must be written before the file is closed.
//
// With BufferWrites, runs of consecutive pages are collected and written to the file
// together; Flush (or the next write out of sequence) hands them over.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/format/Format.h"
#include "jet/io/File.h"

namespace jet {

class PageAllocator {
 public:
  // `file` and `layout` must outlive the allocator.
  PageAllocator(File& file, const Layout& layout) : file_(file), layout_(layout) {}

  uint32_t Reserve() { return next_++; }
  // `bytes` must be exactly one page.
  Status Write(uint32_t page, std::span<const uint8_t> bytes);

  // Collects up to `pages` consecutive pages before writing them. Call Flush after the last
  // write.
  void BufferWrites(uint32_t pages);
  Status Flush();

  uint32_t page_count() const { return next_; }
  const Layout& layout() const { return layout_; }
  File& file() { return file_; }

 private:
  File& file_;
  const Layout& layout_;
  uint32_t next_ = 0;
  std::vector<uint8_t> buffer_;
  uint32_t buffer_pages_ = 0;  // capacity; 0 when writes go straight to the file
  uint32_t buffer_first_ = 0;
  uint32_t buffered_ = 0;
};

}  // namespace jet

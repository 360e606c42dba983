#pragma once
// Hands out page numbers of a database being written and writes whole pages. Pages may be
// written in any order; every page handed out must be written before the file is closed.
//
// With BufferWrites, runs of consecutive pages are collected and written to the file
// together; Flush (or the next write out of sequence) hands them over.
//
// No page is written beyond the format's file-size limit (MaxPageCount: 1 GB for Jet 3,
// 2 GB for Jet 4): Write refuses it with kInvalidArgument, saying so, and so every writer
// (new databases, the generator, compaction, repair, the editor) stops there.

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

  // The next page: one given to Reuse, lowest first, while any is left; else the next one
  // after the end.
  uint32_t Reserve();
  // Pages already in the file to hand out before growing it (an editor's unused pages);
  // replaces any left from an earlier call. The caller writes each page Reserve hands out.
  void Reuse(std::vector<uint32_t> pages);
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
  std::vector<uint32_t> reuse_;  // descending: the lowest is taken first
  std::vector<uint8_t> buffer_;
  uint32_t buffer_pages_ = 0;  // capacity; 0 when writes go straight to the file
  uint32_t buffer_first_ = 0;
  uint32_t buffered_ = 0;
};

}  // namespace jet

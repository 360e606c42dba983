#pragma once
// Hands out page numbers of a database being written and writes whole pages. Pages may be
// written in any order; every page handed out must be written before the file is closed.
//
// With BufferWrites, the pages written within a stretch of the file are collected, in any
// order, and each run of consecutive ones among them is written to the file with one call;
// Flush, or a write past the end of the stretch, hands them over. Pages written to a stretch
// already handed over go to the file one by one, and the next stretch begins at the first
// page the last one was still waiting for, so that pages reserved early and written late (a
// long-value page filled while data pages are written after it) still join a run.
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

  // Collects the pages written within stretches of `pages` pages before writing them. Call
  // Flush after the last write.
  void BufferWrites(uint32_t pages);
  // A stretch of 4 MB: the pages of that many bytes in this layout.
  static uint32_t StretchPages(const Layout& layout) { return (4u << 20) / layout.page_size; }
  Status Flush();

  uint32_t page_count() const { return next_; }
  const Layout& layout() const { return layout_; }
  File& file() { return file_; }

 private:
  File& file_;
  const Layout& layout_;
  uint32_t next_ = 0;
  std::vector<uint32_t> reuse_;  // descending: the lowest is taken first
  std::vector<uint8_t> buffer_;  // buffer_pages_ pages from buffer_first_ on
  std::vector<bool> filled_;     // which of them have been written
  uint32_t buffer_pages_ = 0;    // 0 when writes go straight to the file
  uint32_t buffer_first_ = 0;
  uint32_t buffered_ = 0;  // the stretch's pages up to the last one written; 0 when empty
};

}  // namespace jet

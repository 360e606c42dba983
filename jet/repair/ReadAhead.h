#pragma once
// Reads a file's pages through a few windows, so that the walks a repair takes (a table's
// data pages, the long-value pages its rows lead to, a tree's leaves) each cost one read
// per window rather than one per page, even when they take turns. A window doubles, up to
// its limit, while the walk it serves goes on forwards, and starts again at one page when
// no window is near the page asked for; the window used least recently gives way. A read
// that fails fails the page asked for, though the bad part may lie further on.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "jet/base/Status.h"
#include "jet/io/File.h"

namespace jet {

class ReadAhead {
 public:
  // `file` holds `size` bytes and must outlive this; `pages` is the most one read brings in.
  ReadAhead(File& file, uint64_t size, uint32_t page_size, uint32_t pages);

  // The bytes the file holds of page `number`, as stored: fewer than a page when the file
  // ends inside it, none past its end. Valid until the next call.
  Result<std::span<const uint8_t>> Page(uint32_t number);

 private:
  struct Window {
    uint32_t first = 0;
    uint32_t count = 0;
    uint32_t capacity = 1;
    uint64_t used = 0;  // when it last served a page
    std::vector<uint8_t> bytes;
  };

  std::span<const uint8_t> Serve(Window& window, uint32_t number);
  Status Fill(Window& window, uint32_t start, uint32_t count);

  File& file_;
  uint64_t size_;
  uint32_t page_size_;
  uint32_t limit_;
  uint32_t pages_;  // in the file, a partial last page included
  uint64_t clock_ = 0;
  std::array<Window, 8> windows_;
};

}  // namespace jet

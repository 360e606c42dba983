#pragma once
// Pages of a database to read from, decrypted: an open Database, or the pages a repair
// salvages from a damaged file. The copiers of compaction and repair read through this, so
// that both carry rows, long values, index keys and definitions over the same way.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/Format.h"

namespace jet {

class PageSource {
 public:
  virtual ~PageSource() = default;

  virtual const Layout& layout() const = 0;
  uint32_t page_size() const { return layout().page_size; }
  // Pages that can be read; page 0, the header, is not read through this.
  virtual uint32_t page_count() const = 0;
  // Reads one page, decrypted, into `out` (resized to a page). kCorrupt beyond page_count().
  virtual Status ReadPage(uint32_t number, std::vector<uint8_t>& out) = 0;
  // Reads `count` pages from `first` on (0 < first, first + count <= page_count()) into `out`,
  // which holds exactly that many pages, each decrypted.
  virtual Status ReadPages(uint32_t first, uint32_t count, std::span<uint8_t> out) = 0;
};

}  // namespace jet

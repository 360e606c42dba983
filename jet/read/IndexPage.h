#pragma once
// Index B-tree pages. Leaf pages (type 4) hold entries of key bytes followed by the row
// pointer (3-byte page, 1-byte row, big-endian); intermediate pages (type 3) add the 4-byte
// child page. Leaves of one index are chained through next/previous page numbers. A bitmap
// after the header marks where each entry ends; entries after the first on a page may omit
// a prefix shared with the first entry. An intermediate page may keep no entries at all and
// lead only to its tail page. See docs/jet-format.md.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/Format.h"

namespace jet {

class PageSource;

struct IndexEntry {
  std::vector<uint8_t> key;  // full key, prefix restored
  uint32_t data_page = 0;
  uint8_t data_row = 0;
  uint32_t child_page = 0;  // intermediate pages only
};

struct IndexPage {
  uint8_t type = kPageIndexLeaf;
  uint32_t owner = 0;
  uint32_t prev_page = 0;
  uint32_t next_page = 0;
  uint32_t tail_page = 0;
  std::vector<IndexEntry> entries;

  bool leaf() const { return type == kPageIndexLeaf; }
  // The page an intermediate page's smallest keys lie below: its first entry's child, or,
  // on a page that keeps no entries of its own, the tail page. 0 when there is neither.
  uint32_t FirstChild() const { return entries.empty() ? tail_page : entries.front().child_page; }
};

// Parses one index page; kCorrupt for anything that does not fit the page.
Result<IndexPage> ParseIndexPage(std::span<const uint8_t> page, const Layout& layout);
// The same into `out`, whose entries' buffers are reused: a walk over many pages then
// allocates little once it is under way. `out` is unspecified after a failure.
Status ParseIndexPageInto(std::span<const uint8_t> page, const Layout& layout, IndexPage& out);

// Every leaf entry of the tree rooted at `root_page`, in key order: descends to the
// leftmost leaf, then follows the leaf chain. Loops and pages of the wrong type give
// kCorrupt. `pages_visited` (optional) receives every index page read.
Result<std::vector<IndexEntry>> ReadIndexLeaves(PageSource& db, uint32_t root_page,
                                                std::vector<uint32_t>* pages_visited = nullptr);

}  // namespace jet

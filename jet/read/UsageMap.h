#pragma once
// Usage maps: bitmaps of page numbers. A table keeps two (pages it owns, pages with free
// space); the database keeps one of free pages. A map is stored in a row: either inline
// (type 0: a start page and the bitmap) or by reference (type 1: a list of bitmap pages,
// each covering a fixed run of page numbers).

#include <cstdint>
#include <span>
#include <vector>

#include "jet/base/Status.h"

namespace jet {

class PageSource;

struct UsageMap {
  bool inline_map = true;
  std::vector<uint32_t> pages;       // pages whose bit is set, ascending
  std::vector<uint32_t> map_pages;   // bitmap pages of a reference map
};

// Decodes a usage map row. Pages beyond the end of the file give kCorrupt.
Result<UsageMap> DecodeUsageMap(PageSource& db, std::span<const uint8_t> row);

// Reads the row at `pointer` and decodes it.
Result<UsageMap> ReadUsageMap(PageSource& db, uint32_t pointer);

// kCorrupt when the map at `pointer` names a page beyond the end of the file or keeps a
// bitmap page there. Reads only the bitmap pages whose run of page numbers reaches the end
// (the others cannot name a page outside), so the cost does not grow with the file.
Status CheckUsageMapWithinFile(PageSource& db, uint32_t pointer);

}  // namespace jet

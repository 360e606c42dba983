#pragma once
// Usage maps: bitmaps of page numbers. A table keeps two (pages it owns, pages with free
// space); the database keeps one of free pages. A map is stored in a row: either inline
// (type 0: a start page and the bitmap) or by reference (type 1: a list of bitmap pages,
// each covering a fixed run of page numbers). This is the engine's one decoder of them.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/base/Status.h"

namespace jet {

class PageSource;

struct UsageMap {
  bool inline_map = true;
  std::vector<uint32_t> pages;      // pages whose bit is set, ascending
  std::vector<uint32_t> map_pages;  // bitmap pages of a reference map
};

// What a set bit naming a page beyond the end of the file means. A table's maps never name
// one, so there it is damage; the free-page map covers whole bitmap bytes and pages, with
// every bit beyond the end set (what is not there is not in use), so there it is left out.
enum class BeyondEnd { kCorrupt, kLeftOut };

// Decodes a usage map row. kCorrupt for a row shorter than its five-byte head, an unknown
// type, a bitmap page beyond the end of the file or of another kind, and (by `beyond_end`)
// a bit beyond the end of the file.
Result<UsageMap> DecodeUsageMap(PageSource& db, std::span<const uint8_t> row,
                                BeyondEnd beyond_end = BeyondEnd::kCorrupt);

// Reads the row at `pointer` and decodes it.
Result<UsageMap> ReadUsageMap(PageSource& db, uint32_t pointer, BeyondEnd beyond_end = BeyondEnd::kCorrupt);

// kCorrupt when the map at `pointer` names a page beyond the end of the file or keeps a
// bitmap page there. Reads only the bitmap pages whose run of page numbers reaches the end
// (the others cannot name a page outside), so the cost does not grow with the file.
Status CheckUsageMapWithinFile(PageSource& db, uint32_t pointer);

}  // namespace jet

#pragma once
// Usage maps say which pages belong to a table or index. A map that spans few pages is kept
// inline in one row (type 0: first page, then one bit per page); a larger one (type 1) is a
// row of pointers to usage-map pages, each a bitmap of a fixed range of pages.

#include <vector>

#include "jet/base/WriteBytes.h"
#include "jet/write/PageAllocator.h"

namespace jet {

// Bitmap bytes of an inline map row.
constexpr size_t kInlineMapBytes = 64;

// Returns the map row for `pages` (any order, no duplicates). For a large set it reserves
// and writes the usage-map pages it points to.
Result<Bytes> BuildUsageMap(const std::vector<uint32_t>& pages, PageAllocator& allocator);

// Writes page 1: the map of the file's free pages, then a second map that is always empty.
Status WriteGlobalMap(const std::vector<uint32_t>& free_pages, PageAllocator& allocator);

}  // namespace jet

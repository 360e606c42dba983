#include "jet/write/UsageMapWriter.h"

#include <algorithm>

#include "jet/format/Format.h"
#include "jet/write/DataPageBuilder.h"

namespace jet {
namespace {

Bytes InlineMap(const std::vector<uint32_t>& pages, uint32_t first) {
  Bytes row(1 + 4 + kInlineMapBytes, 0);
  row[0] = kUsageMapInline;
  PutU32(row, 1, first);
  for (uint32_t page : pages) {
    const uint32_t bit = page - first;
    row[5 + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
  }
  return row;
}

Result<Bytes> ReferenceMap(const std::vector<uint32_t>& pages, PageAllocator& allocator) {
  const Layout& layout = allocator.layout();
  const uint32_t per_page = (layout.page_size - kUsageMapPageHeader) * 8;
  const uint32_t last = *std::max_element(pages.begin(), pages.end());
  const uint32_t map_pages = last / per_page + 1;
  std::vector<Bytes> bitmaps(map_pages);
  for (uint32_t page : pages) {
    Bytes& map = bitmaps[page / per_page];
    if (map.empty()) {
      map.assign(layout.page_size, 0);
      map[0] = kPageUsageMap;
      map[1] = 0x01;
    }
    const uint32_t bit = page % per_page;
    map[kUsageMapPageHeader + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
  }
  Bytes row{kUsageMapReference};
  for (const Bytes& map : bitmaps) {
    uint32_t number = 0;
    if (!map.empty()) {
      number = allocator.Reserve();
      JET_RETURN_IF_ERROR(allocator.Write(number, map));
    }
    AppendU32(row, number);
  }
  return row;
}

}  // namespace

Result<Bytes> BuildUsageMap(const std::vector<uint32_t>& pages, PageAllocator& allocator) {
  if (pages.empty()) return InlineMap(pages, 0);
  const auto [low, high] = std::minmax_element(pages.begin(), pages.end());
  if (*high - *low < kInlineMapBytes * 8) return InlineMap(pages, *low);
  return ReferenceMap(pages, allocator);
}

Status WriteGlobalMap(const std::vector<uint32_t>& free_pages, PageAllocator& allocator) {
  DataPageBuilder page(allocator.layout(), 1);
  JET_ASSIGN_OR_RETURN(const Bytes free, BuildUsageMap(free_pages, allocator));
  JET_ASSIGN_OR_RETURN(const Bytes empty, BuildUsageMap({}, allocator));
  page.Add(free);
  page.Add(empty);
  return allocator.Write(kGlobalMapPage, page.Finish());
}

}  // namespace jet

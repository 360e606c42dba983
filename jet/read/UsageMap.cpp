#include "jet/read/UsageMap.h"

#include "jet/base/Bytes.h"
#include "jet/read/PageSource.h"
#include "jet/format/Format.h"
#include "jet/read/LongValue.h"

namespace jet {
namespace {

Status AddBits(std::span<const uint8_t> bitmap, uint64_t first_page, uint32_t page_count, std::vector<uint32_t>& out) {
  for (size_t byte = 0; byte < bitmap.size(); ++byte) {
    if (bitmap[byte] == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!((bitmap[byte] >> bit) & 1)) continue;
      const uint64_t page = first_page + byte * 8 + bit;
      if (page >= page_count) return CorruptError("usage map names page " + std::to_string(page) + " beyond the end of the file");
      out.push_back(static_cast<uint32_t>(page));
    }
  }
  return Status::Ok();
}

}  // namespace

Result<UsageMap> DecodeUsageMap(PageSource& db, std::span<const uint8_t> row) {
  if (row.size() < 1) return CorruptError("empty usage map");
  UsageMap map;
  if (row[0] == kUsageMapInline) {
    if (row.size() < 5) return CorruptError("inline usage map is too short");
    JET_RETURN_IF_ERROR(AddBits(row.subspan(5), *GetU32(row, 1), db.page_count(), map.pages));
    return map;
  }
  if (row[0] != kUsageMapReference) return CorruptError("unknown usage map type " + std::to_string(row[0]));
  map.inline_map = false;
  const uint64_t pages_per_map = uint64_t{db.page_size() - kUsageMapPageHeader} * 8;
  std::vector<uint8_t> page;
  for (size_t i = 0; (1 + i * 4 + 4) <= row.size(); ++i) {
    const uint32_t map_page = *GetU32(row, 1 + i * 4);
    if (map_page == 0) continue;
    JET_RETURN_IF_ERROR(db.ReadPage(map_page, page));
    if (page[0] != kPageUsageMap) return CorruptError("usage map points to a page that is not a bitmap").AtPage(map_page);
    map.map_pages.push_back(map_page);
    const uint64_t first = i * pages_per_map;
    if (first >= db.page_count()) continue;
    Status s = AddBits(std::span<const uint8_t>(page).subspan(kUsageMapPageHeader), first, db.page_count(), map.pages);
    if (!s.ok()) return s.AtPage(map_page);
  }
  return map;
}

Result<UsageMap> ReadUsageMap(PageSource& db, uint32_t pointer) {
  JET_ASSIGN_OR_RETURN(std::vector<uint8_t> row, ReadRowAt(db, pointer));
  return DecodeUsageMap(db, row);
}

Status CheckUsageMapWithinFile(PageSource& db, uint32_t pointer) {
  JET_ASSIGN_OR_RETURN(std::vector<uint8_t> row, ReadRowAt(db, pointer));
  if (row.empty() || row[0] != kUsageMapReference) return DecodeUsageMap(db, row).status();
  const uint64_t pages_per_map = uint64_t{db.page_size() - kUsageMapPageHeader} * 8;
  std::vector<uint8_t> page;
  std::vector<uint32_t> named;
  for (size_t i = 0; (1 + i * 4 + 4) <= row.size(); ++i) {
    const uint32_t map_page = *GetU32(row, 1 + i * 4);
    if (map_page == 0) continue;
    if (map_page >= db.page_count()) return CorruptError("usage map keeps a bitmap page beyond the end of the file");
    if ((i + 1) * pages_per_map <= db.page_count()) continue;
    JET_RETURN_IF_ERROR(db.ReadPage(map_page, page));
    if (page[0] != kPageUsageMap) return CorruptError("usage map points to a page that is not a bitmap").AtPage(map_page);
    Status s = AddBits(std::span<const uint8_t>(page).subspan(kUsageMapPageHeader), i * pages_per_map, db.page_count(), named);
    if (!s.ok()) return s.AtPage(map_page);
    named.clear();
  }
  return Status::Ok();
}

}  // namespace jet

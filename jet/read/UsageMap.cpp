#include "jet/read/UsageMap.h"

#include "jet/base/Bytes.h"
#include "jet/format/Format.h"
#include "jet/read/LongValue.h"
#include "jet/read/PageSource.h"

namespace jet {
namespace {

constexpr size_t kInlineMapHead = 5;  // type byte, 32-bit first page

// Adds the pages whose bit is set in `bitmap`, whose first bit stands for `first_page`.
Status AddBits(std::span<const uint8_t> bitmap, uint64_t first_page, uint32_t page_count,
               BeyondEnd beyond_end, std::vector<uint32_t>& out) {
  for (size_t byte = 0; byte < bitmap.size(); ++byte) {
    if (bitmap[byte] == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!((bitmap[byte] >> bit) & 1)) continue;
      const uint64_t page = first_page + byte * 8 + bit;
      if (page >= page_count) {
        // Bits ascend: every one after this names a page beyond the end too.
        if (beyond_end == BeyondEnd::kLeftOut) return Status::Ok();
        return CorruptError("usage map names page " + std::to_string(page) + " beyond the end of the file");
      }
      out.push_back(static_cast<uint32_t>(page));
    }
  }
  return Status::Ok();
}

uint64_t PagesPerBitmap(const PageSource& db) { return uint64_t{db.page_size() - kUsageMapPageHeader} * 8; }

// The bitmap pages a reference map lists, each with its place in the list (0 entries, the
// unused places, are skipped). kCorrupt for a page beyond the end of the file.
Result<std::vector<std::pair<size_t, uint32_t>>> BitmapPages(const PageSource& db,
                                                             std::span<const uint8_t> row) {
  std::vector<std::pair<size_t, uint32_t>> out;
  for (size_t i = 0; 1 + i * 4 + 4 <= row.size(); ++i) {
    const uint32_t map_page = *GetU32(row, 1 + i * 4);
    if (map_page == 0) continue;
    if (map_page >= db.page_count())
      return CorruptError("usage map keeps a bitmap page beyond the end of the file");
    out.emplace_back(i, map_page);
  }
  return out;
}

// Adds the set bits of bitmap page `map_page`, the `place`-th of its map.
Status AddBitmapPage(PageSource& db, uint32_t map_page, size_t place, BeyondEnd beyond_end,
                     std::vector<uint8_t>& page, std::vector<uint32_t>& out) {
  JET_RETURN_IF_ERROR(db.ReadPage(map_page, page));
  if (page[0] != kPageUsageMap)
    return CorruptError("usage map points to a page that is not a bitmap").AtPage(map_page);
  Status s = AddBits(std::span<const uint8_t>(page).subspan(kUsageMapPageHeader), place * PagesPerBitmap(db),
                     db.page_count(), beyond_end, out);
  return s.ok() ? s : s.AtPage(map_page);
}

}  // namespace

Result<UsageMap> DecodeUsageMap(PageSource& db, std::span<const uint8_t> row, BeyondEnd beyond_end) {
  if (row.size() < kInlineMapHead) return CorruptError("usage map is too short");
  UsageMap map;
  if (row[0] == kUsageMapInline) {
    JET_RETURN_IF_ERROR(
        AddBits(row.subspan(kInlineMapHead), *GetU32(row, 1), db.page_count(), beyond_end, map.pages));
    return map;
  }
  if (row[0] != kUsageMapReference) return CorruptError("unknown usage map type " + std::to_string(row[0]));
  map.inline_map = false;
  JET_ASSIGN_OR_RETURN(const auto bitmaps, BitmapPages(db, row));
  std::vector<uint8_t> page;
  for (const auto& [place, map_page] : bitmaps) {
    map.map_pages.push_back(map_page);
    JET_RETURN_IF_ERROR(AddBitmapPage(db, map_page, place, beyond_end, page, map.pages));
  }
  return map;
}

Result<UsageMap> ReadUsageMap(PageSource& db, uint32_t pointer, BeyondEnd beyond_end) {
  JET_ASSIGN_OR_RETURN(std::vector<uint8_t> row, ReadRowAt(db, pointer));
  return DecodeUsageMap(db, row, beyond_end);
}

Status CheckUsageMapWithinFile(PageSource& db, uint32_t pointer) {
  JET_ASSIGN_OR_RETURN(std::vector<uint8_t> row, ReadRowAt(db, pointer));
  if (row.size() < kInlineMapHead || row[0] != kUsageMapReference) return DecodeUsageMap(db, row).status();
  JET_ASSIGN_OR_RETURN(const auto bitmaps, BitmapPages(db, row));
  std::vector<uint8_t> page;
  std::vector<uint32_t> named;
  for (const auto& [place, map_page] : bitmaps) {
    if ((place + 1) * PagesPerBitmap(db) <= db.page_count()) continue;
    JET_RETURN_IF_ERROR(AddBitmapPage(db, map_page, place, BeyondEnd::kCorrupt, page, named));
    named.clear();
  }
  return Status::Ok();
}

}  // namespace jet

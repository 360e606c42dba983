#include "jet/check/PageMapCheck.h"

#include <algorithm>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/read/Database.h"
#include "jet/read/LongValue.h"
#include "jet/check/CheckContext.h"

namespace jet {
namespace {

constexpr uint32_t kFreeMapPage = 1;
constexpr uint32_t kFreeMapRow = kFreeMapPage << 8;

// The free-page map covers whole bitmap bytes and pages, so its bits run on past the end of
// the file (all set: what is not there is not in use); those are left out.
void AddBits(std::span<const uint8_t> bitmap, uint64_t first, uint32_t page_count, std::set<uint32_t>& out) {
  for (size_t bit = 0; bit < bitmap.size() * 8; ++bit) {
    if (first + bit >= page_count) break;
    if ((bitmap[bit / 8] >> (bit % 8)) & 1) out.insert(static_cast<uint32_t>(first + bit));
  }
}

Result<std::set<uint32_t>> ReadFreePages(CheckContext& ctx) {
  Database& db = ctx.db();
  JET_ASSIGN_OR_RETURN(std::vector<uint8_t> row, ReadRowAt(db, kFreeMapRow));
  std::set<uint32_t> free;
  if (row.size() < 5) return CorruptError("free-page map is too short").AtPage(kFreeMapPage);
  if (row[0] == kUsageMapInline) {
    AddBits(std::span<const uint8_t>(row).subspan(5), *GetU32(row, 1), db.page_count(), free);
    return free;
  }
  if (row[0] != kUsageMapReference) return CorruptError("free-page map has unknown type " + std::to_string(row[0])).AtPage(kFreeMapPage);
  const uint64_t per_page = uint64_t{db.page_size() - kUsageMapPageHeader} * 8;
  std::vector<uint8_t> bitmap;
  for (size_t i = 0; 1 + i * 4 + 4 <= row.size(); ++i) {
    const uint32_t map_page = *GetU32(row, 1 + i * 4);
    if (map_page == 0) continue;
    JET_RETURN_IF_ERROR(db.ReadPage(map_page, bitmap));
    if (bitmap[0] != kPageUsageMap) return CorruptError("free-page map names a page that is not a bitmap").AtPage(map_page);
    ctx.Claim(map_page, "the free-page map");
    AddBits(std::span<const uint8_t>(bitmap).subspan(kUsageMapPageHeader), i * per_page, db.page_count(), free);
  }
  return free;
}

bool AllZero(std::span<const uint8_t> page) {
  return std::all_of(page.begin(), page.end(), [](uint8_t b) { return b == 0; });
}

// What a page that nothing uses holds, in words.
std::string UnusedContents(std::span<const uint8_t> page, const Layout& layout) {
  if (AllZero(page)) return "an empty page";
  switch (page[0]) {
    case kPageData:
      return *GetU32(page, layout.data_owner) == kLongValueOwner
                 ? "a long-value page no value uses"
                 : "a data page of a table the catalog no longer lists";
    case kPageTableDef:
      return "a table definition no catalog row names";
    case kPageIndexNode:
    case kPageIndexLeaf:
      return "an index page no index tree reaches";
    case kPageUsageMap:
      return "a bitmap page no usage map names";
    default:
      return "a page of kind " + std::to_string(page[0]);
  }
}

void NoteUnowned(CheckContext& ctx, uint32_t number, const std::map<uint32_t, std::string>& tables) {
  std::vector<uint8_t> page;
  Status read = ctx.db().ReadPage(number, page);
  if (!read.ok()) return ctx.Report(ProblemArea::kFile, "", read);
  if (page[0] == kPageData) {
    const uint32_t owner = *GetU32(page, ctx.db().layout().data_owner);
    // Usage maps live on data pages that name no table; Access leaves the maps of deleted
    // objects there, so such a page counts as used even when no map on it is referenced.
    if (owner == 0) return;
    auto table = tables.find(owner);
    if (table != tables.end()) {
      return ctx.Note(Leftover::kStrayDataPage, table->second, number,
                      "data page of the table that its usage map leaves out: its rows are not the table's");
    }
  }
  ctx.Note(Leftover::kUnusedPage, "", number,
           UnusedContents(page, ctx.db().layout()) + ", neither used nor marked free");
}

}  // namespace

void CheckPageMap(CheckContext& ctx, const std::map<uint32_t, std::string>& tables) {
  Database& db = ctx.db();
  ctx.Claim(kFreeMapPage, "the free-page map");
  auto map = ReadFreePages(ctx);
  if (!map.ok()) {
    return ctx.Report(ProblemArea::kUsageMap, "", map.status().page().value_or(kFreeMapPage),
                      "free-page map: " + map.status().description());
  }
  const std::set<uint32_t>& free = *map;
  for (uint32_t number = 1; number < db.page_count(); ++number) {
    const std::string* owner = ctx.OwnerOf(number);
    const bool is_free = free.count(number) != 0;
    if (owner != nullptr && is_free) {
      ctx.Report(ProblemArea::kUsageMap, "", number, "page is marked free but used by " + *owner);
    } else if (owner == nullptr && !is_free) {
      NoteUnowned(ctx, number, tables);
    }
  }
}

}  // namespace jet

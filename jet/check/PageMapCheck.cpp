#include "jet/check/PageMapCheck.h"

#include <algorithm>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/base/WriteBytes.h"
#include "jet/check/CheckContext.h"
#include "jet/read/Database.h"
#include "jet/read/UsageMap.h"

namespace jet {
namespace {

// The free-page map: the pages marked free, with the bitmap pages it keeps claimed.
Result<std::set<uint32_t>> ReadFreePages(CheckContext& ctx) {
  JET_ASSIGN_OR_RETURN(const UsageMap map,
                       ReadUsageMap(ctx.db(), RowPointer(kGlobalMapPage, 0), BeyondEnd::kLeftOut));
  for (uint32_t map_page : map.map_pages) ctx.Claim(map_page, "the free-page map");
  return std::set<uint32_t>(map.pages.begin(), map.pages.end());
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
  ctx.Claim(kGlobalMapPage, "the free-page map");
  auto map = ReadFreePages(ctx);
  if (!map.ok()) {
    return ctx.Report(ProblemArea::kUsageMap, "", map.status().page().value_or(kGlobalMapPage),
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

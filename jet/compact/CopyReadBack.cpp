#include "jet/compact/CopyReadBack.h"

#include "jet/format/DataPage.h"
#include "jet/read/Database.h"
#include "jet/read/UsageMap.h"

namespace jet {
namespace {

// A 64-bit mix of a page number (the finalizer of SplitMix64), so that sums of different
// sets of pages are unlikely to meet.
uint64_t Mix(uint64_t x) {
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

Status Differs(const std::string& table, const std::string& what) {
  return CorruptError("table " + table + ": " + what);
}

Status CheckDataPage(Database& copy, const std::string& table, uint32_t page, uint32_t owner) {
  JET_ASSIGN_OR_RETURN(const std::vector<uint8_t> bytes, copy.ReadPage(page));
  auto info = ParseDataPage(bytes, copy.layout());
  if (!info.ok() || info->owner != owner || info->rows.empty())
    return Differs(table, "page " + std::to_string(page) + " is not one of its data pages");
  return Status::Ok();
}

Status CheckTable(Database& copy, const CatalogEntry& entry, const CopiedTable& copied) {
  JET_ASSIGN_OR_RETURN(const TableDef def, copy.ReadTableDef(entry.DefinitionPage()));
  if (def.row_count != copied.rows) {
    return Differs(entry.name, "its definition counts " + std::to_string(def.row_count) + " rows of " +
                                   std::to_string(copied.rows) + " copied");
  }
  JET_ASSIGN_OR_RETURN(const UsageMap map, ReadUsageMap(copy, def.used_pages));
  if (map.pages.size() != copied.data_pages || PageSetDigest(map.pages) != copied.page_digest) {
    return Differs(entry.name, "its usage map lists " + std::to_string(map.pages.size()) +
                                   " data pages, not the " + std::to_string(copied.data_pages) + " written");
  }
  if (copied.data_pages == 0) return Status::Ok();
  JET_RETURN_IF_ERROR(CheckDataPage(copy, entry.name, copied.first_page, entry.DefinitionPage()));
  return CheckDataPage(copy, entry.name, copied.last_page, entry.DefinitionPage());
}

}  // namespace

uint64_t PageSetDigest(const std::vector<uint32_t>& pages) {
  uint64_t sum = 0;
  for (const uint32_t page : pages) sum += Mix(page);
  return sum;
}

CopiedTable DescribeCopiedTable(uint64_t rows, const std::vector<uint32_t>& data_pages) {
  CopiedTable table;
  table.rows = rows;
  table.data_pages = static_cast<uint32_t>(data_pages.size());
  table.page_digest = PageSetDigest(data_pages);
  if (!data_pages.empty()) {
    table.first_page = data_pages.front();
    table.last_page = data_pages.back();
  }
  return table;
}

Status CheckCopyReadsBack(FileSystem& fs, const std::string& path, const std::string& password,
                          const std::map<std::string, CopiedTable>& copied) {
  JET_ASSIGN_OR_RETURN(auto copy, Database::OpenPath(path, {.password = password}, fs));
  const std::vector<CatalogEntry> tables = copy->Tables(true);
  if (tables.size() != copied.size()) return CorruptError("the catalog lists other tables");
  for (const CatalogEntry& entry : tables) {
    auto written = copied.find(entry.name);
    if (written == copied.end()) return CorruptError("the catalog lists table " + entry.name);
    JET_RETURN_IF_ERROR(CheckTable(*copy, entry, written->second));
  }
  return Status::Ok();
}

}  // namespace jet

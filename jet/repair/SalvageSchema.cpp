#include "jet/repair/SalvageSchema.h"

#include <algorithm>

#include "jet/base/Bytes.h"
#include "jet/base/WriteBytes.h"
#include "jet/edit/TableDefEdit.h"
#include "jet/format/Format.h"
#include "jet/read/DefinitionBytes.h"
#include "jet/read/DefinitionPages.h"

namespace jet {
namespace {

// The definition's bytes, for as long as the chain leads to definition pages not seen
// before; a chain broken after its first page is reported.
std::vector<uint8_t> DefinitionBytes(SalvageSource& source, uint32_t first, std::vector<uint32_t>& pages,
                                     const std::string& table, RepairReport& report) {
  JoinedDefinition joined = JoinDefinitionPages(source, first);
  if (!joined.broken.ok() && !joined.pages.empty()) {
    report.Add(LossKind::kPageSkipped, table, joined.broken.page(),
               "the definition's continuation is lost here");
  }
  pages = std::move(joined.pages);
  return std::move(joined.bytes);
}

bool HasCatalogColumns(const TableDef& def) {
  return std::ranges::all_of(std::vector<const char*>{"Id", "ParentId", "Name", "Type", "Flags"},
                             [&def](const char* name) { return def.FindColumn(name) != nullptr; });
}

CatalogEntry EntryFromValues(const TableDef& def, const std::vector<Value>& v) {
  auto at = [&](const char* name) -> const Value& {
    const ColumnDef* column = def.FindColumn(name);
    return v[static_cast<size_t>(column - def.columns.data())];
  };
  CatalogEntry e;
  e.id = static_cast<uint32_t>(at("Id").integer);
  e.parent_id = static_cast<uint32_t>(at("ParentId").integer);
  e.name = at("Name").text;
  e.type = static_cast<int16_t>(at("Type").integer);
  e.flags = static_cast<uint32_t>(at("Flags").integer);
  return e;
}

}  // namespace

Result<TableDef> SalvageTableDef(SalvageSource& source, uint32_t page, const std::string& table,
                                 RepairReport& report, std::vector<uint8_t>* stored) {
  const Layout& l = source.layout();
  std::vector<uint32_t> pages;
  std::vector<uint8_t> bytes = DefinitionBytes(source, page, pages, table, report);
  if (pages.empty())
    return CorruptError("page " + std::to_string(page) + " is not a table definition").AtPage(page);
  auto def = ParseTableDef(bytes, l, TextCodePage(source.header()));
  if (def.ok()) {
    def->page = page;
    def->pages = std::move(pages);
    if (stored != nullptr) *stored = std::move(bytes);
    return def;
  }
  const Status first = def.status();
  auto columns = ColumnsOnly(bytes, l);
  auto columns_only =
      columns.ok() ? ParseTableDef(*columns, l, TextCodePage(source.header())) : columns.status();
  if (!columns_only.ok()) {
    Status failed = first;
    return failed.AtPage(page);
  }
  report.Add(LossKind::kIndexDropped, table, page,
             "the index definitions are damaged (" + first.description() +
                 "); the table is rebuilt without indexes");
  columns_only->page = page;
  columns_only->pages = std::move(pages);
  if (stored != nullptr) *stored = std::move(columns).value();
  return columns_only;
}

Result<SalvagedCatalog> SalvageCatalog(SalvageSource& source, RepairReport& report) {
  auto def = SalvageTableDef(source, kCatalogTableDefPage, kCatalogName, report);
  if (!def.ok() || !HasCatalogColumns(*def)) {
    const std::string why = def.ok() ? "it lacks its key columns" : def.status().description();
    return CorruptError("the catalog's definition cannot be read (" + why + "): every table is lost")
        .AtPage(kCatalogTableDefPage);
  }
  SalvagedCatalog catalog{std::move(def).value(), {}};
  JET_RETURN_IF_ERROR(SalvageRows(source, catalog.def, kCatalogName, report, [&catalog](SalvagedRow&& row) {
    CatalogEntry entry = EntryFromValues(catalog.def, row.values);
    catalog.rows.push_back(
        CatalogRow{std::move(entry), RowPointer(row.page, row.slot), std::move(row.values)});
    return Status::Ok();
  }));
  if (catalog.rows.empty()) {
    return CorruptError("no row of the catalog can be read: every table is lost")
        .AtPage(kCatalogTableDefPage);
  }
  return catalog;
}

}  // namespace jet

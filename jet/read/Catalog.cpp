#include "jet/read/Catalog.h"

#include "jet/read/Database.h"
#include "jet/read/TableReader.h"

namespace jet {
namespace {

struct CatalogColumns {
  int id = -1, parent = -1, name = -1, type = -1, flags = -1;
};

int IndexOf(const TableDef& def, const char* name) {
  for (size_t i = 0; i < def.columns.size(); ++i) {
    if (def.columns[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

Result<std::vector<CatalogEntry>> ReadCatalog(Database& db, const TableDef& def) {
  CatalogColumns cols{IndexOf(def, "Id"), IndexOf(def, "ParentId"), IndexOf(def, "Name"),
                      IndexOf(def, "Type"), IndexOf(def, "Flags")};
  if (cols.id < 0 || cols.parent < 0 || cols.name < 0 || cols.type < 0 || cols.flags < 0) {
    return CorruptError("the catalog lacks its key columns").AtPage(def.page);
  }
  std::vector<bool> wanted(def.columns.size(), false);
  for (int i : {cols.id, cols.parent, cols.name, cols.type, cols.flags})
    wanted[static_cast<size_t>(i)] = true;
  TableReader reader(db, def);
  std::vector<CatalogEntry> out;
  while (true) {
    JET_ASSIGN_OR_RETURN(std::optional<RowRecord> row, reader.Next());
    if (!row) break;
    JET_ASSIGN_OR_RETURN(std::vector<Value> v, reader.Decode(*row, &wanted));
    CatalogEntry e;
    e.id = static_cast<uint32_t>(v[cols.id].integer);
    e.parent_id = static_cast<uint32_t>(v[cols.parent].integer);
    e.name = v[cols.name].text;
    e.type = static_cast<int16_t>(v[cols.type].integer);
    e.flags = static_cast<uint32_t>(v[cols.flags].integer);
    out.push_back(std::move(e));
  }
  return out;
}

}  // namespace jet

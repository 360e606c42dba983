#pragma once
// Reading table definitions and the catalog of a damaged database. A definition whose
// continuation breaks is read as far as it goes; one whose index part is damaged keeps its
// columns and loses its indexes (rebuilt tables get none). The catalog is read row by row;
// a damaged row is dropped, a table whose definition cannot be read is lost, and each is
// reported.

#include <string>
#include <vector>

#include "jet/format/TableDef.h"
#include "jet/read/Database.h"
#include "jet/repair/RepairReport.h"
#include "jet/repair/SalvageRows.h"
#include "jet/repair/SalvageSource.h"

namespace jet {

// The definition starting on `page`, with each index tree's flags, and in `stored` the bytes
// it reads (without the index part when that is damaged). kCorrupt when not even the
// columns can be read.
Result<TableDef> SalvageTableDef(SalvageSource& source, uint32_t page, const std::string& table,
                                 RepairReport& report, std::vector<uint8_t>* stored = nullptr);

struct CatalogRow {
  CatalogEntry entry;
  uint32_t pointer = 0;       // where the row is stored
  std::vector<Value> values;  // follow the catalog definition's columns
};

struct SalvagedCatalog {
  TableDef def;
  std::vector<CatalogRow> rows;
};

// kCorrupt, describing what is lost, when the catalog's definition or every row of it is
// unreadable.
Result<SalvagedCatalog> SalvageCatalog(SalvageSource& source, RepairReport& report);

}  // namespace jet

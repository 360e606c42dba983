#pragma once
// The catalog: the rows of MSysObjects (table definition on page 2), one per database object.

#include <vector>

#include "jet/base/Status.h"
#include "jet/format/TableDef.h"

namespace jet {

class Database;
struct CatalogEntry;

// Reads every catalog row. kCorrupt when the catalog lacks its key columns.
Result<std::vector<CatalogEntry>> ReadCatalog(Database& db, const TableDef& catalog_def);

}  // namespace jet

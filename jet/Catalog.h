#pragma once
// The catalog: the rows of MSysObjects (table definition on page 2), one per database object.

#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"

namespace jet {

class Database;
struct CatalogEntry;

// Reads every catalog row. kCorrupt when the catalog lacks its key columns.
Result<std::vector<CatalogEntry>> ReadCatalog(Database& db, const TableDef& catalog_def);

}  // namespace jet

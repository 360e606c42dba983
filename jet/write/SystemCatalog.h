#pragma once
// The system tables every database starts with, and the rows of MSysObjects that describe
// the containers and tables of a new database.

#include <string>
#include <vector>

#include "jet/write/TableDesign.h"

namespace jet {

TableDesign CatalogTableDesign();        // MSysObjects
TableDesign AccessControlTableDesign();  // MSysACEs
TableDesign QueriesTableDesign();        // MSysQueries
TableDesign RelationshipsTableDesign();  // MSysRelationships

struct CatalogTable {
  std::string name;
  uint32_t table_page = 0;
  bool system = false;
};

// MSysObjects rows: the containers, the database object and one row per table.
std::vector<RowValues> CatalogRows(const std::vector<CatalogTable>& tables, double created);

}  // namespace jet

#pragma once
// A writer's design made from a table definition read from a file: what the writer needs to
// build the same table again (repair writes the catalog's rows with it). Columns come in
// stored order with their types, sizes and flags, and one index per named index, over the
// same columns in the same directions. Indexes that enforce relationships come out plain: a
// design has no relationship fields.

#include <string>

#include "jet/base/Status.h"
#include "jet/format/TableDef.h"
#include "jet/write/TableDesign.h"

namespace jet {

// `name` is the table's catalog name; `system` marks catalog tables. Errors: kUnsupported
// for a column type the writer cannot store, kCorrupt for an index naming a column that
// does not exist.
Result<TableDesign> DesignFromDefinition(const TableDef& def, const std::string& name, bool system,
                                         const Layout& layout);

}  // namespace jet

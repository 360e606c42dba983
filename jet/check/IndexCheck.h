#pragma once
// One real index: its usage map against the pages of its B-tree, the tree's shape (every page
// an index page reached once, the leaves chained in order), the key order, and its entries
// against the rows (each live row listed once, no entry naming anything else).

#include <string>

#include "jet/check/TableRows.h"
#include "jet/format/TableDef.h"

namespace jet {

class CheckContext;

void CheckIndex(CheckContext& ctx, const std::string& table, const TableDef& def, const RealIndex& index,
                const TableRows& rows);

// All of the above that does not need the rows: the usage map, the tree's shape, every leaf
// parsed and the key order. A damaged tree is found this way without walking the table.
void CheckIndexTree(CheckContext& ctx, const std::string& table, const TableDef& def, const RealIndex& index);

}  // namespace jet

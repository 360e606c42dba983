#pragma once
// One table definition on its own: its columns (numbers, names, types, sizes, positions in
// the row) and its indexes (columns that exist, logical indexes naming real ones).

#include <string>

#include "jet/format/TableDef.h"

namespace jet {

class CheckContext;

void CheckTableDef(CheckContext& ctx, const std::string& table, const TableDef& def);

}  // namespace jet

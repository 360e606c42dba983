#pragma once
// The data side of one table: its usage maps, its data pages, every row's offsets, null mask
// and fields, moved rows, long values, and the row count of the definition.

#include <string>

#include "jet/check/TableRows.h"
#include "jet/format/TableDef.h"

namespace jet {

class CheckContext;

TableRows CheckRows(CheckContext& ctx, const std::string& table, const TableDef& def);

}  // namespace jet

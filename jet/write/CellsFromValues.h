#pragma once
// The writer's cells made from values read from a row, unchanged: the same integers, the
// same floating-point bits, the same text and bytes. Repair writes salvaged rows with it and
// the checker compares stored index keys with the ones the writer would make.

#include <vector>

#include "jet/base/Status.h"
#include "jet/format/TableDef.h"
#include "jet/format/Value.h"
#include "jet/write/TableDesign.h"

namespace jet {

// `values` follow `def.columns`. Errors: kUnsupported for a decimal that does not fit the
// writer's 64-bit scaled integers (never rounded).
Result<RowValues> CellsFromValues(const TableDef& def, const std::vector<Value>& values);

// "-12.3400" with scale 4 -> -123400. Errors as above.
Result<int64_t> ScaledDecimal(const std::string& text, uint8_t scale);

}  // namespace jet

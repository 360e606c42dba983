#pragma once
// Jet 3 keeps text as single bytes of the database's code page. Code page 1252 text reads
// and writes back byte for byte (its five unassigned bytes included); in other code pages a
// byte the code page leaves undefined does not, nor does text of a code page the writer
// cannot write, so the stored bytes must be compared, not the text.

#include <vector>

#include "jet/format/TableDef.h"
#include "jet/format/Value.h"
#include "jet/read/Database.h"
#include "jet/read/TableReader.h"

namespace jet {

// kUnsupported when a text or memo value of `row` (decoded into `values`) would not be
// stored again as the same bytes.
Status CheckSingleByteText(Database& db, const TableDef& def, const RowRecord& row,
                           const std::vector<Value>& values);

}  // namespace jet

#pragma once
// Edits a repair makes to a table definition it otherwise carries over byte for byte: the
// row count of what was saved, and indexes left out (an index whose keys cannot be known
// exactly, or whose part of the definition is damaged). The definition is handled as one
// run of bytes, continuation pages without their header.

#include <cstdint>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/TableDef.h"

namespace jet {

// Takes the real indexes whose `keep_real` is false out of `flat`, with every logical index
// on them (their entries and names), and shortens the stored length. The logical indexes
// kept keep their numbers. Returns `def` as the edited bytes now read. kCorrupt when the
// index part cannot be located.
Result<TableDef> RemoveIndexes(std::vector<uint8_t>& flat, const Layout& layout, const TableDef& def,
                               const std::vector<bool>& keep_real);

// The definition with its whole index part cut away, for one whose index part is damaged:
// the header with no indexes, the columns and their names, and an empty list of long-value
// maps. kCorrupt when not even the columns can be located.
Result<std::vector<uint8_t>> ColumnsOnly(const std::vector<uint8_t>& flat, const Layout& layout);

}  // namespace jet

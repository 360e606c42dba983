#pragma once
// Note: ParseTableDef (jet/TableDef.cpp) now reads these flags from the right place in both
// versions, so RealIndex::flags is already right after ReadTableDef.
// Raw access to a table definition's index sections: where the real-index definitions and
// the logical-index entries start in its bytes (see ReadDefinitionBytes).

#include <optional>
#include <span>
#include <vector>

#include "jet/read/PageSource.h"
#include "jet/format/TableDef.h"

namespace jet {

// Where the index parts of definition bytes start: the real-index definitions, then the
// logical-index entries. kCorrupt when the column names run past the end.
// Where the `count` names stored from `at` on end; nullopt when they run past the end.
std::optional<size_t> SkipNames(std::span<const uint8_t> bytes, const Layout& layout, size_t at, size_t count);

struct IndexSections {
  size_t real_definitions = 0;
  size_t logical_entries = 0;
};
Result<IndexSections> LocateIndexSections(std::span<const uint8_t> bytes, const Layout& layout, size_t columns,
                                          size_t real_indexes);

}  // namespace jet

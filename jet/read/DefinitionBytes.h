#pragma once
// Where the index parts of a table definition start in its bytes (as ReadDefinitionBytes in
// DefinitionPages.h joins them): the real-index definitions, then the logical-index entries,
// for the steps that edit those bytes in place (compaction, repair, row removal).
// ParseTableDef reads every field.

#include <optional>
#include <span>

#include "jet/base/Status.h"
#include "jet/format/TableDef.h"

namespace jet {

// Where the `count` names stored from `at` on end; nullopt when they run past the end.
std::optional<size_t> SkipNames(std::span<const uint8_t> bytes, const Layout& layout, size_t at,
                                size_t count);

// Where the index parts of definition bytes start: the real-index definitions, then the
// logical-index entries. kCorrupt when the column names run past the end.
struct IndexSections {
  size_t real_definitions = 0;
  size_t logical_entries = 0;
};
Result<IndexSections> LocateIndexSections(std::span<const uint8_t> bytes, const Layout& layout,
                                          size_t columns, size_t real_indexes);

}  // namespace jet

#pragma once
// A table definition carried over to a new file byte for byte, with every page it names
// moved: the usage maps of the table, each real index's usage map and root page, the
// related table of relationship indexes, the usage maps of each memo and OLE column, and
// the links between the definition's own pages. The table's row count and each real index's
// count of distinct keys become those of the copy (Access does not keep them exact). Columns,
// deleted-column gaps, types unknown to the engine, index numbers and flags all stay as
// stored.

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "jet/base/WriteBytes.h"
#include "jet/format/TableDef.h"
#include "jet/read/PageSource.h"

namespace jet {

struct MovedDefinition {
  std::vector<uint32_t> pages;  // the definition's pages in the new file, as many as before
  uint32_t used_pages = 0;      // row pointers to the new usage maps
  uint32_t free_pages = 0;
  uint32_t row_count = 0;             // rows copied into the table
  std::vector<uint32_t> index_keys;   // by real index: distinct keys copied into its tree
  std::vector<uint32_t> index_maps;   // by real index
  std::vector<uint32_t> index_roots;  // by real index
  // By column number: the maps of the column's long-value pages and of those with space.
  std::map<uint16_t, std::pair<uint32_t, uint32_t>> long_value_maps;
};

// Moves every page pointer in `flat`, the bytes of definition `def` as one run (continuation
// pages without their header). kCorrupt as below.
Status MoveDefinitionPointers(std::vector<uint8_t>& flat, const Layout& layout, const TableDef& def,
                              const MovedDefinition& to, const std::map<uint32_t, uint32_t>& new_pages);

// The pages of the moved definition, ready to write. `new_pages` gives each table's new
// definition page by its old one. kCorrupt when the definition does not parse or relates
// to a table that is not listed.
Result<std::vector<Bytes>> MoveTableDef(PageSource& source, const TableDef& def, const MovedDefinition& to,
                                        const std::map<uint32_t, uint32_t>& new_pages);

}  // namespace jet

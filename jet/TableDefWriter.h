#pragma once
// Serialises a table definition page: header, row counts of the indexes, column
// descriptors, column names, index definitions and index names.

#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"  // index flag bits
#include "jet/TablePlan.h"

namespace jet {

struct WrittenIndex {
  std::string name;
  std::vector<std::pair<uint16_t, bool>> columns;  // column number, descending
  uint8_t flags = 0;
  bool primary_key = false;
  uint32_t used_pages = 0;  // row pointer to the index's usage map
  uint32_t root_page = 0;
  uint32_t entries = 0;
};

struct WrittenTable {
  const TablePlan* plan = nullptr;
  bool system = false;
  uint32_t rows = 0;
  uint32_t last_auto_number = 0;
  uint32_t used_pages = 0;  // row pointer to the usage map of data pages
  uint32_t free_pages = 0;  // row pointer to the usage map of pages with free space
  std::vector<WrittenIndex> indexes;
};

// The page bytes. Errors: kUnsupported when the definition does not fit one page.
Result<Bytes> BuildTableDef(const Layout& layout, const WrittenTable& table);

}  // namespace jet

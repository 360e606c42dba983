#pragma once
// Serialises a table definition: header, row counts of the indexes, column descriptors,
// column names, index definitions and index names. A definition longer than one page goes
// on as Access continues it: each page names the next one, and each continuation page has
// an 8-byte header of its own before the definition's bytes carry on where they stopped.

#include <string>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/TableDef.h"  // index flag bits
#include "jet/write/PageAllocator.h"
#include "jet/write/TablePlan.h"

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

// The page bytes of a definition that fits one page. Errors: kUnsupported when it does not
// (WriteTableDef below writes any length).
Result<Bytes> BuildTableDef(const Layout& layout, const WrittenTable& table);

// Writes the definition on `first_page` and, when it is longer than one page, on further
// pages reserved from `allocator`.
Status WriteTableDef(PageAllocator& allocator, uint32_t first_page, const WrittenTable& table);

// Pages that definition bytes of `definition_size` take.
size_t TableDefPageCount(const Layout& layout, size_t definition_size);
// Splits definition bytes onto pages: the first page, then one per page of
// `continuation_pages`, each linked to the next.
std::vector<Bytes> LayOutTableDef(const Layout& layout, const Bytes& definition,
                                  std::span<const uint32_t> continuation_pages);

}  // namespace jet

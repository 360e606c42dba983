#pragma once
// A table definition as stored on its definition page(s): columns (including the positions
// of deleted ones), real indexes (the B-trees) and logical indexes (the named indexes that
// share them), plus the pointers to the table's usage maps. See docs/jet-format.md.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/Format.h"

namespace jet {

struct ColumnDef {
  std::string name;
  ColumnType type = ColumnType::kText;
  uint16_t number = 0;        // column id; stays stable when other columns are deleted
  uint16_t row_number = 0;    // bit in the null mask
  uint16_t var_index = 0;     // slot among the variable-length columns
  uint16_t fixed_offset = 0;  // offset in the fixed area (after the column count)
  uint16_t length = 0;        // bytes (fixed columns) or maximum bytes (text)
  uint8_t flags = 0;
  uint8_t precision = 0;   // numeric
  uint8_t scale = 0;       // numeric
  uint16_t collation = 0;  // text: sort order / code page field

  bool fixed() const { return (flags & kColumnFixedLength) != 0; }
  bool IsLongValue() const { return type == ColumnType::kMemo || type == ColumnType::kOle; }
};

struct IndexColumn {
  uint16_t column_number = 0;
  bool ascending = true;
};

struct RealIndex {
  uint32_t number = 0;
  uint32_t key_count = 0;  // distinct keys, as Access last counted them (not kept exact)
  std::vector<IndexColumn> columns;
  uint32_t used_pages = 0;  // row pointer to the index's usage map
  uint32_t root_page = 0;   // first page of the B-tree
  uint8_t flags = 0;        // 0x01 unique, 0x02 ignore nulls, 0x08 required
};

struct LogicalIndex {
  std::string name;
  uint32_t number = 0;
  uint32_t real_index = 0;  // which RealIndex holds the entries
  uint8_t kind = 0;         // 1 primary key, 2 foreign key (relationship), 0 plain
  uint32_t related_table_page = 0;
  uint32_t related_index = 0;
  bool cascade_updates = false;
  bool cascade_deletes = false;
};

constexpr uint8_t kIndexUnique = 0x01;
constexpr uint8_t kIndexIgnoreNulls = 0x02;
constexpr uint8_t kIndexRequired = 0x08;
constexpr uint8_t kLogicalIndexPrimary = 1;
constexpr uint8_t kLogicalIndexForeign = 2;

struct TableDef {
  uint32_t page = 0;            // first definition page
  std::vector<uint32_t> pages;  // all definition pages, first included
  uint32_t row_count = 0;
  uint32_t next_autonumber = 0;
  uint8_t table_type = 0;  // 0x53 'S' system table, 0x4e 'N' user table
  uint16_t max_columns = 0;
  uint16_t var_column_count = 0;
  uint32_t logical_index_count = 0;
  uint32_t real_index_count = 0;
  uint32_t used_pages = 0;         // row pointer to the usage map of data pages
  uint32_t free_pages = 0;         // row pointer to the usage map of pages with free space
  std::vector<ColumnDef> columns;  // in stored order (by column number)
  std::vector<RealIndex> real_indexes;
  std::vector<LogicalIndex> indexes;

  const ColumnDef* FindColumn(const std::string& name) const;
  const ColumnDef* FindColumnByNumber(uint16_t number) const;
};

// Parses the concatenated definition bytes (first page whole, continuation pages without
// their 8-byte header). Every offset is checked; damage gives kCorrupt.
Result<TableDef> ParseTableDef(std::span<const uint8_t> bytes, const Layout& layout, uint16_t code_page);

}  // namespace jet

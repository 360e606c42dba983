#pragma once
// Where each column of a table being written lives: its number, whether it sits in the
// fixed area of a row (and at which offset) or among the variable-length values.

#include <cstdint>
#include <vector>

#include "jet/base/Status.h"
#include "jet/write/TableDesign.h"

namespace jet {

struct ColumnPlan {
  ColumnDesign design;
  uint16_t number = 0;
  bool fixed = false;
  uint16_t fixed_offset = 0;   // within the fixed area, after the column count
  uint16_t fixed_size = 0;     // bytes in the fixed area (Boolean: 0, it lives in the null mask)
  uint16_t var_index = 0;      // position among variable-length columns
  uint16_t stored_length = 0;  // the length written in the table definition
};

struct TablePlan {
  std::vector<ColumnPlan> columns;
  uint16_t fixed_area = 0;
  uint16_t var_count = 0;
  uint16_t code_page = 1252;  // Jet 3 text and names
};

// Checks the design (names, lengths, types, index columns) and lays the columns out.
Result<TablePlan> PlanTable(const TableDesign& design, const Layout& layout);

// The longest binary column a table of this version may have: 510 bytes in Jet 4, 255 in Jet 3.
uint16_t MaxBinaryLength(const Layout& layout);

// The column index of `name` in `plan`, or -1.
int FindColumn(const TablePlan& plan, const std::string& name);

}  // namespace jet

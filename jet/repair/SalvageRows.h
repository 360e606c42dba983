#pragma once
// Reading rows out of damaged data pages. A row is kept when its place in the page's row
// table is sound (inside the page, after the row table, not overlapping its neighbour, in
// the part of the page the file still holds) and its bytes split into columns; otherwise it
// is dropped and reported. A memo or OLE value is cut where its chain breaks, or emptied
// when nothing of it can be read; both are reported.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "jet/format/TableDef.h"
#include "jet/format/Value.h"
#include "jet/repair/RepairReport.h"
#include "jet/repair/SalvageSource.h"

namespace jet {

struct SalvagedRow {
  uint32_t page = 0;
  uint8_t slot = 0;
  std::vector<Value> values;  // follow def.columns
};

// The rows of one page whose place is sound: (slot, start, end). `present` is the number of
// the page's bytes the file holds. Rows that are dropped go to `dropped` as (slot, why).
struct RowPlace {
  uint16_t slot = 0;
  uint16_t start = 0;
  uint16_t end = 0;
  bool moved = false;  // moved here from a slot elsewhere, which should point to it
};
std::vector<RowPlace> SoundRowPlaces(std::span<const uint8_t> page, size_t present, const Layout& layout,
                                     std::vector<std::pair<uint16_t, std::string>>& dropped);

// Hands every readable live row of table `def` (named `table`) to `take`, page by page in
// page order. Errors only from `take` and from reading the file.
Status SalvageRows(SalvageSource& source, const TableDef& def, const std::string& table, RepairReport& report,
                   const std::function<Status(SalvagedRow&&)>& take);

// What could be read of one long value.
struct SalvagedLongValue {
  std::vector<uint8_t> bytes;
  bool whole = true;  // false: cut short, or (with empty bytes) nothing readable
  std::string why;    // where it broke
};
SalvagedLongValue SalvageLongValue(SalvageSource& source, std::span<const uint8_t> field);

}  // namespace jet

#pragma once
// The rows of one table as the check found them, for the index check that follows.

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

namespace jet {

struct TableRows {
  std::vector<uint32_t> live;             // row pointers (page << 8 | slot) of live rows, ascending
  std::map<uint32_t, uint32_t> forwards;  // slot left by a moved row -> the row's new place
  bool complete = true;                   // false when damage hid some rows

  // Where `pointer` sits in `live`, or live.size() when it is not a live row.
  size_t Position(uint32_t pointer) const {
    auto at = std::lower_bound(live.begin(), live.end(), pointer);
    return at != live.end() && *at == pointer ? static_cast<size_t>(at - live.begin()) : live.size();
  }
};

}  // namespace jet

#pragma once
// The rows of one table as the check found them, for the index check that follows.

#include <cstdint>
#include <map>
#include <set>

namespace jet {

struct TableRows {
  std::set<uint32_t> live;                  // row pointers (page << 8 | slot) of live rows
  std::map<uint32_t, uint32_t> forwards;    // slot left by a moved row -> the row's new place
  bool complete = true;                     // false when damage hid some rows
};

}  // namespace jet

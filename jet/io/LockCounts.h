#pragma once
// The locks one process holds on one file, counted by kind, and the rules between them
// (FileLock.h), which each system's lock table keeps alike.

#include "jet/io/FileLock.h"

namespace jet {

struct LockCounts {
  int shared = 0;
  int exclusive = 0;
  int holds = 0;

  int& CountOf(LockMode mode) {
    switch (mode) {
      case LockMode::kShared:
        return shared;
      case LockMode::kExclusive:
        return exclusive;
      case LockMode::kHold:
        break;
    }
    return holds;
  }
  int Total() const { return shared + exclusive + holds; }
  bool Empty() const { return Total() == 0; }
  // kShared excludes kExclusive; kExclusive excludes kShared and kExclusive; kHold excludes
  // nothing in this process.
  bool Allows(LockMode mode) const {
    switch (mode) {
      case LockMode::kShared:
        return exclusive == 0;
      case LockMode::kExclusive:
        return shared == 0 && exclusive == 0;
      case LockMode::kHold:
        break;
    }
    return true;
  }
};

}  // namespace jet

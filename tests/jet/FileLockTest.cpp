// The one lock family: which locks go together inside one process, and that the process
// never counts its own as someone else's. Across processes: PosixFileLockTest.cpp (a forked
// child) and WindowsFileLockTest.cpp (a Windows program holding the file).
#include "tests/jet/FileLockTest.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

TEST_F(FileLockTest, LocksOfOneProcessGoTogetherByTheirRules) {
  auto allowed = [](LockMode first, LockMode second) {
    if (first == LockMode::kHold || second == LockMode::kHold) return true;
    return first == LockMode::kShared && second == LockMode::kShared;
  };
  for (LockMode first : kModes) {
    for (LockMode second : kModes) {
      SCOPED_TRACE(std::to_string(static_cast<int>(first)) + "," + std::to_string(static_cast<int>(second)));
      auto held = LockPath(path_, first);
      ASSERT_TRUE(held.ok());
      auto next = LockPath(path_, second);
      EXPECT_EQ(next.ok(), allowed(first, second));
      if (!next.ok()) {
        EXPECT_EQ(next.status().kind(), ErrorKind::kInUse);
      }
      EXPECT_EQ(LockedByOthers(path_), ForeignLock::kNone) << "this process's own locks counted";
    }
  }
  EXPECT_TRUE(LockPath(path_, LockMode::kExclusive).ok()) << "a lock outlived its owner";
}

TEST_F(FileLockTest, TheLastSharedUserAloneMayTurnExclusive) {
  auto first = LockPath(path_, LockMode::kShared);
  auto second = LockPath(path_, LockMode::kShared);
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_FALSE((*first)->TryMakeExclusive());
  second->reset();
  EXPECT_TRUE((*first)->TryMakeExclusive());
  EXPECT_FALSE(LockPath(path_, LockMode::kShared).ok());
}

}  // namespace
}  // namespace jet

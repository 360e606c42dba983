// The lock family across processes on POSIX systems: a forked child is another process,
// and what a process sees of the others' locks.
#include <gtest/gtest.h>

#include "tests/jet/FileLockTest.h"
#include "tests/platform/OtherProcess.h"

namespace jet {
namespace {

TEST_F(FileLockTest, AnotherProcessOnlySharesAShared) {
  for (LockMode first : kModes) {
    auto held = LockPath(path_, first);
    ASSERT_TRUE(held.ok());
    for (LockMode second : kModes) {
      SCOPED_TRACE(std::to_string(static_cast<int>(first)) + "," + std::to_string(static_cast<int>(second)));
      const std::string path = path_;
      tav::testing::OtherProcess other([path, second]() -> std::function<void()> {
        auto lock = std::make_shared<Result<std::unique_ptr<FileLock>>>(LockPath(path, second));
        if (!lock->ok()) throw 1;
        return [lock] {};
      });
      EXPECT_EQ(other.Ok(), first == LockMode::kShared && second == LockMode::kShared);
      if (other.Ok()) {
        EXPECT_EQ(LockedByOthers(path_), ForeignLock::kSome);
      }
    }
  }
  // What this process sees of another's lock, and that it is gone with the process.
  const std::string path = path_;
  for (LockMode mode : kModes) {
    tav::testing::OtherProcess other([path, mode]() -> std::function<void()> {
      auto lock = std::make_shared<Result<std::unique_ptr<FileLock>>>(LockPath(path, mode));
      if (!lock->ok()) throw 1;
      return [lock] {};
    });
    ASSERT_TRUE(other.Ok());
    EXPECT_EQ(LockedByOthers(path_),
              mode == LockMode::kShared ? ForeignLock::kSome : ForeignLock::kExclusive);
    EXPECT_FALSE(LockPath(path_, LockMode::kExclusive).ok());
    other.Release();
    EXPECT_EQ(LockedByOthers(path_), ForeignLock::kNone);
  }
}

}  // namespace
}  // namespace jet

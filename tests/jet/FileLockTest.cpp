// The one lock family: which locks go together inside one process and across processes
// (a forked child is another process), and what a process sees of the others' locks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "jet/io/FileLock.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/platform/OtherProcess.h"

namespace jet {
namespace {

constexpr LockMode kModes[] = {LockMode::kShared, LockMode::kExclusive, LockMode::kHold};

Result<std::unique_ptr<FileLock>> Lock(const std::string& path, LockMode mode) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  auto lock = LockOpenFile(fd, mode, path);
  ::close(fd);
  return lock;
}

ForeignLock Seen(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const ForeignLock seen = LockedByOthers(fd);
  ::close(fd);
  return seen;
}

class FileLockTest : public ::testing::Test {
 protected:
  void SetUp() override { std::ofstream(path_) << "data"; }
  testing::TempDir dir_;
  std::string path_ = (dir_.path() / "list.mdb").string();
};

TEST_F(FileLockTest, LocksOfOneProcessGoTogetherByTheirRules) {
  auto allowed = [](LockMode first, LockMode second) {
    if (first == LockMode::kHold || second == LockMode::kHold) return true;
    return first == LockMode::kShared && second == LockMode::kShared;
  };
  for (LockMode first : kModes) {
    for (LockMode second : kModes) {
      SCOPED_TRACE(std::to_string(static_cast<int>(first)) + "," + std::to_string(static_cast<int>(second)));
      auto held = Lock(path_, first);
      ASSERT_TRUE(held.ok());
      auto next = Lock(path_, second);
      EXPECT_EQ(next.ok(), allowed(first, second));
      if (!next.ok()) {
        EXPECT_EQ(next.status().kind(), ErrorKind::kInUse);
      }
      EXPECT_EQ(Seen(path_), ForeignLock::kNone) << "this process's own locks counted";
    }
  }
  EXPECT_TRUE(Lock(path_, LockMode::kExclusive).ok()) << "a lock outlived its owner";
}

TEST_F(FileLockTest, AnotherProcessOnlySharesAShared) {
  for (LockMode first : kModes) {
    auto held = Lock(path_, first);
    ASSERT_TRUE(held.ok());
    for (LockMode second : kModes) {
      SCOPED_TRACE(std::to_string(static_cast<int>(first)) + "," + std::to_string(static_cast<int>(second)));
      const std::string path = path_;
      tav::testing::OtherProcess other([path, second]() -> std::function<void()> {
        auto lock = std::make_shared<Result<std::unique_ptr<FileLock>>>(Lock(path, second));
        if (!lock->ok()) throw 1;
        return [lock] {};
      });
      EXPECT_EQ(other.Ok(), first == LockMode::kShared && second == LockMode::kShared);
      if (other.Ok()) {
        EXPECT_EQ(Seen(path_), ForeignLock::kSome);
      }
    }
  }
  // What this process sees of another's lock, and that it is gone with the process.
  const std::string path = path_;
  for (LockMode mode : kModes) {
    tav::testing::OtherProcess other([path, mode]() -> std::function<void()> {
      auto lock = std::make_shared<Result<std::unique_ptr<FileLock>>>(Lock(path, mode));
      if (!lock->ok()) throw 1;
      return [lock] {};
    });
    ASSERT_TRUE(other.Ok());
    EXPECT_EQ(Seen(path_), mode == LockMode::kShared ? ForeignLock::kSome : ForeignLock::kExclusive);
    EXPECT_FALSE(Lock(path_, LockMode::kExclusive).ok());
    other.Release();
    EXPECT_EQ(Seen(path_), ForeignLock::kNone);
  }
}

TEST_F(FileLockTest, TheLastSharedUserAloneMayTurnExclusive) {
  auto first = Lock(path_, LockMode::kShared);
  auto second = Lock(path_, LockMode::kShared);
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_FALSE((*first)->TryMakeExclusive());
  second->reset();
  EXPECT_TRUE((*first)->TryMakeExclusive());
  EXPECT_FALSE(Lock(path_, LockMode::kShared).ok());
}

}  // namespace
}  // namespace jet

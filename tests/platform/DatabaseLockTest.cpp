#include <gtest/gtest.h>

#include "platform/base/VbError.h"
#include "platform/dao/DatabaseLock.h"
#include "platform/files/FileSystem.h"
#include "platform/host/WinPath.h"
#include "tests/platform/OtherProcess.h"
#include "tests/support/TempFolder.h"

namespace tav {
namespace {

using testing::OtherProcess;
using testing::TempFolder;

class DatabaseLockTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::WriteBytes(db_, testing::PatternBytes(4096)); }

  // A child process that holds the database open, shared.
  std::unique_ptr<OtherProcess> HeldElsewhere() {
    return std::make_unique<OtherProcess>([this]() -> std::function<void()> {
      auto lock = std::make_shared<LockOutcome>(DatabaseLock::Acquire(db_, jet::LockMode::kShared));
      if (!lock->lock) throw 1;
      return [lock] { lock->lock->Release(); };
    });
  }

  TempFolder dir_;
  std::filesystem::path db_ = dir_ / "list.mdb";
  std::filesystem::path ldb_ = dir_ / "list.ldb";
};

// The one rule of the cycle's lock-file step (LockFileName.h), beside the database's file.
TEST_F(DatabaseLockTest, LockFileNames) {
  EXPECT_EQ(LockFilePath("/d/list.mdb"), std::filesystem::path("/d/list.ldb"));
  EXPECT_EQ(LockFilePath("/d/LIST.MDB"), std::filesystem::path("/d/LIST.ldb"));
  EXPECT_EQ(LockFilePath("/d.x/a.b.mdb"), std::filesystem::path("/d.x/a.b.ldb"));
  EXPECT_EQ(LockFilePath("/d/x.mdbx"), std::filesystem::path("/d/x.ldbx"));
  EXPECT_EQ(LockFilePath("/d/db123.bak"), std::nullopt);
  EXPECT_EQ(LockFilePath("/d/list.ldb"), std::nullopt);
}

TEST_F(DatabaseLockTest, SharedOpensShareOneLockFileWhichTheLastCloseRemoves) {
  auto first = DatabaseLock::Acquire(db_, jet::LockMode::kShared);
  ASSERT_EQ(first.failure, ClaimFailure::kNone);
  EXPECT_TRUE(std::filesystem::exists(ldb_));
  auto second = DatabaseLock::Acquire(db_, jet::LockMode::kShared);
  ASSERT_EQ(second.failure, ClaimFailure::kNone);
  first.lock->Release();
  EXPECT_TRUE(std::filesystem::exists(ldb_)) << "removed while still in use";
  second.lock->Release();
  EXPECT_FALSE(std::filesystem::exists(ldb_));
}

TEST_F(DatabaseLockTest, KillFileRefusesALockFileHeldByAnotherProcess) {
  auto other = HeldElsewhere();
  ASSERT_TRUE(other->Ok());
  ASSERT_TRUE(std::filesystem::exists(ldb_));
  try {
    KillFile(WindowsPath(ldb_));
    FAIL() << "deleted a lock file in use";
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), 70);
    EXPECT_EQ(e.Description(), "Permission denied");
  }
  EXPECT_TRUE(std::filesystem::exists(ldb_));
  EXPECT_THROW(KillFile(WindowsPath(db_)), VbError) << "deleted a database open elsewhere";
  EXPECT_TRUE(std::filesystem::exists(db_));
  other->Release();

  // A stale lock file that nobody holds goes.
  testing::WriteBytes(ldb_, {'x'});
  KillFile(WindowsPath(ldb_));
  EXPECT_FALSE(std::filesystem::exists(ldb_));
}

TEST_F(DatabaseLockTest, MissingFilesAndFolders) {
  EXPECT_EQ(DatabaseLock::Acquire(dir_ / "none.mdb", jet::LockMode::kShared).failure,
            ClaimFailure::kNotFound);
  EXPECT_EQ(DatabaseLock::Acquire(dir_ / "no" / "none.mdb", jet::LockMode::kShared).failure,
            ClaimFailure::kNotFound);
  EXPECT_EQ(DatabaseLock::Acquire(dir_.path(), jet::LockMode::kShared).failure, ClaimFailure::kNotFound);
}

}  // namespace
}  // namespace tav

// Whether another program uses a database: every way a Linux process or Wine's server can
// have the database or its lock file, against what this process itself holds.

#include <gtest/gtest.h>

#include "platform/base/VbError.h"
#include "platform/dao/DatabaseLock.h"
#include "platform/dao/DatabaseUse.h"
#include "platform/files/FileSystem.h"
#include "platform/host/WinPath.h"
#include "tests/platform/HeldFile.h"
#include "tests/support/TempFolder.h"

namespace tav {
namespace {

using testing::Holding;

class DatabaseUseTest : public ::testing::TestWithParam<Holding> {
 protected:
  void SetUp() override {
    testing::WriteBytes(db_, testing::PatternBytes(4096));
    testing::WriteBytes(ldb_, {'l', 'd', 'b'});
  }

  testing::TempFolder dir_;
  std::filesystem::path db_ = dir_ / "list.mdb";
  std::filesystem::path ldb_ = dir_ / "list.ldb";
};

TEST_P(DatabaseUseTest, TheDatabaseOrItsLockFileHeldElsewhereIsInUse) {
  for (const auto& held : {db_, ldb_}) {
    SCOPED_TRACE(held.filename());
    auto other = testing::HoldElsewhere(held, GetParam());
    ASSERT_TRUE(other->Ok());
    EXPECT_EQ(UseOf(db_), DatabaseUse::kInUse);
    for (jet::LockMode mode : {jet::LockMode::kShared, jet::LockMode::kExclusive, jet::LockMode::kHold})
      EXPECT_EQ(ClaimDatabase(db_, mode).failure, ClaimFailure::kInUse) << static_cast<int>(mode);
    EXPECT_THROW(KillFile(WindowsPath(held)), VbError);
    EXPECT_TRUE(std::filesystem::exists(held));
    other->Release();
    EXPECT_EQ(UseOf(db_), DatabaseUse::kFree);
  }
}

INSTANTIATE_TEST_SUITE_P(Holdings, DatabaseUseTest,
                         ::testing::Values(Holding::kOpenOnly, Holding::kReadLock, Holding::kByteLock,
                                           Holding::kFlock),
                         [](const auto& p) { return testing::HoldingName(p.param); });

// This process's own opens and locks never count, whatever it holds.
TEST_F(DatabaseUseTest, WhatThisProcessHoldsDoesNotCount) {
  auto shared = DatabaseLock::Acquire(db_, jet::LockMode::kShared);
  ASSERT_EQ(shared.failure, ClaimFailure::kNone);
  auto hold = DatabaseLock::Acquire(db_, jet::LockMode::kHold);
  ASSERT_EQ(hold.failure, ClaimFailure::kNone);
  EXPECT_EQ(UseOf(db_), DatabaseUse::kFree);
  // ... but its own rules between its opens still hold.
  EXPECT_EQ(ClaimDatabase(db_, jet::LockMode::kExclusive).failure, ClaimFailure::kInUse);
  shared.lock.reset();
  EXPECT_EQ(ClaimDatabase(db_, jet::LockMode::kExclusive).failure, ClaimFailure::kNone);

  // A process holding some other file changes nothing.
  testing::WriteBytes(dir_ / "other.mdb", {'x'});
  auto unrelated = testing::HoldElsewhere(dir_ / "other.mdb", Holding::kReadLock);
  ASSERT_TRUE(unrelated->Ok());
  EXPECT_EQ(UseOf(db_), DatabaseUse::kFree);
  EXPECT_EQ(UseOf(dir_ / "missing.mdb"), DatabaseUse::kFree);
}

// The hold and the exclusive open of another instance of this program are told apart:
// the engine then names the database as opened exclusively.
TEST_F(DatabaseUseTest, AnotherProgramsExclusiveUseIsToldApart) {
  for (jet::LockMode mode : {jet::LockMode::kExclusive, jet::LockMode::kHold}) {
    const std::filesystem::path db = db_;
    testing::OtherProcess other([db, mode]() -> std::function<void()> {
      auto lock = std::make_shared<LockOutcome>(DatabaseLock::Acquire(db, mode));
      if (!lock->lock) throw 1;
      return [lock] { lock->lock.reset(); };
    });
    ASSERT_TRUE(other.Ok());
    EXPECT_EQ(UseOf(db_), DatabaseUse::kHeldExclusively);
    EXPECT_EQ(ClaimDatabase(db_, jet::LockMode::kShared).failure, ClaimFailure::kHeldExclusively);
  }
}

}  // namespace
}  // namespace tav

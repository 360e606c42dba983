// DBEngine.RepairDatabase on damaged files: a repairable file is mended in place and opens
// again; one that another process holds is refused with 3045 and left alone; one that cannot
// be repaired gives a positive number and a description of what is lost, the file unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "platform/base/VbError.h"
#include "platform/dao/DaoErrors.h"
#include "platform/dao/DatabaseLock.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/host/WinPath.h"
#include "tests/platform/OtherProcess.h"
#include "tests/support/TempFolder.h"

namespace tav {
namespace {

using testing::OtherProcess;
using testing::TempFolder;

const std::filesystem::path kFixture =
    std::filesystem::path(TAVIMER_FIXTURES_DIR) / "jet" / "jet4" / "indexTestV2000.mdb";

class RepairEngineTest : public ::testing::Test {
 protected:
  // A copy of the fixture with its last page cut in half; returns its Windows path.
  std::string CutCopy() {
    std::filesystem::copy_file(kFixture, host_);
    std::filesystem::permissions(host_,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::resize_file(host_, std::filesystem::file_size(host_) - 2048);
    return WindowsPath(host_);
  }

  // The error a repair gives, or a number 0 error for success.
  VbError RepairError(const std::string& path) {
    try {
      engine_->RepairDatabase(path);
    } catch (const VbError& e) {
      return e;
    }
    return VbError(0, "", "");
  }

  TempFolder dir_;
  std::filesystem::path host_ = dir_ / "list.mdb";
  std::unique_ptr<DaoEngine> engine_ = MakeJetDaoEngine();
};

TEST_F(RepairEngineTest, ACutFileIsRepairedInPlaceAndOpensAgain) {
  const std::string path = CutCopy();
  EXPECT_EQ(RepairError(path).Number(), 0);
  EXPECT_EQ(std::filesystem::file_size(host_) % 4096, 0u);
  EXPECT_NO_THROW(engine_->Workspaces(0).OpenDatabase(path));
  EXPECT_EQ(RepairError(path).Number(), 0) << "a repaired file needs no more repair";
}

TEST_F(RepairEngineTest, AFileAnotherProcessHoldsIsRefusedAndLeftAlone) {
  const std::string path = CutCopy();
  const auto before = testing::ReadBytes(host_);
  {
    const std::filesystem::path held = host_;
    OtherProcess other([held]() -> std::function<void()> {
      auto outcome = std::make_shared<LockOutcome>(DatabaseLock::Acquire(held, jet::LockMode::kShared));
      if (outcome->failure != ClaimFailure::kNone) throw std::runtime_error("no lock");
      return [outcome] { outcome->lock.reset(); };
    });
    ASSERT_TRUE(other.Ok());
    const VbError refused = RepairError(path);
    EXPECT_EQ(refused.Number(), kErrFileInUse);
    EXPECT_FALSE(refused.Description().empty());
    EXPECT_EQ(testing::ReadBytes(host_), before);
  }
  EXPECT_EQ(RepairError(path).Number(), 0) << "once released, the file can be repaired";
}

TEST_F(RepairEngineTest, WhatCannotBeRepairedIsDescribedAndTheFileStaysAsItWas) {
  const std::string path = CutCopy();
  auto bytes = testing::ReadBytes(host_);
  std::fill(bytes.begin() + 2 * 4096, bytes.begin() + 3 * 4096, 'x');
  testing::WriteBytes(host_, bytes);
  const VbError failed = RepairError(path);
  EXPECT_GT(failed.Number(), 0);
  EXPECT_NE(failed.Description().find("catalog"), std::string::npos) << failed.Description();
  EXPECT_NE(failed.Description().find("lost"), std::string::npos) << failed.Description();
  EXPECT_EQ(testing::ReadBytes(host_), bytes);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1u) << "no temporary file is left";
}

}  // namespace
}  // namespace tav

// Compaction and repair with each call of the file layer failing in turn, over Jet 3 and
// Jet 4: every run before the last gets its injected failure back as an error, the source
// stays byte for byte as it was, and no destination or temporary file is left behind. The
// one call that comes after repair's rename, the flush of the folder, is reported as a
// warning of a repair that has happened.
#include <gtest/gtest.h>

#include <filesystem>

#include "jet/compact/Compactor.h"
#include "jet/io/FileSystem.h"
#include "jet/read/Database.h"
#include "jet/repair/Repairer.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/RepairTestSupport.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;

enum class Operation { kCompact, kRepair };

struct Case {
  Operation operation;
  const char* fixture;
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name =
      std::string(info.param.operation == Operation::kCompact ? "Compact_" : "Repair_") + info.param.fixture;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// The outcome of one run; `warning` is a repair's note that it could not flush the folder.
struct Outcome {
  Status status;
  std::string warning;
};

class FileLayerFault : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    source_ = dir_.CopyFixture(GetParam().fixture);
    if (GetParam().operation == Operation::kRepair) {
      // Cut inside the last page: the file is damaged and gets repaired.
      testing::Truncate(source_, fs::file_size(source_) - 1000);
    }
    before_ = ReadBytes(source_);
    listing_ = testing::FolderListing(dir_.path().string());
  }

  Outcome Run(FileSystem& files) {
    if (GetParam().operation == Operation::kRepair) {
      auto report = RepairDatabase(source_, {}, files);
      if (!report.ok()) return {report.status(), ""};
      EXPECT_TRUE(report->repaired);
      return {Status::Ok(), report->unsynced};
    }
    auto db = Database::OpenPath(source_, {.password = testing::FixturePassword(GetParam().fixture)}, files);
    if (!db.ok()) return {db.status(), ""};
    return {CompactToPath(**db, (dir_.path() / "compacted.mdb").string(), files).status(), ""};
  }

  // Puts the source back as it was before a run that changed it.
  void Restore() {
    fs::remove(source_);
    dir_.Write(fs::path(source_).filename().string(), before_);
  }

  testing::TempDir dir_;
  std::string source_;
  std::vector<uint8_t> before_;
  std::set<std::string> listing_;
};

TEST_P(FileLayerFault, EachCallFailingFailsCleanly) {
  FaultyFileSystem clean(SystemFileSystem(), -1);
  const Outcome done = Run(clean);
  ASSERT_TRUE(done.status.ok()) << done.status.ToString();
  const size_t calls = clean.calls().size();
  ASSERT_GT(calls, 10u);
  Restore();
  for (const std::string& name : testing::FolderListing(dir_.path().string())) {
    if (listing_.count(name) == 0) fs::remove(dir_.path() / name);
  }

  size_t after_rename = 0;
  for (size_t at = 0; at < calls; ++at) {
    FaultyFileSystem faulty(SystemFileSystem(), static_cast<int64_t>(at));
    const Outcome outcome = Run(faulty);
    ASSERT_TRUE(faulty.failed().has_value()) << "call " << at << " was never made";
    const std::string failed = faulty.failed()->ToString();
    SCOPED_TRACE("failing call " + std::to_string(at) + ": " + failed);
    if (outcome.status.ok() && faulty.failed()->call == FileCall::kSyncFolder) {
      EXPECT_NE(outcome.warning.find("replaced the original"), std::string::npos) << outcome.warning;
      ++after_rename;
      Restore();
      continue;
    }
    ASSERT_FALSE(outcome.status.ok()) << "the failure was not reported";
    EXPECT_EQ(outcome.status.kind(), ErrorKind::kIo) << outcome.status.ToString();
    EXPECT_NE(outcome.status.ToString().find("injected failure"), std::string::npos)
        << outcome.status.ToString();
    ASSERT_EQ(ReadBytes(source_), before_) << "the source changed";
    ASSERT_EQ(testing::FolderListing(dir_.path().string()), listing_) << "a file was left behind";
  }
  EXPECT_EQ(after_rename, GetParam().operation == Operation::kRepair ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Sweep, FileLayerFault,
                         ::testing::Values(Case{Operation::kCompact, "jet3/delTestV1997.mdb"},
                                           Case{Operation::kCompact, "jet4/delTestV2003.mdb"},
                                           Case{Operation::kRepair, "jet3/testV1997.mdb"},
                                           Case{Operation::kRepair, "jet4/indexTestV2000.mdb"}),
                         CaseName);

}  // namespace
}  // namespace jet

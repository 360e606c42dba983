// Compaction and repair with each call of the file layer failing in turn, over Jet 3 and
// Jet 4: every run before the last gets its injected failure back as an error, the source
// stays byte for byte as it was, and no destination or temporary file is left behind. The
// one call that comes after repair's rename, the flush of the folder, is reported as a
// warning of a repair that has happened. Then the power-cut model of CrashingFileSystem,
// which the whole-run power-cut test relies on.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "jet/compact/Compactor.h"
#include "jet/io/CrashingFileSystem.h"
#include "jet/io/FileSystem.h"
#include "jet/read/Database.h"
#include "jet/repair/Repairer.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/RepairTestSupport.h"
#include "tests/support/TestNames.h"

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
  return tav::testing::TestNameOf(
      std::string(info.param.operation == Operation::kCompact ? "Compact_" : "Repair_") + info.param.fixture);
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
  FaultyFileSystem clean(PosixFileSystem(), -1);
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
    FaultyFileSystem faulty(PosixFileSystem(), static_cast<int64_t>(at));
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

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Text(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return {bytes.begin(), bytes.end()};
}

// After a power cut a file holds what its last sync left, a folder the entries of its last
// flush: unsynced writes, creations, renames and removals are undone; what was there before
// the first call counts as durable. From the cut on, nothing reaches the disk.
TEST(CrashingFileSystemTest, APowerCutKeepsOnlyWhatWasMadeDurable) {
  testing::TempDir dir;
  const std::string folder = dir.path().string();
  const auto at = [&](const std::string& name) { return (dir.path() / name).string(); };
  dir.Write("rewritten", Bytes("before"));
  dir.Write("removed", Bytes("still here"));
  dir.Write("renamed", Bytes("named"));
  dir.Write("synced", Bytes("old"));
  CrashingFileSystem crash(PosixFileSystem(), 15);

  auto rewritten = crash.Open(at("rewritten"), OpenMode::kReadWrite);  // call 0
  ASSERT_TRUE(rewritten.ok());
  ASSERT_TRUE((*rewritten)->Truncate(0).ok());
  ASSERT_TRUE((*rewritten)->WriteAt(0, Bytes("after")).ok());
  auto synced = crash.Open(at("synced"), OpenMode::kReadWrite);  // call 3
  ASSERT_TRUE((*synced)->WriteAt(0, Bytes("new")).ok());
  ASSERT_TRUE((*synced)->Sync().ok());
  ASSERT_TRUE((*synced)->WriteAt(3, Bytes(" and more")).ok());
  auto created = crash.CreateNew(at("created"), 0644);  // call 7
  ASSERT_TRUE((*created)->WriteAt(0, Bytes("data")).ok());
  ASSERT_TRUE((*created)->Sync().ok());
  ASSERT_TRUE(crash.Remove(at("removed")).ok());               // call 10
  ASSERT_TRUE(crash.Rename(at("renamed"), at("moved")).ok());  // call 11
  auto listed = crash.CreateNew(at("listed"), 0644);           // call 12
  ASSERT_TRUE((*listed)->WriteAt(0, Bytes("kept")).ok());
  EXPECT_TRUE(crash.SyncFolder(folder).ok());  // call 14: the removal and the rename are durable too
  EXPECT_FALSE(crash.power_off());
  const Status cut = crash.Remove(at("synced"));  // call 15
  EXPECT_FALSE(cut.ok());
  EXPECT_EQ(cut.kind(), ErrorKind::kIo);
  EXPECT_FALSE((*listed)->Sync().ok());
  EXPECT_TRUE(crash.power_off());
  EXPECT_EQ(crash.ChangedSinceCut(), "");
  rewritten->reset();
  synced->reset();
  created->reset();
  listed->reset();

  ASSERT_TRUE(crash.LoseUnsynced().ok());
  EXPECT_EQ(testing::FolderListing(folder),
            (std::set<std::string>{"listed", "moved", "rewritten", "synced", "created"}));
  EXPECT_EQ(Text(at("rewritten")), "before");
  EXPECT_EQ(Text(at("synced")), "new");
  EXPECT_EQ(Text(at("created")), "data");
  EXPECT_EQ(Text(at("moved")), "named");
  EXPECT_EQ(Text(at("listed")), "") << "its contents were never synced";
}

// Creations, renames and removals that no flush of their folder followed are undone.
TEST(CrashingFileSystemTest, FolderChangesWithoutAFlushAreUndone) {
  testing::TempDir dir;
  const auto at = [&](const std::string& name) { return (dir.path() / name).string(); };
  dir.Write("removed", Bytes("still here"));
  dir.Write("renamed", Bytes("named"));
  CrashingFileSystem crash(PosixFileSystem(), -1);
  auto created = crash.CreateNew(at("created"), 0644);
  ASSERT_TRUE((*created)->WriteAt(0, Bytes("data")).ok());
  ASSERT_TRUE((*created)->Sync().ok());
  created->reset();
  ASSERT_TRUE(crash.Remove(at("removed")).ok());
  ASSERT_TRUE(crash.Rename(at("renamed"), at("moved")).ok());
  ASSERT_TRUE(crash.LoseUnsynced().ok());
  EXPECT_EQ(testing::FolderListing(dir.path().string()), (std::set<std::string>{"removed", "renamed"}));
  EXPECT_EQ(Text(at("removed")), "still here");
  EXPECT_EQ(Text(at("renamed")), "named");
}

// A power cut may keep part of what was not synced: the folders' changes without the files'
// writes, the writes without the folders' changes, or the first half of a file's writes.
TEST(CrashingFileSystemTest, APowerCutMayKeepPartOfWhatWasNotSynced) {
  using Writes = CrashingFileSystem::Loss::Writes;
  for (const auto& [loss, rewritten, listing] :
       {std::tuple{CrashingFileSystem::Loss{false, Writes::kAll}, "before",
                   std::set<std::string>{"moved", "rewritten"}},
        std::tuple{CrashingFileSystem::Loss{true, Writes::kNone}, "aabb",
                   std::set<std::string>{"renamed", "rewritten"}},
        std::tuple{CrashingFileSystem::Loss{true, Writes::kSecondHalf}, "aa",
                   std::set<std::string>{"renamed", "rewritten"}}}) {
    SCOPED_TRACE(rewritten);
    testing::TempDir dir;
    const auto at = [&](const std::string& name) { return (dir.path() / name).string(); };
    dir.Write("rewritten", Bytes("before"));
    dir.Write("renamed", Bytes("named"));
    CrashingFileSystem crash(PosixFileSystem(), -1);
    auto file = crash.Open(at("rewritten"), OpenMode::kReadWrite);
    ASSERT_TRUE((*file)->Truncate(0).ok());
    ASSERT_TRUE((*file)->WriteAt(0, Bytes("aa")).ok());
    ASSERT_TRUE((*file)->WriteAt(2, Bytes("bb")).ok());
    file->reset();
    ASSERT_TRUE(crash.Rename(at("renamed"), at("moved")).ok());
    ASSERT_TRUE(crash.LoseUnsynced(loss).ok());
    EXPECT_EQ(testing::FolderListing(dir.path().string()), listing);
    EXPECT_EQ(Text(at("rewritten")), rewritten);
  }
}

}  // namespace
}  // namespace jet

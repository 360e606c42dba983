// A power cut at every call of the program's file system during a whole run: version 2, the
// main database protected by a password, helper.mdb damaged so that it is repaired first,
// every database with deleted rows to reclaim. The run goes through a CrashingFileSystem
// (jet/io/CrashingFileSystem.h) that cuts the power at call N; everything not made durable is
// then thrown away, as a machine that lost its power finds its disk. Where a copy back was
// under way the same cut is also tried as a kill (everything written stays) and as power cuts
// that keep part of what was not synced (the folders' changes, the files' writes, half of
// them); where a file was created, renamed or removed, one of those in turn. A second run
// follows on the real file system, and then every database holds exactly the rows it held
// before (through our reader at every point, and through mdb-export where a copy back was
// under way or finished, and at the end), checks sound, and the folders hold the databases
// and nothing else.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "jet/io/CrashingFileSystem.h"
#include "jet/repair/Repairer.h"
#include "tests/support/DamagedCopies.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/GeneratedRun.h"
#include "tests/support/ScriptedWindowServices.h"
#include "tests/support/TempFolder.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDamaged = "data/helper.mdb";

// The databases (below `root`) whose copy back was under way when the power went: a record of
// theirs renamed to copying and not yet removed.
std::set<std::string> InCopyBack(const std::vector<jet::RecordedCall>& calls, const fs::path& root) {
  std::set<std::string> open;
  const auto database = [&](const std::string& record, const std::string& suffix) {
    return fs::path(record.substr(0, record.size() - suffix.size())).lexically_relative(root).string();
  };
  for (const jet::RecordedCall& call : calls) {
    if (call.call == jet::FileCall::kRename && call.path.ends_with(".compacting"))
      open.insert(database(call.path, ".compacting"));
    if (call.call == jet::FileCall::kRemove && call.path.ends_with(".copying"))
      open.erase(database(call.path, ".copying"));
  }
  return open;
}

// The sweep is cut into shards, every third call each, so that ctest can run them side by side.
constexpr int64_t kShards = 3;

// What is left on the disk after the cut.
struct Outcome {
  const char* name;
  std::optional<jet::CrashingFileSystem::Loss> loss;  // none: killed, everything stays
};
using Writes = jet::CrashingFileSystem::Loss::Writes;
const Outcome kPowerCut{"power cut", jet::CrashingFileSystem::Loss{}};
const Outcome kOtherOutcomes[] = {
    {"killed", std::nullopt},
    {"power cut that kept the folders' changes", jet::CrashingFileSystem::Loss{false, Writes::kAll}},
    {"power cut that kept the files' writes", jet::CrashingFileSystem::Loss{true, Writes::kNone}},
    {"power cut that kept half of each file's writes",
     jet::CrashingFileSystem::Loss{true, Writes::kSecondHalf}},
    {"power cut that kept the folders' changes and half of the writes",
     jet::CrashingFileSystem::Loss{false, Writes::kSecondHalf}},
};

bool ChangesAFolder(const jet::RecordedCall& call) {
  return call.call == jet::FileCall::kCreate || call.call == jet::FileCall::kRename ||
         call.call == jet::FileCall::kRemove || call.call == jet::FileCall::kSyncFolder;
}

class PowerCutTest : public ::testing::TestWithParam<int64_t> {
 protected:
  void SetUp() override {
    template_ = scratch_ / "template";
    ASSERT_TRUE(PrepareVersion2Run(template_, 20, 0.5));
    CutInsideLastPage(template_ / kDamaged);
    // What the damaged database holds is what repair makes of it: the rows outside the cut
    // page (RepairRunTest shows it); a copy repaired once by the engine is the yardstick.
    const fs::path repaired = scratch_ / "helper-repaired.mdb";
    fs::copy_file(template_ / kDamaged, repaired);
    ASSERT_TRUE(jet::RepairDatabase(repaired.string()).ok());
    for (const char* db : kVersion2Databases) {
      const fs::path reference = db == std::string(kDamaged) ? repaired : template_ / db;
      rows_[db] = ReaderRows(reference, PasswordOf(db));
      exported_[db] = ExportedRows(reference);
    }
    work_ = scratch_ / "Tavimer2";
  }

  // Cuts the power at call `n` of a run, leaving `outcome` on the disk, runs again and checks
  // every database: through our reader always, and through mdb-export the databases whose
  // copy back was under way or was finished by the second run. Notes where the cut came.
  void CutAt(int64_t n, const Outcome& outcome) {
    fs::remove_all(work_);
    fs::copy(template_, work_, fs::copy_options::recursive);
    jet::CrashingFileSystem crash(jet::PosixFileSystem(), n);
    RunVersion2(work_, crash);
    ASSERT_TRUE(crash.power_off()) << "the run made fewer calls than the one counted";
    SCOPED_TRACE("call " + std::to_string(n) + ": " + crash.cut()->ToString() + ", " + outcome.name);
    inCopyBack_ = InCopyBack(crash.calls(), work_);
    changesAFolder_ = ChangesAFolder(*crash.cut());
    EXPECT_EQ(crash.ChangedSinceCut(), "")
        << "a file changed after the power went: not through the file layer";
    if (outcome.loss) {
      EXPECT_TRUE(crash.LoseUnsynced(*outcome.loss).ok());
    }

    std::set<std::string> exported = inCopyBack_;
    for (const auto& box : RunVersion2(work_, jet::PosixFileSystem())) {
      EXPECT_EQ(box.style, 64) << box.text;
      if (box.text.find("An earlier run was interrupted") == std::string::npos) continue;
      for (const char* db : kVersion2Databases) {
        std::string windows = db;
        std::replace(windows.begin(), windows.end(), '/', '\\');
        if (box.text.find(windows + "\"") != std::string::npos) exported.insert(db);
      }
    }
    for (const char* db : kVersion2Databases) {
      SCOPED_TRACE(db);
      EXPECT_EQ(RowsDifference(ReaderRows(work_ / db, PasswordOf(db)), rows_[db]), "");
      EXPECT_EQ(CheckProblems(work_ / db, PasswordOf(db)), std::vector<std::string>{});
      if (exported.count(db) != 0) {
        EXPECT_EQ(RowsDifference(ExportedRows(work_ / db), exported_[db]), "");
        ++exports_;
      }
    }
    for (const auto& entry : fs::recursive_directory_iterator(work_)) {
      if (!entry.is_regular_file()) continue;
      const std::string relative = entry.path().lexically_relative(work_).string();
      EXPECT_TRUE(rows_.count(relative) != 0) << "left behind: " << relative;
    }
  }

  TempFolder scratch_;
  fs::path template_;
  fs::path work_;
  std::map<std::string, TableRows> rows_;
  std::map<std::string, TableRows> exported_;
  std::set<std::string> inCopyBack_;
  bool changesAFolder_ = false;
  int64_t exports_ = 0;
};

TEST_P(PowerCutTest, EveryCallOfAWholeRunLosesNoRow) {
  // A run that is never cut counts the calls, and leaves every database maintained.
  fs::copy(template_, work_, fs::copy_options::recursive);
  jet::CrashingFileSystem counting(jet::PosixFileSystem(), -1);
  for (const auto& box : RunVersion2(work_, counting)) EXPECT_EQ(box.style, 64) << box.text;
  for (const char* db : kVersion2Databases)
    EXPECT_EQ(RowsDifference(ExportedRows(work_ / db), exported_[db]), "") << db;
  const int64_t calls = static_cast<int64_t>(counting.calls().size());
  std::cout << "a whole run makes " << calls << " calls of the file layer\n";

  int64_t cuts = 0;
  int64_t others = 0;
  for (int64_t n = GetParam(); n < calls && !HasFailure(); n += kShards) {
    ++cuts;
    CutAt(n, kPowerCut);
    if (!inCopyBack_.empty()) {
      for (const Outcome& outcome : kOtherOutcomes) {
        CutAt(n, outcome);
        ++others;
      }
    } else if (changesAFolder_) {
      CutAt(n, kOtherOutcomes[static_cast<size_t>(n) % std::size(kOtherOutcomes)]);
      ++others;
    }
  }
  EXPECT_GT(calls, 500);
  EXPECT_GT(others, 40);
  std::cout << "power cut at " << cuts << " of the " << calls << " calls (every " << kShards
            << "rd from call " << GetParam() << "), " << others
            << " more cuts that kept part of what was written; " << exports_
            << " databases read back with mdb-export on the way\n";
}

INSTANTIATE_TEST_SUITE_P(Shards, PowerCutTest, ::testing::Range(int64_t{0}, kShards));

}  // namespace
}  // namespace tav::testing

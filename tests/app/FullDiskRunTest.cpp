// The disk fills up during a whole run with the real engine over a generated version-2
// installation, as it does when another program writes at the same time: while history.mdb
// is copied back, or while it is compacted. The program's file system refuses every write
// from then on with "no space left" (jet::Fault). The database loses nothing, the boxes say
// what happened and where the complete copy is, and once space is freed the next run
// completes the work and leaves nothing of its own behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/RunState.h"
#include "jet/io/FileSystem.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/GeneratedRun.h"
#include "tests/support/TempFolder.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

// The disk is full from the `nth` write (from 1) to a file whose name ends in `suffix`,
// counted from the first call `start` on a file whose name ends in `startSuffix`.
jet::Fault FullFrom(jet::FileCall start, std::string startSuffix, std::string suffix, int nth) {
  jet::Fault fault;
  fault.lasting = true;
  fault.cause = jet::OsCause::kNoSpace;
  fault.from = [=, started = false, seen = 0](const jet::RecordedCall& call) mutable {
    started = started || (call.call == start && call.path.ends_with(startSuffix));
    return started && call.call == jet::FileCall::kWrite && call.path.ends_with(suffix) && ++seen >= nth;
  };
  return fault;
}

class FullDiskRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_ / "Tavimer2";
    ASSERT_TRUE(PrepareVersion2Run(root_, 300, 0.5));
    for (const char* db : kVersion2Databases) rows_[db] = ReaderRows(root_ / db, PasswordOf(db));
    history_ = tav::Run().BasePath + "\\history\\history.mdb";
  }

  // The box about history.mdb; fails the test unless there is exactly one.
  ScriptedWindowServices::Box HistoryBox(const std::vector<ScriptedWindowServices::Box>& boxes) {
    std::vector<ScriptedWindowServices::Box> found;
    for (const auto& box : boxes)
      if (box.text.find("\"" + history_ + "\"") != std::string::npos) found.push_back(box);
    EXPECT_EQ(found.size(), 1u);
    return found.empty() ? ScriptedWindowServices::Box{} : found.front();
  }

  // Space is freed: the next run completes the work, and every row is where it was.
  void ExpectTheNextRunCompletesIt(bool finishesACopy) {
    const auto boxes = RunVersion2(root_, jet::PosixFileSystem());
    ASSERT_EQ(boxes.size(), finishesACopy ? 1u : 0u);
    if (finishesACopy) {
      EXPECT_EQ(boxes[0].style, 64);
      EXPECT_EQ(boxes[0].text.rfind(
                    "The database\r\n\r\n\"" + history_ + "\"\r\n\r\nhas been successfully repaired", 0),
                0u)
          << boxes[0].text;
    }
    for (const char* db : kVersion2Databases) {
      SCOPED_TRACE(db);
      EXPECT_EQ(RowsDifference(ReaderRows(root_ / db, PasswordOf(db)), rows_[db]), "");
      EXPECT_EQ(CheckProblems(root_ / db, PasswordOf(db)), std::vector<std::string>{});
    }
    for (const auto& entry : fs::recursive_directory_iterator(root_)) {
      if (!entry.is_regular_file()) continue;
      EXPECT_EQ(entry.path().extension(), ".mdb") << entry.path();
    }
  }

  TempFolder scratch_;
  fs::path root_;
  std::string history_;
  std::map<std::string, TableRows> rows_;
};

TEST_F(FullDiskRunTest, DuringTheCopyBackTheCompleteCopyIsKeptAndTheNextRunFinishesIt) {
  const fs::path folder = root_ / "history";
  // The first write is the empty line, the second the first block: the third fails.
  jet::FaultyFileSystem full(jet::PosixFileSystem(), -1, jet::FileCall::kWrite,
                             FullFrom(jet::FileCall::kRename, "history.mdb.compacting", "history.mdb", 3));
  const auto boxes = RunVersion2(root_, full);
  ASSERT_TRUE(full.failed().has_value());

  const auto copies = TemporaryCopies(folder);
  ASSERT_EQ(copies.size(), 1u);
  const std::string kept = tav::Run().BasePath + "\\history\\" + copies[0].filename().string();
  const auto box = HistoryBox(boxes);
  EXPECT_EQ(box.style, 16);
  EXPECT_EQ(box.text,
            "It was not possible to compact the database\r\n\r\n\"" + history_ +
                "\"\r\n\r\nThe following error was encountered:\r\n\r\nDisk full. The database was left "
                "incomplete. Its complete compacted copy is kept in \"" +
                kept + "\", and the next run will finish copying it back.");
  // The database is cut short; its copy holds every row.
  EXPECT_LT(fs::file_size(folder / "history.mdb"), fs::file_size(copies[0]));
  EXPECT_EQ(RowsDifference(ReaderRows(copies[0]), rows_["history/history.mdb"]), "");
  EXPECT_TRUE(fs::exists(folder / "history.mdb.copying"));

  ExpectTheNextRunCompletesIt(true);
}

TEST_F(FullDiskRunTest, DuringTheCompactionTheDatabaseStaysAsItWas) {
  const std::string before = FileBytes(root_ / "history" / "history.mdb");
  // The disk fills while history.mdb is compacted (at its first write: the compaction writes
  // a file this small with one call): the compactions before it are done.
  jet::FaultyFileSystem full(jet::PosixFileSystem(), -1, jet::FileCall::kWrite,
                             FullFrom(jet::FileCall::kCreate, "history.mdb.compacting", ".bak", 1));
  const auto boxes = RunVersion2(root_, full);
  ASSERT_TRUE(full.failed().has_value());

  const auto box = HistoryBox(boxes);
  EXPECT_EQ(box.style, 16);
  EXPECT_EQ(box.text.rfind("It was not possible to compact the database\r\n\r\n\"" + history_ +
                               "\"\r\n\r\nThe following error was encountered:\r\n\r\nCompacting into ",
                           0),
            0u)
      << box.text;
  EXPECT_NE(box.text.find("no space left on the disk"), std::string::npos) << box.text;
  EXPECT_EQ(FileBytes(root_ / "history" / "history.mdb"), before);
  EXPECT_TRUE(TemporaryCopies(root_ / "history").empty());
  EXPECT_FALSE(fs::exists(root_ / "history" / "history.mdb.compacting"));

  ExpectTheNextRunCompletesIt(false);
}

}  // namespace
}  // namespace tav::testing

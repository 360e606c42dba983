// A whole run with the real engine over a generated version-2 installation as a user may
// have it: list.mdb protected by a password, helper.mdb cut short inside its last page,
// schedule.mdb compacted already. The damaged database is repaired and then compacted,
// every database ends sound and keeps its rows (helper.mdb every row it had outside the
// damaged page), and nothing of the engine's or the cycle's own files stays behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/host/WinPath.h"
#include "tests/support/DamagedCopies.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/GeneratedRun.h"
#include "tests/support/MeasuringEngine.h"
#include "tests/support/ScriptedWindowServices.h"
#include "tests/support/TempFolder.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

class RepairRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_ / "Tavimer2";
    ASSERT_TRUE(PrepareVersion2Run(root_, 200, 0.4));
    SetDbEngineFactory([this] { return MeasureCompactions(MakeJetDaoEngine(), sizes_); });
  }
  void TearDown() override { SetDbEngineFactory(nullptr); }

  TempFolder scratch_;
  fs::path root_;
  SizeLog sizes_;
};

TEST_F(RepairRunTest, ADamagedDatabaseIsRepairedThenCompacted) {
  const fs::path list = root_ / "data" / "list.mdb";
  const fs::path helper = root_ / "data" / "helper.mdb";
  const fs::path history = root_ / "history" / "history.mdb";
  const fs::path schedule = root_ / "schedule" / "schedule.mdb";
  CompactInPlace(schedule);
  const fs::path sound = scratch_ / "helper-before.mdb";
  fs::copy_file(helper, sound);
  const uint32_t damagedPage = CutInsideLastPage(helper);

  const TableRows helperKept = ReaderRows(sound, "", damagedPage);
  const TableRows helperExported = ExportedRows(sound);
  std::map<fs::path, std::pair<TableRows, TableRows>> intact;
  const std::vector<std::pair<fs::path, std::string>> others = {
      {list, "secret"}, {history, ""}, {schedule, ""}};
  for (const auto& [db, password] : others) intact[db] = {ReaderRows(db, password), ExportedRows(db)};
  const std::string scheduleBytes = FileBytes(schedule);
  const auto listSize = fs::file_size(list);
  const auto historySize = fs::file_size(history);

  ScriptedWindowServices ws;
  ws.OnModal("frmChooseVersion", [](Form& f) {
    f.SetTag("TV2");
    f.SetProperty("txtFiles", "Text", std::string("Working... (please wait)"));
  });
  ws.AnswerModal("frmPwd", "secret");
  (void)Main(ws);

  const std::string base = tav::Run().BasePath;
  ASSERT_EQ(ws.Boxes().size(), 1u);
  EXPECT_EQ(ws.Boxes()[0].text,
            "The database\r\n\r\n\"" + base + "\\data\\helper.mdb\"\r\n\r\nhas been successfully repaired");
  EXPECT_EQ(ws.Boxes()[0].style, 64);
  EXPECT_EQ(ws.Instances("frmPwd").size(), 1u);
  EXPECT_TRUE(ws.Instances("frmOptionalPwd").empty());

  // Each result line follows the sizes the compaction left: the repaired database is
  // compacted too, the already compacted one gains nothing.
  std::string expected;
  for (const char* db :
       {"\\data\\list.mdb", "\\data\\helper.mdb", "\\history\\history.mdb", "\\schedule\\schedule.mdb"}) {
    ASSERT_EQ(sizes_.count(base + db), 1u) << db << " was not compacted";
    expected +=
        std::string(expected.empty() ? "" : "\r\n\r\n") + "The database \"" + base + db + "\" " +
        (sizes_[base + db].Smaller() ? "has been successfully compacted" : "did not need being compacted");
  }
  EXPECT_EQ(ws.Instances("frmChooseVersion")[0]->Text("txtFiles", "Text"), expected);
  EXPECT_FALSE(sizes_[base + "\\schedule\\schedule.mdb"].Smaller());
  EXPECT_LT(fs::file_size(list), listSize);
  EXPECT_LT(fs::file_size(history), historySize);
  EXPECT_EQ(FileBytes(schedule), scheduleBytes);

  // Every database is sound and reads the same, through our reader and through mdbtools.
  EXPECT_EQ(CheckProblems(list, "secret"), std::vector<std::string>{});
  for (const fs::path& db : {helper, history, schedule})
    EXPECT_EQ(CheckProblems(db), std::vector<std::string>{}) << db;
  for (const auto& [db, rows] : intact) {
    SCOPED_TRACE(db);
    EXPECT_EQ(ReaderRows(db, db == list ? "secret" : ""), rows.first);
    EXPECT_EQ(ExportedRows(db), rows.second);
  }
  EXPECT_EQ(ReaderRows(helper), helperKept);
  ExpectRowsWithin(ExportedRows(helper), helperExported, helperKept);

  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    EXPECT_NE(entry.path().extension(), ".ldb") << entry.path();
    EXPECT_NE(entry.path().extension(), ".bak") << entry.path();
  }
}

}  // namespace
}  // namespace tav::testing

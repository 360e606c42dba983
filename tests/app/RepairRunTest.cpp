// Whole runs with the real engine over a generated version-2 installation as a user may
// have it: list.mdb protected by a password, schedule.mdb compacted already, and one
// database damaged, in turn: helper.mdb cut short inside its last page (the test open
// fails), or a long-value page of history.mdb zeroed (the test open succeeds; the
// compaction finds the damage). The damaged database is repaired and then compacted, every
// database ends sound and keeps its rows (the damaged one every row it had outside the
// damaged page, read back the same by mdb-reader), and nothing of the engine's or the
// cycle's own files stays behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "jet/read/Database.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/host/WinPath.h"
#include "tests/jet/ReaderOracle.h"
#include "tests/support/DamagedCopies.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/GeneratedRun.h"
#include "tests/support/MeasuringEngine.h"
#include "tests/support/ScriptedWindowServices.h"
#include "tests/support/TempFolder.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

struct Damage {
  const char* name;
  const char* database;  // below the installation's root
  // Damages the file; the page damaged.
  std::function<uint32_t(const fs::path&)> apply;
  // Whether the damaged page holds rows (so that the rows from it on are lost), or only
  // long values (so that every row stays, some with a value cut).
  bool pageHoldsRows;
};

class RepairRunTest : public ::testing::TestWithParam<Damage> {
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

TEST_P(RepairRunTest, ADamagedDatabaseIsRepairedThenCompacted) {
  const fs::path list = root_ / "data" / "list.mdb";
  const fs::path helper = root_ / "data" / "helper.mdb";
  const fs::path history = root_ / "history" / "history.mdb";
  const fs::path schedule = root_ / "schedule" / "schedule.mdb";
  CompactInPlace(schedule);
  const Damage& damage = GetParam();
  const fs::path damaged = root_ / damage.database;
  const fs::path sound = scratch_ / "before.mdb";
  fs::copy_file(damaged, sound);
  const uint32_t damagedPage = damage.apply(damaged);
  ASSERT_NE(damagedPage, 0u);

  const TableRows damagedKept =
      ReaderRows(sound, "", damage.pageHoldsRows ? std::optional<uint32_t>(damagedPage) : std::nullopt);
  const TableRows damagedExported = ExportedRows(sound);
  std::map<fs::path, std::pair<TableRows, TableRows>> intact;
  const std::vector<std::pair<fs::path, std::string>> others = {
      {list, "secret"}, {helper, ""}, {history, ""}, {schedule, ""}};
  for (const auto& [db, password] : others)
    if (db != damaged) intact[db] = {ReaderRows(db, password), ExportedRows(db)};
  const std::string scheduleBytes = FileBytes(schedule);
  const auto listSize = fs::file_size(list);

  ScriptedWindowServices ws;
  ws.OnModal("frmChooseVersion", [](Form& f) {
    f.SetTag("TV2");
    f.SetProperty("txtFiles", "Text", std::string("Working... (please wait)"));
  });
  ws.AnswerModal("frmPwd", "secret");
  (void)Main(ws);

  const std::string base = tav::Run().BasePath;
  ASSERT_EQ(ws.Boxes().size(), 1u);
  std::string windowsName = damage.database;
  std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
  EXPECT_EQ(ws.Boxes()[0].text, "The database\r\n\r\n\"" + base + "\\" + windowsName +
                                    "\"\r\n\r\nhas been successfully repaired");
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
  const TableRows repaired = ReaderRows(damaged);
  if (damage.pageHoldsRows) {
    EXPECT_EQ(repaired, damagedKept);
    ExpectRowsWithin(ExportedRows(damaged), damagedExported, damagedKept);
  } else {
    // Every row stays; a value on the lost page may be cut.
    ASSERT_EQ(repaired.size(), damagedKept.size());
    for (const auto& [table, rows] : damagedKept) EXPECT_EQ(repaired.at(table).size(), rows.size()) << table;
  }
  {
    auto db = jet::Database::OpenPath(damaged.string());
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    jet::testing::ExpectRowsMatchMdbReader(damaged.string(), "", **db);
  }

  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    EXPECT_NE(entry.path().extension(), ".ldb") << entry.path();
    EXPECT_NE(entry.path().extension(), ".bak") << entry.path();
  }
}

// history.mdb an Access 2007 or later file (the signature of a later engine over a Jet 4
// file), list.mdb a zero-byte file: the repair-failed box names each for what it is, each
// stays byte for byte as it was, and the other databases are maintained.
using OtherFormatRunTest = RepairRunTest;

TEST_F(OtherFormatRunTest, FilesOfOtherFormatsAreNamedAndLeftAsTheyAre) {
  const fs::path list = root_ / "data" / "list.mdb";
  const fs::path history = root_ / "history" / "history.mdb";
  {
    std::fstream file(history, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(4);
    file << "Standard ACE DB";
  }
  fs::resize_file(list, 0);
  const std::string historyBytes = FileBytes(history);

  ScriptedWindowServices ws;
  ScriptVersion2Run(ws);
  (void)Main(ws);

  const std::string base = tav::Run().BasePath;
  const auto failed = [&](const std::string& db, const std::string& what) {
    return "It was not possible to repair the database\r\n\r\n\"" + base + db +
           "\"\r\n\r\nThe following error was encountered:\r\n\r\nThe database " + base + db +
           " cannot be repaired: " + what;
  };
  ASSERT_EQ(ws.Boxes().size(), 2u);
  EXPECT_EQ(ws.Boxes()[0].text.rfind(failed("\\data\\list.mdb", "it is not a database"), 0), 0u)
      << ws.Boxes()[0].text;
  EXPECT_EQ(
      ws.Boxes()[1].text.rfind(failed("\\history\\history.mdb", "it is an Access 2007 or later file"), 0), 0u)
      << ws.Boxes()[1].text;
  for (const auto& box : ws.Boxes()) EXPECT_EQ(box.style, 21);
  EXPECT_EQ(fs::file_size(list), 0u);
  EXPECT_EQ(FileBytes(history), historyBytes);
  const std::string results = ws.Instances("frmChooseVersion")[0]->Text("txtFiles", "Text");
  EXPECT_EQ(results.substr(std::min(results.size(), results.find("The database"))),
            "The database \"" + base + "\\data\\helper.mdb\" has been successfully compacted\r\n\r\n" +
                "The database \"" + base + "\\schedule\\schedule.mdb\" has been successfully compacted");
  for (const fs::path& db : {root_ / "data" / "helper.mdb", root_ / "schedule" / "schedule.mdb"})
    EXPECT_EQ(CheckProblems(db), std::vector<std::string>{}) << db;
}

INSTANTIATE_TEST_SUITE_P(
    Damages, RepairRunTest,
    ::testing::Values(Damage{"CutInsideLastPage", "data/helper.mdb",
                             [](const fs::path& db) { return CutInsideLastPage(db); }, true},
                      Damage{"ZeroedLongValuePage", "history/history.mdb",
                             [](const fs::path& db) { return ZeroALongValuePage(db); }, false}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tav::testing

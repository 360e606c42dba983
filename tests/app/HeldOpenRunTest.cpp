// A whole run with the real engine while another process has one database open: that
// database is reported as not compacted and left exactly as it was, its lock file stays
// for the other process, and every other database is maintained as usual.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "jet/Generator.h"
#include "platform/JetDaoEngine.h"
#include "platform/WinPath.h"
#include "tests/platform/OtherProcess.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/ScriptedWindowServices.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDatabases[] = {"data\\list.mdb", "data\\helper.mdb", "history\\history.mdb",
                                      "schedule\\schedule.mdb"};

fs::path HostOf(const fs::path& root, std::string relative) {
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return root / relative;
}

TEST(HeldOpenRunTest, ADatabaseOpenElsewhereIsNeverModified) {
  ::setenv("WINEPREFIX", "/nonexistent-wine-prefix-for-tests", 1);
  const TempFolder folder;
  const fs::path& root = folder.path();
  jet::GenerateOptions options;
  options.generation = "TV2";
  options.rows = 200;
  options.deleted = 0.4;
  options.password = "secret";
  ASSERT_TRUE(jet::GenerateInstallation(root.string(), options).ok());
  tav::Run() = RunState{};
  tav::Run().BasePath = WindowsPath(root);
  SetDbEngineFactory(MakeJetDaoEngine);
  std::map<std::string, std::string> before;
  for (const char* db : kDatabases) before[db] = FileBytes(HostOf(root, db));

  const std::string helper = tav::Run().BasePath + "\\data\\helper.mdb";
  OtherProcess other([helper]() -> std::function<void()> {
    std::shared_ptr<DaoDatabase> open = MakeJetDaoEngine()->Workspaces(0).OpenDatabase(helper);
    return [open] { open->Close(); };
  });
  ASSERT_TRUE(other.Ok());
  const fs::path helperLock = root / "data" / "helper.ldb";
  ASSERT_TRUE(fs::exists(helperLock));

  ScriptedWindowServices ws;
  ws.OnModal("frmChooseVersion", [](Form& f) {
    f.SetTag("TV2");
    f.SetProperty("txtFiles", "Text", std::string("Working... (please wait)"));
  });
  ws.AnswerModal("frmPwd", "secret");
  (void)Main(ws);

  // Its test open succeeds (shared), its compaction cannot have it to itself.
  ASSERT_EQ(ws.Boxes().size(), 1u);
  EXPECT_EQ(ws.Boxes()[0].text, "It was not possible to compact the database\r\n\r\n\"" + helper +
                                    "\"\r\n\r\nThe following error was encountered:\r\n\r\nCould not use '" +
                                    helper + "'; file already in use.");
  EXPECT_EQ(ws.Boxes()[0].style, 16);
  EXPECT_EQ(FileBytes(root / "data" / "helper.mdb"), before["data\\helper.mdb"]);
  EXPECT_TRUE(fs::exists(helperLock)) << "the lock file of a database in use must stay";

  std::string expected;
  for (const char* db : kDatabases) {
    if (std::string(db) == "data\\helper.mdb") continue;
    const fs::path host = HostOf(root, db);
    const bool shrunk = fs::file_size(host) < before[db].size();
    if (!shrunk) {
      EXPECT_EQ(FileBytes(host), before[db]) << db;
    }
    expected += std::string(expected.empty() ? "" : "\r\n\r\n") + "The database \"" + tav::Run().BasePath +
                "\\" + db + "\" " +
                (shrunk ? "has been successfully compacted" : "did not need being compacted");
    EXPECT_TRUE(TemporaryCopies(host.parent_path()).empty()) << db;
  }
  EXPECT_EQ(ws.Instances("frmChooseVersion")[0]->Text("txtFiles", "Text"), expected);
  // The deleted rows of the main database were reclaimed, with its password.
  EXPECT_LT(fs::file_size(root / "data" / "list.mdb"), before["data\\list.mdb"].size());

  other.Release();
  EXPECT_FALSE(fs::exists(helperLock)) << "the other process's last close removes it";
  EXPECT_EQ(FileBytes(root / "data" / "helper.mdb"), before["data\\helper.mdb"]);
  SetDbEngineFactory(nullptr);
}

}  // namespace
}  // namespace tav::testing

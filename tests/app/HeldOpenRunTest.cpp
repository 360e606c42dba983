// Whole runs with the real engine while another program has a database: that database
// fails its test open as in use, its repair is refused the same way (the box the user
// answers), and it is left exactly as it was with its lock file; every other database is
// maintained as usual. jettool and the running program keep off each other's databases.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "platform/dao/DatabaseUse.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/host/WinPath.h"
#include "tests/platform/OtherProcess.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/GeneratedRun.h"
#include "tests/support/ScriptedWindowServices.h"
#include "tests/support/TempFolder.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDatabases[] = {"data\\list.mdb", "data\\helper.mdb", "history\\history.mdb",
                                      "schedule\\schedule.mdb"};

fs::path HostOf(const fs::path& root, std::string relative) {
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return root / relative;
}

// Scripted windows that run a step whenever the cycle lets the window process messages
// (before every compaction, while the database in hand is held).
class HookedServices : public ScriptedWindowServices {
 public:
  void DoEvents() override {
    ScriptedWindowServices::DoEvents();
    if (onDoEvents) onDoEvents();
  }
  std::function<void()> onDoEvents;
};

class HeldOpenRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PrepareVersion2Run(root_, 200, 0.4));
    SetDbEngineFactory(MakeJetDaoEngine);
    for (const char* db : kDatabases) before_[db] = FileBytes(HostOf(root_, db));
    ws_.OnModal("frmChooseVersion", [](Form& f) {
      f.SetTag("TV2");
      f.SetProperty("txtFiles", "Text", std::string("Working... (please wait)"));
    });
  }
  void TearDown() override { SetDbEngineFactory(nullptr); }

  std::string Win(const char* db) const { return tav::Run().BasePath + "\\" + db; }

  // Every database but `held` was maintained: a result line each, in order.
  void ExpectOthersMaintained(const std::string& held) {
    std::string expected;
    for (const char* db : kDatabases) {
      if (held == db) continue;
      const fs::path host = HostOf(root_, db);
      const bool shrunk = fs::file_size(host) < before_[db].size();
      if (!shrunk) {
        EXPECT_EQ(FileBytes(host), before_[db]) << db;
      }
      expected += std::string(expected.empty() ? "" : "\r\n\r\n") + "The database \"" + Win(db) + "\" " +
                  (shrunk ? "has been successfully compacted" : "did not need being compacted");
      EXPECT_TRUE(TemporaryCopies(host.parent_path()).empty()) << db;
    }
    EXPECT_EQ(ws_.Instances("frmChooseVersion")[0]->Text("txtFiles", "Text"), expected);
  }

  const TempFolder folder_;
  const fs::path& root_ = folder_.path();
  std::map<std::string, std::string> before_;
  HookedServices ws_;
};

TEST_F(HeldOpenRunTest, ADatabaseOpenElsewhereIsNeverModified) {
  const std::string helper = Win("data\\helper.mdb");
  OtherProcess other([helper]() -> std::function<void()> {
    std::shared_ptr<DaoDatabase> open = MakeJetDaoEngine()->Workspaces(0).OpenDatabase(helper);
    return [open] { open->Close(); };
  });
  ASSERT_TRUE(other.Ok());
  const fs::path helperLock = root_ / "data" / "helper.ldb";
  ASSERT_TRUE(fs::exists(helperLock));
  const std::string lockBytes = FileBytes(helperLock);

  ws_.AnswerModal("frmPwd", "secret");
  ws_.AnswerBox(vbCancel);
  (void)Main(ws_);

  ASSERT_EQ(ws_.Boxes().size(), 1u);
  EXPECT_EQ(ws_.Boxes()[0].text, "It was not possible to repair the database\r\n\r\n\"" + helper +
                                     "\"\r\n\r\nThe following error was encountered:\r\n\r\nCould not use '" +
                                     helper + "'; file already in use.");
  EXPECT_EQ(ws_.Boxes()[0].style, 21);
  EXPECT_EQ(FileBytes(root_ / "data" / "helper.mdb"), before_["data\\helper.mdb"]);
  EXPECT_EQ(FileBytes(helperLock), lockBytes) << "the lock file of a database in use must stay";
  ExpectOthersMaintained("data\\helper.mdb");
  // The deleted rows of the main database were reclaimed, with its password.
  EXPECT_LT(fs::file_size(root_ / "data" / "list.mdb"), before_["data\\list.mdb"].size());

  other.Release();
  EXPECT_FALSE(fs::exists(helperLock)) << "the other process's last close removes it";
  EXPECT_EQ(FileBytes(root_ / "data" / "helper.mdb"), before_["data\\helper.mdb"]);
}

// While the run holds list.mdb (from its test open to its copy back) jettool's writing
// commands are refused; while a process holds history.mdb the way jettool does, the run
// leaves it alone and names it as opened exclusively.
TEST_F(HeldOpenRunTest, JettoolAndTheRunningProgramKeepOffEachOthersDatabases) {
  const fs::path list = root_ / "data" / "list.mdb";
  const std::string jettool = ShellQuoted((fs::path(TAVIMER_BINARY_DIR) / "tools" / "jettool").string());
  const std::string quoted = ShellQuoted(list.string());
  const std::vector<std::string> commands = {
      jettool + " repair " + quoted + " --password secret",
      jettool + " delete " + quoted + " Recipients --where FirstName=Anna --password secret",
      jettool + " compact " + quoted + " " + ShellQuoted((root_ / "copy.mdb").string()) +
          " --password secret"};
  std::vector<CommandResult> refused;
  ws_.onDoEvents = [&] {
    if (!refused.empty()) return;  // the first compaction is list.mdb's
    for (const std::string& command : commands) refused.push_back(RunShell(command + " 2>&1"));
  };

  const fs::path history = root_ / "history" / "history.mdb";
  OtherProcess other([history]() -> std::function<void()> {
    auto claim = std::make_shared<DatabaseClaim>(ClaimDatabase(history, jet::LockMode::kHold));
    if (!claim->lock) throw 1;
    return [claim] { claim->lock.reset(); };
  });
  ASSERT_TRUE(other.Ok());
  ws_.AnswerModal("frmPwd", "secret");
  ws_.AnswerBox(vbCancel);
  (void)Main(ws_);

  ASSERT_EQ(refused.size(), commands.size());
  for (size_t i = 0; i < commands.size(); ++i) {
    EXPECT_EQ(refused[i].exitCode, 2) << commands[i];
    EXPECT_EQ(refused[i].out.rfind("error 3045: ", 0), 0u) << refused[i].out;
  }
  EXPECT_FALSE(fs::exists(root_ / "copy.mdb"));
  EXPECT_LT(fs::file_size(list), before_["data\\list.mdb"].size()) << "the run's own work went on";

  ASSERT_EQ(ws_.Boxes().size(), 1u);
  EXPECT_EQ(ws_.Boxes()[0].style, 21);
  EXPECT_NE(ws_.Boxes()[0].text.find("You attempted to open a database that is already opened exclusively"),
            std::string::npos)
      << ws_.Boxes()[0].text;
  EXPECT_EQ(FileBytes(history), before_["history\\history.mdb"]);
  ExpectOthersMaintained("history\\history.mdb");

  other.Release();
  EXPECT_EQ(RunShell(commands[1]).exitCode, 0) << "refused after the run has let go";
}

}  // namespace
}  // namespace tav::testing

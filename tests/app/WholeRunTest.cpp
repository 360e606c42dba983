// A whole run with the real engine over a generated version-2 installation whose main
// database has a password and whose databases carry deleted rows to reclaim.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/host/WinPath.h"
#include "tests/support/GeneratedRun.h"
#include "tests/support/ScriptedWindowServices.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

class WholeRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tav-whole-run-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    ASSERT_TRUE(PrepareVersion2Run(root_, 400, 0.5));
    for (const char* db : kVersion2Databases) before_[db] = fs::file_size(root_ / db);
    SetDbEngineFactory(MakeJetDaoEngine);
  }
  void TearDown() override {
    SetDbEngineFactory(nullptr);
    fs::remove_all(root_);
  }

  fs::path root_;
  std::map<std::string, uintmax_t> before_;
};

// Each database's Windows path is resolved to its host file once in the whole run (the main
// database's by the password check), and the files named beside it never.
TEST_F(WholeRunTest, EveryDatabaseIsCompactedWhenSmallerAndStillOpens) {
  ScriptedWindowServices ws;
  ws.OnModal("frmChooseVersion", [](Form& f) {
    f.SetTag("TV2");
    f.SetProperty("txtFiles", "Text", std::string("Working... (please wait)"));
  });
  ws.AnswerModal("frmPwd", "secret");

  const uint64_t resolvedBefore = HostPathResolutions();
  auto window = Main(ws);
  EXPECT_EQ(HostPathResolutions() - resolvedBefore, std::size(kVersion2Databases));

  for (const auto& box : ws.Boxes()) ADD_FAILURE() << box.text;
  EXPECT_EQ(ws.Instances("frmPwd").size(), 1u);
  std::string expected;
  for (const char* db : kVersion2Databases) {
    std::string win = tav::Run().BasePath + "\\" + db;
    std::replace(win.begin(), win.end(), '/', '\\');
    if (!expected.empty()) expected += "\r\n\r\n";
    const uintmax_t after = fs::file_size(root_ / db);
    EXPECT_LE(after, before_[db]) << db;
    expected += "The database \"" + win + "\" " +
                (after < before_[db] ? "has been successfully compacted" : "did not need being compacted");
    EXPECT_NO_THROW(DBEngine().Workspaces(0).OpenDatabase(win, false, false, "; pwd=secret;")) << db;
  }
  EXPECT_EQ(ws.Instances("frmChooseVersion")[0]->Text("txtFiles", "Text"), expected);
  // The deleted rows of the main database and of the history are reclaimed.
  EXPECT_LT(fs::file_size(root_ / "data/list.mdb"), before_["data/list.mdb"]);
  EXPECT_LT(fs::file_size(root_ / "history/history.mdb"), before_["history/history.mdb"]);
  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    EXPECT_NE(entry.path().extension(), ".bak") << entry.path();
    EXPECT_NE(entry.path().extension(), ".ldb") << entry.path();
  }
}

}  // namespace
}  // namespace tav::testing

// The start-up routine: version choice, the walk over each version's databases with a
// recording cycle, the finishing of the results display, and one whole run with the real
// cycle on a scripted engine.

#include <gmock/gmock.h>

#include "app/Main.h"
#include "platform/base/VbError.h"
#include "tests/app/CycleFixture.h"

namespace tav::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Records the calls; appends a result line per database like the real cycle, except for
// the databases named in `failing`, which fail with a VbError.
class RecordingCycle : public DatabaseCycle {
 public:
  RecordingCycle(Form& window, std::vector<std::string>& calls, std::vector<std::string> failing)
      : window_(window), calls_(calls), failing_(std::move(failing)) {}
  void PasswordCheck() override {
    calls_.push_back("PasswordCheck");
    if (failCheck_) throw VbError(5, "", "Invalid procedure call or argument");
  }
  void Maintain(const std::string& folder, const std::string& fileName) override {
    calls_.push_back(folder + "|" + fileName);
    if (std::find(failing_.begin(), failing_.end(), fileName) != failing_.end())
      throw VbError(3343, "", "Unrecognized database format.");
    window_.SetProperty("txtFiles", "Text", PropText(window_, "txtFiles", "Text") + "\r\n\r\n" + fileName);
  }
  bool failCheck_ = false;

 private:
  Form& window_;
  std::vector<std::string>& calls_;
  std::vector<std::string> failing_;
};

class MainTest : public CycleFixture {
 protected:
  // The version window answers `tag`, as its start button leaves it (text 5 in txtFiles).
  void ChooseVersion(const std::string& tag) { ws_.AnswerModal("frmChooseVersion", tag); }
  std::unique_ptr<Form> RunMain(std::vector<std::string> failing = {}, bool failCheck = false) {
    return Main(ws_, [&](WindowServices&, Form& window) -> std::unique_ptr<DatabaseCycle> {
      auto cycle = std::make_unique<RecordingCycle>(window, calls_, failing);
      cycle->failCheck_ = failCheck;
      return cycle;
    });
  }
  std::shared_ptr<FormState> MainWindow() const { return ws_.Instances("frmChooseVersion").at(0); }

  std::vector<std::string> calls_;
};

TEST_F(MainTest, VersionOneWalksListThenHistory) {
  ChooseVersion("TV1");
  auto window = RunMain();
  const std::string base = tav::Run().BasePath;
  EXPECT_THAT(calls_,
              ElementsAre("PasswordCheck", base + "\\data\\|list.mdb", base + "\\history\\|history.mdb"));
  EXPECT_THAT(ws_.InitCalls(), ElementsAre(0x200u));
  // One window for the whole run, shown modally, then modeless, still alive afterwards.
  ASSERT_EQ(ws_.Instances("frmChooseVersion").size(), 1u);
  EXPECT_THAT(log_.Matching("Show"), ElementsAre("ShowModal frmChooseVersion", "Show frmChooseVersion"));
  EXPECT_FALSE(MainWindow()->released);
  EXPECT_FALSE(MainWindow()->unloaded);
  EXPECT_TRUE(MainWindow()->visible);
  EXPECT_EQ(window->Name(), "frmChooseVersion");
}

TEST_F(MainTest, VersionTwoWalksAllFourInOrder) {
  ChooseVersion("TV2");
  RunMain();
  const std::string base = tav::Run().BasePath;
  EXPECT_THAT(calls_, ElementsAre("PasswordCheck", base + "\\data\\|list.mdb", base + "\\data\\|helper.mdb",
                                  base + "\\history\\|history.mdb", base + "\\schedule\\|schedule.mdb"));
}

TEST_F(MainTest, AnyOtherTagProcessesTheMainDatabaseAlone) {
  for (const char* tag : {"TV3", "tv2"}) {
    calls_.clear();
    ChooseVersion(tag);
    RunMain();
    EXPECT_THAT(calls_, ElementsAre("PasswordCheck", tav::Run().BasePath + "\\data\\|list.mdb")) << tag;
  }
}

TEST_F(MainTest, EmptyTagUnloadsTheWindowAndEndsSilently) {
  MakeFile("data\\list.mdb", 10);
  MakeFile("data\\list.ldb", 10);
  ChooseVersion("");
  EXPECT_THROW(RunMain(), ProgramEnded);
  EXPECT_THAT(calls_, IsEmpty());
  EXPECT_TRUE(MainWindow()->unloaded);
  EXPECT_TRUE(MainWindow()->released);
  EXPECT_THAT(ws_.Boxes(), IsEmpty());
  EXPECT_TRUE(Exists("data\\list.ldb"));
}

TEST_F(MainTest, EmptyDataRootStartsAtTheDriveRoot) {
  tav::Run().BasePath = "";
  ChooseVersion("TV1");
  RunMain();
  EXPECT_THAT(calls_, ElementsAre("PasswordCheck", "\\data\\|list.mdb", "\\history\\|history.mdb"));
}

TEST_F(MainTest, FinishedDisplayStartsWithTheFirstResultAndShowsTheEndButton) {
  ChooseVersion("TV1");
  RunMain();
  const std::string text = "list.mdb\r\n\r\nhistory.mdb";
  EXPECT_EQ(MainWindow()->Text("txtFiles", "Text"), text);
  EXPECT_EQ(MainWindow()->Text("txtFiles", "SelStart"), std::to_string(text.size()));
  EXPECT_EQ(MainWindow()->Text("cmdEnd", "Visible"), "True");
}

TEST_F(MainTest, FailingStepsAreSkippedAndTheRunGoesOn) {
  ChooseVersion("TV2");
  RunMain({"list.mdb", "history.mdb"}, /*failCheck=*/true);
  EXPECT_EQ(calls_.size(), 5u);
  EXPECT_EQ(MainWindow()->Text("txtFiles", "Text"), "helper.mdb\r\n\r\nschedule.mdb");
  EXPECT_EQ(MainWindow()->Text("cmdEnd", "Visible"), "True");
}

TEST_F(MainTest, WithoutAnyResultTheWorkingTextStays) {
  ChooseVersion("TV1");
  RunMain({"list.mdb", "history.mdb"});
  EXPECT_EQ(MainWindow()->Text("txtFiles", "Text"), kWorking);
  EXPECT_EQ(MainWindow()->Text("txtFiles", "SelStart"), "24");
}

TEST_F(MainTest, WorkingTextIsRemovedWhereverABlankLineFollowsIt) {
  ws_.OnModal("frmChooseVersion", [](Form& f) {
    f.SetTag("TV3");
    f.SetProperty(
        "txtFiles", "Text",
        std::string(kWorking) + "\r\n\r\n" + "a\r\n\r\n" + kWorking + "\r\n\r\nb\r\n" + kWorking + "\r\nc");
  });
  RunMain();
  EXPECT_EQ(MainWindow()->Text("txtFiles", "Text"),
            std::string("a\r\n\r\nb\r\n") + kWorking + "\r\nc\r\n\r\nlist.mdb");
}

TEST_F(MainTest, EndFromThePasswordCheckPassesThrough) {
  ChooseVersion("TV1");
  EXPECT_THROW(Main(ws_,
                    [&](WindowServices& services, Form&) -> std::unique_ptr<DatabaseCycle> {
                      struct Ending : DatabaseCycle {
                        WindowServices& ws;
                        explicit Ending(WindowServices& s) : ws(s) {}
                        void PasswordCheck() override { ws.End(); }
                        void Maintain(const std::string&, const std::string&) override { ADD_FAILURE(); }
                      };
                      return std::make_unique<Ending>(services);
                    }),
               ProgramEnded);
  EXPECT_EQ(MainWindow()->Text("cmdEnd", "Visible"), "");
}

// A whole version-2 run through the real cycle: one password prompt, one damaged database
// repaired, one that needed no compaction, the rest compacted.
TEST_F(MainTest, WholeRunOfVersionTwo) {
  for (const char* db :
       {"data\\list.mdb", "data\\helper.mdb", "history\\history.mdb", "schedule\\schedule.mdb"})
    MakeFile(db, 2000);
  MakeFile("data\\list.ldb", 1);
  engine_.RequirePassword(Win("data\\list.mdb"), "pw");
  engine_.CompactTo(Win("data\\list.mdb"), 1500);
  engine_.CompactTo(Win("data\\helper.mdb"), 2000);
  engine_.CompactTo(Win("history\\history.mdb"), 100);
  engine_.FailOpen(Win("schedule\\schedule.mdb"), 3343, "Unrecognized database format.");
  engine_.CompactTo(Win("schedule\\schedule.mdb"), 1999);
  ws_.OnModal("frmChooseVersion", [](Form& f) {
    f.SetTag("TV2");
    f.SetProperty("txtFiles", "Text", std::string(kWorking));
  });
  ws_.AnswerModal("frmPwd", "pw");

  auto window = Main(ws_);

  EXPECT_EQ(tav::Run().DbPassword, "pw");
  ASSERT_EQ(ws_.Boxes().size(), 1u);
  EXPECT_EQ(ws_.Boxes()[0].style, 64);
  auto line = [&](const char* db, const char* outcome) {
    return "The database \"" + Win(db) + "\" " + outcome;
  };
  EXPECT_EQ(MainWindow()->Text("txtFiles", "Text"),
            line("data\\list.mdb", "has been successfully compacted") + "\r\n\r\n" +
                line("data\\helper.mdb", "did not need being compacted") + "\r\n\r\n" +
                line("history\\history.mdb", "has been successfully compacted") + "\r\n\r\n" +
                line("schedule\\schedule.mdb", "has been successfully compacted"));
  EXPECT_EQ(Contents("data\\list.mdb"), std::string(1500, 'C'));
  EXPECT_EQ(Contents("data\\helper.mdb"), std::string(2000, 'D'));
  EXPECT_EQ(std::filesystem::file_size(Host("history\\history.mdb")), 100u);
  EXPECT_FALSE(Exists("data\\list.ldb"));
  EXPECT_EQ(engine_.OpenHandles(), 0);
  for (const char* folder : {"data", "history", "schedule"})
    for (const auto& entry : std::filesystem::directory_iterator(root_ / folder))
      EXPECT_NE(entry.path().extension(), ".bak") << entry.path();
  EXPECT_TRUE(ws_.ScriptUsedUp());
}

}  // namespace
}  // namespace tav::testing

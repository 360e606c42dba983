// The maintenance cycle against a scripted engine and scripted windows, on real files.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "app/MaintenanceCycle.h"
#include "tests/app/CycleFixture.h"

namespace tav::testing {
namespace {

using ::testing::ElementsAre;

// A file this process may not write: immutable for root, read-only for anyone else.
class ProtectedFile {
 public:
  explicit ProtectedFile(std::filesystem::path file) : file_(std::move(file)) {
    if (::geteuid() != 0) {
      std::filesystem::permissions(file_, std::filesystem::perms::owner_read);
      ok_ = true;
      return;
    }
    ok_ = SetImmutable(true);
  }
  ~ProtectedFile() { Release(); }
  bool Ok() const { return ok_; }
  void Release() {
    if (!ok_) return;
    if (::geteuid() == 0) SetImmutable(false);
    std::filesystem::permissions(file_,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ok_ = false;
  }

 private:
  bool SetImmutable(bool on) {
    const int fd = ::open(file_.c_str(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
  }

  std::filesystem::path file_;
  bool ok_ = false;
};

class MaintenanceCycleTest : public CycleFixture {
 protected:
  void SetUp() override {
    CycleFixture::SetUp();
    window_ = ws_.CreateForm("frmChooseVersion");
  }
  MaintenanceCycle MakeCycle(std::deque<double> draws = {0.25}) {
    return MaintenanceCycle(ws_, *window_, std::make_unique<FixedRandom>(std::move(draws), &reseeds_));
  }
  std::string Display() const { return ws_.Instances("frmChooseVersion")[0]->Text("txtFiles", "Text"); }
  std::string Line(const std::string& relative, const std::string& outcome) const {
    return "\r\n\r\nThe database \"" + Win(relative) + "\" " + outcome;
  }

  std::unique_ptr<Form> window_;
  int reseeds_ = 0;
};

constexpr const char* kCompacted = "has been successfully compacted";
constexpr const char* kNotNeeded = "did not need being compacted";

// --- Password check of the main database ---

TEST_F(MaintenanceCycleTest, NoPasswordAsksNothingAndKeepsTheDatabaseOpenUntilTheTestOpen) {
  MakeFile("data\\list.mdb", 100);
  engine_.CompactTo(Win("data\\list.mdb"), 60);
  auto cycle = MakeCycle();
  cycle.PasswordCheck();
  EXPECT_TRUE(ws_.Instances("frmPwd").empty());
  EXPECT_TRUE(ws_.Boxes().empty());
  ASSERT_EQ(engine_.Calls("OpenDatabase").size(), 1u);
  EXPECT_EQ(engine_.Calls("OpenDatabase")[0].options, false);
  EXPECT_FALSE(engine_.Calls("OpenDatabase")[0].connect.has_value());
  EXPECT_EQ(engine_.OpenHandles(), 1);

  cycle.Maintain(Win("data\\"), "list.mdb");
  const std::string list = Win("data\\list.mdb");
  // The test open comes while the check's database is still open; both are closed before
  // the compaction.
  EXPECT_EQ(engine_.Calls("OpenDatabase")[1].openHandles, 1);
  EXPECT_THAT(log_.Matching("C"), ElementsAre("CreateForm frmChooseVersion", "Close " + list, "Close " + list,
                                              "CompactDatabase " + list));
  EXPECT_EQ(engine_.OpenHandles(), 0);
}

TEST_F(MaintenanceCycleTest, RightPasswordAtTheFirstPromptShowsOnePromptAndNoBox) {
  MakeFile("data\\list.mdb", 100);
  engine_.RequirePassword(Win("data\\list.mdb"), "secret");
  ws_.AnswerModal("frmPwd", "secret");
  MakeCycle().PasswordCheck();
  EXPECT_EQ(ws_.Instances("frmPwd").size(), 1u);
  EXPECT_TRUE(ws_.Instances("frmPwd")[0]->loaded);
  EXPECT_TRUE(ws_.Boxes().empty());
  EXPECT_EQ(tav::Run().DbPassword, "secret");
  auto opens = engine_.Calls("OpenDatabase");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[1].connect, "; pwd=secret;");
  EXPECT_EQ(opens[1].readOnly, false);
}

TEST_F(MaintenanceCycleTest, ThreeWrongPasswordsEndTheProgramWithoutTouchingAFile) {
  MakeFile("data\\list.mdb", 100);
  MakeFile("data\\list.ldb", 5);
  engine_.RequirePassword(Win("data\\list.mdb"), "secret");
  for (const char* guess : {"one", "two", "three"}) ws_.AnswerModal("frmPwd", guess);
  auto cycle = MakeCycle();
  EXPECT_THROW(cycle.PasswordCheck(), ProgramEnded);
  EXPECT_EQ(ws_.Instances("frmPwd").size(), 3u);  // a fresh dialog per question
  ASSERT_EQ(ws_.Boxes().size(), 3u);
  for (const auto& box : ws_.Boxes()) {
    EXPECT_EQ(box.text, "Incorrect password");
    EXPECT_EQ(box.style, 48);
  }
  EXPECT_EQ(engine_.Calls("OpenDatabase").size(), 4u);
  EXPECT_EQ(log_.Entries().back(), "End");
  EXPECT_EQ(log_.Entries()[log_.Entries().size() - 2], "MsgBox 48");
  EXPECT_TRUE(Exists("data\\list.ldb"));
  EXPECT_EQ(Contents("data\\list.mdb"), std::string(100, 'D'));
}

TEST_F(MaintenanceCycleTest, CancelledPromptOrOtherFailureEndsTheCheck) {
  MakeFile("data\\list.mdb", 100);
  engine_.RequirePassword(Win("data\\list.mdb"), "secret");
  ws_.AnswerModal("frmPwd", "");
  auto cycle = MakeCycle();
  EXPECT_THROW(cycle.PasswordCheck(), ProgramEnded);
  EXPECT_TRUE(ws_.Boxes().empty());

  // Any failure but a refused password is left to the test open.
  engine_.FailOpen(Win("data\\list.mdb"), 3343, "Unrecognized database format.");
  MakeCycle().PasswordCheck();
  EXPECT_EQ(ws_.Instances("frmPwd").size(), 1u);
  EXPECT_TRUE(ws_.Boxes().empty());
}

// --- Test open and the optional password ---

TEST_F(MaintenanceCycleTest, FailedOpenOfAnotherDatabaseRepairsAtOnceWithoutADialog) {
  MakeFile("history\\history.mdb", 100);
  MakeFile("history\\history.ldb", 5);
  const std::string path = Win("history\\history.mdb");
  engine_.FailOpen(path, 3343, "Unrecognized database format.");
  engine_.CompactTo(path, 100);
  MakeCycle().Maintain(Win("history\\"), "history.mdb");

  EXPECT_FALSE(Exists("history\\history.ldb"));
  EXPECT_TRUE(ws_.Instances("frmOptionalPwd").empty());
  ASSERT_EQ(ws_.Boxes().size(), 1u);
  EXPECT_EQ(ws_.Boxes()[0].text,
            "The database\r\n\r\n\"" + path + "\"\r\n\r\nhas been successfully repaired");
  EXPECT_EQ(ws_.Boxes()[0].style, 64);
  EXPECT_THAT(log_.Entries(),
              ElementsAre("CreateForm frmChooseVersion", "OpenDatabase " + path, "DoEvents",
                          "RepairDatabase " + path, "MsgBox 64", "DoEvents", "CompactDatabase " + path,
                          "Set frmChooseVersion.txtFiles.Text=" + std::string(kWorking) +
                              Line("history\\history.mdb", kNotNeeded),
                          "Refresh frmChooseVersion.txtFiles"));
  EXPECT_FALSE(tav::Run().NeedsRepair);
}

TEST_F(MaintenanceCycleTest, OptionalPasswordConfirmedEmptyClearsThePasswordForTheRestOfTheRun) {
  MakeFile("data\\list.mdb", 100);
  MakeFile("data\\helper.mdb", 100);
  const std::string list = Win("data\\list.mdb");
  tav::Run().DbPassword = "secret";
  engine_.FailOpen(list, 3343, "Unrecognized database format 'list.mdb'.");
  ws_.AnswerModal("frmOptionalPwd", "");
  auto cycle = MakeCycle();
  cycle.Maintain(Win("data\\"), "list.mdb");

  ASSERT_EQ(ws_.Instances("frmOptionalPwd").size(), 1u);
  EXPECT_EQ(ws_.Instances("frmOptionalPwd")[0]->Text("lblError", "Caption"),
            "Unrecognized database format 'list.mdb'.");
  EXPECT_THAT(log_.Matching("Set frmOptionalPwd"),
              ElementsAre("Set frmOptionalPwd.lblError.Caption=Unrecognized database format 'list.mdb'."));
  auto& entries = log_.Entries();
  auto caption = std::find(entries.begin(), entries.end(), log_.Matching("Set frmOptionalPwd")[0]);
  EXPECT_EQ(*(caption - 1), "Load frmOptionalPwd");
  EXPECT_EQ(*(caption + 1), "ShowModal frmOptionalPwd");
  EXPECT_EQ(tav::Run().DbPassword, "");
  EXPECT_EQ(engine_.Calls("RepairDatabase").size(), 1u);
  ASSERT_EQ(engine_.Calls("CompactDatabase").size(), 1u);
  EXPECT_EQ(engine_.Calls("CompactDatabase")[0].password, std::optional<std::string>(""));

  cycle.Maintain(Win("data\\"), "helper.mdb");
  EXPECT_FALSE(engine_.Calls("OpenDatabase").back().connect.has_value());
}

TEST_F(MaintenanceCycleTest, OptionalPasswordCancelEndsTheProgramBeforeAnyRepair) {
  MakeFile("data\\list.mdb", 100);
  engine_.FailOpen(Win("data\\list.mdb"), 3343, "Unrecognized database format.");
  ws_.AnswerModal("frmOptionalPwd", "#EXIT#\r\n");
  auto cycle = MakeCycle();
  EXPECT_THROW(cycle.Maintain(Win("data\\"), "list.mdb"), ProgramEnded);
  EXPECT_TRUE(engine_.Calls("RepairDatabase").empty());
  EXPECT_EQ(Contents("data\\list.mdb"), std::string(100, 'D'));
}

// --- Repair ---

TEST_F(MaintenanceCycleTest, RetryTwiceThenCancelSkipsTheDatabaseAndTheNextOneRuns) {
  MakeFile("data\\helper.mdb", 100);
  MakeFile("history\\history.mdb", 100);
  const std::string helper = Win("data\\helper.mdb");
  engine_.CompactTo(Win("history\\history.mdb"), 50);
  engine_.FailOpen(helper, 3343, "Unrecognized database format.");
  for (int i = 0; i < 3; ++i) engine_.FailRepair(helper, 3049, "Cannot open database. It may be damaged.");
  ws_.AnswerBox(vbRetry);
  ws_.AnswerBox(vbRetry);
  ws_.AnswerBox(vbCancel);
  auto cycle = MakeCycle();
  cycle.Maintain(Win("data\\"), "helper.mdb");

  EXPECT_EQ(engine_.Calls("RepairDatabase").size(), 3u);
  ASSERT_EQ(ws_.Boxes().size(), 3u);
  for (const auto& box : ws_.Boxes()) {
    EXPECT_EQ(box.text, "It was not possible to repair the database\r\n\r\n\"" + helper +
                            "\"\r\n\r\nThe following error was encountered:\r\n\r\n"
                            "Cannot open database. It may be damaged.");
    EXPECT_EQ(box.style, 21);
  }
  EXPECT_EQ(ws_.DoEventsCount(), 3);  // one before each attempt, none for a compaction
  EXPECT_TRUE(engine_.Calls("CompactDatabase").empty());
  EXPECT_EQ(Display(), kWorking);
  EXPECT_TRUE(tav::Run().NeedsRepair);

  cycle.Maintain(Win("history\\"), "history.mdb");
  EXPECT_EQ(Display(), kWorking + Line("history\\history.mdb", kCompacted));
}

// --- Compaction and copy back ---

TEST_F(MaintenanceCycleTest, CompactedFileOfTheSameLengthIsDiscarded) {
  MakeFile("data\\list.mdb", 1000);
  engine_.CompactTo(Win("data\\list.mdb"), 1000);
  MakeCycle({0.25}).Maintain(Win("data\\"), "list.mdb");
  const auto compact = engine_.Calls("CompactDatabase").at(0);
  EXPECT_EQ(compact.destination, Win("data\\db250000.bak"));
  EXPECT_FALSE(compact.locale.has_value());
  EXPECT_FALSE(compact.compactOptions.has_value());
  EXPECT_EQ(compact.password, std::optional<std::string>(""));
  EXPECT_EQ(compact.openHandles, 0);
  EXPECT_EQ(reseeds_, 1);
  EXPECT_FALSE(Exists("data\\db250000.bak"));
  EXPECT_EQ(Contents("data\\list.mdb"), std::string(1000, 'D'));
  EXPECT_FALSE(tav::Run().WasCompacted);
  EXPECT_EQ(Display(), kWorking + Line("data\\list.mdb", kNotNeeded));
  EXPECT_THAT(ws_.Instances("frmChooseVersion")[0]->refreshed, ElementsAre("txtFiles"));
}

// A file already under the drawn name is not this run's to delete (a user's, or a copy that
// an interrupted copy back still needs): another name is drawn.
TEST_F(MaintenanceCycleTest, CompactedFileOneByteShorterReplacesTheDatabase) {
  MakeFile("data\\list.mdb", 64001);
  MakeFile("data\\db250000.bak", 7);
  engine_.CompactTo(Win("data\\list.mdb"), 64000);
  MakeCycle({0.25, 0.5}).Maintain(Win("data\\"), "list.mdb");
  EXPECT_TRUE(ws_.Boxes().empty());
  EXPECT_EQ(engine_.Calls("CompactDatabase").at(0).destination, Win("data\\db500000.bak"));
  EXPECT_EQ(Contents("data\\list.mdb"), std::string(64000, 'C'));
  EXPECT_EQ(Contents("data\\db250000.bak"), std::string(7, 'D'));
  EXPECT_FALSE(Exists("data\\db500000.bak"));
  EXPECT_FALSE(Exists("data\\list.mdb.compacting"));
  EXPECT_FALSE(Exists("data\\list.mdb.copying"));
  EXPECT_TRUE(tav::Run().WasCompacted);
  EXPECT_EQ(Display(), kWorking + Line("data\\list.mdb", kCompacted));
}

TEST_F(MaintenanceCycleTest, OnlyTheMainDatabaseIsCompactedWithThePassword) {
  MakeFile("data\\list.mdb", 100);
  MakeFile("data\\helper.mdb", 100);
  tav::Run().DbPassword = "secret";
  engine_.RequirePassword(Win("data\\list.mdb"), "secret");
  auto cycle = MakeCycle();
  cycle.Maintain(Win("data\\"), "list.mdb");
  cycle.Maintain(Win("data\\"), "helper.mdb");
  auto opens = engine_.Calls("OpenDatabase");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].connect, "; pwd=secret;");
  EXPECT_EQ(opens[1].connect, "; pwd=secret;");
  auto compactions = engine_.Calls("CompactDatabase");
  ASSERT_EQ(compactions.size(), 2u);
  EXPECT_EQ(compactions[0].password, std::optional<std::string>(";pwd=secret"));
  EXPECT_EQ(compactions[1].password, std::optional<std::string>(""));
  EXPECT_TRUE(ws_.Boxes().empty());
}

TEST_F(MaintenanceCycleTest, FailedCompactionIsReportedAndTheDatabaseKept) {
  MakeFile("schedule\\schedule.mdb", 100);
  const std::string path = Win("schedule\\schedule.mdb");
  engine_.FailCompact(path, 3011, "Could not find object 'MSysObjects'.");
  MakeCycle().Maintain(Win("schedule\\"), "schedule.mdb");
  ASSERT_EQ(ws_.Boxes().size(), 1u);
  EXPECT_EQ(ws_.Boxes()[0].text, "It was not possible to compact the database\r\n\r\n\"" + path +
                                     "\"\r\n\r\nThe following error was encountered:\r\n\r\n"
                                     "Could not find object 'MSysObjects'.");
  EXPECT_EQ(ws_.Boxes()[0].style, 16);
  EXPECT_EQ(Display(), kWorking);
  EXPECT_EQ(Contents("schedule\\schedule.mdb"), std::string(100, 'D'));
}

// A database the file system will not let be written (immutable, or read-only to a user
// who is not root) is reported at once, before anything is written beside it.
TEST_F(MaintenanceCycleTest, ADatabaseThatCannotBeWrittenIsReportedBeforeCompaction) {
  MakeFile("history\\history.mdb", 100);
  const std::string path = Win("history\\history.mdb");
  engine_.CompactTo(path, 60);
  ProtectedFile locked(Host("history\\history.mdb"));
  if (!locked.Ok()) GTEST_SKIP() << "this file system keeps no file from root";
  MakeCycle().Maintain(Win("history\\"), "history.mdb");
  locked.Release();
  ASSERT_EQ(ws_.Boxes().size(), 1u);
  EXPECT_EQ(ws_.Boxes()[0].style, 16);
  const std::string& text = ws_.Boxes()[0].text;
  EXPECT_EQ(
      text.rfind("It was not possible to compact the database\r\n\r\n\"" + path +
                     "\"\r\n\r\nThe following error was encountered:\r\n\r\nPermission denied (cannot open: ",
                 0),
      0u)
      << text;
  EXPECT_NE(text.find("The database cannot be written, so it has not been compacted."), std::string::npos)
      << text;
  EXPECT_TRUE(engine_.Calls("CompactDatabase").empty());
  EXPECT_EQ(Contents("history\\history.mdb"), std::string(100, 'D'));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Host("history")), {}), 1);
  EXPECT_EQ(Display(), kWorking);
}

TEST_F(MaintenanceCycleTest, MissingDatabaseEndsInTheRepairBox) {
  const std::string path = Win("history\\history.mdb");
  ws_.AnswerBox(vbCancel);
  MakeCycle().Maintain(Win("history\\"), "history.mdb");
  ASSERT_EQ(ws_.Boxes().size(), 1u);
  EXPECT_EQ(ws_.Boxes()[0].style, 21);
  EXPECT_NE(ws_.Boxes()[0].text.find("Could not find file"), std::string::npos);
  EXPECT_FALSE(Exists("history\\history.mdb"));
}

// Another program holding the compacted copy makes the copy back fail: the database stays,
// the copy stays on disk, and a later compaction in the same folder never picks its name.
TEST_F(MaintenanceCycleTest, FailedCopyBackKeepsTheCompactedCopy) {
  MakeFile("data\\list.mdb", 100);
  MakeFile("data\\helper.mdb", 100);
  engine_.CompactTo(Win("data\\list.mdb"), 60);
  engine_.CompactTo(Win("data\\helper.mdb"), 60);
  int holder = -1;
  engine_.AfterCompact([&](const std::string&) {
    if (holder >= 0) return;
    holder = ::open(Host("data\\db250000.bak").c_str(), O_RDONLY);
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &lock), 0);
  });
  // The same draw twice, as after two reseeds within one clock tick.
  auto cycle = MakeCycle({0.25, 0.25, 0.5});
  cycle.Maintain(Win("data\\"), "list.mdb");
  ASSERT_EQ(ws_.Boxes().size(), 1u);
  EXPECT_EQ(ws_.Boxes()[0].style, 16);
  EXPECT_EQ(ws_.Boxes()[0].text.rfind(
                "It was not possible to compact the database\r\n\r\n\"" + Win("data\\list.mdb") + "\"", 0),
            0u);
  EXPECT_EQ(Contents("data\\list.mdb"), std::string(100, 'D'));
  EXPECT_EQ(Contents("data\\db250000.bak"), std::string(60, 'C'));
  EXPECT_EQ(Display(), kWorking);

  cycle.Maintain(Win("data\\"), "helper.mdb");
  EXPECT_EQ(engine_.Calls("CompactDatabase").back().destination, Win("data\\db500000.bak"));
  EXPECT_EQ(Contents("data\\db250000.bak"), std::string(60, 'C'));
  EXPECT_EQ(Display(), kWorking + Line("data\\helper.mdb", kCompacted));
  ::close(holder);
}

}  // namespace
}  // namespace tav::testing

// Whole runs of the program's own logic with the Qt window services and the real engine:
// the user's choice in the main window, the password dialog, the maintenance of every
// database of the installation, the message boxes and the results shown in txtFiles.
// Installations live in temporary Wine-style prefixes; message boxes are answered by the
// test, and ending the program is turned into an exception.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "install/frmChooseVersion.h"
#include "platform/ButtonPlus.h"
#include "platform/JetDaoEngine.h"
#include "platform/QtWindowServices.h"
#include "platform/RegistryApi.h"
#include "tests/platform/OtherProcess.h"
#include "tests/platform/ScopedWinePrefix.h"
#include "tests/support/DamagedCopies.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/MeasuringEngine.h"
#include "tests/support/ScriptedEngine.h"
#include "texts/PasswordDialog.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

QApplication& App() {
  static int argc = 1;
  static char name[] = "tav_end_to_end_test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: Qt's own statics (the test keyboard) must not outlive it at exit.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

struct Box {
  std::string text;
  int style;
};

// The Qt services with boxes answered by the test and End() turned into ProgramEnded.
class RecordingServices : public QtWindowServices {
 public:
  int MsgBox(const std::string& text, int style) override {
    boxes.push_back({text, style});
    return (style & 7) == vbRetryCancel ? vbCancel : vbOK;
  }
  [[noreturn]] void End() override {
    ended = true;
    throw ProgramEnded{};
  }
  void DoEvents() override {
    QtWindowServices::DoEvents();
    if (onDoEvents) onDoEvents();
  }

  std::vector<Box> boxes;
  bool ended = false;
  std::function<void()> onDoEvents;
};

// The visible window of that form name (its object name or its class name).
QWidget* TopLevel(const char* name) {
  const QString className = QStringLiteral("tav::") + name;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && (w->objectName() == name || className == w->metaObject()->className())) return w;
  return nullptr;
}

ButtonPlus* FindButton(QWidget& form, const char* name, int index = -1) {
  for (auto* b : form.findChildren<ButtonPlus*>(name))
    if (b->Index() == index) return b;
  return nullptr;
}

// Runs `step` on the named window as soon as it is on screen (gives up after 30 s).
void WhenShown(const char* name, std::function<void(QWidget&)> step, int triesLeft = 3000) {
  QTimer::singleShot(10, [name, step, triesLeft] {
    if (QWidget* w = TopLevel(name))
      step(*w);
    else if (triesLeft > 0)
      WhenShown(name, step, triesLeft - 1);
  });
}

std::string Screenshots() {
  fs::path folder = fs::path(TAVIMER_BINARY_DIR) / "screenshots";
  fs::create_directories(folder);
  return folder.string();
}

// Saves a picture of the window into the build folder, and into docs/screenshots when
// TAVIMER_UPDATE_SCREENSHOTS is set.
void SaveShot(QWidget& window, const char* name) {
  QImage shot = window.grab().toImage();
  shot.save(QString::fromStdString(Screenshots() + "/" + name + ".png"));
  if (std::getenv("TAVIMER_UPDATE_SCREENSHOTS") != nullptr)
    shot.save(QString::fromStdString(std::string(TAVIMER_SOURCE_DIR) + "/docs/screenshots/" + name + ".png"));
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    // The registry is read from this test's own prefix.
    SetDefaultRegistryApi(nullptr);
    tav::Run() = RunState{};
    RegisterMainWindow(services_);
    RegisterPasswordDialogs(services_);
    SetDbEngineFactory(MakeJetDaoEngine);
  }
  void TearDown() override {
    window_.reset();
    SetDbEngineFactory(MakeJetDaoEngine);
    SetDefaultRegistryApi(nullptr);
    tav::Run() = RunState{};
  }

  // Copies a sample database into the installation below drive_c.
  void Place(const std::string& fixture, const std::string& relative) {
    fs::path target = prefix_.DriveC() / relative;
    fs::create_directories(target.parent_path());
    fs::copy_file(fs::path(TAVIMER_FIXTURES_DIR) / "jet" / fixture, target);
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
  }
  void RegisterFirstGeneration() {
    prefix_.UserReg("[Software\\\\Tavimer\\\\Main] 1700000000\n\"Path\"=\"C:\\\\Tavimer\"\n\n");
  }
  void RegisterDocuments() {
    prefix_.UserReg(
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
        "\"Personal\"=\"C:\\\\users\\\\me\\\\Documents\"\n\n");
  }

  // Presses the version button and Start as soon as the main window is up, then runs Main.
  void RunChoosing(int version, bool shots = false) {
    WhenShown("frmChooseVersion", [version, shots](QWidget& w) {
      if (shots) SaveShot(w, "choosing");
      FindButton(w, "cmdTV", version)->Press();
      if (shots) SaveShot(w, "chosen-tv2");
      FindButton(w, "cmdStart")->Press();
    });
    window_ = Main(services_);
  }

  std::string Results() { return PropText(*window_, "txtFiles", "Text"); }
  bool EndButtonShown() {
    PropValue v;
    return window_->GetProperty("cmdEnd", "Visible", v) && std::get<bool>(v);
  }

  testing::ScopedWinePrefix prefix_;
  RecordingServices services_;
  std::unique_ptr<Form> window_;
};

TEST_F(EndToEndTest, ClosingTheWindowWithoutStartEndsWithoutTouchingAnything) {
  Place("jet3/testV1997.mdb", "Tavimer/data/list.mdb");
  Place("jet3/delTestV1997.mdb", "Tavimer/history/history.mdb");
  RegisterFirstGeneration();
  const auto before = fs::last_write_time(prefix_.DriveC() / "Tavimer/data/list.mdb");
  WhenShown("frmChooseVersion", [](QWidget& w) {
    FindButton(w, "cmdTV", 0)->Press();
    w.close();
  });
  EXPECT_THROW(Main(services_), ProgramEnded);
  EXPECT_TRUE(services_.boxes.empty());
  EXPECT_EQ(fs::last_write_time(prefix_.DriveC() / "Tavimer/data/list.mdb"), before);
  EXPECT_EQ(TopLevel("frmChooseVersion"), nullptr);
}

// What a whole run must leave behind for each database of the installation: exactly one
// outcome, either a stop box naming it (its file then unchanged) or a result line naming
// it; and never a temporary copy beside it.
struct Outcome {
  std::string path;      // Windows path as listed
  fs::path host;         // where the file lies
  std::string original;  // its bytes before the run
};

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool HasTemporaryCopy(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("db", 0) == 0 && entry.path().extension() == ".bak") return true;
  }
  return false;
}

class WholeRunTest : public EndToEndTest {
 protected:
  Outcome Expect(const std::string& windowsPath, const std::string& relative) {
    fs::path host = prefix_.DriveC() / relative;
    return {windowsPath, host, Bytes(host)};
  }

  // Checks every database and the shape of the results display.
  void CheckOutcomes(const std::vector<Outcome>& databases) {
    std::vector<std::string> lines;
    for (const Outcome& db : databases) {
      SCOPED_TRACE(db.path);
      const std::string quoted = "\"" + db.path + "\"";
      int boxes = 0;
      for (const Box& box : services_.boxes) {
        if (box.text.find(quoted) == std::string::npos) continue;
        ++boxes;
        EXPECT_EQ(box.style, 16);
        EXPECT_EQ(box.text.rfind("It was not possible to compact the database\r\n\r\n" + quoted +
                                     "\r\n\r\nThe following error was encountered:\r\n\r\n",
                                 0),
                  0u)
            << box.text;
        EXPECT_EQ(Bytes(db.host), db.original) << "a database that failed must stay as it was";
      }
      const bool listed = Results().find("The database " + quoted + " ") != std::string::npos;
      EXPECT_EQ(boxes + (listed ? 1 : 0), 1) << "each database ends in one box or one result line";
      if (listed) {
        const std::string compacted = "The database " + quoted + " has been successfully compacted";
        const std::string unchanged = "The database " + quoted + " did not need being compacted";
        const bool shrunk = Results().find(compacted) != std::string::npos;
        lines.push_back(shrunk ? compacted : unchanged);
        // A compacted database was replaced by its smaller copy; any other is untouched.
        if (shrunk)
          EXPECT_LT(fs::file_size(db.host), db.original.size());
        else
          EXPECT_EQ(Bytes(db.host), db.original);
      }
      EXPECT_FALSE(HasTemporaryCopy(db.host.parent_path()));
      EXPECT_FALSE(fs::exists(fs::path(db.host).replace_extension(".ldb")));
    }
    // Result lines one blank line apart, after the working text is gone; or the working
    // text alone when no line was written.
    std::string expected = lines.empty() ? "Working... (please wait)" : "";
    for (const std::string& line : lines) expected += (expected.empty() ? "" : "\r\n\r\n") + line;
    EXPECT_EQ(Results(), expected);
    EXPECT_TRUE(EndButtonShown());
    EXPECT_FALSE(services_.ended);
  }
};

TEST_F(WholeRunTest, FirstGenerationFromTheRegistry) {
  Place("jet3/testV1997.mdb", "Tavimer/data/list.mdb");
  Place("jet3/delTestV1997.mdb", "Tavimer/history/history.mdb");
  prefix_.File("Tavimer/data/list.ldb", "stale lock");
  RegisterFirstGeneration();
  std::vector<Outcome> dbs = {Expect("C:\\Tavimer\\data\\list.mdb", "Tavimer/data/list.mdb"),
                              Expect("C:\\Tavimer\\history\\history.mdb", "Tavimer/history/history.mdb")};

  RunChoosing(0);
  EXPECT_EQ(window_->Tag(), "TV1");
  EXPECT_EQ(tav::Run().BasePath, "C:\\Tavimer");
  CheckOutcomes(dbs);
  EXPECT_FALSE(fs::exists(prefix_.DriveC() / "Tavimer/data/list.ldb"));
}

TEST_F(WholeRunTest, SecondGenerationWithAPasswordAskedAfterAWrongOne) {
  Place("jet4/passwordV2000.mdb", "users/me/Documents/Tavimer2/data/list.mdb");
  Place("jet4/delTestV2000.mdb", "users/me/Documents/Tavimer2/data/helper.mdb");
  Place("jet4/delTestV2003.mdb", "users/me/Documents/Tavimer2/history/history.mdb");
  Place("jet4/delColTestV2000.mdb", "users/me/Documents/Tavimer2/schedule/schedule.mdb");
  RegisterDocuments();
  const std::string root = "C:\\users\\me\\Documents\\Tavimer2";
  const std::string folder = "users/me/Documents/Tavimer2";
  std::vector<Outcome> dbs = {Expect(root + "\\data\\list.mdb", folder + "/data/list.mdb"),
                              Expect(root + "\\data\\helper.mdb", folder + "/data/helper.mdb"),
                              Expect(root + "\\history\\history.mdb", folder + "/history/history.mdb"),
                              Expect(root + "\\schedule\\schedule.mdb", folder + "/schedule/schedule.mdb")};

  // The dialog is answered twice: a wrong password first, then the right one.
  int asked = 0;
  std::function<void(QWidget&)> answer = [&](QWidget& dialog) {
    ++asked;
    QTest::keyClicks(dialog.findChild<TextBox*>("txtPwd")->Editor(), asked == 1 ? "wrong" : "password");
    FindButton(dialog, "cmdOK")->Press();
    if (asked == 1) WhenShown("frmPwd", answer);
  };
  WhenShown("frmPwd", answer);
  RunChoosing(1);

  EXPECT_EQ(asked, 2);
  EXPECT_EQ(tav::Run().DbPassword, "password");
  ASSERT_FALSE(services_.boxes.empty());
  EXPECT_EQ(services_.boxes.front().text, "Incorrect password");
  EXPECT_EQ(services_.boxes.front().style, 48);
  services_.boxes.erase(services_.boxes.begin());
  CheckOutcomes(dbs);
}

// Installations made by the generator: fragmented databases with deleted rows, a Jet 3
// first generation and a Jet 4 second generation with a password.
std::string Generate(const fs::path& folder, const std::string& options) {
  const fs::path jettool = fs::path(TAVIMER_BINARY_DIR) / "tools" / "jettool";
  return jettool.string() + " generate '" + folder.string() + "' " + options +
         " --rows 150 --deleted 0.4 --seed 3 >/dev/null";
}

TEST_F(WholeRunTest, GeneratedFirstGeneration) {
  const std::string command = Generate(prefix_.DriveC() / "Tavimer", "--generation TV1 --jet 3");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  RegisterFirstGeneration();
  std::vector<Outcome> first = {Expect("C:\\Tavimer\\data\\list.mdb", "Tavimer/data/list.mdb"),
                                Expect("C:\\Tavimer\\history\\history.mdb", "Tavimer/history/history.mdb")};
  RunChoosing(0);
  EXPECT_EQ(tav::Run().BasePath, "C:\\Tavimer");
  CheckOutcomes(first);
}

TEST_F(WholeRunTest, GeneratedSecondGenerationWithItsPassword) {
  const std::string folder = "users/me/Documents/Tavimer2";
  const std::string command =
      Generate(prefix_.DriveC() / folder, "--generation TV2 --jet 4 --password secret");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  RegisterDocuments();
  const std::string root = "C:\\users\\me\\Documents\\Tavimer2";
  std::vector<Outcome> dbs = {Expect(root + "\\data\\list.mdb", folder + "/data/list.mdb"),
                              Expect(root + "\\data\\helper.mdb", folder + "/data/helper.mdb"),
                              Expect(root + "\\history\\history.mdb", folder + "/history/history.mdb"),
                              Expect(root + "\\schedule\\schedule.mdb", folder + "/schedule/schedule.mdb")};
  int asked = 0;
  WhenShown("frmPwd", [&](QWidget& dialog) {
    ++asked;
    QTest::keyClicks(dialog.findChild<TextBox*>("txtPwd")->Editor(), "secret");
    FindButton(dialog, "cmdOK")->Press();
  });
  RunChoosing(1);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(tav::Run().DbPassword, "secret");
  CheckOutcomes(dbs);
}

// The same installation as a user may have it: helper.mdb cut short inside its last page
// and schedule.mdb compacted already. The damaged database is repaired (one information
// box) and compacted, and every database ends sound, read the same by mdbtools.
TEST_F(WholeRunTest, GeneratedSecondGenerationWithADamagedDatabaseRepaired) {
  const std::string folder = "users/me/Documents/Tavimer2";
  const std::string command =
      Generate(prefix_.DriveC() / folder, "--generation TV2 --jet 4 --password secret");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  RegisterDocuments();
  const fs::path data = prefix_.DriveC() / folder;
  testing::CompactInPlace(data / "schedule/schedule.mdb");
  const fs::path sound = prefix_.Prefix() / "helper-before.mdb";
  fs::copy_file(data / "data/helper.mdb", sound);
  const uint32_t damagedPage = testing::CutInsideLastPage(data / "data/helper.mdb");
  const testing::TableRows helperKept = testing::ReaderRows(sound, "", damagedPage);
  const testing::TableRows helperExported = testing::ExportedRows(sound);
  std::map<std::string, testing::TableRows> exported;
  for (const char* db : {"data/list.mdb", "history/history.mdb", "schedule/schedule.mdb"})
    exported[db] = testing::ExportedRows(data / db);
  const std::string schedule = Bytes(data / "schedule/schedule.mdb");

  testing::SizeLog sizes;
  SetDbEngineFactory([&sizes] { return testing::MeasureCompactions(MakeJetDaoEngine(), sizes); });
  WhenShown("frmPwd", [](QWidget& dialog) {
    QTest::keyClicks(dialog.findChild<TextBox*>("txtPwd")->Editor(), "secret");
    FindButton(dialog, "cmdOK")->Press();
  });
  RunChoosing(1);

  const std::string root = "C:\\users\\me\\Documents\\Tavimer2";
  ASSERT_EQ(services_.boxes.size(), 1u);
  EXPECT_EQ(services_.boxes[0].text,
            "The database\r\n\r\n\"" + root + "\\data\\helper.mdb\"\r\n\r\nhas been successfully repaired");
  EXPECT_EQ(services_.boxes[0].style, 64);
  // Each result line follows the sizes the compaction left.
  std::string expected;
  for (const char* db :
       {"\\data\\list.mdb", "\\data\\helper.mdb", "\\history\\history.mdb", "\\schedule\\schedule.mdb"}) {
    ASSERT_EQ(sizes.count(root + db), 1u) << db << " was not compacted";
    expected +=
        std::string(expected.empty() ? "" : "\r\n\r\n") + "The database \"" + root + db + "\" " +
        (sizes[root + db].Smaller() ? "has been successfully compacted" : "did not need being compacted");
  }
  EXPECT_EQ(Results(), expected);
  EXPECT_TRUE(sizes[root + "\\data\\list.mdb"].Smaller());
  EXPECT_FALSE(sizes[root + "\\schedule\\schedule.mdb"].Smaller());
  EXPECT_TRUE(EndButtonShown());
  EXPECT_EQ(Bytes(data / "schedule/schedule.mdb"), schedule);

  // Sound by the command-line check; the same rows through mdbtools (helper.mdb: the rows
  // outside its damaged page).
  const std::string jettool = (fs::path(TAVIMER_BINARY_DIR) / "tools" / "jettool").string();
  for (const char* db :
       {"data/list.mdb", "data/helper.mdb", "history/history.mdb", "schedule/schedule.mdb"}) {
    SCOPED_TRACE(db);
    const std::string check = jettool + " check " + testing::ShellQuoted((data / db).string()) +
                              (std::string(db) == "data/list.mdb" ? " --password secret" : "");
    const testing::CommandResult checked = testing::RunShell(check);
    EXPECT_EQ(checked.exitCode, 0) << checked.out;
    if (exported.count(db) != 0) {
      EXPECT_EQ(testing::ExportedRows(data / db), exported[db]);
    }
    EXPECT_TRUE(testing::TemporaryCopies((data / db).parent_path()).empty());
    EXPECT_FALSE(fs::exists(fs::path(data / db).replace_extension(".ldb")));
  }
  EXPECT_EQ(testing::ReaderRows(data / "data/helper.mdb"), helperKept);
  testing::ExpectRowsWithin(testing::ExportedRows(data / "data/helper.mdb"), helperExported, helperKept);
}

// Another program has list.mdb open: its password is still asked for and checked, but
// the compaction cannot have the file to itself, so it is reported in a box and the
// database stays exactly as it was, with its user's lock file beside it.
TEST_F(WholeRunTest, GeneratedSecondGenerationWithTheMainDatabaseOpenElsewhere) {
  const std::string folder = "users/me/Documents/Tavimer2";
  const std::string command =
      Generate(prefix_.DriveC() / folder, "--generation TV2 --jet 4 --password secret");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  RegisterDocuments();
  const std::string root = "C:\\users\\me\\Documents\\Tavimer2";
  const std::string list = root + "\\data\\list.mdb";
  const fs::path host = prefix_.DriveC() / folder / "data/list.mdb";
  const std::string before = Bytes(host);
  std::vector<Outcome> others = {
      Expect(root + "\\data\\helper.mdb", folder + "/data/helper.mdb"),
      Expect(root + "\\history\\history.mdb", folder + "/history/history.mdb"),
      Expect(root + "\\schedule\\schedule.mdb", folder + "/schedule/schedule.mdb")};
  testing::OtherProcess other([list]() -> std::function<void()> {
    std::shared_ptr<DaoDatabase> open =
        MakeJetDaoEngine()->Workspaces(0).OpenDatabase(list, false, false, "; pwd=secret;");
    return [open] { open->Close(); };
  });
  ASSERT_TRUE(other.Ok());
  WhenShown("frmPwd", [](QWidget& dialog) {
    QTest::keyClicks(dialog.findChild<TextBox*>("txtPwd")->Editor(), "secret");
    FindButton(dialog, "cmdOK")->Press();
  });
  RunChoosing(1);

  ASSERT_FALSE(services_.boxes.empty());
  EXPECT_EQ(services_.boxes[0].text,
            "It was not possible to compact the database\r\n\r\n\"" + list +
                "\"\r\n\r\nThe following error was encountered:\r\n\r\nCould not use '" + list +
                "'; file already in use.");
  EXPECT_EQ(services_.boxes[0].style, 16);
  EXPECT_EQ(Bytes(host), before);
  EXPECT_TRUE(fs::exists(fs::path(host).replace_extension(".ldb")));
  EXPECT_TRUE(testing::TemporaryCopies(host.parent_path()).empty());
  services_.boxes.erase(services_.boxes.begin());
  CheckOutcomes(others);
  other.Release();
  EXPECT_EQ(Bytes(host), before);
}

TEST_F(WholeRunTest, CancellingThePasswordEndsBeforeAnyDatabaseIsTouched) {
  Place("jet4/passwordV2000.mdb", "users/me/Documents/Tavimer2/data/list.mdb");
  Place("jet4/delTestV2000.mdb", "users/me/Documents/Tavimer2/history/history.mdb");
  RegisterDocuments();
  const std::string before = Bytes(prefix_.DriveC() / "users/me/Documents/Tavimer2/data/list.mdb");
  WhenShown("frmPwd", [](QWidget& dialog) { FindButton(dialog, "cmdAnnulla")->Press(); });
  WhenShown("frmChooseVersion", [](QWidget& w) {
    FindButton(w, "cmdTV", 1)->Press();
    FindButton(w, "cmdStart")->Press();
  });
  EXPECT_THROW(Main(services_), ProgramEnded);
  EXPECT_TRUE(services_.boxes.empty());
  EXPECT_EQ(Bytes(prefix_.DriveC() / "users/me/Documents/Tavimer2/data/list.mdb"), before);
}

TEST_F(WholeRunTest, NoInstallationFoundReportsEveryMissingDatabase) {
  // The main database cannot be opened, so the optional password is asked: none is given.
  int asked = 0;
  WhenShown("frmOptionalPwd", [&](QWidget& dialog) {
    ++asked;
    FindButton(dialog, "cmdOK")->Press();
  });
  RunChoosing(0);
  EXPECT_EQ(tav::Run().BasePath, "");
  EXPECT_EQ(asked, 1);
  // Each missing database fails its repair; the test answers Cancel to Retry or Cancel.
  ASSERT_EQ(services_.boxes.size(), 2u);
  const char* paths[] = {"\"\\data\\list.mdb\"", "\"\\history\\history.mdb\""};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(services_.boxes[i].style, 21);
    EXPECT_EQ(
        services_.boxes[i].text.rfind(std::string("It was not possible to repair the database\r\n\r\n") +
                                          paths[i] + "\r\n\r\nThe following error was encountered:",
                                      0),
        0u)
        << services_.boxes[i].text;
  }
  EXPECT_EQ(Results(), "Working... (please wait)");
  EXPECT_TRUE(EndButtonShown());
}

// An engine that can compact (scripted): the window shows the result lines after the run,
// one blank line apart, with the working text gone and the caret after the last line.
class ScriptedRunTest : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    SetDbEngineFactory([this] { return engine_.Handle(); });
    const std::string folder = "users/me/Documents/Tavimer2";
    for (const char* file :
         {"data/list.mdb", "data/helper.mdb", "history/history.mdb", "schedule/schedule.mdb"})
      prefix_.File(folder + "/" + file, std::string(4096, 'x'));
    RegisterDocuments();
    engine_.CompactTo(root_ + "\\data\\list.mdb", 1024);
    engine_.CompactTo(root_ + "\\schedule\\schedule.mdb", 2048);
  }

  std::string ExpectedResults() const {
    return "The database \"" + root_ + "\\data\\list.mdb\" has been successfully compacted\r\n\r\n" +
           "The database \"" + root_ + "\\data\\helper.mdb\" did not need being compacted\r\n\r\n" +
           "The database \"" + root_ + "\\history\\history.mdb\" did not need being compacted\r\n\r\n" +
           "The database \"" + root_ + "\\schedule\\schedule.mdb\" has been successfully compacted";
  }

  const std::string root_ = "C:\\users\\me\\Documents\\Tavimer2";
  testing::ScriptedEngine engine_;
};

TEST_F(ScriptedRunTest, ResultLinesReplaceTheWorkingText) {
  RunChoosing(1);
  EXPECT_TRUE(services_.boxes.empty());
  EXPECT_EQ(Results(), ExpectedResults());
  PropValue caret;
  ASSERT_TRUE(window_->GetProperty("txtFiles", "SelStart", caret));
  EXPECT_EQ(std::get<int32_t>(caret), static_cast<int32_t>(ExpectedResults().size()));
  EXPECT_TRUE(EndButtonShown());
  EXPECT_EQ(fs::file_size(prefix_.DriveC() / "users/me/Documents/Tavimer2/data/list.mdb"), 1024u);
  EXPECT_EQ(fs::file_size(prefix_.DriveC() / "users/me/Documents/Tavimer2/data/helper.mdb"), 4096u);
  EXPECT_FALSE(HasTemporaryCopy(prefix_.DriveC() / "users/me/Documents/Tavimer2/data"));
}

// The user closes the window while the run is at work: the close is refused, every
// database is still finished and the results stay on screen.
TEST_F(ScriptedRunTest, ClosingDuringTheRunIsRefused) {
  int refused = 0;
  auto tryClose = [&] {
    if (QWidget* w = TopLevel("frmChooseVersion"); w && !w->close()) ++refused;
  };
  services_.onDoEvents = tryClose;
  engine_.AfterCompact([&](const std::string&) { tryClose(); });
  RunChoosing(1);
  EXPECT_GT(refused, 0);
  EXPECT_EQ(Results(), ExpectedResults());
  EXPECT_TRUE(static_cast<QtForm&>(*window_).Widget()->isVisible());
  EXPECT_FALSE(services_.ended);
}

// Pictures of the states Choosing, Chosen (second generation), Working and Finished.
TEST_F(ScriptedRunTest, ScreenshotsOfEachState) {
  bool working = false;
  auto shootWorking = [&] {
    if (working) return;
    if (QWidget* w = TopLevel("frmChooseVersion")) {
      working = true;
      SaveShot(*w, "working");
    }
  };
  services_.onDoEvents = shootWorking;
  engine_.AfterCompact([&](const std::string&) { shootWorking(); });
  RunChoosing(1, true);
  EXPECT_TRUE(working);
  EXPECT_EQ(Results(), ExpectedResults());
  SaveShot(*static_cast<QtForm&>(*window_).Widget(), "finished");
  for (const char* name : {"choosing", "chosen-tv2", "working", "finished"})
    EXPECT_TRUE(fs::exists(fs::path(Screenshots()) / (std::string(name) + ".png"))) << name;
}

}  // namespace
}  // namespace tav

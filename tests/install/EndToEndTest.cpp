// Whole runs of the program's own logic with the Qt window services and the real engine:
// the user's choice in the main window, the password dialog, the maintenance of every
// database of the installation, the message boxes and the results shown in txtFiles.
// Installations live in temporary Wine-style prefixes; message boxes are answered by the
// test, and ending the program is turned into an exception.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "install/frmChooseVersion.h"
#include "platform/dao/JetDaoEngine.h"
#include "tests/platform/ScopedWinePrefix.h"
#include "tests/support/DamagedCopies.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/MainWindowRun.h"
#include "tests/support/MeasuringEngine.h"
#include "tests/support/ScriptedEngine.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

using testing::Box;
using testing::FindButton;
using testing::TopLevel;
using testing::WhenShown;

// What a picture must show: the window's state and size when it was taken.
struct Shot {
  frmChooseVersion::State state;
  QSize size;
};

std::string SizeText(QSize size) {
  return std::to_string(size.width()) + " x " + std::to_string(size.height());
}

// Pictures taken in this test, in a fresh folder of its own.
std::map<std::string, Shot>& Shots() {
  static std::map<std::string, Shot> shots;
  return shots;
}
fs::path& ShotFolder() {
  static fs::path folder;
  return folder;
}

// Saves a picture of the window into the test's folder, and into docs/screenshots when
// TAVIMER_UPDATE_SCREENSHOTS is set.
void SaveShot(QWidget& window, const char* name) {
  QImage shot = window.grab().toImage();
  Shots()[name] = {testing::MainWindowState(window), window.size()};
  fs::create_directories(ShotFolder());
  shot.save(QString::fromStdString((ShotFolder() / (std::string(name) + ".png")).string()));
  if (std::getenv("TAVIMER_UPDATE_SCREENSHOTS") != nullptr)
    shot.save(QString::fromStdString(std::string(TAVIMER_SOURCE_DIR) + "/docs/screenshots/" + name + ".png"));
}

class EndToEndTest : public testing::MainWindowRunTest {
 protected:
  void SetUp() override {
    MainWindowRunTest::SetUp();
    Shots().clear();
    ShotFolder() = prefix_.Prefix() / "screenshots";
  }

  // Presses the version button and Start, with pictures of the window when `shots` is set.
  void RunChoosing(int version, bool shots = false) {
    MainWindowRunTest::RunChoosing(version, shots ? SaveShot : std::function<void(QWidget&, const char*)>());
  }
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

// What a whole run must leave behind for a database of the installation. The test says
// whether it must shrink, and the files show whether it did: a shrunk database is smaller,
// sound, and reads back the same rows through our reader and mdbtools; any other is byte
// for byte as it was.
struct Outcome {
  std::string path;             // Windows path as listed
  fs::path host;                // where the file lies
  bool shrinks = false;         // the test's expectation
  std::string password;         // to read it
  std::string original;         // its bytes before the run
  testing::TableRows read;      // its rows before the run, through our reader
  testing::TableRows exported;  // and through mdb-export
  bool checkedByTest = false;   // its contents are the test's own concern (a repaired one)
};
constexpr bool kShrinks = true;
constexpr bool kStaysAsItWas = false;

std::string Bytes(const fs::path& file) { return testing::FileBytes(file); }

class WholeRunTest : public EndToEndTest {
 protected:
  Outcome Expect(const std::string& windowsPath, const std::string& relative, bool shrinks,
                 const std::string& password = "") {
    Outcome db = Repaired(windowsPath, relative);
    db.shrinks = shrinks;
    db.password = password;
    db.original = Bytes(db.host);
    db.read = testing::ReaderRows(db.host, password);
    db.exported = testing::ExportedRows(db.host);
    db.checkedByTest = false;
    return db;
  }
  // A database whose contents the test checks itself; whether it shrinks is set later.
  Outcome Repaired(const std::string& windowsPath, const std::string& relative) {
    Outcome db;
    db.path = windowsPath;
    db.host = prefix_.DriveC() / relative;
    db.checkedByTest = true;
    return db;
  }

  // Checks every database, that no box came beyond those the test has taken off
  // `services_.boxes`, and the results display: one line per database, in order.
  void CheckOutcomes(const std::vector<Outcome>& databases) {
    for (const Box& box : services_.boxes)
      ADD_FAILURE() << "unexpected box, style " << box.style << ": " << box.text;
    std::string expected;
    for (const Outcome& db : databases) {
      SCOPED_TRACE(db.path);
      expected += std::string(expected.empty() ? "" : "\r\n\r\n") + "The database \"" + db.path + "\" " +
                  (db.shrinks ? "has been successfully compacted" : "did not need being compacted");
      EXPECT_EQ(testing::TemporaryCopies(db.host.parent_path()), std::vector<fs::path>{});
      EXPECT_FALSE(fs::exists(fs::path(db.host).replace_extension(".ldb")));
      if (db.checkedByTest) continue;
      if (!db.shrinks) {
        EXPECT_EQ(Bytes(db.host), db.original) << "the database changed";
        continue;
      }
      EXPECT_LT(fs::file_size(db.host), db.original.size()) << "the database did not shrink";
      EXPECT_EQ(testing::CheckProblems(db.host, db.password), std::vector<std::string>{});
      EXPECT_EQ(testing::RowsDifference(testing::ReaderRows(db.host, db.password), db.read), "")
          << "our reader";
      EXPECT_EQ(testing::RowsDifference(testing::ExportedRows(db.host), db.exported), "") << "mdb-export";
    }
    EXPECT_EQ(Results(), expected.empty() ? "Working... (please wait)" : expected);
    EXPECT_TRUE(EndButtonShown());
    EXPECT_FALSE(services_.ended);
  }
};

TEST_F(WholeRunTest, FirstGenerationFromTheRegistry) {
  Place("jet3/testV1997.mdb", "Tavimer/data/list.mdb");
  Place("jet3/delTestV1997.mdb", "Tavimer/history/history.mdb");
  prefix_.File("Tavimer/data/list.ldb", "stale lock");
  RegisterFirstGeneration();
  std::vector<Outcome> dbs = {
      Expect("C:\\Tavimer\\data\\list.mdb", "Tavimer/data/list.mdb", kShrinks),
      Expect("C:\\Tavimer\\history\\history.mdb", "Tavimer/history/history.mdb", kShrinks)};

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
  // Every one of these samples holds space to reclaim.
  std::vector<Outcome> dbs = {
      Expect(root + "\\data\\list.mdb", folder + "/data/list.mdb", kShrinks, "password"),
      Expect(root + "\\data\\helper.mdb", folder + "/data/helper.mdb", kShrinks),
      Expect(root + "\\history\\history.mdb", folder + "/history/history.mdb", kShrinks),
      Expect(root + "\\schedule\\schedule.mdb", folder + "/schedule/schedule.mdb", kShrinks)};

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

// Installations made by the generator: fragmented databases with deleted rows, so each of
// them shrinks; a Jet 3 first generation and a Jet 4 second generation with a password.
using testing::GenerateCommand;

TEST_F(WholeRunTest, GeneratedFirstGeneration) {
  const std::string command = GenerateCommand(prefix_.DriveC() / "Tavimer", "--generation TV1 --jet 3");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  RegisterFirstGeneration();
  std::vector<Outcome> first = {
      Expect("C:\\Tavimer\\data\\list.mdb", "Tavimer/data/list.mdb", kShrinks),
      Expect("C:\\Tavimer\\history\\history.mdb", "Tavimer/history/history.mdb", kShrinks)};
  RunChoosing(0);
  EXPECT_EQ(tav::Run().BasePath, "C:\\Tavimer");
  CheckOutcomes(first);
}

TEST_F(WholeRunTest, GeneratedSecondGenerationWithItsPassword) {
  const std::string folder = "users/me/Documents/Tavimer2";
  const std::string command =
      GenerateCommand(prefix_.DriveC() / folder, "--generation TV2 --jet 4 --password secret");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  RegisterDocuments();
  const std::string root = "C:\\users\\me\\Documents\\Tavimer2";
  std::vector<Outcome> dbs = {
      Expect(root + "\\data\\list.mdb", folder + "/data/list.mdb", kShrinks, "secret"),
      Expect(root + "\\data\\helper.mdb", folder + "/data/helper.mdb", kShrinks),
      Expect(root + "\\history\\history.mdb", folder + "/history/history.mdb", kShrinks),
      Expect(root + "\\schedule\\schedule.mdb", folder + "/schedule/schedule.mdb", kShrinks)};
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
// box) and compacted, schedule.mdb stays as it was, the others shrink, and every database
// ends sound.
TEST_F(WholeRunTest, GeneratedSecondGenerationWithADamagedDatabaseRepaired) {
  const std::string folder = "users/me/Documents/Tavimer2";
  const std::string command =
      GenerateCommand(prefix_.DriveC() / folder, "--generation TV2 --jet 4 --password secret");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  RegisterDocuments();
  const fs::path data = prefix_.DriveC() / folder;
  testing::CompactInPlace(data / "schedule/schedule.mdb");
  const fs::path sound = prefix_.Prefix() / "helper-before.mdb";
  fs::copy_file(data / "data/helper.mdb", sound);
  const uint32_t damagedPage = testing::CutInsideLastPage(data / "data/helper.mdb");
  const testing::TableRows helperKept = testing::ReaderRows(sound, "", damagedPage);
  const testing::TableRows helperExported = testing::ExportedRows(sound);
  const std::string root = "C:\\users\\me\\Documents\\Tavimer2";
  const std::string helper = root + "\\data\\helper.mdb";
  std::vector<Outcome> dbs = {
      Expect(root + "\\data\\list.mdb", folder + "/data/list.mdb", kShrinks, "secret"),
      Repaired(helper, folder + "/data/helper.mdb"),
      Expect(root + "\\history\\history.mdb", folder + "/history/history.mdb", kShrinks),
      Expect(root + "\\schedule\\schedule.mdb", folder + "/schedule/schedule.mdb", kStaysAsItWas)};

  testing::SizeLog sizes;
  SetDbEngineFactory([&sizes] { return testing::MeasureCompactions(MakeJetDaoEngine(), sizes); });
  WhenShown("frmPwd", [](QWidget& dialog) {
    QTest::keyClicks(dialog.findChild<TextBox*>("txtPwd")->Editor(), "secret");
    FindButton(dialog, "cmdOK")->Press();
  });
  RunChoosing(1);

  ASSERT_FALSE(services_.boxes.empty());
  EXPECT_EQ(services_.boxes[0].text,
            "The database\r\n\r\n\"" + helper + "\"\r\n\r\nhas been successfully repaired");
  EXPECT_EQ(services_.boxes[0].style, 64);
  services_.boxes.erase(services_.boxes.begin());

  // The repaired helper.mdb: compacted like the others, replaced when the copy the engine
  // left was smaller; sound, with the rows outside its damaged page.
  ASSERT_EQ(sizes.count(helper), 1u) << "helper.mdb was not compacted";
  dbs[1].shrinks = sizes[helper].Smaller();
  EXPECT_EQ(fs::file_size(dbs[1].host), dbs[1].shrinks ? sizes[helper].copy : sizes[helper].database);
  EXPECT_EQ(testing::CheckProblems(dbs[1].host), std::vector<std::string>{});
  EXPECT_EQ(testing::ReaderRows(dbs[1].host), helperKept);
  testing::ExpectRowsWithin(testing::ExportedRows(dbs[1].host), helperExported, helperKept);
  CheckOutcomes(dbs);
}

TEST_F(WholeRunTest, ThreeWrongPasswordsEndTheProgramBeforeAnyDatabaseIsTouched) {
  Place("jet4/passwordV2000.mdb", "users/me/Documents/Tavimer2/data/list.mdb");
  Place("jet4/delTestV2000.mdb", "users/me/Documents/Tavimer2/history/history.mdb");
  RegisterDocuments();
  const fs::path list = prefix_.DriveC() / "users/me/Documents/Tavimer2/data/list.mdb";
  const std::string before = Bytes(list);
  int asked = 0;
  std::function<void(QWidget&)> answer = [&](QWidget& dialog) {
    ++asked;
    QTest::keyClicks(dialog.findChild<TextBox*>("txtPwd")->Editor(), "wrong");
    FindButton(dialog, "cmdOK")->Press();
    if (asked < 3) WhenShown("frmPwd", answer);
  };
  WhenShown("frmPwd", answer);
  WhenShown("frmChooseVersion", [](QWidget& w) {
    FindButton(w, "cmdTV", 1)->Press();
    FindButton(w, "cmdStart")->Press();
  });
  EXPECT_THROW(Main(services_), ProgramEnded);
  EXPECT_EQ(asked, 3);
  ASSERT_EQ(services_.boxes.size(), 3u);
  for (const testing::Box& box : services_.boxes) EXPECT_EQ(box.text, "Incorrect password");
  EXPECT_EQ(Bytes(list), before);
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
  // Each missing database fails its repair: the first is retried once, then each is given up.
  services_.retries = {vbRetry};
  RunChoosing(0);
  EXPECT_EQ(tav::Run().BasePath, "");
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(services_.boxes.size(), 3u);
  const char* paths[] = {"\"\\data\\list.mdb\"", "\"\\data\\list.mdb\"", "\"\\history\\history.mdb\""};
  for (int i = 0; i < 3; ++i) {
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
  EXPECT_EQ(testing::TemporaryCopies(prefix_.DriveC() / "users/me/Documents/Tavimer2/data"),
            std::vector<fs::path>{});
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

  // Each picture, read back from this test's own folder, is the whole window at its
  // designed size (7500 x 5985 twips, 15 twips a pixel) in the state it is named after,
  // and no two states look the same.
  using State = frmChooseVersion::State;
  const std::pair<const char*, State> states[] = {{"choosing", State::Choosing},
                                                  {"chosen-tv2", State::Chosen},
                                                  {"working", State::Working},
                                                  {"finished", State::Finished}};
  std::vector<QImage> pictures;
  for (const auto& [name, state] : states) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Shots().count(name), 1u) << "no picture taken";
    EXPECT_EQ(Shots()[name].state, state);
    EXPECT_EQ(SizeText(Shots()[name].size), "500 x 399");
    const QImage picture(QString::fromStdString((ShotFolder() / (std::string(name) + ".png")).string()));
    ASSERT_FALSE(picture.isNull()) << "no picture in " << ShotFolder();
    EXPECT_EQ(SizeText(picture.size()), SizeText(Shots()[name].size));
    for (const QImage& other : pictures) EXPECT_NE(picture, other) << "looks like an earlier state";
    pictures.push_back(picture);
  }
}

}  // namespace
}  // namespace tav

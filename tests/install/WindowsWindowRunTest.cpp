// Whole runs of tavimer-maint.exe through its Win32 window, under Wine on an X display of
// the test program's own: xdotool moves the mouse, clicks and types as a user would, and a
// Windows helper beside the program (tests/support/WindowProbe.c) tells where its windows
// are and reads what they show. The installations are generated into the prefix, the second
// generation in the documents folder the program finds it in.
//
// The runs are a sweep over what the user meets: each generation, a password typed (and
// typed wrong three times), a repair that fails and is retried then cancelled, a database
// that another Windows program holds. The results box must show the lines the Linux window
// shows for the same databases (tests/install/EndToEndTest.cpp): one line per database, in
// order, blank lines between.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/DatabaseContent.h"
#include "tests/support/RequiredTool.h"
#include "tests/support/VirtualDisplay.h"
#include "tests/support/WineProgram.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

const auto* const kDisplay = ::testing::AddGlobalTestEnvironment(new VirtualDisplay);
const auto* const kPrefix = ::testing::AddGlobalTestEnvironment(new SharedWinePrefix);

const fs::path kProgram = TAVIMER_WINDOWS_PROGRAM;
const fs::path kProbe = TAVIMER_WINDOW_PROBE;
const std::vector<std::string> kTv1Files = {"data\\list.mdb", "history\\history.mdb"};
const std::vector<std::string> kTv2Files = {"data\\list.mdb", "data\\helper.mdb", "history\\history.mdb",
                                            "schedule\\schedule.mdb"};
const std::string kTv1Root = "C:\\Tavimer";

// What is done to the installation before the run.
enum class Arrange { kNothing, kScheduleMissing, kHistoryHeld };

struct WindowRunCase {
  const char* name;
  int version;                       // the version button pressed: 0 (TV1) or 1 (TV2)
  std::vector<std::string> typed;    // at each password dialog in turn; Escape when none is left
  std::vector<std::string> boxKeys;  // each box's answer: Return (OK, Retry) or Escape (Cancel)
  Arrange arrange;
  std::vector<std::string> boxes;      // how each box's text begins, in turn
  bool finishes;                       // the results shown, or the program ended before them
  std::vector<std::string> compacted;  // the databases of the result lines, in order
  bool pictures = false;               // the run whose pictures docs/screenshots shows
};
void PrintTo(const WindowRunCase& c, std::ostream* out) { *out << c.name; }

// Points in the main window's client area, in pixels (its layout in twips divided by 15).
struct Point {
  int x, y;
};
constexpr Point kTavimer[] = {{140, 178}, {370, 178}};  // the "Tavimer 1.x" and "2.x" buttons
constexpr Point kStart{374, 354};                       // Start
constexpr Point kEnd{250, 354};                         // the closing button, shown when the run is over
constexpr int kWindowWidth = 500, kWindowHeight = 399;

class WindowsWindowRunTest : public ::testing::TestWithParam<WindowRunCase> {
 protected:
  void SetUp() override {
    TAV_REQUIRE_TOOL(VirtualDisplay::Failure().empty(), VirtualDisplay::Failure());
    TAV_REQUIRE_TOOL(SharedWinePrefix::Failure().empty(), SharedWinePrefix::Failure());
    TAV_REQUIRE_TOOL(std::system("command -v xdotool >/dev/null 2>&1") == 0, "xdotool is not installed");
    TAV_REQUIRE_TOOL(fs::exists(kProgram) && fs::exists(kProbe), kProgram.string() + " was not built");
    probe_ = std::make_unique<WineProgram>(SharedWinePrefix::Path(), kProbe, std::vector<std::string>{});
    documents_ = Ask("documents", 60);
    ASSERT_EQ(documents_.rfind("C:\\", 0), 0u) << "no documents folder: " << documents_;
    // A new prefix links the documents folder to the home folder: the test's own one is a
    // folder of the prefix, so that nothing is generated outside it.
    const fs::path documents = Host(documents_);
    if (fs::is_symlink(documents)) {
      fs::remove(documents);
      fs::create_directories(documents);
    }
    root_ = GetParam().version == 1 ? documents_ + "\\Tavimer2" : kTv1Root;
    shots_ = fs::path(::testing::TempDir()) / "windows-window-shots";
    fs::create_directories(shots_);
  }

  void TearDown() override {
    if (program_) program_->Finish(5);
    if (holder_) holder_->Finish(5);
    if (probe_) probe_->Finish(5);
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(Host(root_), ignored);
  }

  // The probe's answer to one command.
  std::string Ask(const std::string& command, int seconds) {
    probe_->WriteLine(command);
    return probe_->ReadLine(seconds + 10);
  }

  // Where a Windows path below C:\ lies.
  static fs::path Host(const std::string& windowsPath) {
    std::string relative = windowsPath.substr(3);
    for (char& c : relative)
      if (c == '\\') c = '/';
    return SharedWinePrefix::Path() / "drive_c" / relative;
  }

  // The generation of the case: the second in the documents folder, its list.mdb with the
  // password "secret"; the first in C:\\Tavimer, registered. Rows are left deleted for every
  // database to shrink; the bytes and rows of each are noted.
  void Generate() {
    const bool second = GetParam().version == 1;
    const std::string jettool = (fs::path(TAVIMER_BINARY_DIR) / "tools" / "jettool").string();
    const std::string command =
        jettool + " generate " + ShellQuoted(Host(root_).string()) +
        (second ? " --generation TV2 --jet 4 --password secret" : " --generation TV1 --jet 3") +
        " --rows 150 --deleted 0.4 --seed 5 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    if (!second) {
      const std::string reg =
          SharedWinePrefix::Env() +
          "wine reg add 'HKCU\\Software\\Tavimer\\Main' /v Path /d 'C:\\Tavimer' /f >/dev/null 2>&1";
      ASSERT_EQ(std::system(reg.c_str()), 0) << reg;
    }
    for (const std::string& file : Files()) {
      const fs::path host = Host(root_ + "\\" + file);
      bytes_[file] = FileBytes(host);
      rows_[file] = ExportedRows(host);
    }
  }

  const std::vector<std::string>& Files() const { return GetParam().version == 1 ? kTv2Files : kTv1Files; }

  void Arrange() {
    if (GetParam().arrange == Arrange::kScheduleMissing) fs::remove(Host(root_ + "\\schedule\\schedule.mdb"));
    if (GetParam().arrange == Arrange::kHistoryHeld) {
      holder_ = std::make_unique<WineProgram>(
          SharedWinePrefix::Path(), TAVIMER_WINDOWS_HOLDER,
          std::vector<std::string>{"exclusive", root_ + "\\history\\history.mdb"});
      ASSERT_EQ(holder_->ReadLine(120), "held") << "the Windows program does not hold history.mdb";
    }
  }

  // Starts the program with no arguments and waits for its main window.
  void Start() {
    program_ = std::make_unique<WineProgram>(SharedWinePrefix::Path(), kProgram, std::vector<std::string>{});
    window_ = Origin(Ask("window 60", 60));
    ASSERT_GE(window_.x, 0) << "the main window did not appear";
  }

  static Point Origin(const std::string& answer) {
    Point at{-1, -1};
    if (answer != "none" && !answer.empty())
      at = {std::stoi(answer), std::stoi(answer.substr(answer.find(' ')))};
    return at;
  }

  void Click(Point inWindow) const {
    Xdotool("mousemove --sync " + std::to_string(window_.x + inWindow.x) + " " +
            std::to_string(window_.y + inWindow.y) + " click 1");
  }
  static void Xdotool(const std::string& arguments) {
    EXPECT_EQ(std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()), 0) << arguments;
  }
  static void Type(const std::string& text) { Xdotool("type --delay 40 " + ShellQuoted(text)); }
  static void Key(const std::string& key) { Xdotool("key --delay 40 " + key); }

  // A picture of the main window, in this test's folder and, when TAVIMER_UPDATE_SCREENSHOTS
  // is set, in docs/screenshots beside the Linux window's.
  void Shot(const std::string& name) const {
    if (!GetParam().pictures) return;
    // What the window was just told to show is painted a moment later.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const fs::path file = shots_ / ("windows-" + name + ".png");
    EXPECT_TRUE(SaveScreen(file.string(), window_.x, window_.y, kWindowWidth, kWindowHeight)) << name;
    if (std::getenv("TAVIMER_UPDATE_SCREENSHOTS") != nullptr)
      fs::copy_file(file, fs::path(TAVIMER_SOURCE_DIR) / "docs/screenshots" / file.filename(),
                    fs::copy_options::overwrite_existing);
  }

  // The results box, a line each.
  std::vector<std::string> Results() {
    std::vector<std::string> lines;
    probe_->WriteLine("text");
    for (std::string line = probe_->ReadLine(10); line != "."; line = probe_->ReadLine(10)) {
      if (line.empty() && lines.size() > 1000) break;
      lines.push_back(line);
    }
    return lines;
  }

  // What the Linux window shows once each database of `files` was compacted.
  std::vector<std::string> CompactedLines(const std::vector<std::string>& files) const {
    std::vector<std::string> lines;
    for (const std::string& file : files) {
      if (!lines.empty()) lines.push_back("");
      lines.push_back("The database \"" + shown_ + "\\" + file + "\" has been successfully compacted");
    }
    return lines;
  }

  // Each database of the installation: smaller with the same rows when it was compacted,
  // else byte for byte as it was; no temporary copy is left beside it.
  void ExpectDatabases(const std::vector<std::string>& compacted) {
    for (const std::string& file : Files()) {
      SCOPED_TRACE(file);
      const fs::path host = Host(root_ + "\\" + file);
      if (!fs::exists(host)) continue;
      EXPECT_EQ(TemporaryCopies(host.parent_path()), std::vector<fs::path>{});
      if (std::find(compacted.begin(), compacted.end(), file) == compacted.end()) {
        EXPECT_TRUE(FileBytes(host) == bytes_.at(file)) << "the database changed";
        continue;
      }
      EXPECT_LT(fs::file_size(host), bytes_.at(file).size());
      EXPECT_EQ(RowsDifference(ExportedRows(host), rows_.at(file)), "");
    }
  }

  // Answers the program's questions as the case says, until the results are shown or the
  // program ends; the texts of the boxes it showed, and "finished", "ended" or "none" (it
  // stopped asking and went on working) last.
  std::vector<std::string> Converse() {
    std::vector<std::string> said;
    size_t typed = 0, answered = 0;
    for (;;) {
      const std::string state = Ask("state 120", 120);
      if (state.rfind("dialog ", 0) == 0) {
        if (typed == 0) Shot("working");
        if (typed < GetParam().typed.size()) {
          Type(GetParam().typed[typed++]);
          Key("Return");
        } else {
          Key("Escape");
        }
      } else if (state.rfind("box ", 0) == 0) {
        said.push_back(state.substr(4));
        Key(answered < GetParam().boxKeys.size() ? GetParam().boxKeys[answered++] : "Return");
      } else {
        said.push_back(state);
        return said;
      }
    }
  }

  std::unique_ptr<WineProgram> probe_;
  std::unique_ptr<WineProgram> program_;
  std::unique_ptr<WineProgram> holder_;
  std::string documents_;
  std::string root_;
  std::string shown_;  // the root in the paths the window shows
  fs::path shots_;
  Point window_{-1, -1};
  std::map<std::string, std::string> bytes_;
  std::map<std::string, TableRows> rows_;
};

// The program started from the desktop: the window as it opens and with the generation
// chosen, the password dialog over it at work, the results; then the closing button ends it.
// The pictures of the second generation's run with its password go to docs/screenshots when
// asked for.
TEST_P(WindowsWindowRunTest, ThroughTheWindowAsAUserWould) {
  Generate();
  Arrange();
  Start();
  Shot("choosing");
  Click(kTavimer[GetParam().version]);
  ASSERT_EQ(Ask("button Start maintenance", 60), "yes");
  Shot("chosen-tv2");
  // The files listed, below the root as the program formed it: Wine's shell names the
  // documents folder with a separator at its end, which the program keeps.
  std::vector<std::string> listed = Results();
  listed.erase(std::remove(listed.begin(), listed.end(), ""), listed.end());
  ASSERT_EQ(listed.size(), Files().size() + 1) << ::testing::PrintToString(listed);
  EXPECT_EQ(listed[0], "The following files will be compacted and (if needed) repaired:");
  const std::string tail = "\\" + Files()[0];
  ASSERT_GT(listed[1].size(), tail.size());
  ASSERT_EQ(listed[1].substr(listed[1].size() - tail.size()), tail);
  shown_ = listed[1].substr(0, listed[1].size() - tail.size());
  EXPECT_TRUE(fs::equivalent(Host(shown_), Host(root_))) << shown_;
  for (size_t i = 0; i < Files().size(); ++i) EXPECT_EQ(listed[i + 1], shown_ + "\\" + Files()[i]);
  Click(kStart);

  std::vector<std::string> said = Converse();
  const std::string last = said.back();
  said.pop_back();
  ASSERT_EQ(said.size(), GetParam().boxes.size()) << ::testing::PrintToString(said);
  for (size_t i = 0; i < said.size(); ++i) EXPECT_EQ(said[i].rfind(GetParam().boxes[i], 0), 0u) << said[i];
  if (!GetParam().finishes) {
    EXPECT_EQ(last, "ended");
    EXPECT_EQ(program_->Finish(20), 0);
    program_.reset();
    ExpectDatabases({});
    return;
  }
  ASSERT_EQ(last, "finished");
  Shot("finished");
  EXPECT_EQ(Results(), CompactedLines(GetParam().compacted));
  ExpectDatabases(GetParam().compacted);

  Click(kEnd);
  EXPECT_EQ(Ask("ended 20", 20), "yes");
  EXPECT_EQ(program_->Finish(20), 0);
  program_.reset();
}

const std::string kRepairFailed = "It was not possible to repair the database";
const std::string kCompactFailed = "It was not possible to compact the database";

INSTANTIATE_TEST_SUITE_P(
    Runs, WindowsWindowRunTest,
    ::testing::Values(
        WindowRunCase{"FirstGeneration", 0, {}, {}, Arrange::kNothing, {}, true, kTv1Files},
        // "-" is a key the password box refuses, and the answer is taken in lower case.
        WindowRunCase{
            "SecondWithItsPassword", 1, {"SeC-ret"}, {}, Arrange::kNothing, {}, true, kTv2Files, true},
        WindowRunCase{"WrongPasswordThreeTimes",
                      1,
                      {"wrong", "guess", "nope"},
                      {},
                      Arrange::kNothing,
                      {"Incorrect password", "Incorrect password", "Incorrect password"},
                      false,
                      {}},
        WindowRunCase{"RepairRetriedThenCancelled",
                      1,
                      {"secret"},
                      {"Return", "Escape"},
                      Arrange::kScheduleMissing,
                      {kRepairFailed, kRepairFailed},
                      true,
                      {"data\\list.mdb", "data\\helper.mdb", "history\\history.mdb"}},
        WindowRunCase{"HeldByAWindowsProgram",
                      1,
                      {"secret"},
                      {},
                      Arrange::kHistoryHeld,
                      {kCompactFailed},
                      true,
                      {"data\\list.mdb", "data\\helper.mdb", "schedule\\schedule.mdb"}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tav::testing

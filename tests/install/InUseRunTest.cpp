// Whole runs through the main window, with the real engine, while another program holds a
// database of the installation: a Windows program under Wine (sharing the file, holding it
// exclusively, sharing it with a byte locked, or holding only its lock file), a plain Linux
// process with the file open and no lock, or another instance of this program. The held
// database and its lock file stay byte for byte as they were, the user is told in one box
// (in the window, or printed by the terminal front end, which then ends with status 1)
// that it was not compacted because it is in use (no password dialog, no repair), and
// every other database is still maintained. The Windows build of the program,
// tavimer-maint.exe, run under Wine beside the holding Windows program, must see the same
// holds as Windows shows them to it.

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/dao/JetDaoEngine.h"
#include "tests/platform/HeldFile.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/MainWindowRun.h"
#include "tests/support/RequiredTool.h"
#include "tests/support/TextLines.h"
#include "tests/support/WineProgram.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

enum class Holder { kWineShared, kWineExclusive, kWineByteLock, kWineLockFileOnly, kLinuxOpen, kThisProgram };

struct Case {
  Holder holder;
  bool secondGeneration;  // TV2 with list.mdb held; else TV1 with history.mdb held
  bool terminal = false;  // the terminal front end, run as a program, instead of the window
  bool windows = false;   // that program built for Windows, run under Wine (terminal too)
};

std::string Name(const Case& c) {
  static const char* const kNames[] = {"WineShared",       "WineExclusive", "WineByteLock",
                                       "WineLockFileOnly", "LinuxOpen",     "ThisProgram"};
  return std::string(kNames[static_cast<int>(c.holder)]) + (c.secondGeneration ? "_TV2" : "_TV1") +
         (c.windows    ? "_WindowsProgram"
          : c.terminal ? "_Terminal"
                       : "");
}

bool UnderWine(Holder holder) {
  return holder == Holder::kWineShared || holder == Holder::kWineExclusive ||
         holder == Holder::kWineByteLock || holder == Holder::kWineLockFileOnly;
}

// A database of the installation: where it lies, and its bytes and its lock file's before the run.
struct Database {
  std::string windowsPath;
  fs::path host;
  std::string bytes;
  bool hadLockFile = false;
  std::string lockBytes;
};

const auto* const kWinePrefix = ::testing::AddGlobalTestEnvironment(new SharedWinePrefix);

class InUseRunTest : public MainWindowRunTest, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    MainWindowRunTest::SetUp();
    if (GetParam().windows)
      TAV_REQUIRE_TOOL(fs::exists(TAVIMER_WINDOWS_MAINT),
                       "tavimer-maint.exe was not built: mingw-w64 is not installed");
    if (UnderWine(GetParam().holder) || GetParam().windows) {
      TAV_REQUIRE_TOOL(fs::exists(TAVIMER_WINDOWS_HOLDER),
                       "no Windows program to hold the database: mingw-w64 is not installed");
      TAV_REQUIRE_TOOL(SharedWinePrefix::Failure().empty(), SharedWinePrefix::Failure());
    }
    const bool tv2 = GetParam().secondGeneration;
    const std::string folder = tv2 ? "users/me/Documents/Tavimer2" : "Tavimer";
    const std::string command =
        GenerateCommand(prefix_.DriveC() / folder,
                        tv2 ? "--generation TV2 --jet 4 --password secret" : "--generation TV1 --jet 3");
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    if (tv2)
      RegisterDocuments();
    else
      RegisterFirstGeneration();
    std::string root = tv2 ? "C:\\users\\me\\Documents\\Tavimer2" : "C:\\Tavimer";
    if (GetParam().windows) {
      // The Windows program finds the first generation where the shared prefix's registry
      // says, on this system's drive Z:.
      ASSERT_FALSE(tv2) << "the Windows program's cases are of the first generation";
      root = ZDrivePath(prefix_.DriveC() / folder);
      const std::string reg = SharedWinePrefix::Env() +
                              "wine reg add 'HKCU\\Software\\Tavimer\\Main' /v Path /d " + ShellQuoted(root) +
                              " /f >/dev/null 2>&1";
      ASSERT_EQ(std::system(reg.c_str()), 0) << reg;
    }
    std::vector<std::string> files = {"data\\list.mdb", "history\\history.mdb"};
    if (tv2) files = {"data\\list.mdb", "data\\helper.mdb", "history\\history.mdb", "schedule\\schedule.mdb"};
    for (const std::string& file : files) {
      std::string relative = file;
      std::replace(relative.begin(), relative.end(), '\\', '/');
      databases_.push_back({root + "\\" + file, prefix_.DriveC() / folder / relative, "", false, ""});
    }
    held_ = tv2 ? 0 : 1;
  }

  // Starts the holder of the held database; what it holds is recorded before.
  void Hold() {
    const Database& db = databases_[held_];
    const fs::path lockFile = fs::path(db.host).replace_extension(".ldb");
    if (GetParam().holder == Holder::kWineLockFileOnly) {
      std::ofstream(lockFile, std::ios::binary) << std::string(64, 'L');  // a Jet program's lock file
    }
    switch (GetParam().holder) {
      case Holder::kWineShared:
        StartWine("shared", db.host);
        break;
      case Holder::kWineExclusive:
        StartWine("exclusive", db.host);
        break;
      case Holder::kWineByteLock:
        StartWine("bytelock", db.host);
        break;
      case Holder::kWineLockFileOnly:
        StartWine("shared", lockFile);
        break;
      case Holder::kLinuxOpen:
        linux_ = HoldElsewhere(db.host, Holding::kOpenOnly);
        break;
      case Holder::kThisProgram: {
        const std::string path = db.windowsPath;
        const std::string connect = GetParam().secondGeneration ? "; pwd=secret;" : "";
        linux_ = std::make_unique<OtherProcess>([path, connect]() -> std::function<void()> {
          std::shared_ptr<DaoDatabase> open =
              MakeJetDaoEngine()->Workspaces(0).OpenDatabase(path, false, false, connect);
          return [open] { open->Close(); };
        });
        break;
      }
    }
    if (linux_) {
      ASSERT_TRUE(linux_->Ok());
    }
    for (Database& each : databases_) {
      each.bytes = FileBytes(each.host);
      const fs::path lock = fs::path(each.host).replace_extension(".ldb");
      each.hadLockFile = fs::exists(lock);
      if (each.hadLockFile) each.lockBytes = FileBytes(lock);
    }
  }

  void StartWine(const char* mode, const fs::path& file) {
    wine_ = std::make_unique<WineProgram>(SharedWinePrefix::Path(), TAVIMER_WINDOWS_HOLDER,
                                          std::vector<std::string>{mode, ZDrivePath(file)});
    ASSERT_EQ(wine_->ReadLine(120), "held") << "the Windows program does not hold " << file;
  }

  std::vector<Database> databases_;
  size_t held_ = 0;
  std::unique_ptr<WineProgram> wine_;
  std::unique_ptr<OtherProcess> linux_;
};

TEST_P(InUseRunTest, TheHeldDatabaseIsLeftAsItWasAndTheOthersAreMaintained) {
  Hold();
  const Database& held = databases_[held_];
  const std::string inUse = "Could not use '" + held.windowsPath + "'; file already in use.";
  const std::string box = "It was not possible to compact the database\r\n\r\n\"" + held.windowsPath +
                          "\"\r\n\r\nThe following error was encountered:\r\n\r\n" + inUse;
  std::string printed;
  if (GetParam().terminal) {
    const fs::path passwordFile = prefix_.DriveC() / "password.txt";
    std::ofstream(passwordFile) << "secret\n";
    const std::string program = GetParam().windows
                                    ? SharedWinePrefix::Env() + "wine " + ShellQuoted(TAVIMER_WINDOWS_MAINT)
                                    : ShellQuoted((fs::path(TAVIMER_BINARY_DIR) / "tavimer-maint").string());
    const std::string passwordPath = GetParam().windows ? ZDrivePath(passwordFile) : passwordFile.string();
    const CommandResult run = RunShell("setsid -w env -u DISPLAY -u WAYLAND_DISPLAY " + program +
                                       " --generation " + (GetParam().secondGeneration ? "TV2" : "TV1") +
                                       " --password-file " + ShellQuoted(passwordPath) + " 2>&1 </dev/null");
    printed = run.out;
    std::erase(printed, '\r');  // the Windows console's line ends
    EXPECT_EQ(run.exitCode, 1) << printed;
    std::string terminalBox = box;
    for (size_t at; (at = terminalBox.find("\r\n")) != std::string::npos;) terminalBox.replace(at, 2, "\n");
    EXPECT_NE(printed.find(terminalBox), std::string::npos) << printed;
    EXPECT_EQ(printed.find("=== Tavimer Database Maintenance ("),
              printed.rfind("=== Tavimer Database Maintenance ("))
        << "more than one box:\n"
        << printed;
  } else {
    // Held, the main database of the second generation is not taken for damaged: no
    // password dialog is shown beyond the password check's own (one would wait unanswered).
    RunChoosing(GetParam().secondGeneration ? 1 : 0);
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, box);
    EXPECT_EQ(services_.boxes[0].style, 16);
  }

  std::string expected;
  for (size_t i = 0; i < databases_.size(); ++i) {
    const Database& db = databases_[i];
    SCOPED_TRACE(db.windowsPath);
    const fs::path lockFile = fs::path(db.host).replace_extension(".ldb");
    EXPECT_TRUE(TemporaryCopies(db.host.parent_path()).empty());
    if (i == held_) {
      EXPECT_TRUE(FileBytes(db.host) == db.bytes) << "the held database was changed";
      EXPECT_EQ(fs::exists(lockFile), db.hadLockFile);
      if (db.hadLockFile) {
        EXPECT_TRUE(FileBytes(lockFile) == db.lockBytes) << "its lock file was changed";
      }
      continue;
    }
    const bool shrunk = fs::file_size(db.host) < db.bytes.size();
    expected += std::string(expected.empty() ? "" : "\r\n\r\n") + "The database \"" + db.windowsPath + "\" " +
                (shrunk ? "has been successfully compacted" : "did not need being compacted");
    EXPECT_FALSE(fs::exists(lockFile));
  }
  if (GetParam().terminal) {
    std::string results;
    for (const std::string& line : Lines(printed))
      if (line.rfind("The database \"", 0) == 0) results += (results.empty() ? "" : "\r\n\r\n") + line;
    EXPECT_EQ(results, expected) << printed;
  } else {
    EXPECT_EQ(Results(), expected);
    EXPECT_TRUE(EndButtonShown());
  }
  // Generated with deleted rows, list.mdb or history.mdb shrinks when it is not held.
  EXPECT_NE(expected.find("has been successfully compacted"), std::string::npos);
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (Holder holder : {Holder::kWineShared, Holder::kWineExclusive, Holder::kWineByteLock,
                        Holder::kWineLockFileOnly, Holder::kLinuxOpen, Holder::kThisProgram})
    for (bool tv2 : {false, true}) cases.push_back({holder, tv2});
  // The terminal front end with the main database held, the password from a file.
  for (Holder holder : {Holder::kWineShared, Holder::kWineExclusive, Holder::kWineByteLock,
                        Holder::kWineLockFileOnly, Holder::kLinuxOpen, Holder::kThisProgram})
    cases.push_back({holder, true, true});
  // The Windows program, with history.mdb held by the Windows program in every way it holds.
  for (Holder holder :
       {Holder::kWineShared, Holder::kWineExclusive, Holder::kWineByteLock, Holder::kWineLockFileOnly})
    cases.push_back({holder, false, true, true});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Holders, InUseRunTest, ::testing::ValuesIn(Cases()),
                         [](const auto& p) { return Name(p.param); });

}  // namespace
}  // namespace tav::testing

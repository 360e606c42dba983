// The program run from the terminal (tavimer-maint --generation ...) as a separate process,
// without a display, on installations made by the generator in temporary Wine-style
// prefixes: what it prints (the file list, each box with its answer, the result lines),
// its exit status and what it leaves on disk. Runs without a terminal go through setsid,
// so that no password can be asked; the password typed on a terminal goes through a
// pseudo-terminal.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "install/TerminalChooseVersion.h"
#include "jet/io/FileSystem.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/window/TerminalWindowServices.h"
#include "tests/platform/OtherProcess.h"
#include "tests/platform/ScopedWinePrefix.h"
#include "tests/support/DamagedCopies.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/RequiredTool.h"
#include "tests/support/TextLines.h"
#include "tests/support/WineProgram.h"
#include "texts/TerminalPasswordDialogs.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = (fs::path(TAVIMER_BINARY_DIR) / "tavimer-maint").string();
// The same program built for Windows (cmake/TavimerWindowsBuild.cmake), run under Wine.
const std::string kWindowsProgram = TAVIMER_WINDOWS_MAINT;
const std::string kTv1Root = "C:\\Tavimer";
const std::string kTv2Root = "C:\\users\\me\\Documents\\Tavimer2";
const std::vector<std::string> kTv1Files = {"data\\list.mdb", "history\\history.mdb"};
const std::vector<std::string> kTv2Files = {"data\\list.mdb", "data\\helper.mdb", "history\\history.mdb",
                                            "schedule\\schedule.mdb"};

// One message box as printed: its icon word, text, buttons and the answer given.
struct PrintedBox {
  std::string icon;
  std::string text;
  std::string answer;
};

struct Printed {
  int exitCode = -1;
  std::string out;

  std::vector<PrintedBox> Boxes() const {
    std::vector<PrintedBox> boxes;
    const std::string head = "=== Tavimer Database Maintenance (";
    for (size_t at = out.find(head); at != std::string::npos; at = out.find(head, at + 1)) {
      const size_t iconEnd = out.find(") ===\n", at);
      const size_t tail = out.find("\n=== [", iconEnd);
      const size_t answer = out.find(" answered ", tail);
      const size_t end = out.find(" ===", answer);
      if (iconEnd == std::string::npos || tail == std::string::npos || end == std::string::npos) break;
      boxes.push_back({out.substr(at + head.size(), iconEnd - at - head.size()),
                       out.substr(iconEnd + 6, tail - iconEnd - 6),
                       out.substr(answer + 10, end - answer - 10)});
    }
    return boxes;
  }
  std::vector<std::string> ResultLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : testing::Lines(out))
      if (line.rfind("The database \"", 0) == 0) lines.push_back(line);
    return lines;
  }
};

std::string Quoted(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) line += " " + testing::ShellQuoted(arg);
  return line;
}

// Runs the program in a session of its own (no controlling terminal), input closed, and
// without a display: a window toolkit started without one would abort.
Printed RunDetached(const std::vector<std::string>& args) {
  const testing::CommandResult r =
      testing::RunShell("setsid -w env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                        testing::ShellQuoted(kProgram) + Quoted(args) + " </dev/null 2>&1");
  return {r.exitCode, r.out};
}

// Runs the Windows program under Wine in `wine`'s prefix as RunDetached runs this system's,
// its console's line ends (CR LF) printed as this system's.
Printed RunUnderWine(const testing::FreshWinePrefix& wine, const std::vector<std::string>& args) {
  testing::CommandResult r =
      testing::RunShell("setsid -w env -u DISPLAY -u WAYLAND_DISPLAY " + wine.Env() + "wine " +
                        testing::ShellQuoted(kWindowsProgram) + Quoted(args) + " </dev/null 2>&1");
  std::erase(r.out, '\r');
  return {r.exitCode, r.out};
}

// Runs the program on a pseudo-terminal and types the next of `typed` (and Enter) at each
// password prompt; gives up after 60 seconds.
Printed RunOnTerminal(const std::vector<std::string>& args, std::vector<std::string> typed) {
  std::vector<std::string> argv = {kProgram};
  argv.insert(argv.end(), args.begin(), args.end());
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    std::vector<char*> cargv;
    for (std::string& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(name);
    ::execv(kProgram.c_str(), cargv.data());
    ::_exit(127);
  }
  Printed printed;
  if (pid < 0) return printed;
  size_t prompts = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd ready{master, POLLIN, 0};
    if (::poll(&ready, 1, 200) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO once the program has ended
    for (ssize_t i = 0; i < n; ++i)
      if (buffer[i] != '\r') printed.out += buffer[i];
    for (size_t at = 0, seen = 0; (at = printed.out.find("Password: ", at)) != std::string::npos; ++at) {
      if (++seen <= prompts) continue;
      ++prompts;
      const std::string answer = (typed.empty() ? std::string("\x04") : typed.front() + "\n");
      if (!typed.empty()) typed.erase(typed.begin());
      (void)!::write(master, answer.data(), answer.size());
    }
  }
  ::close(master);
  int status = 0;
  if (std::chrono::steady_clock::now() >= deadline) ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  printed.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return printed;
}

class TerminalRunTest : public ::testing::Test {
 protected:
  // A Jet 3 first generation in C:\Tavimer, registered in user.reg, and a Jet 4 second
  // generation in the documents folder whose list.mdb has the password "secret".
  void Generate() {
    const std::string jettool = (fs::path(TAVIMER_BINARY_DIR) / "tools" / "jettool").string();
    for (const auto& [folder, options] :
         {std::pair{Host(kTv1Root), "--generation TV1 --jet 3"},
          std::pair{Host(kTv2Root), "--generation TV2 --jet 4 --password secret"}}) {
      const std::string command = jettool + " generate " + testing::ShellQuoted(folder.string()) + " " +
                                  options + " --rows 150 --deleted 0.4 --seed 3 >/dev/null";
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    prefix_.UserReg(
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
        "\"Personal\"=\"C:\\\\users\\\\me\\\\Documents\"\n\n"
        "[Software\\\\Tavimer\\\\Main] 1700000000\n\"Path\"=\"C:\\\\Tavimer\"\n\n");
  }

  // Where a Windows path below C:\ lies.
  fs::path Host(const std::string& windowsPath) const {
    std::string relative = windowsPath.substr(3);
    for (char& c : relative)
      if (c == '\\') c = '/';
    return prefix_.DriveC() / relative;
  }

  fs::path PasswordFile(const std::string& content) {
    const fs::path file = prefix_.Prefix() / "password";
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }

  // Every file of the prefix's drive with its bytes.
  std::map<fs::path, std::string> Snapshot() const {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(prefix_.DriveC()))
      if (entry.is_regular_file()) files[entry.path()] = testing::FileBytes(entry.path());
    return files;
  }

  static std::string ResultLine(const std::string& path, bool compacted) {
    return "The database \"" + path + "\" " +
           (compacted ? "has been successfully compacted" : "did not need being compacted");
  }

  // Notes every file's bytes, and the rows of the databases of `root`, before a run.
  void Remember(const std::string& root, const std::vector<std::string>& files) {
    for (const std::string& file : files) rows_[file] = testing::ExportedRows(Host(root + "\\" + file));
    before_ = Snapshot();
  }

  // A run that goes through: the file list, one result line per database in order,
  // each database smaller and holding the same rows, nothing left beside it.
  void ExpectEveryDatabaseCompacted(const Printed& run, const std::string& root,
                                    const std::vector<std::string>& files) {
    EXPECT_EQ(run.exitCode, 0) << run.out;
    std::string list = "The following files will be compacted and (if needed) repaired:\n";
    std::vector<std::string> expected;
    for (const std::string& file : files) {
      list += root + "\\" + file + "\n";
      expected.push_back("The database \"" + root + "\\" + file + "\" has been successfully compacted");
    }
    EXPECT_NE(run.out.find(list + "Working... (please wait)\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.ResultLines(), expected) << run.out;
    for (const std::string& file : files) {
      SCOPED_TRACE(file);
      const fs::path host = Host(root + "\\" + file);
      EXPECT_LT(fs::file_size(host), before_.at(host).size());
      EXPECT_EQ(testing::ExportedRows(host), rows_.at(file));
      EXPECT_TRUE(testing::TemporaryCopies(host.parent_path()).empty());
    }
  }

  testing::ScopedWinePrefix prefix_;
  std::map<std::string, testing::TableRows> rows_;
  std::map<fs::path, std::string> before_;
};

struct GenerationCase {
  const char* name;
  std::string generation;
  bool passwordFile;
};

class GenerationRunTest : public TerminalRunTest, public ::testing::WithParamInterface<GenerationCase> {};

TEST_P(GenerationRunTest, CompactsEveryDatabaseAndPrintsEachResult) {
  Generate();
  const bool first = GetParam().generation == "TV1";
  const std::string& root = first ? kTv1Root : kTv2Root;
  const std::vector<std::string>& files = first ? kTv1Files : kTv2Files;
  Remember(root, files);
  std::vector<std::string> args = {"--generation", GetParam().generation};
  if (GetParam().passwordFile)
    args.insert(args.end(), {"--password-file", PasswordFile(" Secret \n").string()});

  const Printed run = RunDetached(args);

  ExpectEveryDatabaseCompacted(run, root, files);
  EXPECT_TRUE(run.Boxes().empty()) << run.out;
  // The password dialog's texts, answered from the file (trimmed, in lower case).
  EXPECT_EQ(run.out.find("Database is protected\nType password (a-z, 0-9)\n") != std::string::npos,
            GetParam().passwordFile)
      << run.out;
  // The other generation's installation is not touched.
  for (const std::string& file : first ? kTv2Files : kTv1Files) {
    const fs::path host = Host((first ? kTv2Root : kTv1Root) + "\\" + file);
    EXPECT_EQ(testing::FileBytes(host), before_.at(host));
  }
}

INSTANTIATE_TEST_SUITE_P(Generations, GenerationRunTest,
                         ::testing::Values(GenerationCase{"FirstWithoutPassword", "TV1", false},
                                           GenerationCase{"SecondWithPasswordFile", "TV2", true}),
                         [](const auto& p) { return std::string(p.param.name); });

// Typed on a terminal: a wrong password first (the wrong-password box, a new prompt), then
// the right one in mixed case; neither is echoed.
TEST_F(TerminalRunTest, PasswordTypedOnTheTerminalWithoutEcho) {
  Generate();
  Remember(kTv2Root, kTv2Files);

  const Printed run = RunOnTerminal({"--generation", "TV2"}, {"wrong", "SeC-ret"});

  ASSERT_EQ(run.Boxes().size(), 1u) << run.out;
  EXPECT_EQ(run.Boxes()[0].icon, "warning");
  EXPECT_EQ(run.Boxes()[0].text, "Incorrect password");
  EXPECT_EQ(run.Boxes()[0].answer, "OK");
  EXPECT_EQ(run.out.find("wrong"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("SeC"), std::string::npos) << run.out;
  // "-" is a key the password box refuses: "SeC-ret" is typed as "secret".
  ExpectEveryDatabaseCompacted(run, kTv2Root, kTv2Files);
}

// Runs that cannot start end with status 2, print why, and leave every file as it was.
struct NotStartedCase {
  const char* name;
  bool installations;
  std::vector<std::string> args;
  const char* passwordFile;  // content, or null for none
  const char* printed;
};

class NotStartedTest : public TerminalRunTest, public ::testing::WithParamInterface<NotStartedCase> {};

TEST_P(NotStartedTest, EndsWithStatusTwoTouchingNothing) {
  if (GetParam().installations) Generate();
  std::vector<std::string> args = GetParam().args;
  if (GetParam().passwordFile)
    args.insert(args.end(), {"--password-file", PasswordFile(GetParam().passwordFile)});
  const auto before = Snapshot();

  const Printed run = RunDetached(args);

  EXPECT_EQ(run.exitCode, 2) << run.out;
  EXPECT_NE(run.out.find(GetParam().printed), std::string::npos) << run.out;
  EXPECT_TRUE(run.ResultLines().empty()) << run.out;
  EXPECT_EQ(Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotStartedTest,
    ::testing::Values(NotStartedCase{"NoInstallation",
                                     false,
                                     {"--generation", "TV1"},
                                     nullptr,
                                     "No Tavimer 1.x installation was found; no database was touched."},
                      NotStartedCase{"NoPasswordWithoutTerminal",
                                     true,
                                     {"--generation", "TV2"},
                                     nullptr,
                                     "Database is protected\nType password (a-z, 0-9)\n"
                                     "The database is protected: give its password with --password-file.\n"},
                      NotStartedCase{"WrongPasswordInTheFile",
                                     true,
                                     {"--generation", "TV2"},
                                     "guess\n",
                                     "=== Tavimer Database Maintenance (warning) ===\nIncorrect password\n"
                                     "=== [OK] answered OK ===\n"},
                      NotStartedCase{"EmptyPasswordFile",
                                     true,
                                     {"--generation", "TV2"},
                                     "  \n",
                                     "The password file holds no password."},
                      NotStartedCase{"MissingPasswordFile",
                                     true,
                                     {"--generation", "TV2", "--password-file", "/nonexistent/pw"},
                                     nullptr,
                                     "cannot read the password file /nonexistent/pw"},
                      NotStartedCase{"PasswordOnTheCommandLine",
                                     true,
                                     {"--generation", "TV2", "--password", "secret"},
                                     nullptr,
                                     "a password is never given on the command line"},
                      NotStartedCase{"UnknownGeneration",
                                     true,
                                     {"--generation", "TV3"},
                                     nullptr,
                                     "--generation is TV1 or TV2, not TV3"},
                      NotStartedCase{"BadRetryCount",
                                     true,
                                     {"--generation", "TV1", "--retry", "many"},
                                     nullptr,
                                     "--retry is a whole number"}),
    [](const auto& p) { return std::string(p.param.name); });

// Another program has list.mdb open: it is reported in one box as not compacted because it
// is in use, no password is asked for it, it is left byte for byte as it was, the other
// databases are maintained, and the status says that something failed.
TEST_F(TerminalRunTest, DatabaseInUseIsLeftUntouchedWithStatusOne) {
  Generate();
  const std::string list = kTv2Root + "\\data\\list.mdb";
  const fs::path host = Host(list);
  const std::string before = testing::FileBytes(host);
  testing::OtherProcess other([list]() -> std::function<void()> {
    std::shared_ptr<DaoDatabase> open =
        MakeJetDaoEngine()->Workspaces(0).OpenDatabase(list, false, false, "; pwd=secret;");
    return [open] { open->Close(); };
  });
  ASSERT_TRUE(other.Ok());

  const Printed run =
      RunDetached({"--generation", "TV2", "--password-file", PasswordFile("secret").string()});

  EXPECT_EQ(run.exitCode, 1) << run.out;
  const std::vector<PrintedBox> boxes = run.Boxes();
  ASSERT_EQ(boxes.size(), 1u) << run.out;
  EXPECT_EQ(boxes[0].icon, "error");
  EXPECT_EQ(boxes[0].text, "It was not possible to compact the database\n\n\"" + list +
                               "\"\n\nThe following error was encountered:\n\nCould not use '" + list +
                               "'; file already in use.");
  EXPECT_EQ(testing::FileBytes(host), before);
  EXPECT_TRUE(fs::exists(fs::path(host).replace_extension(".ldb"))) << "the other program's lock file stays";
  EXPECT_TRUE(testing::TemporaryCopies(host.parent_path()).empty());
  std::vector<std::string> others;
  for (size_t i = 1; i < kTv2Files.size(); ++i)
    others.push_back(ResultLine(kTv2Root + "\\" + kTv2Files[i], true));
  EXPECT_EQ(run.ResultLines(), others) << run.out;
  other.Release();
  EXPECT_EQ(testing::FileBytes(host), before);
}

// The disk fills while history.mdb is copied back. The terminal front end, run here in this
// process on a file system whose writes then fail with "no space left", prints the box that
// says the database was left incomplete, where its complete copy is and that the next run
// will finish it, and the run counts as failed (status 1). The next run, the program itself,
// finishes the copy back first, says so, maintains every database and succeeds (status 0).
TEST_F(TerminalRunTest, AFullDiskDuringTheCopyBackFailsTheRunAndTheNextOneFinishesIt) {
  Generate();
  Remember(kTv2Root, kTv2Files);
  const std::string history = kTv2Root + "\\history\\history.mdb";
  jet::Fault fault;
  fault.lasting = true;
  fault.cause = jet::OsCause::kNoSpace;
  fault.from = [started = false, writes = 0](const jet::RecordedCall& call) mutable {
    started =
        started || (call.call == jet::FileCall::kRename && call.path.ends_with("history.mdb.compacting"));
    return started && call.call == jet::FileCall::kWrite && call.path.ends_with("history.mdb") &&
           ++writes >= 3;
  };
  std::ostringstream out;
  Printed first;
  {
    jet::FaultyFileSystem full(jet::PosixFileSystem(), -1, jet::FileCall::kWrite, fault);
    ProgramFileSystemOverride chosen(full);
    TerminalWindowServices services(out, 0);
    RegisterTerminalMainWindow(services, 1);
    RegisterTerminalPasswordDialogs(services, std::string("secret"));
    SetDbEngineFactory(MakeJetDaoEngine);
    tav::Run() = RunState{};
    (void)Main(services);
    SetDbEngineFactory(nullptr);
    first = {services.FailureShown() ? kRunReportedFailure : kRunSucceeded, out.str()};
  }
  EXPECT_EQ(first.exitCode, 1) << first.out;
  const auto copies = testing::TemporaryCopies(Host(history).parent_path());
  ASSERT_EQ(copies.size(), 1u) << first.out;
  const std::string kept = kTv2Root + "\\history\\" + copies[0].filename().string();
  bool said = false;
  for (const PrintedBox& box : first.Boxes()) {
    if (box.text.find("\n\"" + history + "\"\n") == std::string::npos) continue;
    said = true;
    EXPECT_EQ(box.icon, "error");
    EXPECT_NE(box.text.find(
                  "Disk full. The database was left incomplete. Its complete compacted copy is kept in \"" +
                  kept + "\", and the next run will finish copying it back."),
              std::string::npos)
        << box.text;
  }
  EXPECT_TRUE(said) << first.out;

  const Printed next =
      RunDetached({"--generation", "TV2", "--password-file", PasswordFile("secret").string()});
  EXPECT_EQ(next.exitCode, 0) << next.out;
  ASSERT_EQ(next.Boxes().size(), 1u) << next.out;
  EXPECT_EQ(next.Boxes()[0].icon, "information");
  EXPECT_EQ(
      next.Boxes()[0].text.rfind("The database\n\n\"" + history +
                                     "\"\n\nhas been successfully repaired\n\nAn earlier run was interrupted",
                                 0),
      0u)
      << next.Boxes()[0].text;
  EXPECT_EQ(next.ResultLines().size(), kTv2Files.size()) << next.out;
  for (const std::string& file : kTv2Files) {
    SCOPED_TRACE(file);
    const fs::path host = Host(kTv2Root + "\\" + file);
    EXPECT_EQ(testing::ExportedRows(host), rows_.at(file));
    EXPECT_TRUE(testing::TemporaryCopies(host.parent_path()).empty());
  }
  EXPECT_FALSE(fs::exists(Host(history + ".copying")));
}

// The main database is damaged: the optional-password dialog is printed with the error,
// answered "no password" when there is neither a terminal nor a password file, and the
// database is repaired (an information box) and compacted; the run succeeds.
TEST_F(TerminalRunTest, DamagedMainDatabaseIsRepairedAfterTheOptionalPasswordDialog) {
  Generate();
  testing::CutInsideLastPage(Host(kTv1Root + "\\data\\list.mdb"));

  const Printed run = RunDetached({"--generation", "TV1"});

  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find("An error was encountered when opening the database:\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("No password was given (no terminal and no --password-file): answered with none."),
            std::string::npos)
      << run.out;
  ASSERT_EQ(run.Boxes().size(), 1u) << run.out;
  EXPECT_EQ(run.Boxes()[0].icon, "information");
  EXPECT_EQ(run.Boxes()[0].text,
            "The database\n\n\"" + kTv1Root + "\\data\\list.mdb\"\n\nhas been successfully repaired");
  EXPECT_EQ(run.ResultLines().size(), 2u) << run.out;
  EXPECT_TRUE(testing::CheckProblems(Host(kTv1Root + "\\data\\list.mdb")).empty());
}

// A database that cannot be repaired (schedule.mdb is missing): the repair-failed box is
// answered Cancel, or Retry as many times as --retry allows and then Cancel.
class RetryTest : public TerminalRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(RetryTest, FailedRepairIsRetriedAsOftenAsAllowed) {
  Generate();
  fs::remove(Host(kTv2Root + "\\schedule\\schedule.mdb"));
  std::vector<std::string> args = {"--generation", "TV2", "--password-file", PasswordFile("secret").string()};
  if (GetParam() > 0) args.insert(args.end(), {"--retry", std::to_string(GetParam())});

  const Printed run = RunDetached(args);

  EXPECT_EQ(run.exitCode, 1) << run.out;
  const std::vector<PrintedBox> boxes = run.Boxes();
  ASSERT_EQ(boxes.size(), static_cast<size_t>(GetParam() + 1)) << run.out;
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].icon, "error");
    EXPECT_EQ(
        boxes[i].text.rfind("It was not possible to repair the database\n\n\"" + kTv2Root +
                                "\\schedule\\schedule.mdb\"\n\nThe following error was encountered:\n\n",
                            0),
        0u)
        << boxes[i].text;
    EXPECT_EQ(boxes[i].answer, i + 1 < boxes.size() ? "Retry" : "Cancel");
  }
  EXPECT_EQ(run.ResultLines().size(), 3u) << run.out;
  EXPECT_FALSE(fs::exists(Host(kTv2Root + "\\schedule\\schedule.mdb")));
}

INSTANTIATE_TEST_SUITE_P(Retries, RetryTest, ::testing::Values(0, 2));

// tavimer-maint.exe under Wine, in a fresh prefix of its own, on copies of the installations
// the Linux program maintains here: the first generation in a folder that `wine reg add`
// registers in the prefix's registry, the second in the documents folder as Wine's shell
// names it (a folder of the prefix, not the Linux home folder). Each generation's run prints
// what the Linux program's prints, paths aside, ends alike, and leaves databases that
// mdb-reader reads row for row as it reads the Linux program's.
TEST_F(TerminalRunTest, WindowsProgramUnderWineMaintainsBothGenerationsAsTheLinuxOneDoes) {
  TAV_REQUIRE_TOOL(fs::exists(kWindowsProgram),
                   kWindowsProgram + " was not built: mingw-w64 is not installed");
  testing::FreshWinePrefix wine;
  TAV_REQUIRE_TOOL(wine.Failure().empty(), wine.Failure());
  Generate();
  const fs::path documents = wine.OwnDocumentsFolder();
  ASSERT_FALSE(documents.empty()) << "no user folder in " << wine.Path();
  const fs::path tv1Host = wine.Path().parent_path() / "Tavimer";  // outside the prefix: on Z:
  const fs::path tv2Host = documents / "Tavimer2";
  fs::copy(Host(kTv1Root), tv1Host, fs::copy_options::recursive);
  fs::copy(Host(kTv2Root), tv2Host, fs::copy_options::recursive);
  const std::string tv1Root = testing::ZDrivePath(tv1Host);
  // Found through the shell, which under Wine names the folder with a separator at its end:
  // the program's root has none the less exactly one before "Tavimer2".
  const std::string tv2Root =
      "C:\\users\\" + documents.parent_path().filename().string() + "\\Documents\\Tavimer2";
  const std::string reg = wine.Env() + "wine reg add 'HKCU\\Software\\Tavimer\\Main' /v Path /t REG_SZ /d " +
                          testing::ShellQuoted(tv1Root) + " /f >/dev/null 2>&1";
  ASSERT_EQ(std::system(reg.c_str()), 0) << reg;
  // Named outside the ANSI code page: the program takes its arguments as UTF-8.
  const fs::path password = prefix_.Prefix() / "p\xC3\xA4ssw\xC3\xB6rd \xE2\x9C\x93";
  std::ofstream(password, std::ios::binary) << " Secret \n";

  struct Generation {
    std::string name, linuxRoot, windowsRoot;
    fs::path windowsHost;
    const std::vector<std::string>& files;
  };
  for (const Generation& g : {Generation{"TV1", kTv1Root, tv1Root, tv1Host, kTv1Files},
                              Generation{"TV2", kTv2Root, tv2Root, tv2Host, kTv2Files}}) {
    SCOPED_TRACE(g.name);
    const std::vector<std::string> args = {"--generation", g.name, "--password-file", password.string()};
    const Printed onLinux = RunDetached(args);
    const Printed onWindows =
        RunUnderWine(wine, {"--generation", g.name, "--password-file", testing::ZDrivePath(password)});
    const std::string& windowsRoot = g.windowsRoot;
    EXPECT_EQ(onLinux.exitCode, 0) << onLinux.out;
    EXPECT_EQ(onWindows.exitCode, onLinux.exitCode) << onWindows.out;
    std::string printed = onWindows.out;
    for (size_t at = 0; (at = printed.find(windowsRoot, at)) != std::string::npos; at += g.linuxRoot.size())
      printed.replace(at, windowsRoot.size(), g.linuxRoot);
    EXPECT_EQ(printed, onLinux.out);
    EXPECT_EQ(onWindows.ResultLines().size(), g.files.size()) << onWindows.out;
    for (const std::string& file : g.files) {
      SCOPED_TRACE(file);
      std::string relative = file;
      std::replace(relative.begin(), relative.end(), '\\', '/');
      const std::string pw = g.name == "TV2" && file == "data\\list.mdb" ? "secret" : "";
      const fs::path linuxHost = Host(g.linuxRoot + "\\" + file);
      const fs::path windowsHost = g.windowsHost / relative;
      EXPECT_EQ(fs::file_size(windowsHost), fs::file_size(linuxHost));
      EXPECT_EQ(testing::RowsDifference(testing::MdbReaderRows(windowsHost, pw),
                                        testing::MdbReaderRows(linuxHost, pw)),
                "");
      EXPECT_TRUE(testing::TemporaryCopies(windowsHost.parent_path()).empty());
    }
  }
}

TEST(TerminalArgumentsTest, HelpAndVersionNeedNoInstallation) {
  const Printed help = RunDetached({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: tavimer-maint", 0), 0u) << help.out;
  const Printed version = RunDetached({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("tavimer-maint ", 0), 0u) << version.out;
}

}  // namespace
}  // namespace tav

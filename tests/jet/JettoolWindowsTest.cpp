// jettool.exe, jettool built for Windows and run under Wine, compacts and repairs every
// fixture and every database of the real-world corpus into the very bytes that jettool
// writes here, and says the same of each: nothing the engine writes depends on the system
// it runs on. The repairs are of copies cut inside their last page, which rebuilds them
// whole. All Windows runs go through one batch file, so that Wine starts once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/jet/JetTestSupport.h"
#include "tests/support/RequiredTool.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::ShellQuote;

// The Windows name of a path of this machine, through Wine's drive Z:.
std::string OnZ(const fs::path& host) {
  std::string out = "Z:" + host.string();
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

// A path or password quoted for a batch file (where % starts a variable).
std::string BatchQuote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out.push_back(c);
    if (c == '%') out.push_back('%');
  }
  return out + "\"";
}

std::string Text(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  std::string out;
  for (char c : all.str()) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

// One command, run by both programs, each in a folder of its own.
struct Job {
  std::string what;     // "compact jet4/x.mdb", for messages
  fs::path folder;      // holds linux/ and windows/
  std::string command;  // "compact" or "repair"
  std::string password;
  std::string input;   // the file name the command reads in each folder
  std::string output;  // the file whose bytes are compared
};

std::string Arguments(const Job& run, const fs::path& folder, bool windows) {
  const auto quote = [windows](const fs::path& path) {
    return windows ? BatchQuote(OnZ(path)) : ShellQuote(path.string());
  };
  std::string out = run.command;
  if (!run.password.empty())
    out += " --password " + (windows ? BatchQuote(run.password) : ShellQuote(run.password));
  out += " " + quote(folder / run.input);
  if (run.command == "compact") out += " " + quote(folder / run.output);
  return out;
}

TEST(JettoolWindows, CompactsAndRepairsEveryFileIntoTheSameBytes) {
  TAV_REQUIRE_TOOL(fs::exists(TAVIMER_WINDOWS_JETTOOL), "jettool.exe was not built (mingw-w64 missing)");
  TAV_REQUIRE_TOOL(std::getenv("WINEPREFIX") != nullptr, "no Wine prefix: run through ctest (wine_run.sh)");
  testing::TempDir dir;
  std::vector<std::string> files = testing::AllFixtures();
  for (const std::string& file : testing::RealWorldFiles()) files.push_back(file);

  std::vector<Job> runs;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string password = testing::FixturePassword(files[i]);
    for (const char* command : {"compact", "repair"}) {
      const fs::path folder = dir.path() / (std::to_string(i) + command);
      for (const char* side : {"linux", "windows"}) {
        fs::create_directories(folder / side);
        fs::copy_file(testing::FixturePath(files[i]), folder / side / "source.mdb");
        if (std::string(command) == "repair") {
          fs::permissions(folder / side / "source.mdb", fs::perms::owner_read | fs::perms::owner_write);
          fs::resize_file(folder / side / "source.mdb", fs::file_size(folder / side / "source.mdb") - 1000);
        }
      }
      const std::string output = std::string(command) == "compact" ? "compacted.mdb" : "source.mdb";
      runs.push_back(
          {std::string(command) + " " + files[i], folder, command, password, "source.mdb", output});
    }
  }

  const std::string jettool = ShellQuote(std::string(TAVIMER_BINARY_DIR) + "/tools/jettool");
  std::ofstream batch(dir.path() / "runs.bat", std::ios::binary);
  batch << "@echo off\r\n";
  for (const Job& run : runs) {
    const fs::path here = run.folder / "linux";
    const auto native = testing::RunCommand(jettool + " " + Arguments(run, here, false) + " 2>&1");
    std::ofstream(here / "out") << native.out;
    std::ofstream(here / "code") << native.exit_code;
    const fs::path windows = run.folder / "windows";
    batch << BatchQuote(OnZ(TAVIMER_WINDOWS_JETTOOL)) << " " << Arguments(run, windows, true) << " >"
          << BatchQuote(OnZ(windows / "out")) << " 2>&1\r\n"
          << "echo %ERRORLEVEL%>" << BatchQuote(OnZ(windows / "code")) << "\r\n";
  }
  batch.close();
  const auto wine = testing::RunCommand("wine cmd /c " + ShellQuote(OnZ(dir.path() / "runs.bat")) + " 2>&1");
  ASSERT_EQ(wine.exit_code, 0) << wine.out;

  size_t same[2] = {0, 0};  // compactions, repairs
  for (const Job& run : runs) {
    SCOPED_TRACE(run.what);
    const fs::path here = run.folder / "linux";
    const fs::path windows = run.folder / "windows";
    const std::string code = Text(here / "code");
    EXPECT_EQ(code, "0") << Text(here / "out");
    EXPECT_EQ(std::stoi("0" + Text(windows / "code")), std::stoi("0" + code)) << Text(windows / "out");
    EXPECT_EQ(Text(windows / "out"), Text(here / "out"));
    const bool identical =
        fs::exists(here / run.output) && testing::ReadBytes((here / run.output).string()) ==
                                             testing::ReadBytes((windows / run.output).string());
    EXPECT_TRUE(identical) << "jettool.exe wrote other bytes";
    if (identical) ++same[run.command == "compact" ? 0 : 1];
  }
  std::cout << files.size() << " files: " << same[0] << " compactions and " << same[1]
            << " repairs byte for byte the same\n";
  EXPECT_EQ(same[0] + same[1], runs.size());
}

}  // namespace
}  // namespace jet

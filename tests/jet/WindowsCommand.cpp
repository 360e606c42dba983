// Running other programs from the tests, through cmd (JetTestSupport.h). The command is
// wrapped in one more pair of quotes, which cmd /c takes off again, so that a command that
// starts with a quoted program keeps its own quotes. Under Wine's load of tests side by side,
// cmd now and then fails to find a program that is there (exit 9009, "can't recognize"):
// such a run is made once more.
#include <stdio.h>

#include "jet/io/WindowsText.h"
#include "tests/jet/JetTestSupport.h"

namespace jet::testing {

namespace {

// cmd's exit code when it finds no program by the command's first word.
constexpr int kNotFound = 9009;

CommandOutput RunOnce(const std::string& command) {
  CommandOutput result;
  FILE* pipe = ::_wpopen(Wide("\"" + command + "\"").c_str(), L"rt");
  if (pipe == nullptr) return result;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  result.exit_code = ::_pclose(pipe);
  return result;
}

}  // namespace

CommandOutput RunCommand(const std::string& command) {
  CommandOutput result = RunOnce(command);
  if (result.exit_code == kNotFound) result = RunOnce(command);
  return result;
}

std::string ShellQuote(const std::string& text) { return "\"" + text + "\""; }

}  // namespace jet::testing

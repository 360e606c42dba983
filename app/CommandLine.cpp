#include "app/CommandLine.h"

#include <charconv>
#include <optional>

namespace tav {

namespace {

constexpr int kMostRetries = 100;

std::optional<int> VersionIndex(const std::string& generation) {
  if (generation == "TV1" || generation == "tv1") return 0;
  if (generation == "TV2" || generation == "tv2") return 1;
  return std::nullopt;
}

std::optional<int> Retries(const std::string& text) {
  int n = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 0 || n > kMostRetries) return std::nullopt;
  return n;
}

CommandLine Invalid(std::string error) {
  CommandLine line;
  line.frontEnd = CommandLine::FrontEnd::Invalid;
  line.error = std::move(error);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  if (args.empty() || (args[0].size() > 1 && args[0][0] == '-' && args[0][1] != '-')) return line;

  line.frontEnd = CommandLine::FrontEnd::Terminal;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::optional<std::string> value;
    if (const size_t equals = option.find('='); option.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.resize(equals);
    }
    if (option == "--help" || option == "--version") {
      line.frontEnd = option == "--help" ? CommandLine::FrontEnd::Help : CommandLine::FrontEnd::Version;
      return line;
    }
    if (option == "--password" || option == "--pwd") {
      return Invalid("a password is never given on the command line; name a file with --password-file");
    }
    if (option != "--generation" && option != "--password-file" && option != "--retry") {
      return Invalid("unknown argument " + args[i]);
    }
    if (!value) {
      if (i + 1 == args.size()) return Invalid(option + " needs a value");
      value = args[++i];
    }
    if (option == "--generation") {
      const std::optional<int> index = VersionIndex(*value);
      if (!index) return Invalid("--generation is TV1 or TV2, not " + *value);
      line.versionIndex = *index;
    } else if (option == "--password-file") {
      if (value->empty()) return Invalid("--password-file needs a file name");
      line.passwordFile = *value;
    } else {
      const std::optional<int> retries = Retries(*value);
      if (!retries) return Invalid("--retry is a whole number from 0 to " + std::to_string(kMostRetries));
      line.retries = *retries;
    }
  }
  if (line.versionIndex < 0) return Invalid("--generation TV1 or --generation TV2 is required");
  return line;
}

std::string Usage() {
  return "Usage: tavimer-maint                      open the window\n"
         "       tavimer-maint --generation TV1|TV2 [--password-file FILE] [--retry N]\n"
         "       tavimer-maint --help | --version\n"
         "\n"
         "With --generation the maintenance runs without a window, as the window's run does:\n"
         "it finds the Tavimer 1.x (TV1) or Tavimer 2.x (TV2) installation, checks the main\n"
         "database's password, then deletes stale lock files and test-opens, repairs where\n"
         "needed and compacts each database. Every message is printed with its answer, and\n"
         "each result line as it comes. A database another program has open is not changed.\n"
         "\n"
         "  --password-file FILE  the main database's password is the first line of FILE;\n"
         "                        without it the password is asked on the terminal\n"
         "  --retry N             answer Retry up to N times to a failed repair (default 0:\n"
         "                        Cancel, which leaves the database as it was)\n"
         "\n"
         "Exit status: 0 every database was compacted or did not need it; 1 a message\n"
         "reported a failure; 2 the run did not start (no installation found, no or a wrong\n"
         "password, bad arguments).\n";
}

}  // namespace tav

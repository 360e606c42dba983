#pragma once
// Helpers shared by the engine tests: the fixture databases, private copies of them in a
// temporary folder, and running external programs.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace jet::testing {

// Every fixture database (jet3/*.mdb and jet4/*.mdb), as paths relative to the fixture folder.
std::vector<std::string> AllFixtures();
std::string FixturePath(const std::string& relative);
// The password a fixture needs ("password" for the protected ones, the one MANIFEST.tsv gives
// for a file of the real-world corpus, else empty).
std::string FixturePassword(const std::string& relative);
// Every file of the real-world corpus (fixtures/realworld), as paths FixturePath takes.
std::vector<std::string> RealWorldFiles();

// A temporary folder removed when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Copies a fixture in and returns the copy's path.
  std::string CopyFixture(const std::string& relative) const;
  // Writes `bytes` to a new file in the folder.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);

struct CommandOutput {
  int exit_code = -1;
  std::string out;
};
// Runs a command through the system's shell (sh, or cmd on Windows) and captures its
// standard output; ShellQuote quotes one argument for that shell.
CommandOutput RunCommand(const std::string& command);
std::string ShellQuote(const std::string& text);

}  // namespace jet::testing

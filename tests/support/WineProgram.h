#pragma once
// Windows programs run under Wine by tests: the one Wine prefix of a test program, and a
// program whose standard input and output the test holds.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tav::testing {

// A Wine prefix made fresh in a temporary folder (Wine's first start in a prefix takes long),
// its server ended and the folder removed when the object goes.
class FreshWinePrefix {
 public:
  FreshWinePrefix();
  ~FreshWinePrefix();
  FreshWinePrefix(const FreshWinePrefix&) = delete;
  FreshWinePrefix& operator=(const FreshWinePrefix&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Why there is no prefix (Wine missing, ...); empty when there is one.
  const std::string& Failure() const { return failure_; }
  // "WINEPREFIX='...' WINEDEBUG=-all " for shell commands.
  std::string Env() const;
  // Waits until the prefix's server has ended, its registry saved.
  void WaitForServer() const;
  // The user's documents folder as a folder of the prefix's own (Wine links it to the home
  // folder of this system's user), so that what a test puts there stays in the prefix; its
  // host path.
  std::filesystem::path OwnDocumentsFolder() const;

 private:
  std::filesystem::path path_;
  std::string failure_;
};

// The Wine prefix every test of a test program works in, made when the program starts and
// removed at its end. A test program registers it once:
//   const auto* const kPrefix = ::testing::AddGlobalTestEnvironment(new SharedWinePrefix);
// and runs as one ctest test (tavimer_test ... WHOLE).
class SharedWinePrefix : public ::testing::Environment {
 public:
  static const std::filesystem::path& Path();
  static const std::string& Failure();
  static std::string Env();
  static void WaitForServer();

  void SetUp() override;
  void TearDown() override;

 private:
  static std::unique_ptr<FreshWinePrefix> prefix_;
};

// The Windows name of a host path, through the prefix's Z: drive.
std::string ZDrivePath(const std::filesystem::path& host);

// `wine program arguments...` in `prefix`, its standard error discarded. It ends when
// the test closes its standard input (the destructor does, then waits for it).
class WineProgram {
 public:
  WineProgram(const std::filesystem::path& prefix, const std::filesystem::path& program,
              const std::vector<std::string>& arguments);
  ~WineProgram();
  WineProgram(const WineProgram&) = delete;
  WineProgram& operator=(const WineProgram&) = delete;

  // The next line the program prints, without its line end; empty when it printed none
  // within `seconds`.
  std::string ReadLine(int seconds);
  // Writes a line (a line end is added) to its standard input.
  void WriteLine(const std::string& line);
  // Closes its standard input and waits for it to end.
  void Finish();
  // Closes its standard input and waits up to `seconds` for it to end, then ends it; its exit
  // status, or -1 when it had to be ended.
  int Finish(int seconds);

 private:
  pid_t pid_ = -1;
  int input_ = -1;   // our end of its standard input
  int output_ = -1;  // our end of its standard output
  std::string pending_;
};

}  // namespace tav::testing

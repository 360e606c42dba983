#pragma once
// Windows programs run under Wine by tests: the one Wine prefix of a test program, and a
// program whose standard input and output the test holds.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tav::testing {

// The Wine prefix every test of a test program works in, made fresh in a temporary folder
// when the program starts (Wine's first start in a prefix takes long) and removed at its
// end. A test program registers it once:
//   const auto* const kPrefix = ::testing::AddGlobalTestEnvironment(new SharedWinePrefix);
// and runs as one ctest test (tavimer_test ... WHOLE).
class SharedWinePrefix : public ::testing::Environment {
 public:
  static const std::filesystem::path& Path() { return path_; }
  // Why there is no prefix (Wine missing, ...); empty when there is one.
  static const std::string& Failure() { return failure_; }
  // "WINEPREFIX='...' WINEDEBUG=-all " for shell commands.
  static std::string Env();
  // Waits until the prefix's server has ended, its registry saved.
  static void WaitForServer();

  void SetUp() override;
  void TearDown() override;

 private:
  static std::filesystem::path path_;
  static std::string failure_;
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

// jettool reports each kind of failure with the engine's error number, the same number the
// program shows for it: "error NNNN: ..." on stderr and exit code 2.

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tests/jet/JetTestSupport.h"
#include "tools/generator/Generator.h"

namespace jet {
namespace {

using testing::ShellQuote;
using testing::TempDir;

struct Failure {
  const char* name;
  const char* number;  // the "error NNNN" jettool must print
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

// Makes the database the failure needs in `dir` and returns jettool's arguments.
std::string Arguments(const std::string& failure, const TempDir& dir) {
  std::vector<uint8_t> bytes = testing::ReadBytes(testing::FixturePath("jet4/test2V2000.mdb"));
  if (failure == "missing file") return "info " + ShellQuote((dir.path() / "nothing.mdb").string());
  if (failure == "not a database") return "info " + ShellQuote(dir.Write("notes.mdb", {'h', 'i', '\n'}));
  if (failure == "later engine version") {
    bytes[0x14] = 3;
    return "info " + ShellQuote(dir.Write("later.mdb", bytes));
  }
  if (failure == "damaged catalog") {
    std::memset(bytes.data() + 2 * 4096, 0, 4096);
    return "info " + ShellQuote(dir.Write("damaged.mdb", bytes));
  }
  if (failure == "wrong password")
    return "info --password wrong " + ShellQuote(dir.CopyFixture("jet4/passwordV2003.mdb"));
  // "existing destination"
  return "compact " + ShellQuote(dir.Write("source.mdb", bytes)) + " " +
         ShellQuote(dir.Write("there.mdb", {1}));
}

class JettoolError : public ::testing::TestWithParam<Failure> {};

TEST_P(JettoolError, PrintsTheEngineNumber) {
  TempDir dir;
  const auto run = testing::RunCommand(std::string(TAVIMER_BINARY_DIR) + "/tools/jettool " +
                                       Arguments(GetParam().name, dir) + " 2>&1");
  EXPECT_EQ(run.exit_code, 2) << run.out;
  EXPECT_EQ(run.out.rfind(std::string("error ") + GetParam().number + ": ", 0), 0u) << run.out;
}

INSTANTIATE_TEST_SUITE_P(EachKind, JettoolError,
                         ::testing::Values(Failure{"missing file", "3024"}, Failure{"not a database", "3343"},
                                           Failure{"later engine version", "3343"},
                                           Failure{"damaged catalog", "3049"},
                                           Failure{"wrong password", "3031"},
                                           Failure{"existing destination", "3204"}),
                         [](const auto& param_info) {
                           std::string name = param_info.param.name;
                           for (char& c : name) c = c == ' ' ? '_' : c;
                           return name;
                         });

// Regression: `delete --where ID=abc` on a whole-number column deleted nothing and exited 0.
// A value that is not a whole number in the column's range is refused, the file unchanged.
TEST(JettoolDeleteTest, RefusesAWhereValueThatDoesNotFitTheColumn) {
  TempDir dir;
  tav::GenerateOptions options;
  options.rows = 20;
  ASSERT_TRUE(tav::GenerateInstallation(dir.path().string(), options).ok());
  const std::string path = (dir.path() / "data" / "list.mdb").string();
  const std::vector<uint8_t> before = testing::ReadBytes(path);
  const std::string jettool = std::string(TAVIMER_BINARY_DIR) + "/tools/jettool delete " + ShellQuote(path);
  for (const char* where : {"ID=abc", "ID=", "ID=1x", "ID=1.5", "ID=99999999999", "ID= 3"}) {
    const auto run = testing::RunCommand(jettool + " Recipients --where " + ShellQuote(where) + " 2>&1");
    EXPECT_EQ(run.exit_code, 2) << where << ": " << run.out;
    EXPECT_EQ(run.out.rfind("error 3001: ", 0), 0u) << where << ": " << run.out;
    EXPECT_EQ(testing::ReadBytes(path), before) << where;
  }
  const auto run = testing::RunCommand(jettool + " Recipients --where ID=3 2>&1");
  EXPECT_EQ(run.exit_code, 0) << run.out;
  EXPECT_EQ(run.out, "1 row(s) deleted\n");
}

}  // namespace
}  // namespace jet

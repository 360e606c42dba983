// jettool on Windows leaves alone a database that a Windows program holds, in every way a
// program can hold it: open shared, open exclusively, with a byte range locked where Jet
// programs lock, or with only its lock file open. Compaction and repair are refused with the
// engine's number for a database in use (3045) and the file stays byte for byte; once the
// program lets go, both go ahead.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/jet/JetTestSupport.h"
#include "tests/jet/WindowsHolderProcess.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::ShellQuote;

testing::CommandOutput Jettool(const std::string& arguments) {
  return testing::RunCommand(std::string(TAVIMER_BINARY_DIR) + "/tools/jettool " + arguments + " 2>&1");
}

TEST(WindowsJettoolInUse, RefusesWhatAWindowsProgramHolds) {
  struct Hold {
    const char* mode;
    bool lock_file;  // the holder has only the lock file open
  };
  for (const Hold hold :
       {Hold{"shared", false}, Hold{"exclusive", false}, Hold{"bytelock", false}, Hold{"shared", true}}) {
    SCOPED_TRACE(std::string(hold.mode) + (hold.lock_file ? " lock file" : ""));
    testing::TempDir dir;
    const std::string database = (dir.path() / "list.mdb").string();
    fs::copy_file(testing::FixturePath("jet4/indexTestV2000.mdb"), database);
    fs::resize_file(database, fs::file_size(database) - 1000);  // damaged: a repair has work to do
    const std::string lock_file = dir.Write("list.ldb", std::vector<uint8_t>(64));
    const std::vector<uint8_t> before = testing::ReadBytes(database);
    const std::string copy = (dir.path() / "copy.mdb").string();

    testing::WindowsHolderProcess holder(hold.mode, hold.lock_file ? lock_file : database);
    ASSERT_TRUE(holder.Held()) << holder.said();
    for (const std::string& command :
         {"compact " + ShellQuote(database) + " " + ShellQuote(copy), "repair " + ShellQuote(database)}) {
      const auto run = Jettool(command);
      EXPECT_EQ(run.exit_code, 2) << command << ": " << run.out;
      EXPECT_EQ(run.out.rfind("error 3045: ", 0), 0u) << command << ": " << run.out;
    }
    EXPECT_FALSE(fs::exists(copy));
    holder.Release();
    EXPECT_EQ(testing::ReadBytes(database), before);

    const auto repaired = Jettool("repair " + ShellQuote(database));
    EXPECT_EQ(repaired.exit_code, 0) << repaired.out;
    EXPECT_NE(testing::ReadBytes(database), before);
    const auto compacted = Jettool("compact " + ShellQuote(database) + " " + ShellQuote(copy));
    EXPECT_EQ(compacted.exit_code, 0) << compacted.out;
  }
}

}  // namespace
}  // namespace jet

// Repaired databases read by the independent readers: after `jettool repair` mends a damaged
// copy, mdb-export exports every user table and mdb-reader reads every table, system tables
// included, with as many rows as the engine reads. A file that cannot be repaired makes
// jettool fail with an error number and leaves the file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "jet/read/Database.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/RepairTestSupport.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::RunCommand;
using testing::ShellQuote;
using testing::TempDir;

const std::string kJettool = std::string(TAVIMER_BINARY_DIR) + "/tools/jettool";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) out.push_back(line);
  }
  return out;
}

// Rows per user table, as the engine reads them.
std::map<std::string, size_t> EngineCounts(const std::string& path) {
  std::map<std::string, size_t> counts;
  auto db = Database::OpenPath(path);
  if (!db.ok()) return counts;
  for (const CatalogEntry& entry : (*db)->Tables(false)) counts[entry.name] = 0;
  for (const testing::StoredRow& row : testing::ReadUserRows(path)) ++counts[row.table];
  return counts;
}

std::string ReaderDump(const std::string& path) {
  const std::string oracle = std::string(TAVIMER_SOURCE_DIR) + "/tests/oracle";
  auto dumped = RunCommand("cd " + ShellQuote(oracle) + " && node dump.mjs " + ShellQuote(path));
  EXPECT_EQ(dumped.exit_code, 0) << dumped.out.substr(0, 500);
  EXPECT_FALSE(dumped.out.empty()) << "mdb-reader reads nothing in " << path;
  return dumped.out;
}

// The tables mdb-reader refuses, with its error: it cannot read some of Access's own
// tables (column type 0x11), in the original file as much as in a repaired one.
std::set<std::string> ReaderErrors(const std::string& dump) {
  std::set<std::string> errors;
  for (const std::string& line : Lines(dump)) {
    if (line.rfind("{\"table\":", 0) == 0 && line.find("\"error\"") != std::string::npos) errors.insert(line);
  }
  return errors;
}

// `source` is the undamaged file: whatever mdb-reader could read there, it must read in the
// repaired file.
void ExpectReadersReadEverything(const std::string& path, const std::string& source) {
  const std::map<std::string, size_t> counts = EngineCounts(path);
  ASSERT_FALSE(counts.empty());
  for (const auto& [table, rows] : counts) {
    auto exported = RunCommand("mdb-export " + ShellQuote(path) + " " + ShellQuote(table) + " 2>&1");
    EXPECT_EQ(exported.exit_code, 0) << "mdb-export " << table << ": " << exported.out;
  }
  const std::string dumped = ReaderDump(path);
  const std::set<std::string> refused_before = ReaderErrors(ReaderDump(source));
  for (const std::string& error : ReaderErrors(dumped)) EXPECT_EQ(refused_before.count(error), 1u) << error;
  std::map<std::string, size_t> read;
  for (const std::string& line : Lines(dumped)) {
    const size_t at = line.find("\"rowCount\":");
    if (line.rfind("{\"table\":\"", 0) != 0 || at == std::string::npos) continue;
    const std::string name = line.substr(10, line.find('"', 10) - 10);
    read[name] = std::stoul(line.substr(at + 11));
  }
  for (const auto& [table, rows] : counts) EXPECT_EQ(read[table], rows) << "mdb-reader, table " << table;
}

using DamageFn = std::function<void(const std::string&)>;

uint32_t SecondDataPage(const std::string& path) {
  const auto pages = testing::BusiestTable(testing::ReadUserRows(path)).second;
  return pages.at(pages.size() > 1 ? 1 : 0);
}

uint32_t PageSize(const std::string& path) { return (*Database::OpenPath(path))->page_size(); }

TEST(RepairOracleTest, RepairedFilesReadWithBothIndependentReaders) {
  TempDir dir;
  const std::vector<std::pair<const char*, DamageFn>> damages = {
      {"cut inside the last page",
       [](const std::string& p) { testing::Truncate(p, fs::file_size(p) - PageSize(p) / 3); }},
      {"page of unknown type",
       [](const std::string& p) {
         testing::Overwrite(p, uint64_t{SecondDataPage(p)} * PageSize(p), {0x6b});
       }},
      {"row offsets outside the page",
       [](const std::string& p) {
         auto db = Database::OpenPath(p);
         const Layout& l = (*db)->layout();
         testing::Overwrite(p, uint64_t{SecondDataPage(p)} * l.page_size + l.data_row_offsets,
                            {0xff, 0x1f, 0x00, 0x00});
       }},
      {"scrambled header settings",
       [](const std::string& p) {
         testing::Overwrite(p, kHeaderScrambledOffset,
                            std::vector<uint8_t>(kHeaderScrambledLengthJet3, 0x77));
       }},
  };
  const std::vector<std::string> sources = {
      testing::Generated(dir.path().string(), JetVersion::kJet3, "history"),
      testing::Generated(dir.path().string(), JetVersion::kJet4, "history"),
      dir.CopyFixture("jet3/indexTestV1997.mdb"), dir.CopyFixture("jet4/indexTestV2000.mdb")};
  for (const std::string& source : sources) {
    for (const auto& [name, damage] : damages) {
      SCOPED_TRACE(source + ": " + name);
      const std::string path = (dir.path() / "damaged.mdb").string();
      fs::copy_file(source, path, fs::copy_options::overwrite_existing);
      damage(path);
      auto repaired = RunCommand(ShellQuote(kJettool) + " repair " + ShellQuote(path) + " 2>&1");
      ASSERT_EQ(repaired.exit_code, 0) << repaired.out;
      EXPECT_NE(repaired.out.find("repaired:"), std::string::npos) << repaired.out;
      ExpectReadersReadEverything(path, source);
    }
  }
}

TEST(RepairOracleTest, JettoolReportsWhatCannotBeRepairedAndLeavesTheFile) {
  TempDir dir;
  const std::string path = dir.CopyFixture("jet4/indexTestV2000.mdb");
  testing::Overwrite(path, 2 * 4096, std::vector<uint8_t>(4096, 0));
  const std::vector<uint8_t> before = testing::ReadBytes(path);
  auto repaired = RunCommand(ShellQuote(kJettool) + " repair " + ShellQuote(path) + " 2>&1");
  EXPECT_EQ(repaired.exit_code, 2);
  EXPECT_EQ(repaired.out.rfind("error ", 0), 0u) << repaired.out;
  EXPECT_NE(repaired.out.find("catalog"), std::string::npos) << repaired.out;
  EXPECT_EQ(testing::ReadBytes(path), before);
  EXPECT_EQ(testing::FolderListing(dir.path().string()).size(), 1u);

  const std::string sound = dir.CopyFixture("jet4/passwordV2003.mdb");
  auto untouched =
      RunCommand(ShellQuote(kJettool) + " repair " + ShellQuote(sound) + " --password password 2>&1");
  EXPECT_EQ(untouched.exit_code, 0) << untouched.out;
  EXPECT_NE(untouched.out.find("nothing was repaired"), std::string::npos) << untouched.out;
}

}  // namespace
}  // namespace jet

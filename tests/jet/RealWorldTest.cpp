// Databases that programs wrote over years of real use (fixtures/realworld, listed in its
// MANIFEST.tsv): every table reads as mdbtools and mdb-reader read it, the check finds no
// damage, and the compacted copy reads the same, checks sound with nothing left over, is no
// larger, and compacts again to the same size. Damaged on purpose, each is still refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "jet/check/Checker.h"
#include "jet/compact/Compactor.h"
#include "jet/read/Database.h"
#include "tests/jet/DamageSupport.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/ReaderOracle.h"
#include "tests/support/TestNames.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(TAVIMER_FIXTURES_DIR) / "realworld";

struct CorpusFile {
  std::string name;
  std::string password;
};

void PrintTo(const CorpusFile& file, std::ostream* out) { *out << file.name; }

// Every database of the corpus, with the password its manifest gives.
std::vector<CorpusFile> Corpus() {
  std::vector<CorpusFile> out;
  for (const std::string& relative : testing::RealWorldFiles()) {
    out.push_back({fs::path(relative).filename().string(), testing::FixturePassword(relative)});
  }
  return out;
}

// Our exports with the rows sorted (a compaction keeps no storage order) and the table ids of
// the catalog and the access-control entries blanked (they follow the tables' new pages).
testing::CsvTables Comparable(testing::CsvTables tables) {
  for (auto& [name, records] : tables) {
    if (records.empty()) continue;
    const std::string id = name == kCatalogName ? "Id" : name == kAccessControlName ? "ObjectId" : "";
    const auto column = std::find(records.front().begin(), records.front().end(), id);
    for (size_t r = 1; r < records.size() && column != records.front().end(); ++r) {
      records[r][static_cast<size_t>(column - records.front().begin())].clear();
    }
    std::sort(records.begin() + 1, records.end());
  }
  return tables;
}

struct CheckResult {
  std::vector<std::string> problems;
  std::vector<std::string> notes;
};

CheckResult Check(Database& db) {
  CheckResult out;
  CheckDatabase(
      db, [&out](const Problem& p) { out.problems.push_back(p.ToString()); },
      [&out](const Note& n) { out.notes.push_back(n.ToString()); });
  return out;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += "\n  " + line;
  return out;
}

Result<uint64_t> Compact(const std::string& source, const std::string& destination,
                         const std::string& password) {
  JET_ASSIGN_OR_RETURN(auto db, Database::OpenPath(source, {.password = password}));
  JET_RETURN_IF_ERROR(CompactToPath(*db, destination).status());
  return fs::file_size(destination);
}

class RealWorldTest : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(RealWorldTest, ReadsChecksAndCompactsAsAccessWroteIt) {
  testing::TempDir dir;
  const std::string& password = GetParam().password;
  const std::string source = (dir.path() / "source.mdb").string();
  fs::copy_file(kCorpus / GetParam().name, source);
  const auto bytes = testing::ReadBytes(source);

  auto db = Database::OpenPath(source, {.password = password});
  ASSERT_TRUE(db.ok()) << "the open refuses the file: " << db.status().ToString();
  testing::ExpectTableListMatchesMdbTools(source, **db);
  const testing::CsvTables before = testing::ExpectExportsMatchMdbExport(source, password, **db);
  testing::ExpectRowsMatchMdbReader(source, password, **db);
  const CheckResult checked = Check(**db);
  EXPECT_TRUE(checked.problems.empty()) << Joined(checked.problems);

  const std::string once = (dir.path() / "once.mdb").string();
  auto size = Compact(source, once, password);
  ASSERT_TRUE(size.ok()) << "compaction refuses the file: " << size.status().ToString();
  EXPECT_EQ(testing::ReadBytes(source), bytes) << "the source changed";
  EXPECT_LE(*size, bytes.size());

  auto copy = Database::OpenPath(once, {.password = password});
  ASSERT_TRUE(copy.ok()) << copy.status().ToString();
  EXPECT_EQ((*copy)->header().unscrambled, (*db)->header().unscrambled) << "the header page changed";
  testing::ExpectTableListMatchesMdbTools(once, **copy);
  const testing::CsvTables after = testing::ExpectExportsMatchMdbExport(once, password, **copy);
  testing::ExpectRowsMatchMdbReader(once, password, **copy);
  EXPECT_TRUE(Comparable(after) == Comparable(before)) << "the compacted copy reads other rows";
  const CheckResult compacted = Check(**copy);
  EXPECT_TRUE(compacted.problems.empty()) << Joined(compacted.problems);
  EXPECT_TRUE(compacted.notes.empty())
      << "the compacted copy leaves something behind:" << Joined(compacted.notes);

  auto again = Compact(once, (dir.path() / "twice.mdb").string(), password);
  ASSERT_TRUE(again.ok()) << again.status().ToString();
  EXPECT_EQ(*again, *size);

  // Damage is still damage: an index entry naming a row its table does not hold is reported
  // by the check and refused by the compaction, with the table and the page.
  const auto entry = testing::FirstIndexEntryRow(**db, true);
  ASSERT_TRUE(entry.has_value());
  db->reset();
  testing::Poke(source, *entry, 0xfe);
  auto damaged = Database::OpenPath(source, {.password = password});
  ASSERT_TRUE(damaged.ok()) << damaged.status().ToString();
  EXPECT_FALSE(Check(**damaged).problems.empty());
  auto refused = CompactToPath(**damaged, (dir.path() / "damaged.mdb").string());
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.status().kind(), ErrorKind::kCorrupt);
  const std::string page = "(page " + std::to_string(*entry / (*damaged)->page_size()) + ")";
  EXPECT_NE(refused.status().ToString().find("table '"), std::string::npos) << refused.status().ToString();
  EXPECT_NE(refused.status().ToString().find(page), std::string::npos) << refused.status().ToString();
}

// Early tools left the code page of Jet 3 headers at 0. Such text reads as 1252 unless the user
// names the code page it was written in (1254 for this Turkish dictionary, where 1252 shows
// y-acute for the dotless i).
TEST(RealWorldCodePage, AnUnsetCodePageReadsAs1252OrAsNamed) {
  testing::TempDir dir;
  const std::string file = (dir.path() / "sozluk.mdb").string();
  fs::copy_file(kCorpus / "psc33045-suhan-english-turkish-di__sozluk.mdb", file);
  const std::string jettool = testing::ShellQuote(std::string(TAVIMER_BINARY_DIR) + "/tools/jettool");
  const auto as_1252 = testing::RunCommand(jettool + " export " + testing::ShellQuote(file) + " Soz");
  const auto as_1254 =
      testing::RunCommand(jettool + " export --code-page 1254 " + testing::ShellQuote(file) + " Soz");
  ASSERT_EQ(as_1252.exit_code, 0);
  ASSERT_EQ(as_1254.exit_code, 0);
  const std::string y_acute = "\xC3\xBD", dotless_i = "\xC4\xB1";
  EXPECT_NE(as_1252.out.find(y_acute), std::string::npos);
  EXPECT_EQ(as_1252.out.find(dotless_i), std::string::npos);
  EXPECT_EQ(as_1254.out.find(y_acute), std::string::npos);
  EXPECT_NE(as_1254.out.find(dotless_i), std::string::npos);
  const auto info = testing::RunCommand(jettool + " info " + testing::ShellQuote(file));
  EXPECT_NE(info.out.find("code page: 0 (text read as 1252)"), std::string::npos) << info.out;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RealWorldTest, ::testing::ValuesIn(Corpus()),
                         [](const ::testing::TestParamInfo<CorpusFile>& file) {
                           return tav::testing::TestNameOf(file.param.name);
                         });

}  // namespace
}  // namespace jet

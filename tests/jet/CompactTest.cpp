// Compaction's guarantees without outside readers: a destination that exists is refused
// and left alone, a failing disk at any write leaves no destination behind and the source
// as it was, deleted rows leave nothing behind, and decimals are carried over exactly. What
// jettool makes of a wrong password, as inotify sees it, and
// a link to nowhere as the destination: PosixCompactTest.cpp. The read-back of the new file
// fails whenever it does not hold what the writer says it wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "jet/compact/Compactor.h"
#include "jet/read/TableReader.h"
#include "jet/write/CellsFromValues.h"
#include "jet/write/DatabaseCreator.h"
#include "jet/write/DesignFromDefinition.h"
#include "tests/jet/JetTestSupport.h"
#include "tools/generator/Generator.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(Compact, RefusesAnExistingDestinationAndLeavesItAlone) {
  TempDir dir;
  const std::string source = dir.CopyFixture("jet4/testUnicodeCompV2003.mdb");
  const std::string target = dir.Write("target.mdb", {1, 2, 3});
  auto db = Database::OpenPath(source);
  ASSERT_TRUE(db.ok());
  auto result = CompactToPath(**db, target);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.status().kind(), ErrorKind::kExists);
  EXPECT_EQ(testing::ReadBytes(target), (std::vector<uint8_t>{1, 2, 3}));
}

// Writes the live rows of every user table of `source` into a new database, the way a
// database holding only the surviving rows would have been written.
void WriteSurvivors(const std::string& source, const std::string& target, JetVersion version) {
  auto db = Database::OpenPath(source);
  ASSERT_TRUE(db.ok());
  auto file = SystemFileSystem().Open(target, OpenMode::kCreateNew);
  ASSERT_TRUE(file.ok());
  CreateOptions create;
  create.version = version;
  auto out = DatabaseCreator::Create(std::move(file).value(), create);
  ASSERT_TRUE(out.ok());
  for (const CatalogEntry& entry : (*db)->Tables(false)) {
    auto def = (*db)->ReadTableDef(entry.DefinitionPage());
    ASSERT_TRUE(def.ok());
    auto design = DesignFromDefinition(*def, entry.name, false, (*db)->layout());
    ASSERT_TRUE(design.ok());
    auto table = (*out)->AddTable(*design);
    ASSERT_TRUE(table.ok());
    auto rows = ReadAllRows(**db, *def);
    ASSERT_TRUE(rows.ok());
    for (const auto& values : *rows) {
      auto cells = CellsFromValues(*def, values);
      ASSERT_TRUE(cells.ok());
      ASSERT_TRUE((*table)->AddRow(*cells).ok());
    }
  }
  ASSERT_TRUE((*out)->Finish().ok());
}

TEST(Compact, HalfDeletedShrinksToTheSurvivorsSize) {
  for (JetVersion version : {JetVersion::kJet3, JetVersion::kJet4}) {
    TempDir dir;
    tav::GenerateOptions options;
    options.rows = 2000;
    options.deleted = 0.5;
    options.version = version;
    ASSERT_TRUE(tav::GenerateInstallation((dir.path() / "i").string(), options).ok());
    for (const char* file : {"i/data/list.mdb", "i/history/history.mdb"}) {
      SCOPED_TRACE(file);
      const std::string source = (dir.path() / file).string();
      const std::string compacted = source + ".compact";
      const std::string survivors = source + ".survivors";
      auto db = Database::OpenPath(source);
      ASSERT_TRUE(db.ok());
      ASSERT_TRUE(CompactToPath(**db, compacted).ok());
      WriteSurvivors(source, survivors, version);
      const double ratio =
          static_cast<double>(fs::file_size(compacted)) / static_cast<double>(fs::file_size(survivors));
      EXPECT_LE(ratio, 1.05) << fs::file_size(compacted) << " against " << fs::file_size(survivors);
      EXPECT_LT(fs::file_size(compacted), fs::file_size(source));
    }
  }
}

// Each way the new file can differ from what the writer recorded: a table's row count, its
// data pages (their number, which they are, a page of another table), a table missing or
// one too many, and a data page overwritten in the file itself.
TEST(Compact, TheReadBackRefusesACopyThatDiffersFromWhatWasWritten) {
  for (const char* fixture : {"jet3/delTestV1997.mdb", "jet4/delTestV2003.mdb"}) {
    SCOPED_TRACE(fixture);
    TempDir dir;
    const std::string source = dir.CopyFixture(fixture);
    const std::string compacted = (dir.path() / "compacted.mdb").string();
    const std::string password = testing::FixturePassword(fixture);
    auto db = Database::OpenPath(source, {.password = password});
    ASSERT_TRUE(db.ok());
    auto summary = CompactToPath(**db, compacted);
    ASSERT_TRUE(summary.ok()) << summary.status().ToString();
    const std::map<std::string, CopiedTable>& written = summary->copied;
    ASSERT_TRUE(CheckCopyReadsBack(SystemFileSystem(), compacted, password, written).ok());
    std::string largest;  // the user table with most data pages
    for (const auto& [name, table] : written) {
      if (name.starts_with("MSys")) continue;
      if (largest.empty() || table.data_pages > written.at(largest).data_pages) largest = name;
    }
    ASSERT_FALSE(largest.empty());
    ASSERT_GT(written.at(largest).data_pages, 0u);
    const uint32_t catalog_page = written.at("MSysObjects").first_page;
    const std::vector<std::pair<const char*, std::function<void(std::map<std::string, CopiedTable>&)>>>
        tampered = {
            {"rows", [&](auto& t) { ++t[largest].rows; }},
            {"page count", [&](auto& t) { --t[largest].data_pages; }},
            {"pages", [&](auto& t) { t[largest].page_digest ^= 1; }},
            {"another table's page", [&](auto& t) { t[largest].last_page = catalog_page; }},
            {"a table left out", [&](auto& t) { t.erase(largest); }},
            {"a table too many", [&](auto& t) { t["Extra"] = {}; }},
        };
    for (const auto& [what, tamper] : tampered) {
      std::map<std::string, CopiedTable> expected = written;
      tamper(expected);
      EXPECT_EQ(CheckCopyReadsBack(SystemFileSystem(), compacted, password, expected).kind(),
                ErrorKind::kCorrupt)
          << what;
    }
    {
      std::fstream file(compacted, std::ios::in | std::ios::out | std::ios::binary);
      const std::vector<char> zeros((*db)->page_size(), 0);
      file.seekp(std::streamoff{written.at(largest).last_page} * (*db)->page_size());
      file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    EXPECT_EQ(CheckCopyReadsBack(SystemFileSystem(), compacted, password, written).kind(),
              ErrorKind::kCorrupt);
  }
}

TEST(Compact, DecimalsAreCarriedOverExactlyOrRefused) {
  EXPECT_EQ(*ScaledDecimal("-12.3400", 4), -123400);
  EXPECT_EQ(*ScaledDecimal("12.3", 4), 123000);
  EXPECT_EQ(*ScaledDecimal("7.500", 1), 75);
  EXPECT_EQ(*ScaledDecimal("0", 0), 0);
  EXPECT_EQ(*ScaledDecimal("9223372036854775807", 0), INT64_MAX);
  EXPECT_EQ(ScaledDecimal("9223372036854775808", 0).status().kind(), ErrorKind::kUnsupported);
  EXPECT_EQ(ScaledDecimal("1.25", 1).status().kind(), ErrorKind::kUnsupported);  // never rounded
  EXPECT_EQ(ScaledDecimal("99999999999999999999.5", 2).status().kind(), ErrorKind::kUnsupported);
}

}  // namespace
}  // namespace jet

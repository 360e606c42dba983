// Compaction's guarantees without outside readers: a destination that exists is refused
// and left alone, a failing disk at any write leaves no destination behind and the source
// as it was, deleted rows leave nothing behind, and decimals are carried over exactly. What
// jettool makes of a wrong password, as inotify sees it, and
// a link to nowhere as the destination: PosixCompactTest.cpp.
#include <gtest/gtest.h>

#include <filesystem>

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

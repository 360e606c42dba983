// Repair of damaged copies of the fixtures and of generated databases: each kind of damage
// is done to a copy, the copy repaired in place, and the result must open, pass the check
// and hold every row that lay outside the damage, with identical values.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "jet/format/DataPage.h"
#include "jet/format/WriteMarker.h"
#include "jet/read/Database.h"
#include "jet/read/TableReader.h"
#include "jet/repair/Repairer.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/RepairTestSupport.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::BusiestTable;
using testing::Damage;
using testing::ExpectRepaired;
using testing::Overwrite;
using testing::ReadBytes;
using testing::ReadUserRows;
using testing::Repaired;
using testing::RowsByPage;
using testing::StoredRow;
using testing::TempDir;

constexpr const char* kJet3Fixture = "jet3/delTestV1997.mdb";
constexpr const char* kJet4Fixture = "jet4/indexTestV2000.mdb";

std::string GeneratedHistory(const TempDir& dir, JetVersion version) {
  return testing::Generated(dir.path().string(), version, "history");
}

uint32_t PageSize(const std::string& path) {
  auto db = Database::OpenPath(path);
  return db.ok() ? (*db)->page_size() : 0;
}

// The last page holding a table definition or a catalog row.
uint32_t LastStructurePage(const std::string& path) {
  auto db = Database::OpenPath(path);
  uint32_t last = 0;
  if (!db.ok()) return last;
  for (const CatalogEntry& entry : (*db)->Tables(true)) {
    auto def = (*db)->ReadTableDef(entry.DefinitionPage());
    if (def.ok()) last = std::max(last, *std::max_element(def->pages.begin(), def->pages.end()));
  }
  auto catalog = (*db)->ReadTableDef(kCatalogTableDefPage);
  if (!catalog.ok()) return last;
  auto pages = TableReader(**db, *catalog).DataPages();
  if (pages.ok() && !pages->empty()) last = std::max(last, pages->back());
  return last;
}

TEST(RepairTest, SoundFilesAreLeftAsTheyAre) {
  TempDir dir;
  for (const char* fixture : {kJet3Fixture, "jet4/passwordV2003.mdb"}) {
    const std::string path = dir.CopyFixture(fixture);
    auto report = RepairDatabase(path);
    ASSERT_TRUE(report.ok()) << report.status().ToString();
    EXPECT_FALSE(report->repaired);
    EXPECT_EQ(ReadBytes(path), ReadBytes(testing::FixturePath(fixture)));
  }
  const std::string path = dir.CopyFixture("jet4/passwordV2003.mdb");
  EXPECT_EQ(RepairDatabase(path, {.password = "wrong"}).status().kind(), ErrorKind::kBadPassword);
}

// Every named index of every user table: its kind and, for a relationship, the related
// table and index by name and the cascade flags.
std::set<std::string> IndexSummary(const std::string& path, const std::string& password) {
  std::set<std::string> out;
  auto db = Database::OpenPath(path, {.password = password});
  if (!db.ok()) return out;
  std::map<uint32_t, std::pair<std::string, TableDef>> tables;
  for (const CatalogEntry& entry : (*db)->Tables(true)) {
    auto def = (*db)->ReadTableDef(entry.DefinitionPage());
    if (def.ok()) tables[entry.DefinitionPage()] = {entry.name, *def};
  }
  for (const auto& [page, table] : tables) {
    for (const LogicalIndex& index : table.second.indexes) {
      std::string line = table.first + "." + index.name + " kind " + std::to_string(index.kind);
      auto related = tables.find(index.related_table_page);
      if (index.kind == kLogicalIndexForeign && related != tables.end()) {
        line += " -> " + related->second.first;
        for (const LogicalIndex& other : related->second.second.indexes) {
          if (other.number == index.related_index) line += "." + other.name;
        }
        line += index.cascade_updates ? " cascade updates" : "";
        line += index.cascade_deletes ? " cascade deletes" : "";
      }
      out.insert(line);
    }
  }
  return out;
}

// The rows of Access's own-objects table (in Access 2000 files its data column has type 0x11
// and holds 3992 bytes in the row's fixed area): each row's ID and data bytes.
std::vector<std::pair<int64_t, std::vector<uint8_t>>> AccessObjects(const std::string& path,
                                                                    const std::string& password) {
  std::vector<std::pair<int64_t, std::vector<uint8_t>>> out;
  auto db = Database::OpenPath(path, {.password = password});
  if (!db.ok()) return out;
  auto def = (*db)->OpenTable("MSysAccessObjects");
  if (!def.ok()) return out;
  auto rows = ReadAllRows(**db, *def);
  if (!rows.ok()) return out;
  for (const std::vector<Value>& row : *rows) out.emplace_back(row[1].integer, row[0].bytes);
  std::sort(out.begin(), out.end());
  return out;
}

// Rebuilding an undamaged file must give back exactly its rows: no row of a page the table
// no longer uses comes back, none is lost, and every value survives the writer. No table is
// lost either, Access's own system tables included.
TEST(RepairTest, RebuildingAnUndamagedFileGivesBackExactlyItsRows) {
  size_t access_objects = 0;
  TempDir dir;
  for (const std::string& fixture : testing::AllFixtures()) {
    SCOPED_TRACE(fixture);
    const std::string password = testing::FixturePassword(fixture);
    const std::vector<StoredRow> rows = ReadUserRows(testing::FixturePath(fixture), password);
    auto source = LoadIntoMemory(testing::FixturePath(fixture));
    ASSERT_TRUE(source.ok());
    MemoryFile rebuilt;
    auto report = RepairInto(**source, rebuilt);
    ASSERT_TRUE(report.ok()) << report.status().ToString();
    for (const Loss& loss : report->losses) ADD_FAILURE() << loss.ToString();
    const std::string path = dir.Write("rebuilt.mdb", rebuilt.bytes());
    ExpectRepaired(rows, path, password, Damage{}, *report);
    EXPECT_EQ(ReadUserRows(path, password).size(), rows.size());
    EXPECT_EQ(IndexSummary(path, password), IndexSummary(testing::FixturePath(fixture), password));
    const auto objects = AccessObjects(testing::FixturePath(fixture), password);
    EXPECT_EQ(AccessObjects(path, password), objects);
    access_objects += objects.size();
  }
  EXPECT_GT(access_objects, 0u);  // the Access samples hold some
}

TEST(RepairTest, WhatCannotBeRepairedStaysByteForByteWithNoFileLeftBehind) {
  TempDir dir;
  struct Case {
    const char* name;
    std::function<void(const std::string&, uint32_t)> damage;
  };
  const std::vector<Case> cases = {
      {"catalog definition zeroed",
       [](const std::string& p, uint32_t size) { Overwrite(p, 2 * size, std::vector<uint8_t>(size, 0)); }},
      {"cut before the catalog",
       [](const std::string& p, uint32_t size) { testing::Truncate(p, 2 * size + 10); }},
      {"every page but the header scrambled",
       [](const std::string& p, uint32_t size) {
         Overwrite(p, size, std::vector<uint8_t>(fs::file_size(p) - size, 0x5a));
       }},
  };
  for (const char* fixture : {kJet3Fixture, kJet4Fixture}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(fixture) + ": " + c.name);
      const std::string path = dir.CopyFixture(fixture);
      c.damage(path, PageSize(path));
      const std::vector<uint8_t> before = ReadBytes(path);
      const auto listing = testing::FolderListing(dir.path().string());
      auto report = RepairDatabase(path);
      ASSERT_FALSE(report.ok());
      EXPECT_EQ(report.status().kind(), ErrorKind::kCorrupt);
      EXPECT_NE(report.status().description().find("lost"), std::string::npos) << report.status().ToString();
      EXPECT_EQ(ReadBytes(path), before);
      EXPECT_EQ(testing::FolderListing(dir.path().string()), listing);
    }
  }
}

TEST(RepairTest, ACutFileKeepsEveryRowBeforeTheCut) {
  TempDir dir;
  std::vector<std::string> sources = {GeneratedHistory(dir, JetVersion::kJet4),
                                      GeneratedHistory(dir, JetVersion::kJet3)};
  for (const std::string& fixture : testing::AllFixtures()) {
    if (testing::FixturePassword(fixture).empty()) sources.push_back(dir.CopyFixture(fixture));
  }
  size_t whole_page_cuts = 0;
  for (const std::string& source : sources) {
    const uint32_t size = PageSize(source);
    const std::vector<StoredRow> rows = ReadUserRows(source);
    const uint32_t pages = static_cast<uint32_t>(fs::file_size(source) / size);
    // Half of the last page gone; then every page from the busiest table's last data page
    // on, when no table definition lies there.
    std::vector<uint64_t> cuts = {uint64_t{pages - 1} * size + size / 2};
    const std::vector<uint32_t> busiest = BusiestTable(rows).second;
    const uint32_t last_rows = busiest.empty() ? 0 : busiest.back();
    if (last_rows > LastStructurePage(source)) cuts.push_back(uint64_t{last_rows} * size);
    whole_page_cuts += cuts.size() - 1;
    for (uint64_t cut : cuts) {
      SCOPED_TRACE(source + " cut at " + std::to_string(cut));
      const std::string path = (dir.path() / "cut.mdb").string();
      fs::remove(path);  // rather than overwrite_existing, which mingw-w64's library refuses
      fs::copy_file(source, path);
      testing::Truncate(path, cut);
      const RepairReport report = Repaired(path);
      Damage damage;
      for (uint32_t page = static_cast<uint32_t>(cut / size); page < pages; ++page) damage.pages.insert(page);
      ExpectRepaired(rows, path, "", damage, report);
      EXPECT_EQ(fs::file_size(path) % size, 0u);
    }
  }
  EXPECT_GT(whole_page_cuts, 0u);
}

// A writer that stopped half-way leaves a marker in the header page and, often, a cut file;
// the repaired file is whole and must not carry the marker on.
TEST(RepairTest, TheMarkerOfAnUnfinishedWriteIsNotCarriedOver) {
  TempDir dir;
  const std::string path = dir.CopyFixture(kJet3Fixture);
  const std::vector<StoredRow> rows = ReadUserRows(path);
  std::vector<uint8_t> header(PageSize(path));
  {
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()));
  }
  SetUnfinishedWriteMarker(header, true);
  Overwrite(path, 0, header);
  testing::Truncate(path, fs::file_size(path) - 100);
  const RepairReport report = Repaired(path);
  const std::vector<uint8_t> repaired = ReadBytes(path);
  EXPECT_FALSE(HasUnfinishedWriteMarker(std::span<const uint8_t>(repaired).first(header.size())));
  ExpectRepaired(
      rows, path, "",
      Damage{{static_cast<uint32_t>(fs::file_size(testing::FixturePath(kJet3Fixture)) / header.size() - 1)},
             {}},
      report);
}

// A data page's type byte damaged into an unknown kind, or into one of the other kinds Access
// writes, or the whole page zeroed (type 0: 0x00 below stands for that): the page is
// skipped, and the report names it.
TEST(RepairTest, PagesOfUnknownTypeAreSkippedAndOnlyTheirRowsLost) {
  TempDir dir;
  for (const JetVersion version : {JetVersion::kJet4, JetVersion::kJet3}) {
    for (const uint8_t type : {uint8_t{0x7e}, uint8_t{0x07}, uint8_t{0x00}}) {
      const std::string source = GeneratedHistory(dir, version);
      SCOPED_TRACE(source + ", type " + std::to_string(type));
      const std::vector<StoredRow> rows = ReadUserRows(source);
      const auto [table, pages] = BusiestTable(rows);
      ASSERT_GE(pages.size(), 2u);
      const uint32_t damaged = pages[pages.size() / 2];
      Overwrite(source, uint64_t{damaged} * PageSize(source),
                type == 0 ? std::vector<uint8_t>(PageSize(source), 0) : std::vector<uint8_t>{type});
      const RepairReport report = Repaired(source);
      ExpectRepaired(rows, source, "", Damage{{damaged}, {}}, report);
      EXPECT_TRUE(std::ranges::any_of(report.losses,
                                      [damaged](const Loss& loss) {
                                        return loss.kind == LossKind::kPageSkipped &&
                                               loss.page == std::optional<uint32_t>(damaged);
                                      }))
          << "no loss reported for page " << damaged;
      EXPECT_LT(ReadUserRows(source).size(), rows.size()) << "the skipped page's rows cannot come back";
    }
  }
}

TEST(RepairTest, BrokenUsageMapsAndFreePageMapAreRebuiltFromThePagesOwners) {
  TempDir dir;
  for (const std::string& source :
       {dir.CopyFixture(kJet3Fixture), GeneratedHistory(dir, JetVersion::kJet4)}) {
    SCOPED_TRACE(source);
    const std::vector<StoredRow> rows = ReadUserRows(source);
    const std::string table = BusiestTable(rows).first;
    uint32_t size = 0;
    {
      auto db = Database::OpenPath(source);
      ASSERT_TRUE(db.ok());
      size = (*db)->page_size();
      auto def = (*db)->OpenTable(table);
      ASSERT_TRUE(def.ok());
      // Every byte of the table's map of owned pages, then the second half of page 1.
      const uint32_t map_page = PointerPage(def->used_pages);
      auto page = (*db)->ReadPage(map_page);
      ASSERT_TRUE(page.ok());
      auto info = ParseDataPage(*page, (*db)->layout());
      ASSERT_TRUE(info.ok());
      const RowSlot& slot = info->rows.at(PointerRow(def->used_pages));
      Overwrite(source, uint64_t{map_page} * size + slot.start,
                std::vector<uint8_t>(slot.end - slot.start, 0xee));
    }
    Overwrite(source, size + size / 2, std::vector<uint8_t>(size / 2, 0xee));
    ASSERT_GT(testing::ProblemsFound(source), 0u);
    const RepairReport report = Repaired(source);
    ExpectRepaired(rows, source, "", Damage{}, report);
    EXPECT_EQ(ReadUserRows(source).size(), rows.size());
    EXPECT_EQ(report.Count(LossKind::kRowDropped), 0u);
  }
}

}  // namespace
}  // namespace jet

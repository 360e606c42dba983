// Repair over every file of the real-world corpus and every fixture, each undamaged and with
// each kind of damage done to the busiest table. Undamaged, a file rebuilds to the same rows,
// the same column definitions and the same index keys, byte for byte. Damaged, the repair
// succeeds, the result passes the check and reads in mdbtools and mdb-reader, and where no
// row data was destroyed (index pages, the tables' page maps, the free-page map) the rows are
// exactly those of the undamaged file: every row survives and no deleted row comes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/base/Rc4.h"
#include "jet/base/WriteBytes.h"
#include "jet/check/Checker.h"
#include "jet/format/DataPage.h"
#include "jet/read/DefinitionBytes.h"
#include "jet/read/DefinitionPages.h"
#include "jet/read/IndexPage.h"
#include "jet/repair/Repairer.h"
#include "tests/jet/DamageSupport.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/RepairTestSupport.h"
#include "tests/support/TestNames.h"

namespace jet {
namespace {

using testing::DamagedFile;
using testing::StoredRow;
using testing::TempDir;

// Column descriptors and names of every table, and the keys of each of its indexes (with the
// row each names, as its values), by table name.
struct Structure {
  std::map<std::string, std::vector<uint8_t>> columns;
  std::map<std::string, std::multiset<std::string>> keys;
};

Structure ReadStructure(const std::string& path, const std::string& password) {
  Structure out;
  auto db = Database::OpenPath(path, {.password = password});
  if (!db.ok()) return out;
  const Layout& l = (*db)->layout();
  for (const CatalogEntry& entry : (*db)->Tables(true)) {
    auto def = (*db)->ReadTableDef(entry.DefinitionPage());
    if (!def.ok()) continue;
    auto bytes = ReadDefinitionBytes(**db, *def);
    auto sections = LocateIndexSections(*bytes, l, def->columns.size(), def->real_indexes.size());
    if (!sections.ok()) continue;
    const size_t first = l.tdef_header_end + def->real_indexes.size() * l.tdef_real_index_entry;
    out.columns[entry.name].assign(bytes->begin() + static_cast<std::ptrdiff_t>(first),
                                   bytes->begin() + static_cast<std::ptrdiff_t>(sections->real_definitions));
    // System tables' keys hold table ids, which move with their tables.
    if (entry.IsSystem()) continue;
    for (const LogicalIndex& index : def->indexes) {
      auto leaves = ReadIndexLeaves(**db, def->real_indexes[index.real_index].root_page);
      if (!leaves.ok()) continue;
      for (const IndexEntry& e : *leaves) {
        std::string key = entry.name + "." + index.name + ":";
        for (uint8_t b : e.key) key += std::to_string(b) + ",";
        out.keys[entry.name].insert(key);
      }
    }
  }
  return out;
}

std::multiset<std::string> RowTexts(const std::vector<StoredRow>& rows) {
  std::multiset<std::string> out;
  for (const StoredRow& row : rows) out.insert(row.table + "|" + row.text);
  return out;
}

// A data page of the table with most pages (the middle one), or 0.
uint32_t BusyPage(const std::vector<StoredRow>& rows) {
  const std::vector<uint32_t> pages = testing::BusiestTable(rows).second;
  return pages.empty() ? 0 : pages[pages.size() / 2];
}

std::string BusyTable(const std::vector<StoredRow>& rows) { return testing::BusiestTable(rows).first; }

// Zeroes the bytes of the usage map stored at row pointer `map`; false when there is none.
bool ZeroMapRow(DamagedFile& f, Database& db, uint32_t map) {
  auto page = db.ReadPage(PointerPage(map));
  if (!page.ok()) return false;
  auto info = ParseDataPage(*page, f.layout());
  if (!info.ok() || PointerRow(map) >= info->rows.size()) return false;
  const RowSlot& slot = info->rows[PointerRow(map)];
  std::fill(f.Page(PointerPage(map)) + slot.start, f.Page(PointerPage(map)) + slot.end, 0);
  return true;
}

struct DamageClass {
  const char* name;
  // No row data is destroyed: the repair gives back exactly the rows of the undamaged file,
  // none lost and none that the file's records mark deleted brought back.
  bool keeps_every_row;
  // Damages `file`; false when the file has nothing this damage applies to.
  std::function<bool(DamagedFile& file, const std::vector<StoredRow>& rows)> damage;
  // Only the last page is damaged: no more rows and values are lost than it holds rows.
  bool only_the_last_page = false;
};

// The rows on the last page of `file`, as it is now: 0 unless it is a data page.
size_t RowsOnTheLastPage(const DamagedFile& file) {
  auto db = file.Open();
  if (!db.ok()) return 0;
  auto page = (*db)->ReadPage(static_cast<uint32_t>(file.bytes.size() / file.page_size() - 1));
  if (!page.ok() || (*page)[0] != kPageData) return 0;
  auto info = ParseDataPage(*page, file.layout());
  return info.ok() ? info->rows.size() : 0;
}

std::vector<uint8_t> Garble(size_t size, uint32_t seed) {
  std::vector<uint8_t> out(size);
  for (uint8_t& b : out) {
    seed = seed * 1103515245 + 12345;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return out;
}

const std::vector<DamageClass>& DamageClasses() {
  static const std::vector<DamageClass> classes = {
      {"cut short", false,
       [](DamagedFile& f, const std::vector<StoredRow>&) {
         const size_t pages = f.bytes.size() / f.page_size();
         f.bytes.resize((pages - pages / 4) * f.page_size() + 100);
         return true;
       }},
      // The pages read together with it do not share its fate.
      {"last page cut short", false,
       [](DamagedFile& f, const std::vector<StoredRow>&) {
         f.bytes.resize(f.bytes.size() - f.page_size() / 4);
         return true;
       },
       true},
      // Encrypted as Access encrypts a database (every page after the header under a key of
      // its own) and cut short as above: the salvage decrypts every page however it reads it.
      {"encrypted, last page cut short", false,
       [](DamagedFile& f, const std::vector<StoredRow>&) {
         if (auto db = f.Open(); !db.ok() || (*db)->header().database_key != 0) return false;
         constexpr uint32_t kKey = 0x2b7e1516;
         const std::span<uint8_t> region(f.bytes.data() + kHeaderScrambledOffset,
                                         HeaderScrambledLength(f.layout().version));
         Rc4Apply(kHeaderScrambleKey, region);
         jet::PutU32(region, kHeaderDatabaseKey - kHeaderScrambledOffset, kKey);
         Rc4Apply(kHeaderScrambleKey, region);
         for (uint32_t page = 1; page < f.bytes.size() / f.page_size(); ++page)
           Rc4Apply(kKey ^ page, std::span<uint8_t>(f.Page(page), f.page_size()));
         f.bytes.resize(f.bytes.size() - f.page_size() / 4);
         return true;
       },
       true},
      {"page cut in half", false,
       [](DamagedFile& f, const std::vector<StoredRow>& rows) {
         const uint32_t page = BusyPage(rows);
         if (page == 0) return false;
         std::fill(f.Page(page) + f.page_size() / 2, f.Page(page) + f.page_size(), 0);
         return true;
       }},
      {"data page zeroed", false,
       [](DamagedFile& f, const std::vector<StoredRow>& rows) {
         const uint32_t page = BusyPage(rows);
         if (page == 0) return false;
         std::fill(f.Page(page), f.Page(page) + f.page_size(), 0);
         return true;
       }},
      {"index pages garbled", true,
       [](DamagedFile& f, const std::vector<StoredRow>& rows) {
         auto db = f.Open();
         auto def = (*db)->OpenTable(BusyTable(rows));
         if (!def.ok() || def->real_indexes.empty()) return false;
         for (const RealIndex& index : def->real_indexes) {
           std::vector<uint32_t> pages;
           (void)ReadIndexLeaves(**db, index.root_page, &pages);
           for (uint32_t page : pages) {
             const std::vector<uint8_t> noise = Garble(f.page_size() - 0x20, page);
             std::copy(noise.begin(), noise.end(), f.Page(page) + 0x20);
           }
         }
         return true;
       }},
      {"page map zeroed", true,
       [](DamagedFile& f, const std::vector<StoredRow>& rows) {
         auto db = f.Open();
         auto def = (*db)->OpenTable(BusyTable(rows));
         return def.ok() && ZeroMapRow(f, **db, def->used_pages);
       }},
      // Every user table's page map at once, empty tables too: the pages a map no longer
      // listed keep rows Access deleted, and only the tables' other records tell them apart.
      {"every table's page map zeroed", true,
       [](DamagedFile& f, const std::vector<StoredRow>&) {
         auto db = f.Open();
         bool any = false;
         for (const CatalogEntry& entry : (*db)->Tables(false)) {
           auto def = (*db)->ReadTableDef(entry.DefinitionPage());
           if (def.ok()) any = ZeroMapRow(f, **db, def->used_pages) || any;
         }
         return any;
       }},
      {"free-page map zeroed", true,
       [](DamagedFile& f, const std::vector<StoredRow>&) {
         auto db = f.Open();
         return ZeroMapRow(f, **db, RowPointer(kGlobalMapPage, 0));
       }},
      // A quarter of the index pages of every user table.
      {"a quarter of all index pages garbled", true,
       [](DamagedFile& f, const std::vector<StoredRow>&) {
         auto db = f.Open();
         std::set<uint32_t> pages;
         for (const CatalogEntry& entry : (*db)->Tables(false)) {
           auto def = (*db)->ReadTableDef(entry.DefinitionPage());
           if (!def.ok()) continue;
           for (const RealIndex& index : def->real_indexes) {
             std::vector<uint32_t> visited;
             (void)ReadIndexLeaves(**db, index.root_page, &visited);
             pages.insert(visited.begin(), visited.end());
           }
         }
         size_t n = 0;
         for (uint32_t page : pages) {
           if (n++ % 4 != 0) continue;
           const std::vector<uint8_t> noise = Garble(f.page_size() - 0x20, page);
           std::copy(noise.begin(), noise.end(), f.Page(page) + 0x20);
         }
         return !pages.empty();
       }},
  };
  return classes;
}

// What mdb-export and mdb-reader make of `path`: empty when both read every user table.
std::string ReadersComplaints(const std::string& path, const std::string& password) {
  std::string complaints;
  auto db = Database::OpenPath(path, {.password = password});
  if (!db.ok()) return "the engine cannot open it";
  if (password.empty()) {
    for (const CatalogEntry& entry : (*db)->Tables(false)) {
      auto exported = testing::RunCommand("mdb-export " + testing::ShellQuote(path) + " " +
                                          testing::ShellQuote(entry.name) + " >/dev/null 2>&1; echo $?");
      if (exported.out != "0\n") complaints += "mdb-export fails on table " + entry.name + "\n";
    }
  }
  const std::string oracle = std::string(TAVIMER_SOURCE_DIR) + "/tests/oracle";
  auto dumped = testing::RunCommand("cd " + testing::ShellQuote(oracle) + " && node dump.mjs " +
                                    testing::ShellQuote(path) +
                                    (password.empty() ? "" : " " + testing::ShellQuote(password)) + " 2>&1");
  if (dumped.exit_code != 0 || dumped.out.find("\"rowCount\"") == std::string::npos) {
    complaints += "mdb-reader: " + dumped.out.substr(0, 300) + "\n";
  }
  return complaints;
}

class RepairSweepTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RepairSweepTest, EveryDamageRepairsAndNothingUndamagedChanges) {
  const std::string name = GetParam();
  const std::string password = testing::FixturePassword(name);
  const std::string original = testing::FixturePath(name);
  if (!Database::OpenPath(original, {.password = password}).ok()) {
    GTEST_SKIP() << "the engine does not open the undamaged file";
  }
  const std::vector<StoredRow> rows = testing::ReadUserRows(original, password);
  const Structure before = ReadStructure(original, password);
  TempDir dir;

  // Undamaged: the same rows, column definitions and index keys, and the file read in
  // windows of pages rather than page by page.
  {
    MemoryFile rebuilt;
    auto loaded = LoadIntoMemory(original);
    ASSERT_TRUE(loaded.ok());
    auto opened = Database::OpenPath(original, {.password = password});
    ASSERT_TRUE(opened.ok());
    const uint64_t pages = (*loaded)->bytes().size() / (*opened)->page_size();
    CountingFile source(std::move(loaded).value());
    auto report = RepairInto(source, rebuilt);
    ASSERT_TRUE(report.ok()) << report.status().ToString();
    if (pages >= 512) {
      // Page by page, the scan alone would read each page once; the rest is the pages a
      // walk jumps to (definitions, long values, index trees).
      EXPECT_LE(source.reads(), pages * 2 / 3) << pages << " pages";
    }
    for (const Loss& loss : report->losses) ADD_FAILURE() << "undamaged: " << loss.ToString();
    const std::string path = dir.Write("rebuilt.mdb", rebuilt.bytes());
    EXPECT_EQ(testing::ProblemsFound(path, password), 0u);
    EXPECT_EQ(RowTexts(testing::ReadUserRows(path, password)), RowTexts(rows));
    const Structure after = ReadStructure(path, password);
    EXPECT_EQ(after.columns, before.columns);
    EXPECT_EQ(after.keys, before.keys);
  }

  for (const DamageClass& damage : DamageClasses()) {
    SCOPED_TRACE(damage.name);
    DamagedFile file(name);
    const size_t last_page_rows = damage.only_the_last_page ? RowsOnTheLastPage(file) : 0;
    if (!damage.damage(file, rows)) continue;
    const std::string path = dir.Write("damaged.mdb", file.bytes);
    auto report = RepairDatabase(path, {.password = password});
    ASSERT_TRUE(report.ok()) << report.status().ToString();
    const std::string repaired_password =
        Database::OpenPath(path, {.password = password}).ok() ? password : "";
    EXPECT_EQ(testing::ProblemsFound(path, repaired_password), 0u);
    if (damage.keeps_every_row) {
      const std::multiset<std::string> expected = RowTexts(rows);
      std::multiset<std::string> after = RowTexts(testing::ReadUserRows(path, repaired_password));
      for (const std::string& row : expected) {
        auto found = after.find(row);
        EXPECT_NE(found, after.end()) << "lost: " << row.substr(0, 200);
        if (found != after.end()) after.erase(found);
      }
      for (const std::string& row : after) ADD_FAILURE() << "brought back: " << row.substr(0, 200);
    }
    if (damage.only_the_last_page) {
      size_t lost = 0;
      for (const Loss& loss : report->losses) {
        if (loss.kind == LossKind::kValueCut || loss.kind == LossKind::kValueNulled ||
            loss.kind == LossKind::kRowDropped)
          ++lost;
      }
      EXPECT_LE(lost, last_page_rows) << report->ToString();
    }
    EXPECT_EQ(ReadersComplaints(path, repaired_password), "");
  }
}

std::vector<std::string> SweepFiles() {
  std::vector<std::string> files = testing::RealWorldFiles();
  for (const std::string& fixture : testing::AllFixtures()) files.push_back(fixture);
  return files;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RepairSweepTest, ::testing::ValuesIn(SweepFiles()),
                         [](const auto& param_info) {
                           return tav::testing::TestNameOf(
                                      std::filesystem::path(param_info.param).stem().string()) +
                                  "_" + std::to_string(param_info.index);
                         });

}  // namespace
}  // namespace jet

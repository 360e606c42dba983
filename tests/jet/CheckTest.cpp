// The structural check: sound files report nothing; each kind of damage, made on a copy of a
// fixture, is reported in its area and with the page it lies on, and every problem is reported,
// not only the first.
#include <gtest/gtest.h>

#include <filesystem>

#include "jet/format/DataPage.h"
#include "jet/format/Row.h"
#include "jet/read/IndexPage.h"
#include "jet/read/LongValue.h"
#include "jet/read/TableReader.h"
#include "tests/jet/DamageSupport.h"
#include "tests/jet/JetTestSupport.h"
#include "tools/generator/Generator.h"

namespace jet {
namespace {

using testing::DamagedFile;
using testing::Describe;
using testing::Notes;
using testing::Reports;

// Tables of several index pages; files with several indexed tables.
const char* const kFixtures[] = {"jet3/compIndexTestV1997.mdb", "jet4/compIndexTestV2000.mdb"};
const char* const kTwoTables[] = {"jet3/indexTestV1997.mdb", "jet4/indexTestV2000.mdb"};

// A user table with rows and an index: its definition, data pages and index pages.
struct IndexedTable {
  std::string name;
  TableDef def;
  std::vector<uint32_t> data_pages;
  std::vector<uint32_t> leaves;  // leaf chain of its first index, in order
};

IndexedTable FindIndexedTable(const DamagedFile& file, size_t skip = 0) {
  auto db = file.Open();
  EXPECT_TRUE(db.ok()) << db.status().ToString();
  for (const CatalogEntry& e : (*db)->Tables(false)) {
    auto def = (*db)->ReadTableDef(e.DefinitionPage());
    if (!def.ok() || def->row_count < 2 || def->real_indexes.empty()) continue;
    if (skip-- > 0) continue;
    IndexedTable t{e.name, *def, *TableReader(**db, *def).DataPages(), {}};
    std::vector<uint32_t> pages;
    (void)ReadIndexLeaves(**db, def->real_indexes[0].root_page, &pages);
    for (uint32_t p : pages) {
      if (file.bytes[size_t{p} * file.page_size()] == kPageIndexLeaf) t.leaves.push_back(p);
    }
    return t;
  }
  ADD_FAILURE() << file.fixture << " has no indexed table";
  return {};
}

// Page 1 row 0 is the free-page map, inline in every fixture: start page, then the bitmap.
struct FreeMap {
  explicit FreeMap(DamagedFile& f) : file(f) {
    const size_t slot = f.layout().data_row_offsets;
    row = (f.Page(1)[slot] | (f.Page(1)[slot + 1] << 8)) & kRowOffsetMask;
  }
  uint8_t& Byte(uint32_t page, uint8_t& bit) {
    const uint32_t start = file.Page(1)[row + 1] | (file.Page(1)[row + 2] << 8);
    bit = static_cast<uint8_t>(1u << ((page - start) % 8));
    return file.Page(1)[row + 5 + (page - start) / 8];
  }
  bool IsFree(uint32_t page) {
    uint8_t bit;
    return (Byte(page, bit) & bit) != 0;
  }
  void Set(uint32_t page, bool free) {
    uint8_t bit;
    uint8_t& b = Byte(page, bit);
    b = free ? (b | bit) : (b & ~bit);
  }
  DamagedFile& file;
  size_t row = 0;
};

TEST(CheckTest, EveryFixtureIsSound) {
  for (const std::string& name : testing::AllFixtures()) {
    const auto problems = DamagedFile(name).Check();
    EXPECT_TRUE(problems.empty()) << name << ":\n" << Describe(problems);
  }
}

std::vector<Problem> CheckPath(const std::string& path, const std::string& password) {
  auto db = Database::OpenPath(path, {.password = password});
  EXPECT_TRUE(db.ok()) << path << ": " << db.status().ToString();
  std::vector<Problem> found;
  if (db.ok()) CheckDatabase(**db, [&found](const Problem& p) { found.push_back(p); });
  return found;
}

TEST(CheckTest, GeneratedInstallationsWithDeletedRowsAreSound) {
  testing::TempDir temp;
  for (JetVersion version : {JetVersion::kJet3, JetVersion::kJet4}) {
    tav::GenerateOptions options;
    options.generation = "TV2";
    options.rows = 300;
    options.deleted = 0.3;  // rows and their long values left behind deleted
    options.password = "pw";
    options.version = version;
    const auto dir = temp.path() / (version == JetVersion::kJet3 ? "jet3" : "jet4");
    ASSERT_TRUE(tav::GenerateInstallation(dir.string(), options).ok());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
      if (entry.path().extension() != ".mdb") continue;
      const auto problems = CheckPath(entry.path().string(), "pw");
      EXPECT_TRUE(problems.empty()) << entry.path() << ":\n" << Describe(problems);
    }
  }
}

TEST(CheckTest, RowOffsetsOutsideThePageAreReported) {
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    DamagedFile file(name);
    const IndexedTable table = FindIndexedTable(file);
    const uint32_t page = table.data_pages.front();
    file.PutU16(page, file.layout().data_row_offsets, 2);  // row 0 starts inside the page header
    const uint32_t other = table.data_pages.back();
    file.PutU16(other, file.layout().data_row_count, 0x7fff);  // row table longer than the page
    const auto problems = file.Check();
    EXPECT_TRUE(Reports(problems, ProblemArea::kRow, page)) << Describe(problems);
    EXPECT_TRUE(Reports(problems, ProblemArea::kRow, other)) << Describe(problems);
  }
}

TEST(CheckTest, ABrokenLongValueChainIsReportedOnItsPage) {
  // The first stored memo or OLE value that lives outside its row, in a user table (a catalog
  // property value that cannot be read is a leftover, noted: see LostPropertyTest).
  for (const std::string& name : testing::AllFixtures()) {
    DamagedFile file(name);
    if (!file.password.empty()) continue;
    auto db = file.Open();
    ASSERT_TRUE(db.ok());
    uint32_t value_page = 0;
    for (const CatalogEntry& e : (*db)->Tables(false)) {
      auto def = (*db)->ReadTableDef(e.DefinitionPage());
      TableReader reader(**db, *def);
      for (auto row = reader.Next(); row.ok() && row->has_value() && value_page == 0; row = reader.Next()) {
        auto fields = SplitRow((*row)->bytes, *def, (*db)->layout());
        for (size_t i = 0; i < def->columns.size() && fields.ok(); ++i) {
          const auto& f = (*fields)[i];
          if (!def->columns[i].IsLongValue() || f.null || f.bytes.size() < 12 || (f.bytes[3] & 0x80))
            continue;
          value_page = f.bytes[5] | (f.bytes[6] << 8) | (f.bytes[7] << 16);
          break;
        }
      }
      if (value_page != 0) break;
    }
    if (value_page == 0) continue;
    SCOPED_TRACE(name);
    file.PutU16(value_page, file.layout().data_row_count, 0);  // every piece on the page is gone
    const auto problems = file.Check();
    EXPECT_TRUE(Reports(problems, ProblemArea::kLongValue, value_page)) << Describe(problems);
    return;
  }
  FAIL() << "no fixture stores a long value outside its row";
}

TEST(CheckTest, IndexDamageIsReported) {
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    DamagedFile file(name);
    const IndexedTable table = FindIndexedTable(file);
    ASSERT_GE(table.leaves.size(), 2u);
    // The second leaf forgets the first; a live row is deleted behind the index's back.
    file.PutU32(table.leaves[1], file.layout().index_prev_page, 0);
    const uint32_t page = table.data_pages.front();
    const size_t slot = file.layout().data_row_offsets;
    file.PutU16(
        page, slot,
        static_cast<uint16_t>((file.Page(page)[slot] | (file.Page(page)[slot + 1] << 8)) | kRowDeletedFlags));
    std::vector<Note> notes;
    const auto problems = file.Check(&notes);
    EXPECT_TRUE(Reports(problems, ProblemArea::kIndex, table.leaves[1])) << Describe(problems);
    // The definition's row count no longer matches: Access leaves counts like that, so it is
    // noted, and the index names the damage.
    EXPECT_FALSE(Reports(problems, ProblemArea::kRow, table.def.page)) << Describe(problems);
    EXPECT_TRUE(Notes(notes, Leftover::kRowCount, table.def.page));
    bool dangling = false;
    for (const Problem& p : problems) dangling |= p.description.find("not a live row") != std::string::npos;
    EXPECT_TRUE(dangling) << Describe(problems);
  }
}

TEST(CheckTest, UsageMapsAgainstRealOwnersAreChecked) {
  for (const char* name : kTwoTables) {
    SCOPED_TRACE(name);
    DamagedFile file(name);
    const IndexedTable first = FindIndexedTable(file);
    const IndexedTable second = FindIndexedTable(file, 1);
    FreeMap map(file);
    // A data page that claims another table; a used page marked free; a free page marked used,
    // which leaves it unaccounted for: a leftover, not damage.
    const uint32_t moved = first.data_pages.front();
    file.PutU32(moved, file.layout().data_owner, second.def.page);
    uint32_t lost = 0;
    for (uint32_t p = 3; p < file.bytes.size() / file.page_size() && lost == 0; ++p) {
      if (map.IsFree(p)) lost = p;
    }
    if (lost != 0) map.Set(lost, false);
    const uint32_t leaf = first.leaves.front();
    map.Set(leaf, true);
    std::vector<Note> notes;
    const auto problems = file.Check(&notes);
    EXPECT_TRUE(Reports(problems, ProblemArea::kUsageMap, moved)) << Describe(problems);
    EXPECT_TRUE(Reports(problems, ProblemArea::kUsageMap, leaf)) << Describe(problems);
    if (lost != 0) {
      bool reported = false;
      for (const Problem& p : problems) reported |= p.page == lost;
      EXPECT_FALSE(reported) << "page " << lost << "\n" << Describe(problems);
      EXPECT_TRUE(Notes(notes, Leftover::kUnusedPage, lost)) << "page " << lost;
    }
  }
}

TEST(CheckTest, APageUsedByTwoStructuresIsReported) {
  for (const char* name : kTwoTables) {
    SCOPED_TRACE(name);
    DamagedFile file(name);
    const IndexedTable first = FindIndexedTable(file);
    const IndexedTable second = FindIndexedTable(file, 1);
    // The second table's definition continues on a leaf page of the first table's index.
    const uint32_t leaf = first.leaves.front();
    file.PutU32(second.def.page, file.layout().tdef_next_page, leaf);
    file.Page(leaf)[0] = kPageTableDef;
    const auto problems = file.Check();
    EXPECT_TRUE(Reports(problems, ProblemArea::kOwnership, leaf)) << Describe(problems);
    EXPECT_TRUE(Reports(problems, ProblemArea::kIndex, leaf)) << Describe(problems);
  }
}

TEST(CheckTest, EveryProblemIsReportedNotOnlyTheFirst) {
  DamagedFile file("jet4/indexTestV2000.mdb");
  const IndexedTable first = FindIndexedTable(file);
  const IndexedTable second = FindIndexedTable(file, 1);
  file.PutU16(first.data_pages.front(), file.layout().data_row_offsets, 2);
  file.PutU16(second.data_pages.front(), file.layout().data_row_offsets, 2);
  file.Page(first.leaves.back())[0] = 0x77;
  const auto problems = file.Check();
  EXPECT_TRUE(Reports(problems, ProblemArea::kRow, first.data_pages.front())) << Describe(problems);
  EXPECT_TRUE(Reports(problems, ProblemArea::kRow, second.data_pages.front())) << Describe(problems);
  EXPECT_TRUE(Reports(problems, ProblemArea::kIndex, first.leaves.back())) << Describe(problems);
}

TEST(CheckTest, JettoolCheckExitsZeroOnlyForASoundFile) {
  testing::TempDir temp;
  const std::string jettool = std::string(TAVIMER_BINARY_DIR) + "/tools/jettool";
  const std::string sound = temp.CopyFixture("jet3/testV1997.mdb");
  auto run = testing::RunCommand(testing::ShellQuote(jettool) + " check " + testing::ShellQuote(sound));
  EXPECT_EQ(run.exit_code, 0) << run.out;

  // What Access leaves behind is counted, listed on request, and leaves the file sound: here a
  // page marked neither free nor used.
  DamagedFile leftover("jet3/testV1997.mdb");
  FreeMap map(leftover);
  uint32_t unused = 0;
  for (uint32_t p = 3; p < leftover.bytes.size() / leftover.page_size() && unused == 0; ++p) {
    if (map.IsFree(p)) unused = p;
  }
  ASSERT_NE(unused, 0u);
  map.Set(unused, false);
  const std::string noted = testing::ShellQuote(temp.Write("leftover.mdb", leftover.bytes));
  run = testing::RunCommand(testing::ShellQuote(jettool) + " check " + noted);
  EXPECT_EQ(run.exit_code, 0) << run.out;
  EXPECT_NE(run.out.find("no problems found; 1 leftover(s) noted"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("note:"), std::string::npos) << run.out;
  run = testing::RunCommand(testing::ShellQuote(jettool) + " check --verbose " + noted);
  EXPECT_EQ(run.exit_code, 0) << run.out;
  EXPECT_NE(run.out.find("note: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(page " + std::to_string(unused) + ")"), std::string::npos) << run.out;

  DamagedFile file("jet3/testV1997.mdb");
  const IndexedTable table = FindIndexedTable(file);
  file.PutU16(table.data_pages.front(), file.layout().data_row_offsets, 2);
  const std::string damaged = temp.Write("damaged.mdb", file.bytes);
  run = testing::RunCommand(testing::ShellQuote(jettool) + " check " + testing::ShellQuote(damaged));
  EXPECT_EQ(run.exit_code, 1) << run.out;
  EXPECT_NE(run.out.find("(page " + std::to_string(table.data_pages.front()) + ")"), std::string::npos)
      << run.out;
}

}  // namespace
}  // namespace jet

// Deleting rows and replacing long values in existing files, written by us or by Access:
// what is left reads back, the checker finds nothing wrong, and the holes are where a
// compaction expects them (deleted slots, free pages, garbage long values).
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "jet/check/Checker.h"
#include "jet/edit/TableEditor.h"
#include "jet/read/TableReader.h"
#include "jet/read/UsageMap.h"
#include "jet/write/DatabaseCreator.h"
#include "tests/jet/JetTestSupport.h"
#include "tools/generator/Generator.h"

namespace jet {
namespace {

std::vector<std::string> Problems(Database& db) {
  std::vector<std::string> found;
  CheckDatabase(db, [&](const Problem& p) { found.push_back(p.ToString()); });
  return found;
}

std::set<uint32_t> FreePages(Database& db) {
  auto map = ReadUsageMap(db, 1u << 8);
  EXPECT_TRUE(map.ok()) << map.status().ToString();
  return map.ok() ? std::set<uint32_t>(map->pages.begin(), map->pages.end()) : std::set<uint32_t>{};
}

std::vector<std::vector<Value>> Rows(Database& db, const std::string& table) {
  auto def = db.OpenTable(table);
  EXPECT_TRUE(def.ok()) << def.status().ToString();
  if (!def.ok()) return {};
  auto rows = ReadAllRows(db, *def);
  EXPECT_TRUE(rows.ok()) << rows.status().ToString();
  return rows.ok() ? *rows : std::vector<std::vector<Value>>{};
}

// Ids 1..rows; notes of every kind of long value: inline, one page, chained.
std::string WriteRecipients(const testing::TempDir& dir, JetVersion version, int rows) {
  const std::string path = (dir.path() / "recipients.mdb").string();
  CreateOptions options;
  options.version = version;
  auto db = DatabaseCreator::Create(std::move(SystemFileSystem().Open(path, OpenMode::kCreateNew)).value(),
                                    options);
  EXPECT_TRUE(db.ok());
  TableDesign design{
      "Recipients",
      {{"Id", ColumnType::kLong}, {"Email", ColumnType::kText, 80}, {"Notes", ColumnType::kMemo}},
      {IndexDesign{"PrimaryKey", {{"Id", false}}, true},
       IndexDesign{"Email", {{"Email", true}}, false, true}}};
  design.columns[0].auto_number = true;
  TableBuilder* table = *(*db)->AddTable(design);
  for (int i = 1; i <= rows; ++i) {
    const size_t notes = i % 10 == 0 ? 9000 : i % 10 == 1 ? 3000 : static_cast<size_t>(i % 50);
    EXPECT_TRUE(table
                    ->AddRow({std::monostate{}, "user" + std::to_string(i) + "@example.com",
                              std::string(notes, static_cast<char>('a' + i % 26))})
                    .ok());
  }
  EXPECT_TRUE((*db)->Finish().ok());
  return path;
}

class TableEditorTest : public ::testing::TestWithParam<JetVersion> {};

TEST_P(TableEditorTest, DeletedRowsLeaveSlotsAndFreePagesAndTheRestChecksSound) {
  testing::TempDir dir;
  const std::string path = WriteRecipients(dir, GetParam(), 3000);
  auto editor = TableEditor::Open(path);
  ASSERT_TRUE(editor.ok()) << editor.status().ToString();
  // The first thousand rows empty whole pages; every seventh row after them leaves holes.
  const auto doomed = [](const EditedRow& row) {
    const int64_t id = row.Get("Id").integer;
    return id <= 1000 || id % 7 == 0;
  };
  auto deleted = (*editor)->DeleteRows("Recipients", doomed);
  ASSERT_TRUE(deleted.ok()) << deleted.status().ToString();
  EXPECT_EQ(*deleted, 1000u + 286u);
  // A second pass over the changed file finds nothing more to delete.
  EXPECT_EQ(*(*editor)->DeleteRows("Recipients", doomed), 0u);
  editor->reset();

  auto db = Database::OpenPath(path);
  ASSERT_TRUE(db.ok()) << db.status().ToString();
  const auto rows = Rows(**db, "Recipients");
  ASSERT_EQ(rows.size(), 3000u - 1286u);
  EXPECT_EQ(rows.front()[0].integer, 1002);  // 1001 is a multiple of 7
  EXPECT_EQ(rows.front()[1].text, "user1002@example.com");
  EXPECT_EQ(rows.front()[2].text, "oo");
  EXPECT_EQ(rows[8][0].integer, 1011);
  EXPECT_EQ(rows[8][2].text, std::string(3000, static_cast<char>('a' + 1011 % 26)));
  for (const auto& row : rows) EXPECT_NE(row[0].integer % 7, 0);
  auto def = (*db)->OpenTable("Recipients");
  EXPECT_EQ(def->row_count, rows.size());
  for (const RealIndex& index : def->real_indexes) EXPECT_EQ(index.key_count, rows.size());
  // Emptied data pages, dropped long values and the old index trees are marked free.
  EXPECT_GT(FreePages(**db).size(), 20u);
  EXPECT_EQ(Problems(**db), std::vector<std::string>{});
}

TEST_P(TableEditorTest, ReplacedLongValuesReadBackAndTheOldOnesBecomeGarbage) {
  testing::TempDir dir;
  const std::string path = WriteRecipients(dir, GetParam(), 200);
  const auto size_before = std::filesystem::file_size(path);
  auto editor = TableEditor::Open(path);
  ASSERT_TRUE(editor.ok()) << editor.status().ToString();
  const std::string text = "Ersetzt – " + std::string(20000, 'r');
  auto chained = [](const EditedRow& row) { return row.Get("Id").integer % 10 == 0; };
  auto replaced =
      (*editor)->ReplaceLongValue("Recipients", "Notes", chained, Bytes(text.begin(), text.end()));
  ASSERT_TRUE(replaced.ok()) << replaced.status().ToString();
  EXPECT_EQ(*replaced, 20u);
  // A single-page value replaced by a short one stays outside the row.
  auto single = [](const EditedRow& row) { return row.Get("Id").integer == 11; };
  EXPECT_EQ(*(*editor)->ReplaceLongValue("Recipients", "Notes", single, Bytes{'o', 'k'}), 1u);
  // Values kept inside their rows cannot be replaced without moving the row: refused, and
  // nothing changes.
  const std::vector<uint8_t> before = testing::ReadBytes(path);
  auto inline_value = [](const EditedRow& row) { return row.Get("Id").integer == 12; };
  EXPECT_EQ((*editor)->ReplaceLongValue("Recipients", "Notes", inline_value, Bytes{'x'}).status().kind(),
            ErrorKind::kUnsupported);
  EXPECT_EQ((*editor)->ReplaceLongValue("Recipients", "Email", inline_value, Bytes{'x'}).status().kind(),
            ErrorKind::kInvalidArgument);
  EXPECT_EQ(testing::ReadBytes(path), before);
  editor->reset();

  auto db = Database::OpenPath(path);
  ASSERT_TRUE(db.ok()) << db.status().ToString();
  const auto rows = Rows(**db, "Recipients");
  ASSERT_EQ(rows.size(), 200u);
  EXPECT_EQ(rows[9][2].text, text);
  EXPECT_EQ(rows[10][2].text, "ok");
  EXPECT_EQ(rows[12][2].text, std::string(13, 'n'));
  EXPECT_GT(std::filesystem::file_size(path), size_before);
  EXPECT_GT(FreePages(**db).size(), 20u);  // the old chains' pages
  EXPECT_EQ(Problems(**db), std::vector<std::string>{});
}

TEST_P(TableEditorTest, TheFileIsHeldExclusively) {
  testing::TempDir dir;
  const std::string path = WriteRecipients(dir, GetParam(), 10);
  auto first = TableEditor::Open(path);
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(TableEditor::Open(path).status().kind(), ErrorKind::kInUse);
  first->reset();
  EXPECT_TRUE(TableEditor::Open(path).ok());
  EXPECT_EQ(TableEditor::Open((dir.path() / "missing.mdb").string()).status().kind(), ErrorKind::kNotFound);
}

INSTANTIATE_TEST_SUITE_P(Versions, TableEditorTest, ::testing::Values(JetVersion::kJet3, JetVersion::kJet4),
                         [](const auto& p) { return p.param == JetVersion::kJet3 ? "Jet3" : "Jet4"; });

// Regression: each deletion wrote every index of the table afresh at the end of the file, so
// that one row deleted from a generated list.mdb made it 28 KB larger each time. The trees now
// go back onto their own pages and their maps change in place: a hundred rows deleted one by
// one grow the file by a few pages at most, and it stays sound.
TEST_P(TableEditorTest, DeletingRowsOneByOneReusesTheIndexPages) {
  testing::TempDir dir;
  tav::GenerateOptions options;
  options.generation = "TV1";
  options.version = GetParam();
  ASSERT_TRUE(tav::GenerateInstallation(dir.path().string(), options).ok());
  const std::string path = (dir.path() / "data" / "list.mdb").string();
  const auto before = std::filesystem::file_size(path);
  for (int64_t id = 5; id <= 500; id += 5) {
    auto editor = TableEditor::Open(path);
    ASSERT_TRUE(editor.ok()) << editor.status().ToString();
    auto deleted = (*editor)->DeleteRows("Recipients",
                                         [id](const EditedRow& row) { return row.Get("ID").integer == id; });
    ASSERT_TRUE(deleted.ok()) << deleted.status().ToString();
    ASSERT_EQ(*deleted, 1u) << id;
  }
  const auto after = std::filesystem::file_size(path);
  EXPECT_LE(after, before + 4 * LayoutFor(GetParam()).page_size) << before << " -> " << after;
  auto db = Database::OpenPath(path);
  ASSERT_TRUE(db.ok());
  EXPECT_EQ(Rows(**db, "Recipients").size(), options.rows - 100);
  EXPECT_EQ(Problems(**db), std::vector<std::string>{});
}

// Every file Access wrote: every other row deleted from each user table.
TEST(TableEditorFixtureTest, DeletingFromAccessFilesKeepsThemSound) {
  testing::TempDir dir;
  for (const std::string& fixture : testing::AllFixtures()) {
    const std::string path = dir.CopyFixture(fixture);
    auto editor = TableEditor::Open(path, {.password = testing::FixturePassword(fixture)});
    ASSERT_TRUE(editor.ok()) << fixture << ": " << editor.status().ToString();
    std::map<std::string, size_t> kept;
    for (const CatalogEntry& table : (*editor)->database().Tables(false)) {
      size_t seen = 0;
      auto every_other = [&seen](const EditedRow&) { return seen++ % 2 == 0; };
      const size_t before = Rows((*editor)->database(), table.name).size();
      auto deleted = (*editor)->DeleteRows(table.name, every_other);
      ASSERT_TRUE(deleted.ok()) << fixture << " " << table.name << ": " << deleted.status().ToString();
      EXPECT_EQ(*deleted, (before + 1) / 2) << fixture << " " << table.name;
      kept[table.name] = before - *deleted;
    }
    editor->reset();
    auto db = Database::OpenPath(path, {.password = testing::FixturePassword(fixture)});
    ASSERT_TRUE(db.ok()) << fixture;
    for (const auto& [table, count] : kept)
      EXPECT_EQ(Rows(**db, table).size(), count) << fixture << " " << table;
    EXPECT_EQ(Problems(**db), std::vector<std::string>{}) << fixture;
  }
}

}  // namespace
}  // namespace jet

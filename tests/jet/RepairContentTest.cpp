// Repair of damage inside the structures: row offsets, long-value chains, index pages, table
// definitions, catalog rows and the header page. Each damages a copy, repairs it in place
// and compares the result with the rows of the undamaged copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/format/DataPage.h"
#include "jet/format/LongValueChain.h"
#include "jet/format/Row.h"
#include "jet/read/Database.h"
#include "jet/read/DefinitionBytes.h"
#include "jet/read/DefinitionPages.h"
#include "jet/read/IndexPage.h"
#include "jet/read/TableReader.h"
#include "jet/repair/Repairer.h"
#include "jet/write/DatabaseCreator.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/RepairTestSupport.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::Damage;
using testing::ExpectRepaired;
using testing::Overwrite;
using testing::Repaired;
using testing::StoredRow;
using testing::TempDir;

std::vector<uint8_t> U32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

std::vector<uint8_t> U16(uint16_t v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; }

std::unique_ptr<Database> Open(const std::string& path, const std::string& password = "") {
  auto db = Database::OpenPath(path, {.password = password});
  EXPECT_TRUE(db.ok()) << db.status().ToString();
  return db.ok() ? std::move(db).value() : nullptr;
}

// Where row `slot` of `page` starts in the file.
uint64_t RowOffset(Database& db, uint32_t page, uint8_t slot) {
  auto bytes = db.ReadPage(page);
  auto info = ParseDataPage(*bytes, db.layout());
  return uint64_t{page} * db.page_size() + info->rows.at(slot).start;
}

class RepairContentTest : public ::testing::TestWithParam<JetVersion> {
 protected:
  std::string History() { return testing::Generated(dir_.path().string(), GetParam(), "history"); }
  TempDir dir_;
};

TEST_P(RepairContentTest, DamagedRowOffsetsLoseOnlyThoseRowsAndTheirNeighbours) {
  const std::string path = History();
  const std::vector<StoredRow> rows = testing::ReadUserRows(path);
  const auto by_page = testing::RowsByPage(rows, "History");
  ASSERT_GE(by_page.size(), 3u);
  const uint32_t page = by_page[1].first;
  ASSERT_GE(by_page[1].second.size(), 6u);
  {
    auto db = Open(path);
    const Layout& l = db->layout();
    const uint64_t table = uint64_t{page} * l.page_size + l.data_row_offsets;
    auto bytes = db->ReadPage(page);
    const uint16_t third = *GetU16(*bytes, l.data_row_offsets + 2 * 2);
    Overwrite(path, table + 1 * 2, U16(static_cast<uint16_t>(l.page_size + 8)));  // outside the page
    Overwrite(path, table + 4 * 2, U16(static_cast<uint16_t>(third + 2)));        // over row 3
  }
  const RepairReport report = Repaired(path);
  ExpectRepaired(rows, path, "", Damage{{}, {{page, 1}, {page, 2}, {page, 4}, {page, 5}}}, report);
  EXPECT_GE(report.Count(LossKind::kRowDropped), 2u);
  EXPECT_LE(report.Count(LossKind::kRowDropped), 4u);
}

// Finds History rows whose Body lives in a chain of rows and in one row elsewhere.
struct LongValues {
  int64_t chained_id = -1;
  uint64_t chain_link = 0;  // file offset of the first chain row's next pointer
  int64_t single_id = -1;
  uint64_t single_pointer = 0;  // file offset of the row's pointer to its value
};

LongValues FindLongValues(Database& db) {
  LongValues found;
  auto def = db.OpenTable("History");
  TableReader reader(db, *def);
  const size_t body = static_cast<size_t>(def->FindColumn("Body") - def->columns.data());
  const size_t id = static_cast<size_t>(def->FindColumn("ID") - def->columns.data());
  for (auto next = reader.Next(); next.ok() && next->has_value(); next = reader.Next()) {
    const RowRecord& row = **next;
    auto fields = SplitRow(row.bytes, *def, db.layout());
    const RawField& field = (*fields)[body];
    if (field.null || field.bytes.size() < kLongValueHeaderSize) continue;
    const uint32_t head = *GetU32(field.bytes, 0);
    const uint32_t pointer = *GetU32(field.bytes, 4);
    const int64_t row_id = *GetU32((*fields)[id].bytes, 0);
    if ((head & (kLongValueInline | kLongValueSinglePage)) == 0 && found.chained_id < 0) {
      found.chained_id = row_id;
      found.chain_link = RowOffset(db, PointerPage(pointer), PointerRow(pointer));
    } else if ((head & kLongValueSinglePage) != 0 && found.single_id < 0) {
      found.single_id = row_id;
      const size_t in_row = static_cast<size_t>(field.bytes.data() - row.bytes.data());
      found.single_pointer = RowOffset(db, row.page, row.slot) + in_row + 4;
    }
  }
  return found;
}

std::map<int64_t, Value> Bodies(const std::string& path) {
  std::map<int64_t, Value> out;
  auto db = Open(path);
  auto def = db->OpenTable("History");
  auto rows = ReadAllRows(*db, *def);
  EXPECT_TRUE(rows.ok()) << rows.status().ToString();
  const size_t body = static_cast<size_t>(def->FindColumn("Body") - def->columns.data());
  for (const auto& row : *rows) out[row[0].integer] = row[body];
  return out;
}

TEST_P(RepairContentTest, ABrokenLongValueIsCutAtTheBreakOrEmptied) {
  const std::string path = History();
  const std::vector<StoredRow> rows = testing::ReadUserRows(path);
  const std::map<int64_t, Value> before = Bodies(path);
  LongValues found;
  {
    auto db = Open(path);
    found = FindLongValues(*db);
    ASSERT_GE(found.chained_id, 0);
    ASSERT_GE(found.single_id, 0);
    const uint32_t nowhere = (db->page_count() + 10) << 8;
    Overwrite(path, found.chain_link, U32(nowhere));
    Overwrite(path, found.single_pointer, U32(nowhere));
  }
  const RepairReport report = Repaired(path);
  ExpectRepaired(rows, path, "", Damage{}, report);
  EXPECT_EQ(report.Count(LossKind::kValueCut), 1u);
  EXPECT_EQ(report.Count(LossKind::kValueNulled), 1u);
  const std::map<int64_t, Value> after = Bodies(path);
  const std::string& whole = before.at(found.chained_id).text;
  const Value& cut = after.at(found.chained_id);
  ASSERT_FALSE(cut.null);
  EXPECT_FALSE(cut.text.empty());
  EXPECT_LT(cut.text.size(), whole.size());
  EXPECT_EQ(whole.compare(0, cut.text.size(), cut.text), 0) << "the cut value is the start of the original";
  EXPECT_TRUE(after.at(found.single_id).null);
  EXPECT_EQ(after.size(), before.size());
}

TEST_P(RepairContentTest, BrokenIndexPagesAreRebuiltFromTheRows) {
  const std::string path = History();
  const std::vector<StoredRow> rows = testing::ReadUserRows(path);
  size_t indexes = 0;
  {
    auto db = Open(path);
    auto def = db->OpenTable("History");
    indexes = def->indexes.size();
    ASSERT_GE(def->real_indexes.size(), 2u);
    for (const RealIndex& index : def->real_indexes) {
      Overwrite(path, uint64_t{index.root_page} * db->page_size() + 1,
                std::vector<uint8_t>(db->page_size() - 1, 0xa5));
    }
  }
  ASSERT_GT(testing::ProblemsFound(path), 0u);
  const RepairReport report = Repaired(path);
  ExpectRepaired(rows, path, "", Damage{}, report);
  EXPECT_EQ(testing::ReadUserRows(path).size(), rows.size());
  auto db = Open(path);
  EXPECT_EQ(db->OpenTable("History")->indexes.size(), indexes);
}

TEST_P(RepairContentTest, ADefinitionWithDamagedIndexesKeepsItsColumnsAndRows) {
  const std::string path = History();
  const std::vector<StoredRow> rows = testing::ReadUserRows(path);
  {
    auto db = Open(path);
    auto def = db->OpenTable("History");
    auto bytes = ReadDefinitionBytes(*db, *def);
    auto sections = LocateIndexSections(*bytes, db->layout(), def->columns.size(), def->real_indexes.size());
    ASSERT_TRUE(sections.ok());
    const size_t stamp = GetParam() == JetVersion::kJet4 ? 4 : 0;
    ASSERT_LT(sections->logical_entries + stamp + 8, db->page_size());
    // The first named index now refers to an index tree that does not exist.
    Overwrite(path, uint64_t{def->page} * db->page_size() + sections->logical_entries + stamp + 4,
              U32(0x7fffffff));
  }
  const RepairReport report = Repaired(path);
  ExpectRepaired(rows, path, "", Damage{}, report);
  EXPECT_EQ(testing::ReadUserRows(path).size(), rows.size());
  EXPECT_EQ(report.Count(LossKind::kIndexDropped), 1u);
  auto db = Open(path);
  EXPECT_TRUE(db->OpenTable("History")->indexes.empty());
}

// A table whose catalog row is lost keeps its definition and rows and comes back under a new
// name; the other tables are untouched.
TEST_P(RepairContentTest, ATableWhoseCatalogRowIsDamagedComesBackUnderANewName) {
  const std::string path = dir_.CopyFixture(GetParam() == JetVersion::kJet3 ? "jet3/indexTestV1997.mdb"
                                                                            : "jet4/indexTestV2000.mdb");
  std::vector<StoredRow> rows = testing::ReadUserRows(path);
  std::map<std::string, uint32_t> definition_pages;
  {
    auto db = Open(path);
    for (const CatalogEntry& entry : db->Tables(false)) definition_pages[entry.name] = entry.DefinitionPage();
    auto catalog = db->ReadTableDef(kCatalogTableDefPage);
    TableReader reader(*db, *catalog);
    const size_t name = static_cast<size_t>(catalog->FindColumn("Name") - catalog->columns.data());
    for (auto next = reader.Next(); next.ok() && next->has_value(); next = reader.Next()) {
      auto values = reader.Decode(**next);
      if ((*values)[name].text != "Table2") continue;
      const uint64_t table = uint64_t{(*next)->page} * db->page_size() + db->layout().data_row_offsets;
      Overwrite(path, table + 2 * (*next)->slot, U16(static_cast<uint16_t>(db->page_size() + 8)));
    }
  }
  const RepairReport report = Repaired(path);
  std::map<uint32_t, std::string> renamed;
  for (const Loss& loss : report.losses) {
    if (loss.kind == LossKind::kTableRenamed) renamed[*loss.page] = loss.table;
  }
  ASSERT_EQ(renamed.count(definition_pages["Table2"]), 1u);
  for (StoredRow& row : rows) {
    auto now = renamed.find(definition_pages[row.table]);
    if (now != renamed.end()) row.table = now->second;
  }
  ExpectRepaired(rows, path, "", Damage{}, report);
  EXPECT_EQ(testing::ReadUserRows(path).size(), rows.size());
  auto db = Open(path);
  EXPECT_EQ(db->FindObject("Table2", kObjectTypeTable), nullptr);
  EXPECT_NE(db->FindObject(renamed[definition_pages["Table2"]], kObjectTypeTable), nullptr);
  EXPECT_NE(db->FindObject("Table1", kObjectTypeTable), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Versions, RepairContentTest, ::testing::Values(JetVersion::kJet3, JetVersion::kJet4),
                         [](const auto& param_info) {
                           return param_info.param == JetVersion::kJet3 ? "Jet3" : "Jet4";
                         });

// The header page: the signature and version restored from the format's constants, the
// scrambled settings kept where they read sensibly.
// A Jet 4 table People(Name unique, City) with the rows given.
void WritePeople(const std::string& path, const std::vector<std::pair<std::string, std::string>>& people) {
  auto file = SystemFileSystem().Open(path, OpenMode::kCreateNew);
  ASSERT_TRUE(file.ok());
  CreateOptions options;
  options.version = JetVersion::kJet4;
  auto db = DatabaseCreator::Create(std::move(file).value(), options);
  ASSERT_TRUE(db.ok());
  TableDesign design{"People", {{"Name", ColumnType::kText, 50}, {"City", ColumnType::kText, 50}}, {}};
  design.indexes = {IndexDesign{"Name", {{"Name", false}}, false, true},
                    IndexDesign{"City", {{"City", false}}}};
  TableBuilder* table = *(*db)->AddTable(design);
  for (const auto& [name, city] : people) ASSERT_TRUE(table->AddRow({name, city}).ok());
  const Status finished = (*db)->Finish();
  ASSERT_TRUE(finished.ok()) << finished.ToString();
}

// Garbles the leaf pages of every index of table People.
void GarbleIndexes(const std::string& path) {
  auto db = Open(path);
  auto def = db->OpenTable("People");
  ASSERT_TRUE(def.ok());
  for (const RealIndex& index : def->real_indexes) {
    std::vector<uint32_t> pages;
    ASSERT_TRUE(ReadIndexLeaves(*db, index.root_page, &pages).ok());
    for (uint32_t page : pages)
      Overwrite(path, uint64_t{page} * db->page_size() + 0x20, std::vector<uint8_t>(64, 0xa5));
  }
}

// Jet 4 keeps a sort order in each text column. A damaged index over a column whose sort
// order has no known weights is left out and named; one over a General column is rebuilt.
TEST(RepairCollationTest, ADamagedIndexIsRebuiltOnlyUnderTheSortOrderOfItsOwnColumn) {
  TempDir dir;
  const std::string path = (dir.path() / "collation.mdb").string();
  std::vector<std::pair<std::string, std::string>> people;
  for (int i = 0; i < 200; ++i)
    people.emplace_back("person " + std::to_string(i), "city " + std::to_string(i % 7));
  WritePeople(path, people);
  const std::vector<StoredRow> rows = testing::ReadUserRows(path);
  {
    auto db = Open(path);
    auto def = db->OpenTable("People");
    ASSERT_TRUE(def.ok());
    const Layout& l = db->layout();
    // The City column's sort order: Chinese (PRC) instead of General.
    const auto city = std::ranges::find(def->columns, std::string("City"), &ColumnDef::name);
    ASSERT_NE(city, def->columns.end());
    const size_t entry = l.tdef_header_end + def->real_indexes.size() * l.tdef_real_index_entry +
                         static_cast<size_t>(city - def->columns.begin()) * l.tdef_column_entry;
    ASSERT_LT(entry + l.col_misc + 2, size_t{l.page_size});
    Overwrite(path, uint64_t{def->page} * l.page_size + entry + l.col_misc, U16(0x0804));
  }
  GarbleIndexes(path);
  const RepairReport report = Repaired(path);
  ExpectRepaired(rows, path, "", Damage{}, report);
  EXPECT_EQ(testing::ReadUserRows(path).size(), rows.size());
  ASSERT_EQ(report.Count(LossKind::kIndexDropped), 1u);
  for (const Loss& loss : report.losses) {
    if (loss.kind != LossKind::kIndexDropped) continue;
    EXPECT_NE(loss.what.find("'City'"), std::string::npos) << loss.ToString();
  }
  auto def = Open(path)->OpenTable("People");
  ASSERT_EQ(def->indexes.size(), 1u);
  EXPECT_EQ(def->indexes.front().name, "Name");
}

// The rows every long-value page of the file holds, and those the memo and OLE fields of
// every table's rows name, walked piece by piece.
struct LongValueRows {
  std::set<uint32_t> stored;
  std::set<uint32_t> named;
};

LongValueRows WalkLongValueRows(Database& db) {
  LongValueRows out;
  std::set<uint32_t> definitions = {kCatalogTableDefPage};
  for (const CatalogEntry& entry : db.Tables(true)) definitions.insert(entry.DefinitionPage());
  std::vector<uint8_t> page;
  for (uint32_t number : definitions) {
    auto def = db.ReadTableDef(number);
    EXPECT_TRUE(def.ok()) << def.status().ToString();
    if (!def.ok()) continue;
    TableReader reader(db, *def);
    auto next = reader.Next();
    for (; next.ok() && next->has_value(); next = reader.Next()) {
      auto fields = SplitRow((*next)->bytes, *def, db.layout());
      EXPECT_TRUE(fields.ok()) << fields.status().ToString();
      for (size_t c = 0; fields.ok() && c < def->columns.size(); ++c) {
        const RawField& field = (*fields)[c];
        if (!def->columns[c].IsLongValue() || field.null || field.bytes.empty()) continue;
        const Status walked = WalkLongValue(
            field.bytes,
            [&](uint32_t pointer) -> Result<std::span<const uint8_t>> {
              JET_RETURN_IF_ERROR(db.ReadPage(PointerPage(pointer), page));
              JET_ASSIGN_OR_RETURN(const RowSlot slot,
                                   LocateRow(page, page.size(), db.layout(), PointerRow(pointer)));
              return std::span<const uint8_t>(page).subspan(slot.start, slot.end - slot.start);
            },
            [&](const LongValuePiece& piece) {
              if (piece.pointer != 0) out.named.insert(piece.pointer);
              return Status::Ok();
            });
        EXPECT_TRUE(walked.ok()) << "table at page " << number << ", column " << def->columns[c].name << ": "
                                 << walked.ToString();
      }
    }
    EXPECT_TRUE(next.ok()) << next.status().ToString();
  }
  for (uint32_t number = 1; number < db.page_count(); ++number) {
    if (!db.ReadPage(number, page).ok() || page[0] != kPageData) continue;
    if (*GetU32(page, db.layout().data_owner) != kLongValueOwner) continue;
    auto info = ParseDataPage(page, db.layout());
    EXPECT_TRUE(info.ok()) << "page " << number << ": " << info.status().ToString();
    for (size_t slot = 0; info.ok() && slot < info->rows.size(); ++slot) {
      if (!info->rows[slot].deleted) out.stored.insert(RowPointer(number, static_cast<uint8_t>(slot)));
    }
  }
  return out;
}

// A row left out because a rebuilt unique index already holds its key takes its memo with
// it: the repaired file keeps no long-value row that no row names.
TEST_P(RepairContentTest, ARowLeftOutForItsKeyLeavesNoLongValueBehind) {
  const std::string path = (dir_.path() / "people.mdb").string();
  {
    auto file = SystemFileSystem().Open(path, OpenMode::kCreateNew);
    ASSERT_TRUE(file.ok());
    CreateOptions options;
    options.version = GetParam();
    auto db = DatabaseCreator::Create(std::move(file).value(), options);
    ASSERT_TRUE(db.ok());
    TableDesign design{
        "People",
        {{"Name", ColumnType::kText, 50}, {"City", ColumnType::kText, 50}, {"Notes", ColumnType::kMemo}},
        {IndexDesign{"Name", {{"Name", false}}, false, true}, IndexDesign{"City", {{"City", false}}}}};
    TableBuilder* table = *(*db)->AddTable(design);
    const auto notes = [](char first, size_t size) {
      std::string text;
      for (size_t i = 0; text.size() < size; ++i) text += static_cast<char>(first + i % 23);
      return text;
    };
    for (int i = 0; i < 40; ++i) {
      ASSERT_TRUE(table->AddRow({"person " + std::to_string(i), std::string("city"), notes('a', 1500)}).ok());
    }
    ASSERT_TRUE(table->AddRow({std::string("alpha"), std::string("here"), notes('b', 3000)}).ok());
    ASSERT_TRUE(table->AddRow({std::string("alphb"), std::string("there"), notes('c', 6000)}).ok());
    const Status finished = (*db)->Finish();
    ASSERT_TRUE(finished.ok()) << finished.ToString();
  }
  const std::vector<StoredRow> rows = testing::ReadUserRows(path);
  // The second name is made the first one's: the rebuilt unique index keeps only the first.
  std::pair<uint32_t, uint8_t> twin;
  {
    auto db = Open(path);
    auto def = db->OpenTable("People");
    ASSERT_TRUE(def.ok());
    TableReader reader(*db, *def);
    for (auto next = reader.Next(); next.ok() && next->has_value(); next = reader.Next()) {
      auto values = reader.Decode(**next);
      ASSERT_TRUE(values.ok());
      if ((*values)[0].text != "alphb") continue;
      twin = {(*next)->page, (*next)->slot};
      auto fields = SplitRow((*next)->bytes, *def, db->layout());
      const RawField& name = (*fields)[0];
      const RawField& notes = (*fields)[2];
      ASSERT_GE(notes.bytes.size(), kLongValueHeaderSize);
      ASSERT_EQ(*GetU32(notes.bytes, 0) & kLongValueInline, 0u) << "the memo is stored out of its row";
      const auto b = std::find(name.bytes.rbegin(), name.bytes.rend(), uint8_t{'b'});
      ASSERT_NE(b, name.bytes.rend());
      const size_t at = static_cast<size_t>(&*b - (*next)->bytes.data());
      Overwrite(path, RowOffset(*db, twin.first, twin.second) + at, {uint8_t{'a'}});
    }
    ASSERT_NE(twin.first, 0u);
  }
  GarbleIndexes(path);
  const RepairReport report = Repaired(path);
  ExpectRepaired(rows, path, "", Damage{{}, {twin}}, report);
  EXPECT_EQ(testing::ReadUserRows(path).size(), rows.size() - 1);
  bool named = false;
  for (const Loss& loss : report.losses) {
    named |= loss.kind == LossKind::kRowDropped && loss.table == "People" && loss.page == twin.first &&
             loss.what.find("'Name' is unique") != std::string::npos;
  }
  EXPECT_TRUE(named) << report.ToString();
  auto db = Open(path);
  const LongValueRows walked = WalkLongValueRows(*db);
  EXPECT_GE(walked.named.size(), 41u);
  std::vector<uint32_t> stray;
  std::ranges::set_difference(walked.stored, walked.named, std::back_inserter(stray));
  EXPECT_TRUE(stray.empty()) << stray.size() << " long-value rows no row names, the first on page "
                             << PointerPage(stray.front()) << " row " << int{PointerRow(stray.front())};
}

TEST(RepairHeaderTest, ADamagedHeaderIsRestoredAndKeepsWhatCanBeRead) {
  TempDir dir;
  struct Case {
    const char* fixture;
    size_t at;
    std::vector<uint8_t> bytes;
    std::string password;  // the repaired file's
  };
  const std::vector<Case> cases = {
      {"jet3/testIndexCodesV1997.mdb", 0, std::vector<uint8_t>(0x18, 0), ""},
      {"jet4/passwordV2003.mdb", 0, std::vector<uint8_t>(0x18, 0xff), "password"},
      {"jet4/passwordV2000.mdb", kHeaderScrambledOffset,
       std::vector<uint8_t>(kHeaderScrambledLengthJet4, 0x33), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    const std::string path = dir.CopyFixture(c.fixture);
    const std::vector<StoredRow> rows = testing::ReadUserRows(path, testing::FixturePassword(c.fixture));
    Overwrite(path, c.at, c.bytes);
    ASSERT_FALSE(Database::OpenPath(path, {.password = testing::FixturePassword(c.fixture)}).ok());
    const RepairReport report = Repaired(path);
    EXPECT_GE(report.Count(LossKind::kHeaderRestored), 1u);
    ExpectRepaired(rows, path, c.password, Damage{}, report);
    EXPECT_EQ(testing::ReadUserRows(path, c.password).size(), rows.size());
    auto db = Open(path, c.password);
    EXPECT_EQ(db->header().password, c.password);
    EXPECT_EQ(db->header().code_page, 1252);
  }
}

}  // namespace
}  // namespace jet

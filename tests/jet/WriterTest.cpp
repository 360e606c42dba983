// The writing side read back by the engine's own reader and checker: values of every type,
// deleted rows and replaced long values left behind as garbage, multi-level indexes,
// passwords, and the errors bad input gets.
#include <gtest/gtest.h>

#include "jet/check/Checker.h"
#include "jet/read/Database.h"
#include "jet/read/TableReader.h"
#include "jet/read/UsageMap.h"
#include "jet/write/DatabaseCreator.h"
#include "jet/write/PageAllocator.h"
#include "jet/write/PasswordWriter.h"

namespace jet {
namespace {

using Tables = std::vector<std::pair<TableDesign, std::vector<RowValues>>>;

class WriterTest : public ::testing::TestWithParam<JetVersion> {
 protected:
  // Starts a database in memory.
  std::unique_ptr<DatabaseCreator> NewDatabase(const std::string& password = "") {
    auto db = DatabaseCreator::Create(std::make_unique<MemoryFile>(),
                                      {.version = GetParam(), .password = password});
    EXPECT_TRUE(db.ok()) << db.status().ToString();
    return std::move(db).value();
  }

  // Finishes `db` and opens the result with the reader.
  std::unique_ptr<Database> Reopen(DatabaseCreator& db, const std::string& password = "") {
    const Status finished = db.Finish();
    EXPECT_TRUE(finished.ok()) << finished.ToString();
    bytes_ = static_cast<MemoryFile&>(db.file()).bytes();
    auto opened = Database::Open(std::make_unique<MemoryFile>(bytes_), {.password = password});
    EXPECT_TRUE(opened.ok()) << opened.status().ToString();
    return opened.ok() ? std::move(opened).value() : nullptr;
  }

  static std::vector<std::string> Problems(Database& db) {
    std::vector<std::string> found;
    CheckDatabase(db, [&](const Problem& p) { found.push_back(p.ToString()); });
    return found;
  }

  static std::vector<std::vector<Value>> Rows(Database& db, const std::string& table) {
    auto def = db.OpenTable(table);
    EXPECT_TRUE(def.ok()) << def.status().ToString();
    auto rows = ReadAllRows(db, *def);
    EXPECT_TRUE(rows.ok()) << rows.status().ToString();
    return rows.ok() ? *rows : std::vector<std::vector<Value>>{};
  }

  // Row slots on the table's pages whose offset carries both deletion bits.
  size_t DeletedSlots(Database& db, const std::string& table) {
    const Layout& layout = db.layout();
    size_t deleted = 0;
    const uint32_t owner = db.FindObject(table, kObjectTypeTable)->DefinitionPage();
    for (size_t at = 0; at + layout.page_size <= bytes_.size(); at += layout.page_size) {
      const uint8_t* page = bytes_.data() + at;
      if (page[0] != kPageData ||
          (page[4] | page[5] << 8 | page[6] << 16 | uint32_t(page[7]) << 24) != owner) {
        continue;
      }
      const uint16_t count = page[layout.data_row_count] | page[layout.data_row_count + 1] << 8;
      for (uint16_t i = 0; i < count; ++i) {
        const size_t o = layout.data_row_offsets + 2 * i;
        if ((page[o + 1] & 0xc0) == 0xc0) ++deleted;
      }
    }
    return deleted;
  }

  Bytes bytes_;
};

TableDesign MixedDesign() {
  using T = ColumnType;
  TableDesign design{"Mixed",
                     {{"Id", T::kLong},
                      {"Name", T::kText, 60},
                      {"Amount", T::kCurrency},
                      {"When", T::kDateTime},
                      {"Yes", T::kBoolean},
                      {"Body", T::kMemo},
                      {"Raw", T::kBinary, 16}},
                     {}};
  design.columns[0].auto_number = true;
  design.columns[1].required = true;
  IndexDesign pk{"PrimaryKey", {{"Id", false}}, true};
  IndexDesign name{"Name", {{"Name", false}}, false, true};
  IndexDesign when{"WhenDesc", {{"When", true}, {"Amount", false}}};
  when.ignore_nulls = true;
  design.indexes = {pk, name, when};
  return design;
}

RowValues MixedRow(int i, size_t body) {
  return {std::monostate{},
          "name " + std::to_string(i),
          int64_t{i * 10000 + 1},
          40000.0 + i,
          i % 2 == 0,
          std::string(body, static_cast<char>('a' + i % 26)),
          Bytes{static_cast<uint8_t>(i), 0x01}};
}

TEST_P(WriterTest, LiveRowsReadBackWhileDeletedAndReplacedOnesStayAsGarbage) {
  auto db = NewDatabase();
  TableBuilder* table = *db->AddTable(MixedDesign());
  int live = 0;
  for (int i = 0; i < 600; ++i) {
    const RowValues row = MixedRow(i, i % 7 == 0 ? 5000 : static_cast<size_t>(i % 90));
    if (i % 5 == 1) {
      ASSERT_TRUE(table->AddDeletedRow(row).ok());
    } else if (i % 5 == 2) {
      RowValues earlier = row;
      earlier[5] = std::string(3000, 'z');
      ASSERT_TRUE(table->AddUpdatedRow(earlier, row).ok());
      ++live;
    } else {
      ASSERT_TRUE(table->AddRow(row).ok());
      ++live;
    }
  }
  auto reader = Reopen(*db);
  ASSERT_TRUE(reader);
  const auto rows = Rows(*reader, "Mixed");
  ASSERT_EQ(rows.size(), static_cast<size_t>(live));
  // Auto-numbers count deleted rows too, as the engine hands them out.
  EXPECT_EQ(rows[0][0].integer, 1);
  EXPECT_EQ(rows[1][0].integer, 3);
  EXPECT_EQ(rows[1][1].text, "name 2");
  EXPECT_EQ(rows[1][2].integer, 20001);
  EXPECT_DOUBLE_EQ(rows[1][3].real, 40002.0);
  EXPECT_EQ(rows[1][4].integer != 0, true);
  EXPECT_EQ(rows[1][5].text, std::string(2, 'c'));
  EXPECT_EQ(rows[1][6].bytes, (Bytes{2, 1}));
  EXPECT_EQ(rows[0][5].text.size(), 5000u);
  EXPECT_EQ(DeletedSlots(*reader, "Mixed"), 120u);
  // Long-value pages left holding only dropped values are marked free in the global map.
  auto free = ReadUsageMap(*reader, 1u << 8);
  ASSERT_TRUE(free.ok()) << free.status().ToString();
  EXPECT_FALSE(free->pages.empty());
  for (uint32_t page : free->pages) {
    const uint8_t* bytes = bytes_.data() + size_t{page} * reader->layout().page_size;
    EXPECT_EQ(std::string(bytes + 4, bytes + 8), "LVAL") << page;
  }
  EXPECT_EQ(Problems(*reader), std::vector<std::string>{});
}

TEST_P(WriterTest, LargeIndexesGrowNodePagesAndPassTheCheck) {
  TableDesign design{"Big", {{"Code", ColumnType::kText, 80}, {"N", ColumnType::kLong}}, {}};
  design.indexes = {IndexDesign{"Code", {{"Code", false}}, true}, IndexDesign{"NDesc", {{"N", true}}}};
  auto db = NewDatabase();
  TableBuilder* table = *db->AddTable(design);
  for (int i = 0; i < 30000; ++i) {
    ASSERT_TRUE(
        table->AddRow({"code-" + std::to_string(i * 7919 % 30000) + std::string(30, 'x'), int64_t{i}}).ok());
  }
  auto reader = Reopen(*db);
  ASSERT_TRUE(reader);
  EXPECT_EQ(Rows(*reader, "Big").size(), 30000u);
  EXPECT_EQ(Problems(*reader), std::vector<std::string>{});
}

TEST_P(WriterTest, PasswordIsSetChangedAndCleared) {
  auto db = NewDatabase("first");
  TableDesign design{"T", {{"A", ColumnType::kLong}}, {}};
  ASSERT_TRUE((*db->AddTable(design))->AddRow({int64_t{5}}).ok());
  ASSERT_TRUE(Reopen(*db, "first"));
  EXPECT_EQ(Database::Open(std::make_unique<MemoryFile>(bytes_), {.password = "wrong"}).status().kind(),
            ErrorKind::kBadPassword);

  MemoryFile file(bytes_);
  ASSERT_TRUE(SetDatabasePassword(file, "Zweites Wort").ok());
  EXPECT_TRUE(Database::Open(std::make_unique<MemoryFile>(file.bytes()), {.password = "Zweites Wort"}).ok());
  EXPECT_EQ(Database::Open(std::make_unique<MemoryFile>(file.bytes()), {.password = "first"}).status().kind(),
            ErrorKind::kBadPassword);
  ASSERT_TRUE(SetDatabasePassword(file, "").ok());
  auto cleared = Database::Open(std::make_unique<MemoryFile>(file.bytes()));
  ASSERT_TRUE(cleared.ok()) << cleared.status().ToString();
  EXPECT_EQ(Rows(**cleared, "T").size(), 1u);

  EXPECT_EQ(SetDatabasePassword(file, std::string(21, 'p')).kind(), ErrorKind::kInvalidArgument);
  MemoryFile not_a_database(Bytes(4096, 0x20));
  EXPECT_EQ(SetDatabasePassword(not_a_database, "x").kind(), ErrorKind::kNotADatabase);
}

TEST_P(WriterTest, BadInputIsRefusedAndLosesNothingWritten) {
  auto db = NewDatabase();
  TableBuilder* table = *db->AddTable(MixedDesign());
  ASSERT_TRUE(table->AddRow(MixedRow(1, 10)).ok());
  auto refused = [&](RowValues row) { return table->AddRow(std::move(row)).status().kind(); };
  RowValues too_long = MixedRow(2, 10);
  too_long[1] = std::string(61, 'n');
  EXPECT_EQ(refused(too_long), ErrorKind::kInvalidArgument);
  RowValues wrong_kind = MixedRow(3, 10);
  wrong_kind[2] = 1.5;
  EXPECT_EQ(refused(wrong_kind), ErrorKind::kInvalidArgument);
  RowValues missing = MixedRow(4, 10);
  missing[1] = std::monostate{};
  EXPECT_EQ(refused(missing), ErrorKind::kInvalidArgument);
  RowValues short_row = MixedRow(5, 10);
  short_row.pop_back();
  EXPECT_EQ(refused(short_row), ErrorKind::kInvalidArgument);
  RowValues raw_too_long = MixedRow(6, 10);
  raw_too_long[6] = Bytes(17, 0);
  EXPECT_EQ(refused(raw_too_long), ErrorKind::kInvalidArgument);

  EXPECT_EQ(db->AddTable(MixedDesign()).status().kind(), ErrorKind::kInvalidArgument);
  TableDesign unknown_column{"U", {{"A", ColumnType::kLong}}, {IndexDesign{"X", {{"B", false}}}}};
  EXPECT_EQ(db->AddTable(unknown_column).status().kind(), ErrorKind::kInvalidArgument);
  TableDesign no_length{"V", {{"A", ColumnType::kText}}, {}};
  EXPECT_EQ(db->AddTable(no_length).status().kind(), ErrorKind::kInvalidArgument);
  // A large binary column lives in the row's fixed area, so the whole of it must fit a page.
  TableDesign wider_than_a_page{"W", {{"A", ColumnType::kLargeBinary, 4090}}, {}};
  EXPECT_EQ(db->AddTable(wider_than_a_page).status().kind(), ErrorKind::kInvalidArgument);
  TableBuilder* large = *db->AddTable(TableDesign{"L", {{"A", ColumnType::kLargeBinary, 1000}}, {}});
  EXPECT_EQ(large->AddRow({Bytes(1001, 1)}).status().kind(), ErrorKind::kInvalidArgument);
  ASSERT_TRUE(large->AddRow({Bytes(10, 7)}).ok());
  // A key longer than two entries of an intermediate page allow is refused, not written past
  // the page: four Text(255) columns of apostrophes.
  TableDesign quotes{"Q", {}, {IndexDesign{"All", {{"A"}, {"B"}, {"C"}, {"D"}}}}};
  for (const char* column : {"A", "B", "C", "D"}) quotes.columns.push_back({column, ColumnType::kText, 255});
  TableBuilder* quoted = *db->AddTable(quotes);
  const std::string apostrophes(255, '\'');
  EXPECT_EQ(quoted->AddRow({apostrophes, apostrophes, apostrophes, apostrophes}).status().kind(),
            ErrorKind::kInvalidArgument);
  ASSERT_TRUE(quoted->AddRow({std::string("a"), std::string("b"), std::string("c"), std::string("d")}).ok());
  // Binary columns: up to 510 bytes in Jet 4, 255 in Jet 3.
  const bool jet4 = GetParam() == JetVersion::kJet4;
  auto binary = db->AddTable(TableDesign{"B", {{"A", ColumnType::kBinary, 510}}, {}});
  ASSERT_EQ(binary.ok(), jet4);
  if (jet4) {
    ASSERT_TRUE((*binary)->AddRow({Bytes(510, 9)}).ok());
  }
  EXPECT_EQ(DatabaseCreator::Create(std::make_unique<MemoryFile>(), {.password = std::string(21, 'p')})
                .status()
                .kind(),
            ErrorKind::kInvalidArgument);

  auto reader = Reopen(*db);
  ASSERT_TRUE(reader);
  EXPECT_EQ(Rows(*reader, "Mixed").size(), 1u);
  Bytes padded(1000, 0);
  std::fill_n(padded.begin(), 10, 7);
  const auto stored = Rows(*reader, "L");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0][0].bytes, padded);
  if (jet4) {
    EXPECT_EQ(Rows(*reader, "B").at(0).at(0).bytes, Bytes(510, 9));
  }
  EXPECT_EQ(Problems(*reader), std::vector<std::string>{});
}

TEST_P(WriterTest, DuplicateKeyInUniqueIndexFailsTheTable) {
  auto db = NewDatabase();
  TableBuilder* table = *db->AddTable(MixedDesign());
  ASSERT_TRUE(table->AddRow(MixedRow(1, 10)).ok());
  ASSERT_TRUE(table->AddRow(MixedRow(1, 10)).ok());
  EXPECT_EQ(db->Finish().kind(), ErrorKind::kInvalidArgument);
}

// Enough columns and indexes that the definition takes two or three pages in either version.
TableDesign WideDesign() {
  TableDesign design{"Wide", {}, {}};
  const ColumnType types[] = {ColumnType::kLong, ColumnType::kText, ColumnType::kDouble, ColumnType::kMemo};
  for (int i = 0; i < 100; ++i) {
    ColumnDesign col{"Column number " + std::to_string(i) + " of many", types[i % 4]};
    if (col.type == ColumnType::kText) col.length = 30;
    design.columns.push_back(col);
  }
  for (int i = 0; i < 20; ++i) {
    const std::string first = design.columns[static_cast<size_t>(i * 4)].name;
    const std::string second = design.columns[static_cast<size_t>(i * 4 + 1)].name;
    design.indexes.push_back(
        IndexDesign{"Index on " + std::to_string(i), {{first, i % 2 == 1}, {second, false}}});
  }
  return design;
}

RowValues WideRow(int r) {
  RowValues row;
  for (int i = 0; i < 100; ++i) {
    switch (i % 4) {
      case 0:
        row.emplace_back(int64_t{r * 1000 + i});
        break;
      case 1:
        row.emplace_back("r" + std::to_string(r) + "c" + std::to_string(i));
        break;
      case 2:
        row.emplace_back(r + i / 100.0);
        break;
      default:
        row.emplace_back(r % 3 == 0 ? std::monostate{}
                                    : CellValue(std::string(static_cast<size_t>(r * 40), 'm')));
    }
  }
  return row;
}

TEST_P(WriterTest, DefinitionsLongerThanAPageContinueOnFurtherPages) {
  auto db = NewDatabase();
  TableBuilder* table = *db->AddTable(WideDesign());
  for (int r = 0; r < 50; ++r) ASSERT_TRUE(table->AddRow(WideRow(r)).ok());
  // A small table after the wide one: its pages must not collide with the continuation pages.
  TableBuilder* after = *db->AddTable(TableDesign{"After", {{"A", ColumnType::kLong}}, {}});
  ASSERT_TRUE(after->AddRow({int64_t{7}}).ok());
  auto reader = Reopen(*db);
  ASSERT_TRUE(reader);
  auto def = reader->OpenTable("Wide");
  ASSERT_TRUE(def.ok()) << def.status().ToString();
  EXPECT_GE(def->pages.size(), 2u);
  EXPECT_LE(def->pages.size(), 3u);
  ASSERT_EQ(def->columns.size(), 100u);
  EXPECT_EQ(def->columns[99].name, "Column number 99 of many");
  ASSERT_EQ(def->indexes.size(), 20u);
  EXPECT_EQ(def->indexes[19].name, "Index on 19");
  EXPECT_EQ(def->row_count, 50u);
  const auto rows = Rows(*reader, "Wide");
  ASSERT_EQ(rows.size(), 50u);
  EXPECT_EQ(rows[49][0].integer, 49000);
  EXPECT_EQ(rows[49][97].text, "r49c97");
  EXPECT_EQ(rows[49][99].text, std::string(49 * 40, 'm'));
  EXPECT_EQ(Rows(*reader, "After").size(), 1u);
  EXPECT_EQ(Problems(*reader), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Versions, WriterTest, ::testing::Values(JetVersion::kJet3, JetVersion::kJet4),
                         [](const auto& p) { return p.param == JetVersion::kJet3 ? "Jet3" : "Jet4"; });

// Access opens no Jet 3 file past 1 GB and no Jet 4 file past 2 GB: every writer (new files,
// the generator, compaction, repair, the editor) hands its pages to a PageAllocator, which
// refuses the first page beyond, before writing anything of it.
TEST(FileSizeLimitTest, NoPageIsWrittenPastTheFormatsLimit) {
  for (JetVersion version : {JetVersion::kJet3, JetVersion::kJet4}) {
    const Layout& l = LayoutFor(version);
    EXPECT_EQ(uint64_t{MaxPageCount(l)} * l.page_size, MaxFileBytes(version));
    MemoryFile file;
    PageAllocator allocator(file, l);
    while (allocator.page_count() <= MaxPageCount(l)) allocator.Reserve();
    const std::vector<uint8_t> page(l.page_size, 0);
    const Status refused = allocator.Write(MaxPageCount(l), page);
    EXPECT_EQ(refused.kind(), ErrorKind::kInvalidArgument);
    EXPECT_NE(refused.description().find(version == JetVersion::kJet3 ? "past 1 GB" : "past 2 GB"),
              std::string::npos)
        << refused.ToString();
    EXPECT_TRUE(file.bytes().empty());
    EXPECT_TRUE(allocator.Write(5, page).ok());
  }
}

}  // namespace
}  // namespace jet

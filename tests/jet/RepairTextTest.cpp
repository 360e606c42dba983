// Text beyond code page 1252 through the writer, the readers and repair: Jet 3 files in other
// code pages keep their text bytes, and Jet 4 indexes over Cyrillic and Han text get the keys
// Access stores where the weights are known, are refused by the writer where they are not,
// and are left out and reported by repair when damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <ostream>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/base/Rc4.h"
#include "jet/base/Text.h"
#include "jet/base/TextCodec.h"
#include "jet/check/StoredKeys.h"
#include "jet/format/Format.h"
#include "jet/io/FileSystem.h"
#include "jet/read/Database.h"
#include "jet/read/IndexPage.h"
#include "jet/write/DatabaseCreator.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/RepairTestSupport.h"

namespace jet {
namespace {

using testing::Damage;
using testing::ExpectRepaired;
using testing::Overwrite;
using testing::Repaired;
using testing::StoredRow;
using testing::TempDir;

// A table Places(Id primary key, Name, Note memo); `index_name` adds a unique index on Name.
TableDesign PlacesDesign(bool index_name) {
  TableDesign design{
      "Places",
      {{"Id", ColumnType::kLong}, {"Name", ColumnType::kText, 60}, {"Note", ColumnType::kMemo}},
      {IndexDesign{"PrimaryKey", {{"Id", false}}, true}}};
  if (index_name) design.indexes.push_back(IndexDesign{"ByName", {{"Name", false}}, false, true});
  return design;
}

// Writes Places with one row per name; returns the status of the first row refused.
Status WritePlaces(const std::string& path, CreateOptions options, const std::vector<std::string>& names,
                   bool index_name) {
  auto file = PosixFileSystem().Open(path, OpenMode::kCreateNew);
  if (!file.ok()) return file.status();
  auto db = DatabaseCreator::Create(std::move(file).value(), options);
  if (!db.ok()) return db.status();
  auto table = (*db)->AddTable(PlacesDesign(index_name));
  if (!table.ok()) return table.status();
  for (size_t i = 0; i < names.size(); ++i) {
    const auto id = static_cast<int64_t>(i + 1);
    auto added = (*table)->AddRow({id, names[i], names[i] + " / " + names[i]});
    if (!added.ok()) return added.status();
  }
  return (*db)->Finish();
}

// Garbles the leaf pages of every index of Places.
void GarbleIndexes(const std::string& path, const std::string& table_name) {
  auto db = Database::OpenPath(path);
  ASSERT_TRUE(db.ok());
  auto def = (*db)->OpenTable(table_name);
  ASSERT_TRUE(def.ok());
  for (const RealIndex& index : def->real_indexes) {
    std::vector<uint32_t> pages;
    ASSERT_TRUE(ReadIndexLeaves(**db, index.root_page, &pages).ok());
    for (uint32_t page : pages) {
      Overwrite(path, uint64_t{page} * (*db)->page_size() + 0x20, std::vector<uint8_t>(64, 0xa5));
    }
  }
}

std::multiset<std::string> RowTexts(const std::vector<StoredRow>& rows) {
  std::multiset<std::string> out;
  for (const StoredRow& row : rows) out.insert(row.table + "|" + row.text);
  return out;
}

bool Contains(const std::vector<uint8_t>& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// What mdb-export prints for Places, reading Jet 3 text as `charset`.
std::string Exported(const std::string& path, const std::string& charset) {
  return testing::RunCommand("MDB_JET3_CHARSET=" + charset + " mdb-export " + testing::ShellQuote(path) +
                             " Places")
      .out;
}

// Sets the code page in the header of `path` (kept in the header's scrambled region).
void RelabelCodePage(const std::string& path, uint16_t code_page) {
  std::vector<uint8_t> header = testing::ReadBytes(path);
  header.resize(kHeaderMinimumBytes);
  const std::span<uint8_t> region(header.data() + kHeaderScrambledOffset, kHeaderScrambledLengthJet3);
  Rc4Apply(kHeaderScrambleKey, region);
  PutU16(header, kHeaderCodePage, code_page);
  Rc4Apply(kHeaderScrambleKey, region);
  Overwrite(path, 0, header);
}

struct CodePageCase {
  uint16_t code_page;
  const char* charset;
  std::vector<std::string> names;  // each written in the code page, none with '?'
};

void PrintTo(const CodePageCase& c, std::ostream* out) { *out << "code page " << c.code_page; }

class Jet3CodePageTest : public ::testing::TestWithParam<CodePageCase> {};

// Text written in the header's code page reads back the same in our reader and mdbtools and
// keeps its bytes through the repair of a damaged index; an index over text beyond ASCII,
// whose keys in such a file are not known, is refused by the writer.
TEST_P(Jet3CodePageTest, TextKeepsItsBytesThroughReadersAndRepair) {
  const CodePageCase& c = GetParam();
  TempDir dir;
  const std::string path = (dir.path() / "places.mdb").string();
  CreateOptions options;
  options.version = JetVersion::kJet3;
  options.code_page = c.code_page;
  const Status refused = WritePlaces((dir.path() / "indexed.mdb").string(), options, {c.names[0]}, true);
  EXPECT_EQ(refused.kind(), ErrorKind::kUnsupported) << refused.ToString();
  EXPECT_NE(refused.ToString().find("Name"), std::string::npos) << refused.ToString();
  ASSERT_TRUE(WritePlaces(path, options, c.names, false).ok());

  const auto expect_text = [&](const std::string& when) {
    SCOPED_TRACE(when);
    auto db = Database::OpenPath(path);
    ASSERT_TRUE(db.ok());
    EXPECT_EQ((*db)->header().code_page, c.code_page);
    const std::vector<uint8_t> bytes = testing::ReadBytes(path);
    const std::string exported = Exported(path, c.charset);
    const std::string rows = [&] {
      std::string all;
      for (const StoredRow& row : testing::ReadUserRows(path)) all += row.text + "\n";
      return all;
    }();
    for (const std::string& name : c.names) {
      const Bytes stored = EncodeJet3Text(Utf8ToUtf16(name), c.code_page);
      EXPECT_EQ(std::count(stored.begin(), stored.end(), '?'), 0) << name;
      EXPECT_TRUE(Contains(bytes, stored)) << name << " is not stored in code page " << c.code_page;
      EXPECT_NE(rows.find(name + " / " + name), std::string::npos) << name << " in\n" << rows;
      EXPECT_NE(exported.find("\"" + name + "\""), std::string::npos) << name << " in\n" << exported;
    }
  };
  expect_text("as written");
  const std::vector<StoredRow> before = testing::ReadUserRows(path);
  ASSERT_EQ(before.size(), c.names.size());

  GarbleIndexes(path, "Places");
  const RepairReport report = Repaired(path);
  for (const Loss& loss : report.losses) ADD_FAILURE() << loss.ToString();
  EXPECT_EQ(RowTexts(testing::ReadUserRows(path)), RowTexts(before));
  expect_text("repaired");
}

// A file in the code page with an index over that text, as Access would have written it: the
// same bytes written as code page 1252 text, and the header then naming the code page. When
// its index pages are damaged, the index over Id is rebuilt and the one over Name, whose keys
// are not known, is left out and named; every row keeps its text bytes.
void ExpectDamagedNameIndexLeftOut(const CodePageCase& c) {
  TempDir dir;
  const std::string path = (dir.path() / "indexed.mdb").string();
  // Where code page 1252 has the same characters, their weights there are still not known to
  // be this code page's: an index over only those is left out too.
  std::vector<std::string> names;
  std::ranges::copy_if(c.names, std::back_inserter(names), [](const std::string& name) {
    const Bytes in_1252 = EncodeJet3Text(Utf8ToUtf16(name), 1252);
    return std::ranges::find(in_1252, '?') == in_1252.end();
  });
  if (names.empty()) names = c.names;
  std::vector<std::string> as_1252;
  for (const std::string& name : names)
    as_1252.push_back(DecodeCodePage(EncodeJet3Text(Utf8ToUtf16(name), c.code_page), 1252));
  CreateOptions options;
  options.version = JetVersion::kJet3;
  const Status written = WritePlaces(path, options, as_1252, true);
  ASSERT_TRUE(written.ok()) << written.ToString();
  RelabelCodePage(path, c.code_page);
  const std::vector<StoredRow> before = testing::ReadUserRows(path);
  ASSERT_EQ(before.size(), names.size());

  GarbleIndexes(path, "Places");
  const RepairReport report = Repaired(path);
  ExpectRepaired(before, path, "", Damage{}, report);
  EXPECT_EQ(RowTexts(testing::ReadUserRows(path)), RowTexts(before));
  ASSERT_EQ(report.Count(LossKind::kIndexDropped), 1u) << report.ToString();
  EXPECT_EQ(report.losses.size(), 1u) << report.ToString();
  for (const Loss& loss : report.losses)
    EXPECT_NE(loss.what.find("ByName"), std::string::npos) << loss.ToString();
  const std::string exported = Exported(path, c.charset);
  for (const std::string& name : names)
    EXPECT_NE(exported.find("\"" + name + "\""), std::string::npos) << exported;
}

TEST_P(Jet3CodePageTest, ADamagedIndexOverItsTextIsLeftOutAndNamed) {
  ExpectDamagedNameIndexLeftOut(GetParam());
}

// In code page 1252 too, where a digit or a letter of its own weight (eth) comes before an
// accent, whose place among the accent codes no Access key shows: the index is left out.
TEST(Jet3AccentPlaceTest, ADamagedIndexOverTextWithUnknownAccentPlacesIsLeftOutAndNamed) {
  ExpectDamagedNameIndexLeftOut(CodePageCase{1252, "CP1252", {"12 Général", "3ème étage", "Ðórr"}});
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, Jet3CodePageTest,
    ::testing::Values(CodePageCase{1251, "CP1251", {"Москва", "Санкт-Петербург", "Ёлка", "Київ"}},
                      CodePageCase{1250, "CP1250", {"Šola", "Žola", "Łódź", "Brno-střed"}}),
    [](const auto& param_info) { return "CP" + std::to_string(param_info.param.code_page); });

// Keys of the single-column text indexes of a file, by the text they index.
std::map<std::string, Bytes> StoredKeysByText(const std::string& path) {
  std::map<std::string, Bytes> out;
  auto db = Database::OpenPath(path);
  if (!db.ok()) return out;
  for (const CatalogEntry& entry : (*db)->Tables(true)) {
    auto def = (*db)->ReadTableDef(entry.DefinitionPage());
    if (!def.ok()) continue;
    for (const RealIndex& index : def->real_indexes) {
      if (index.columns.size() != 1) continue;
      const auto column = std::ranges::find(def->columns, index.columns[0].column_number, &ColumnDef::number);
      if (column == def->columns.end() || column->type != ColumnType::kText) continue;
      auto keys = ReadStoredKeys(**db, *def, index);
      if (!keys.ok()) continue;
      for (const StoredKey& key : *keys) {
        const auto* text =
            std::get_if<std::string>(&key.row[static_cast<size_t>(column - def->columns.begin())]);
        if (text != nullptr) out.emplace(*text, key.key);
      }
    }
  }
  return out;
}

struct KeyCase {
  const char* script;
  std::vector<std::string> values;  // distinct under the General order
  std::string corpus;               // a file Access wrote with indexes over `stored`
  std::vector<std::string> stored;  // values among `values`
  std::string unknown;              // a value with a character whose weight is not known
};

void PrintTo(const KeyCase& c, std::ostream* out) { *out << c.script; }

class Jet4TextKeyTest : public ::testing::TestWithParam<KeyCase> {};

// A unique index over text whose weights are known gets the keys Access stores for the same
// text, one per value, and is rebuilt to the same keys after its pages are damaged, every row
// kept; a value with a character of unknown weight is refused, naming the column.
TEST_P(Jet4TextKeyTest, UniqueIndexKeysAreAccesssAndSurviveIndexDamage) {
  const KeyCase& c = GetParam();
  TempDir dir;
  CreateOptions options;
  options.version = JetVersion::kJet4;
  const Status refused =
      WritePlaces((dir.path() / "unknown.mdb").string(), options, {c.values[0], c.unknown}, true);
  EXPECT_EQ(refused.kind(), ErrorKind::kUnsupported) << refused.ToString();
  EXPECT_NE(refused.ToString().find("Name"), std::string::npos) << refused.ToString();

  const std::string path = (dir.path() / "places.mdb").string();
  const Status written = WritePlaces(path, options, c.values, true);
  ASSERT_TRUE(written.ok()) << written.ToString();
  const std::map<std::string, Bytes> keys = StoredKeysByText(path);
  std::set<Bytes> distinct;
  for (const std::string& value : c.values) {
    ASSERT_TRUE(keys.contains(value)) << value;
    distinct.insert(keys.at(value));
  }
  EXPECT_EQ(distinct.size(), c.values.size());
  const std::map<std::string, Bytes> access = StoredKeysByText(testing::FixturePath(c.corpus));
  for (const std::string& value : c.stored) {
    ASSERT_TRUE(access.contains(value)) << value << " is not indexed in " << c.corpus;
    EXPECT_EQ(HexDigits(keys.at(value)), HexDigits(access.at(value)))
        << value << " as " << c.corpus << " stores it";
  }

  const std::vector<StoredRow> before = testing::ReadUserRows(path);
  GarbleIndexes(path, "Places");
  const RepairReport report = Repaired(path);
  for (const Loss& loss : report.losses) ADD_FAILURE() << loss.ToString();
  EXPECT_EQ(RowTexts(testing::ReadUserRows(path)), RowTexts(before));
  EXPECT_EQ(StoredKeysByText(path), keys);
}

INSTANTIATE_TEST_SUITE_P(Scripts, Jet4TextKeyTest,
                         ::testing::Values(KeyCase{"Cyrillic",
                                                   {"Анна", "Алла", "Валова,6", "Б. Хмельницького", "Москва",
                                                    "БОРИС"},
                                                   "../realworld/bd-kommunalnie-uslugi__Baza.mdb",
                                                   {"Валова,6", "Б. Хмельницького"},
                                                   "Ђорђе"},
                                           KeyCase{"Han",
                                                   {"漢字仮名交じり文", "漢字", "文字", "仮名", "交"},
                                                   "jet4/testUnicodeCompV2003.mdb",
                                                   {"漢字仮名交じり文"},
                                                   "中国"}),
                         [](const auto& param_info) { return std::string(param_info.param.script); });

// An index whose text column sorts by an order other than General (here Chinese, in a file
// Access wrote) has keys we cannot make, even over ASCII text: damaged, it is left out and
// named, and every row of its table is kept.
TEST(RepairSortOrderTest, ADamagedIndexUnderAnotherSortOrderIsLeftOutAndEveryRowKept) {
  TempDir dir;
  const std::string path = dir.CopyFixture("../realworld/CSharp__Northwind.mdb");
  const std::vector<StoredRow> before = testing::ReadUserRows(path);
  GarbleIndexes(path, "Customers");
  const RepairReport report = Repaired(path);
  ExpectRepaired(before, path, "", Damage{}, report);
  EXPECT_EQ(RowTexts(testing::ReadUserRows(path)), RowTexts(before));
  EXPECT_GE(report.Count(LossKind::kIndexDropped), 1u) << report.ToString();
  bool city = false;
  for (const Loss& loss : report.losses) {
    EXPECT_EQ(loss.kind, LossKind::kIndexDropped) << loss.ToString();
    EXPECT_EQ(loss.table, "Customers") << loss.ToString();
    city = city || loss.what.find("城市") != std::string::npos;
  }
  EXPECT_TRUE(city) << report.ToString();
  // Every index of Customers covers a text column, so none is rebuilt with guessed keys.
  auto db = Database::OpenPath(path);
  ASSERT_TRUE(db.ok());
  auto customers = (*db)->OpenTable("Customers");
  ASSERT_TRUE(customers.ok());
  EXPECT_TRUE(customers->real_indexes.empty()) << customers->real_indexes.size() << " indexes rebuilt";
}

}  // namespace
}  // namespace jet

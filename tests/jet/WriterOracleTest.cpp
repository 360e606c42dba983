// Databases written by the engine, read back by two independent readers (mdb-reader and
// mdbtools): every column type, nulls, long values from 0 bytes to megabytes, Jet 3 and 4,
// and the database password.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "jet/base/Bytes.h"
#include "jet/compact/Compactor.h"
#include "jet/edit/TableEditor.h"
#include "jet/format/DataPage.h"
#include "jet/read/TableReader.h"
#include "jet/write/DatabaseCreator.h"
#include "jet/write/PasswordWriter.h"
#include "tools/generator/Generator.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

// Its standard output; a command that fails fails the test (every command here must work).
std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return out;
  }
  std::array<char, 65536> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return out;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

// The fingerprint the dump script prints for long values.
std::string Fingerprint(size_t length, const std::vector<uint32_t>& units) {
  uint32_t h = 0x811c9dc5;
  for (uint32_t u : units) h = (h ^ u) * 0x01000193u;
  std::ostringstream out;
  out << "len:" << length << ":fnv:" << std::hex << h;
  return out.str();
}

std::string LongText(const std::string& ascii) {
  if (ascii.size() <= 200) return "\"" + ascii + "\"";
  return Fingerprint(ascii.size(), std::vector<uint32_t>(ascii.begin(), ascii.end()));
}

std::string LongBytes(const Bytes& bytes) {
  if (bytes.size() > 200) return Fingerprint(bytes.size(), std::vector<uint32_t>(bytes.begin(), bytes.end()));
  return "hex:" + HexDigits(bytes);
}

// Rows by table name from mdb-reader, each a list of printed cells.
struct Dump {
  std::string password;
  std::map<std::string, std::vector<std::vector<std::string>>> rows;
};

Dump ReadWithMdbReader(const fs::path& file, const std::string& password = "") {
  const std::string script = std::string(TAVIMER_SOURCE_DIR) + "/tests/jet/mdb_reader_dump.mjs";
  const std::string oracle = std::string(TAVIMER_SOURCE_DIR) + "/tests/oracle";
  Dump dump;
  for (const std::string& line :
       Split(RunCommand("node '" + script + "' '" + oracle + "' '" + file.string() + "' '" + password + "'"),
             '\n')) {
    std::vector<std::string> cells = Split(line, '\t');
    if (cells.size() == 2 && cells[0] == "password") dump.password = cells[1];
    if (cells.size() >= 2 && cells[0] == "row") {
      dump.rows[cells[1]].emplace_back(cells.begin() + 2, cells.end());
    }
  }
  return dump;
}

std::string RepeatedText(size_t bytes, const std::string& unit) {
  std::string out;
  while (out.size() < bytes) out += unit;
  out.resize(bytes);
  return out;
}

Bytes PatternBytes(size_t size) {
  Bytes out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>((i * 7 + i / 251) & 0xFF);
  return out;
}

TableDesign AllTypesDesign(JetVersion version) {
  using T = ColumnType;
  TableDesign design{"AllTypes",
                     {{"Id", T::kLong},
                      {"Flag", T::kBoolean},
                      {"Small", T::kByte},
                      {"Short", T::kInteger},
                      {"Big", T::kLong},
                      {"Money", T::kCurrency},
                      {"Ratio", T::kSingle},
                      {"Amount", T::kDouble},
                      {"When", T::kDateTime},
                      {"Label", T::kText, 255},
                      {"Label2", T::kText, 255},
                      {"Label3", T::kText, 255},
                      {"Raw", T::kBinary, 50},
                      {"Notes", T::kMemo},
                      {"Blob", T::kOle},
                      {"Guid", T::kReplicationId}},
                     {}};
  design.columns[0].auto_number = true;
  IndexDesign pk{"PrimaryKey", {{"Id", false}}, true};
  // Over Label3, not Label: Label holds characters (dashes, curly quotes, the euro sign) whose
  // Jet 4 sort weights are not known, and the writer refuses to guess a key for them.
  IndexDesign multi{"ShortLabel", {{"Short", false}, {"Label3", true}}};
  multi.ignore_nulls = true;
  design.indexes = {pk, multi};
  if (version == JetVersion::kJet4) {
    ColumnDesign dec{"Dec", T::kNumeric};
    dec.precision = 10;
    dec.scale = 2;
    design.columns.push_back(dec);
  }
  return design;
}

struct Case {
  RowValues values;
  std::vector<std::string> expected;  // as the dump prints them
};

std::vector<Case> AllTypesRows(JetVersion version) {
  const bool jet4 = version == JetVersion::kJet4;
  const Bytes guid{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                   0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  const std::string label255 = RepeatedText(255, "Abc def ");
  const std::string memo3k = RepeatedText(3000, "single page memo. ");
  const std::string memo3m = RepeatedText(3 * 1024 * 1024 + 17, "chained memo, several pages. ");
  const Bytes blob2m = PatternBytes(2 * 1024 * 1024 + 5);
  const Bytes blob3k = PatternBytes(3000);
  std::vector<Case> rows;
  // Nulls everywhere they are allowed.
  rows.push_back({RowValues(jet4 ? 17 : 16),
                  {"1", "false", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL",
                   "NULL", "NULL", "NULL", "NULL", "NULL"}});
  // Extremes and characters outside ASCII.
  rows.push_back(
      {{std::monostate{}, true, int64_t{255}, int64_t{-32768}, int64_t{-2147483647 - 1}, int64_t{123456789},
        1.5, -2.25e10, 45000.75, std::string("Grüße – “quoted” € ÿ"), std::string(""), std::string("x"),
        Bytes{0x00, 0xff, 0x10}, std::string(""), Bytes{}, guid},
       {"2", "true", "255", "-32768", "-2147483648", "\"12345.6789\"", "1.5", "-22500000000",
        "2023-03-15T18:00:00.000Z", "\"Grüße – “quoted” € ÿ\"", "\"\"", "\"x\"", "hex:00ff10", "\"\"",
        "hex:", "\"00112233-4455-6677-8899-aabbccddeeff\""}});
  // Long rows (three full text columns) and long values inline and on one page.
  rows.push_back({{std::monostate{}, false, int64_t{0}, int64_t{32767}, int64_t{2147483647}, int64_t{-1},
                   -0.25, 0.0, 0.5, label255, label255, label255, Bytes(50, 0xab), std::string("short memo"),
                   blob3k, std::monostate{}},
                  {"3", "false", "0", "32767", "2147483647", "\"-0.0001\"", "-0.25", "0",
                   "1899-12-30T12:00:00.000Z", LongText(label255), LongText(label255), LongText(label255),
                   LongBytes(Bytes(50, 0xab)), "\"short memo\"", LongBytes(blob3k), "NULL"}});
  // Long values chained over many pages.
  rows.push_back(
      {{std::monostate{}, true, int64_t{7}, int64_t{7}, std::monostate{}, std::monostate{}, std::monostate{},
        std::monostate{}, std::monostate{}, std::string("chain"), std::monostate{}, std::monostate{},
        std::monostate{}, memo3k + memo3m, blob2m, std::monostate{}},
       {"4", "true", "7", "7", "NULL", "NULL", "NULL", "NULL", "NULL", "\"chain\"", "NULL", "NULL", "NULL",
        LongText(memo3k + memo3m), LongBytes(blob2m), "NULL"}});
  if (jet4) {
    const std::vector<std::string> decimals{"NULL", "\"123.45\"", "\"-0.01\"", "\"99999999.99\""};
    const std::vector<int64_t> raw{0, 12345, -1, 9999999999};
    for (size_t i = 0; i < rows.size(); ++i) {
      if (i == 0) {
        rows[i].values.resize(17);
      } else {
        rows[i].values.push_back(raw[i]);
      }
      rows[i].expected.push_back(decimals[i]);
    }
  }
  return rows;
}

class WriterOracleTest : public ::testing::TestWithParam<JetVersion> {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("jet-writer-" + std::to_string(::getpid()) + "-" + std::to_string(static_cast<int>(GetParam())));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes `tables` (each with its rows) into a new database at `name`.
  fs::path Write(const std::string& name,
                 const std::vector<std::pair<TableDesign, std::vector<RowValues>>>& tables,
                 const std::string& password = "") {
    const fs::path path = dir_ / name;
    auto file = PosixFileSystem().Open(path.string(), OpenMode::kCreateNew);
    EXPECT_TRUE(file.ok()) << file.status().ToString();
    auto db = DatabaseCreator::Create(std::move(file).value(), {.version = GetParam(), .password = password});
    EXPECT_TRUE(db.ok()) << db.status().ToString();
    for (const auto& [design, rows] : tables) {
      auto table = (*db)->AddTable(design);
      EXPECT_TRUE(table.ok()) << table.status().ToString();
      for (const RowValues& row : rows) {
        auto added = (*table)->AddRow(row);
        EXPECT_TRUE(added.ok()) << added.status().ToString();
      }
    }
    const Status finished = (*db)->Finish();
    EXPECT_TRUE(finished.ok()) << finished.ToString();
    return path;
  }

  fs::path dir_;
};

TEST_P(WriterOracleTest, EveryColumnTypeReadsBackIdenticallyInMdbReader) {
  std::vector<Case> cases = AllTypesRows(GetParam());
  std::vector<RowValues> rows;
  for (const Case& c : cases) rows.push_back(c.values);
  const fs::path path = Write("types.mdb", {{AllTypesDesign(GetParam()), rows}});

  const Dump dump = ReadWithMdbReader(path);
  ASSERT_EQ(dump.rows.count("AllTypes"), 1u);
  const auto& got = dump.rows.at("AllTypes");
  ASSERT_EQ(got.size(), cases.size());
  for (size_t r = 0; r < cases.size(); ++r) {
    EXPECT_EQ(got[r], cases[r].expected) << "row " << r;
  }
  EXPECT_EQ(dump.password, "NULL");
}

TEST_P(WriterOracleTest, EveryColumnTypeReadsBackInMdbtools) {
  std::vector<Case> cases = AllTypesRows(GetParam());
  std::vector<RowValues> rows;
  for (const Case& c : cases) rows.push_back(c.values);
  const fs::path path = Write("types.mdb", {{AllTypesDesign(GetParam()), rows}});

  const std::string tables = RunCommand("mdb-tables -1 '" + path.string() + "'");
  EXPECT_EQ(tables, "AllTypes\n");
  // Integers, text and memo lengths through mdb-export (its own formatting for the rest).
  const std::string csv = RunCommand("mdb-export -b strip -H -d '|' -q '' '" + path.string() + "' AllTypes");
  std::vector<std::vector<std::string>> parsed;
  for (const std::string& line : Split(csv, '\n')) parsed.push_back(Split(line, '|'));
  ASSERT_EQ(parsed.size(), cases.size()) << csv.substr(0, 500);
  EXPECT_EQ(parsed[1][2], "255");
  EXPECT_EQ(parsed[1][3], "-32768");
  EXPECT_EQ(parsed[1][4], "-2147483648");
  EXPECT_EQ(parsed[1][9], "Grüße – “quoted” € ÿ");
  EXPECT_EQ(parsed[2][9], std::get<std::string>(cases[2].values[9]));
  EXPECT_EQ(parsed[2][13], "short memo");
  // mdb-export prints at most the first 199999 bytes of a memo.
  const std::string& memo = std::get<std::string>(cases[3].values[13]);
  ASSERT_GE(parsed[3][13].size(), 199999u);
  EXPECT_EQ(parsed[3][13], memo.substr(0, parsed[3][13].size()));
}

TEST_P(WriterOracleTest, ManyRowsSpanPagesAndKeepTheirOrder) {
  TableDesign design{"Numbers", {{"N", ColumnType::kLong}, {"Word", ColumnType::kText, 40}}, {}};
  design.indexes.push_back(IndexDesign{"N", {{"N", false}}, true});
  std::vector<RowValues> rows;
  for (int64_t i = 0; i < 20000; ++i) rows.push_back({i * 3, "word " + std::to_string(i)});
  const fs::path path = Write("many.mdb", {{design, rows}});

  const Dump dump = ReadWithMdbReader(path);
  const auto& got = dump.rows.at("Numbers");
  ASSERT_EQ(got.size(), rows.size());
  EXPECT_EQ(got[12345], (std::vector<std::string>{"37035", "\"word 12345\""}));
  const std::string count = RunCommand("mdb-export -H '" + path.string() + "' Numbers | wc -l");
  EXPECT_EQ(std::stoi(count), 20000);
}

// Regression: rows written before a Boolean column was added to their table (each stores the
// column count it had then) read null; Access, mdb-reader and mdbtools read False, and the
// other fixed columns added with it null.
TEST_P(WriterOracleTest, RowsWrittenBeforeABooleanColumnWasAddedReadFalse) {
  TableDesign design{"Members",
                     {{"ID", ColumnType::kLong},
                      {"Name", ColumnType::kText, 40},
                      {"Opted", ColumnType::kBoolean},
                      {"Score", ColumnType::kLong}},
                     {}};
  std::vector<RowValues> rows;
  for (int64_t i = 0; i < 50; ++i) rows.push_back({i, "member " + std::to_string(i), true, i * 2});
  const fs::path path = Write("added.mdb", {{design, rows}});
  // Opted and Score are added after the rows: each row keeps two columns and their two bits.
  {
    std::vector<uint8_t> bytes;
    {
      std::ifstream in(path, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto db = Database::OpenPath(path.string());
    ASSERT_TRUE(db.ok());
    const Layout& l = (*db)->layout();
    auto def = (*db)->OpenTable("Members");
    ASSERT_TRUE(def.ok());
    TableReader reader(**db, *def);
    size_t patched = 0;
    while (true) {
      auto record = reader.Next();
      ASSERT_TRUE(record.ok());
      if (!*record) break;
      auto page = (*db)->ReadPage((*record)->page);
      auto info = ParseDataPage(*page, l);
      ASSERT_TRUE(info.ok());
      const RowSlot& slot = info->rows.at((*record)->slot);
      uint8_t* row = bytes.data() + size_t{(*record)->page} * l.page_size + slot.start;
      row[0] = 2;
      if (l.row_column_count_size == 2) row[1] = 0;
      row[slot.end - slot.start - 1] &= 0x03;  // the one byte of the null mask
      ++patched;
    }
    ASSERT_EQ(patched, rows.size());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  auto db = Database::OpenPath(path.string());
  ASSERT_TRUE(db.ok());
  auto def = (*db)->OpenTable("Members");
  auto read = ReadAllRows(**db, *def);
  ASSERT_TRUE(read.ok()) << read.status().ToString();
  ASSERT_EQ(read->size(), rows.size());
  for (const std::vector<Value>& row : *read) {
    EXPECT_FALSE(row[2].null);
    EXPECT_EQ(row[2].integer, 0);
    EXPECT_TRUE(row[3].null);
  }
  const Dump dump = ReadWithMdbReader(path);
  const auto& got = dump.rows.at("Members");
  ASSERT_EQ(got.size(), rows.size());
  for (const auto& cells : got) {
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[2], "false");
    EXPECT_EQ(cells[3], "NULL");
  }
  // A compacted copy keeps the rows as stored, and reads the same.
  const fs::path compacted = dir_ / "added-compacted.mdb";
  ASSERT_TRUE(CompactToPath(**db, compacted.string()).ok());
  EXPECT_EQ(ReadWithMdbReader(compacted).rows, dump.rows);
}

TEST_P(WriterOracleTest, PasswordIsReportedByMdbReader) {
  TableDesign design{"T", {{"A", ColumnType::kLong}}, {}};
  const fs::path path = Write("secret.mdb", {{design, {{int64_t{1}}}}}, "Secret12");
  const Dump dump = ReadWithMdbReader(path, "Secret12");
  EXPECT_EQ(dump.password, "Secret12");
  EXPECT_EQ(dump.rows.at("T").size(), 1u);
}

TEST_P(WriterOracleTest, ChangedAndClearedPasswordsAreReportedByMdbReader) {
  TableDesign design{"T", {{"A", ColumnType::kLong}}, {}};
  const fs::path path = Write("change.mdb", {{design, {{int64_t{1}}}}}, "old");
  {
    auto file = PosixFileSystem().Open(path.string(), OpenMode::kReadWrite);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE(SetDatabasePassword(**file, "Neues Wort 2").ok());
  }
  EXPECT_EQ(ReadWithMdbReader(path, "Neues Wort 2").password, "Neues Wort 2");
  {
    auto file = PosixFileSystem().Open(path.string(), OpenMode::kReadWrite);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE(SetDatabasePassword(**file, "").ok());
  }
  const Dump cleared = ReadWithMdbReader(path);
  EXPECT_EQ(cleared.password, "NULL");
  EXPECT_EQ(cleared.rows.at("T").size(), 1u);
}

TEST_P(WriterOracleTest, GeneratedInstallationReadsInBothOracles) {
  tav::GenerateOptions options;
  options.generation = "TV2";
  options.rows = 300;
  options.deleted = 0.2;
  options.password = "pw";
  options.version = GetParam();
  ASSERT_TRUE(tav::GenerateInstallation((dir_ / "tv2").string(), options).ok());
  const std::vector<std::pair<std::string, std::string>> files{{"data/list.mdb", "Recipients"},
                                                               {"data/helper.mdb", "Settings"},
                                                               {"history/history.mdb", "History"},
                                                               {"schedule/schedule.mdb", "Schedule"}};
  for (const auto& [file, table] : files) {
    const fs::path path = dir_ / "tv2" / file;
    const std::string password = file == "data/list.mdb" ? "pw" : "";
    const Dump dump = ReadWithMdbReader(path, password);
    EXPECT_EQ(dump.password, password.empty() ? "NULL" : password) << file;
    ASSERT_EQ(dump.rows.count(table), 1u) << file;
    // Memos hold line breaks: count mdbtools' rows by a row separator of our own.
    const std::string ids = RunCommand("mdb-export -H -R '<row>' '" + path.string() + "' " + table +
                                       " | grep -o '<row>' | wc -l");
    EXPECT_EQ(std::stoul(ids.empty() ? "0" : ids), dump.rows.at(table).size()) << file;
  }
}

// A definition over two or three pages, and rows whose lengths sweep across the 256-byte
// steps of Jet 3's offset jump table.
TEST_P(WriterOracleTest, WideTablesReadBackInBothOracles) {
  TableDesign design{"Wide", {}, {}};
  for (int i = 0; i < 100; ++i) {
    ColumnDesign col{"Wide column " + std::to_string(i) + " with a long name",
                     i % 2 == 0 ? ColumnType::kLong : ColumnType::kText};
    col.length = 30;
    design.columns.push_back(col);
  }
  for (int i = 0; i < 20; ++i) {
    design.indexes.push_back(IndexDesign{"Wide index " + std::to_string(i),
                                         {{design.columns[static_cast<size_t>(i * 2)].name, i % 3 == 0},
                                          {design.columns[static_cast<size_t>(i * 2 + 1)].name, false}}});
  }
  std::vector<RowValues> rows;
  std::vector<std::vector<std::string>> expected;
  for (int r = 0; r < 150; ++r) {
    RowValues row;
    std::vector<std::string> cells;
    for (int i = 0; i < 100; ++i) {
      if (i % 2 == 0) {
        row.emplace_back(int64_t{r * 100 + i});
        cells.push_back(std::to_string(r * 100 + i));
      } else {
        const std::string text =
            RepeatedText(static_cast<size_t>((r * 7 + i) % 31 * (r % 5) / 4), "abcdefgh");
        row.emplace_back(text);
        cells.push_back("\"" + text + "\"");
      }
    }
    rows.push_back(std::move(row));
    expected.push_back(std::move(cells));
  }
  const fs::path path = Write("wide.mdb", {{design, rows}});

  const Dump dump = ReadWithMdbReader(path);
  ASSERT_EQ(dump.rows.count("Wide"), 1u);
  EXPECT_EQ(dump.rows.at("Wide"), expected);

  const std::string schema = RunCommand("mdb-schema --indexes '" + path.string() + "' mysql 2>/dev/null");
  EXPECT_NE(schema.find("Wide column 99 with a long name"), std::string::npos) << schema.substr(0, 400);
  EXPECT_NE(schema.find("Wide index 19"), std::string::npos);
  const std::string csv = RunCommand("mdb-export -H -d '|' -q '' '" + path.string() + "' Wide");
  std::vector<std::vector<std::string>> exported;
  for (const std::string& line : Split(csv, '\n')) {
    std::vector<std::string> cells = Split(line, '|');
    cells.resize(100);  // a trailing empty cell is not split off
    for (size_t i = 1; i < cells.size(); i += 2) cells[i] = "\"" + cells[i] + "\"";
    exported.push_back(cells);
  }
  EXPECT_EQ(exported, expected);
}

// Rows deleted and long values replaced in place: both readers see exactly the rows left,
// with the new values.
TEST_P(WriterOracleTest, EditedFilesReadBackInBothOracles) {
  TableDesign design{"Notes", {{"Id", ColumnType::kLong}, {"Body", ColumnType::kMemo}}, {}};
  design.indexes.push_back(IndexDesign{"Id", {{"Id", false}}, true});
  std::vector<RowValues> rows;
  for (int64_t i = 1; i <= 400; ++i) rows.push_back({i, RepeatedText(i % 4 == 0 ? 6000 : 100 + i, "note ")});
  const fs::path path = Write("edited.mdb", {{design, rows}});
  const std::string replacement = RepeatedText(50000, "replaced body ");
  {
    auto editor = TableEditor::Open(path.string());
    ASSERT_TRUE(editor.ok()) << editor.status().ToString();
    auto deleted =
        (*editor)->DeleteRows("Notes", [](const EditedRow& r) { return r.Get("Id").integer % 3 == 0; });
    ASSERT_TRUE(deleted.ok()) << deleted.status().ToString();
    auto replaced = (*editor)->ReplaceLongValue(
        "Notes", "Body", [](const EditedRow& r) { return r.Get("Id").integer % 4 == 0; },
        Bytes(replacement.begin(), replacement.end()));
    ASSERT_TRUE(replaced.ok()) << replaced.status().ToString();
  }
  const std::string jettool = "'" + std::string(TAVIMER_BINARY_DIR) + "/tools/jettool'";
  EXPECT_EQ(RunCommand(jettool + " delete '" + path.string() + "' Notes --where Id=1"), "1 row(s) deleted\n");
  std::vector<std::vector<std::string>> expected;
  for (int64_t i = 2; i <= 400; ++i) {
    if (i % 3 == 0) continue;
    expected.push_back(
        {std::to_string(i), LongText(i % 4 == 0 ? replacement : RepeatedText(100 + i, "note "))});
  }
  const Dump dump = ReadWithMdbReader(path);
  ASSERT_EQ(dump.rows.count("Notes"), 1u);
  EXPECT_EQ(dump.rows.at("Notes"), expected);
  const std::string ids =
      RunCommand("mdb-export -H '" + path.string() + "' Notes | cut -d, -f1 | tr '\\n' ' '");
  std::string wanted;
  for (const auto& row : expected) wanted += row[0] + " ";
  EXPECT_EQ(ids, wanted);
  const std::string check = RunCommand(jettool + " check '" + path.string() + "'; echo exit=$?");
  EXPECT_NE(check.find("exit=0"), std::string::npos) << check;
}

INSTANTIATE_TEST_SUITE_P(Versions, WriterOracleTest, ::testing::Values(JetVersion::kJet3, JetVersion::kJet4),
                         [](const auto& p) { return p.param == JetVersion::kJet3 ? "Jet3" : "Jet4"; });

}  // namespace
}  // namespace jet

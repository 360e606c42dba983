#include "tests/jet/ReaderOracle.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <cmath>
#include <functional>
#include <optional>

#include "jet/base/Text.h"
#include "jet/format/Value.h"
#include "jet/read/TableReader.h"
#include "tests/jet/JetTestSupport.h"

namespace jet::testing {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// Splits CSV into records of raw fields (quotes kept), honouring newlines inside quotes.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records(1);
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      field.push_back(c);
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"')
          field.push_back(text[++i]);
        else
          quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
      field.push_back(c);
    } else if (c == ',') {
      records.back().push_back(field);
      field.clear();
    } else if (c == '\n') {
      records.back().push_back(field);
      field.clear();
      records.emplace_back();
    } else {
      field.push_back(c);
    }
  }
  if (!field.empty() || !records.back().empty()) records.back().push_back(field);
  if (records.back().empty()) records.pop_back();
  return records;
}

std::string Unquote(const std::string& field) {
  return field.size() >= 2 && field.front() == '"' ? field.substr(1, field.size() - 2) : field;
}

std::string HexToText(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// The five characters we read for the bytes code page 1252 leaves unassigned (U+0081,
// U+008D, U+008F, U+0090, U+009D), each replaced by "?" as both other readers show them.
std::string UnassignedAsQuestionMarks(std::string text) {
  for (const char* c1 : {"\xC2\x81", "\xC2\x8D", "\xC2\x8F", "\xC2\x90", "\xC2\x9D"}) {
    for (size_t at; (at = text.find(c1)) != std::string::npos;) text.replace(at, 2, "?");
  }
  return text;
}

// mdbtools faults: binary data and text stop at their first zero byte; bytes code page 1252
// leaves unassigned print as "?"; OLE values kept outside the row print as nothing;
// replication ids lose their fourth dash; dates before 1899-12-30 print as
// "1900-01-00 00:00:00".
bool SameExportField(const std::string& ours, const std::string& theirs, ColumnType type) {
  if (ours == theirs) return true;
  const bool known_type =
      type <= ColumnType::kMemo || type == ColumnType::kReplicationId || type == ColumnType::kNumeric;
  if ((type == ColumnType::kOle || !known_type) && theirs.empty()) return true;
  if (type == ColumnType::kText || type == ColumnType::kMemo) {
    const std::string o = UnassignedAsQuestionMarks(Unquote(ours)), t = Unquote(theirs);
    if (o == t) return true;
    return o.compare(0, t.size(), t) == 0 && o.size() > t.size() && o[t.size()] == '\0';
  }
  if (type == ColumnType::kBinary || type == ColumnType::kOle) {
    const std::string o = Unquote(ours), t = Unquote(theirs);
    return t.size() % 2 == 0 && o.compare(0, t.size(), t) == 0 && o.compare(t.size(), 2, "00") == 0;
  }
  if (type == ColumnType::kReplicationId) {
    std::string o = HexToText(Unquote(ours)), t = HexToText(Unquote(theirs));
    std::erase(o, '-');
    std::erase(t, '-');
    return o == t;
  }
  if (type == ColumnType::kDateTime) return theirs == "\"1900-01-00 00:00:00\"" && ours < "\"1899-12-30";
  return false;
}

// Reads one JSON string starting at text[pos] == '"'; advances pos past it.
std::string JsonString(const std::string& text, size_t& pos) {
  std::string out;
  for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
    if (text[pos] != '\\') {
      out.push_back(text[pos]);
      continue;
    }
    const char e = text[++pos];
    if (e == 'n')
      out.push_back('\n');
    else if (e == 't')
      out.push_back('\t');
    else if (e == 'r')
      out.push_back('\r');
    else if (e == 'b')
      out.push_back('\b');
    else if (e == 'f')
      out.push_back('\f');
    else if (e == 'u') {
      uint32_t cp = static_cast<uint32_t>(std::stoul(text.substr(pos + 1, 4), nullptr, 16));
      pos += 4;
      if (cp >= 0xD800 && cp < 0xDC00 && text.compare(pos + 1, 2, "\\u") == 0) {
        const uint32_t low = static_cast<uint32_t>(std::stoul(text.substr(pos + 3, 4), nullptr, 16));
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        pos += 6;
      }
      AppendUtf8(out, cp);
    } else {
      out.push_back(e);
    }
  }
  ++pos;
  return out;
}

std::vector<std::optional<std::string>> JsonRow(const std::string& line) {
  std::vector<std::optional<std::string>> out;
  size_t pos = 1;
  while (pos < line.size() && line[pos] != ']') {
    if (line[pos] == '"')
      out.push_back(JsonString(line, pos));
    else if (line.compare(pos, 4, "null") == 0) {
      out.push_back(std::nullopt);
      pos += 4;
    }
    if (pos < line.size() && line[pos] == ',') ++pos;
  }
  return out;
}

std::optional<std::string> JsonField(const std::string& line, const std::string& key) {
  const std::string needle = "\"" + key + "\":";
  size_t pos = line.find(needle);
  if (pos == std::string::npos) return std::nullopt;
  pos += needle.size();
  if (line[pos] == '"') return JsonString(line, pos);
  const size_t end = line.find_first_of(",}", pos);
  return line.substr(pos, end - pos);
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

// mdb-reader differences: it converts dates as plain day counts, so a negative date with a
// time of day lands on the wrong day (the raw day count is compared); it decodes Jet 3
// bytes the code page leaves unassigned as U+FFFD where we give the C1 controls (both
// compared as "?"); it prints replication ids in lower case without braces.
bool SameValue(const Value& ours, const std::optional<std::string>& theirs) {
  if (ours.null || !theirs) return ours.null && !theirs;
  std::string t = *theirs;
  for (size_t at; (at = t.find("\xEF\xBF\xBD")) != std::string::npos;) t.replace(at, 3, "?");
  switch (ours.type) {
    case ColumnType::kBoolean:
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
      return std::to_string(ours.integer) == t;
    case ColumnType::kCurrency:
      return std::fabs(std::strtod(t.c_str(), nullptr) - ours.integer / 10000.0) < 1e-4;
    case ColumnType::kSingle:
      return static_cast<float>(std::strtod(t.c_str(), nullptr)) == static_cast<float>(ours.real);
    case ColumnType::kDouble:
      return std::strtod(t.c_str(), nullptr) == ours.real;
    case ColumnType::kDateTime:
      return std::llabs(std::llround((ours.real - 25569) * 86400000.0) - std::stoll(t)) <= 1;
    case ColumnType::kText:
    case ColumnType::kMemo:
      return ours.text == t || UnassignedAsQuestionMarks(ours.text) == t;
    case ColumnType::kNumeric:
      return std::strtod(t.c_str(), nullptr) == std::strtod(ours.text.c_str(), nullptr);
    case ColumnType::kReplicationId:
      return strcasecmp(FormatGuid(ours.bytes).c_str(), ("{" + t + "}").c_str()) == 0;
    default:
      return Hex(ours.bytes) == t;
  }
}

// Both readers take a row's fixed columns to be its column count less its variable ones. Where
// a definition counts more variable columns than it declares (Access's MSysIMEXSpecs keeps two
// Long columns variable-length), they take the last fixed columns, by number, to be missing
// from every row, and print them null (a Boolean false). Flags those columns.
std::vector<bool> FixedColumnsReadersDrop(const TableDef& def) {
  std::vector<bool> dropped(def.columns.size());
  size_t declared = 0;
  for (const ColumnDef& c : def.columns) declared += c.fixed() ? 0 : 1;
  size_t extra = def.var_column_count > declared ? def.var_column_count - declared : 0;
  for (size_t i = def.columns.size(); i-- > 0 && extra > 0;) {
    if (!def.columns[i].fixed()) continue;
    dropped[i] = true;
    --extra;
  }
  return dropped;
}

// What a reader prints for a column it takes to be missing: nothing, or false.
bool PrintedAsMissing(const std::optional<std::string>& theirs) {
  return !theirs || theirs->empty() || *theirs == "0";
}

// Rows flagged as moved that no slot points to: our reader leaves them out as old versions,
// both independent readers still print them.
size_t OldRowVersions(Database& db, const TableDef& def) {
  TableReader reader(db, def);
  for (;;) {
    auto row = reader.Next();
    if (!row.ok() || !row->has_value()) break;
  }
  return reader.old_row_versions();
}

// Pairs each of our rows with the reader's row it must equal. The reader's rows are ours in
// the same order with the `old` old versions of moved rows somewhere in between; `same` says
// whether our row i may be the reader's row j.
std::vector<std::pair<size_t, size_t>> Align(size_t ours, size_t theirs, size_t old,
                                             const std::function<bool(size_t, size_t)>& same) {
  std::vector<std::pair<size_t, size_t>> pairs;
  if (theirs != ours + old) {
    ADD_FAILURE() << "the reader gives " << theirs << " rows, we read " << ours << " and leave out " << old
                  << " old versions of moved rows";
    return pairs;
  }
  size_t i = 0;
  for (size_t j = 0; j < theirs && i < ours; ++j) {
    if (old == 0 || same(i, j)) pairs.emplace_back(i++, j);
  }
  if (i != ours) ADD_FAILURE() << "our row " << i << " is not among the reader's rows in order";
  return pairs;
}

}  // namespace

void ExpectTableListMatchesMdbTools(const std::string& path, Database& db) {
  auto theirs = RunCommand("mdb-tables -S -1 " + ShellQuote(path));
  ASSERT_EQ(theirs.exit_code, 0);
  std::vector<std::string> ours;
  for (const CatalogEntry& e : db.Tables(true)) ours.push_back(e.name);
  EXPECT_FALSE(ours.empty());
  EXPECT_EQ(ours, Lines(theirs.out));
}

CsvTables ExpectExportsMatchMdbExport(const std::string& path, const std::string& password, Database& db) {
  CsvTables exports;
  const std::string jettool = std::string(TAVIMER_BINARY_DIR) + "/tools/jettool";
  for (const CatalogEntry& table : db.Tables(true)) {
    SCOPED_TRACE(table.name);
    auto def = db.ReadTableDef(table.DefinitionPage());
    if (!def.ok()) {
      ADD_FAILURE() << def.status().ToString();
      continue;
    }
    const std::string args = ShellQuote(path) + " " + ShellQuote(table.name);
    auto ours = RunCommand(jettool + " export --password " + ShellQuote(password) + " " + args);
    auto theirs = RunCommand("mdb-export -T '%Y-%m-%d %H:%M:%S' -b hex " + args);
    if (ours.exit_code != 0 || theirs.exit_code != 0 || ours.out.empty() || theirs.out.empty()) {
      ADD_FAILURE() << "jettool export exits " << ours.exit_code << ", mdb-export " << theirs.exit_code;
      continue;
    }
    CsvRecords our_rows = ParseCsv(ours.out);
    const CsvRecords their_rows = ParseCsv(theirs.out);
    const std::vector<bool> dropped = FixedColumnsReadersDrop(*def);
    const auto same_field = [&](size_t r, size_t t, size_t c) {
      if (r == 0) return SameExportField(our_rows[r][c], their_rows[t][c], ColumnType::kText);
      return SameExportField(our_rows[r][c], their_rows[t][c], def->columns[c].type) ||
             (dropped[c] && PrintedAsMissing(their_rows[t][c]));
    };
    const auto same = [&](size_t r, size_t t) {
      if (our_rows[r].size() != their_rows[t].size()) return false;
      for (size_t c = 0; c < our_rows[r].size(); ++c) {
        if (!same_field(r, t, c)) return false;
      }
      return true;
    };
    for (const auto& [r, t] : Align(our_rows.size(), their_rows.size(), OldRowVersions(db, *def), same)) {
      if (our_rows[r].size() != their_rows[t].size()) {
        ADD_FAILURE() << "row " << r << " has " << our_rows[r].size() << " fields, mdbtools "
                      << their_rows[t].size();
        continue;
      }
      for (size_t c = 0; c < our_rows[r].size(); ++c) {
        EXPECT_TRUE(same_field(r, t, c))
            << "row " << r << " column " << def->columns[c].name << ": ours " << our_rows[r][c].substr(0, 200)
            << ", mdbtools " << their_rows[t][c].substr(0, 200);
      }
    }
    exports[table.name] = std::move(our_rows);
  }
  return exports;
}

void ExpectRowsMatchMdbReader(const std::string& path, const std::string& password, Database& db) {
  const std::string script = std::string(TAVIMER_SOURCE_DIR) + "/tests/oracle/dump.mjs";
  auto dump = RunCommand("node " + ShellQuote(script) + " " + ShellQuote(path) + " " + ShellQuote(password));
  ASSERT_EQ(dump.exit_code, 0);
  const std::vector<std::string> lines = Lines(dump.out);
  size_t tables = 0;
  for (size_t i = 0; i < lines.size();) {
    const std::string name = JsonField(lines[i], "table").value_or("");
    SCOPED_TRACE(name);
    ++tables;
    if (JsonField(lines[i++], "error")) continue;  // a column type mdb-reader lacks; nothing to compare
    const size_t count = std::stoul(JsonField(lines[i - 1], "rowCount").value_or("0"));
    ASSERT_LE(i + count, lines.size());
    auto def = db.OpenTable(name);
    ASSERT_TRUE(def.ok()) << def.status().ToString();
    auto rows = ReadAllRows(db, *def);
    ASSERT_TRUE(rows.ok()) << rows.status().ToString();
    std::vector<std::vector<std::optional<std::string>>> theirs;
    for (size_t r = 0; r < count; ++r) theirs.push_back(JsonRow(lines[i + r]));
    i += count;
    const std::vector<bool> dropped = FixedColumnsReadersDrop(*def);
    const auto same_field = [&](size_t r, size_t t, size_t c) {
      return SameValue((*rows)[r][c], theirs[t][c]) || (dropped[c] && PrintedAsMissing(theirs[t][c]));
    };
    const auto same = [&](size_t r, size_t t) {
      if (theirs[t].size() != def->columns.size()) return false;
      for (size_t c = 0; c < theirs[t].size(); ++c) {
        if (!same_field(r, t, c)) return false;
      }
      return true;
    };
    // mdb-reader lists the columns in the same order as the definition.
    for (const auto& [r, t] : Align(rows->size(), count, OldRowVersions(db, *def), same)) {
      ASSERT_EQ(theirs[t].size(), def->columns.size());
      for (size_t c = 0; c < theirs[t].size(); ++c) {
        EXPECT_TRUE(same_field(r, t, c)) << "row " << r << " column " << def->columns[c].name
                                         << ": mdb-reader " << theirs[t][c].value_or("null").substr(0, 200);
      }
    }
  }
  EXPECT_EQ(tables, db.Tables(true).size());
}

}  // namespace jet::testing

#include "tests/support/DatabaseContent.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "jet/check/Checker.h"
#include "jet/read/Database.h"
#include "jet/read/TableReader.h"
#include "tests/support/TextLines.h"

namespace tav::testing {

namespace {

namespace fs = std::filesystem;

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// Every field that a value of any type may carry, so that equal texts mean equal values.
std::string Describe(const jet::Value& value) {
  if (value.null) return "null";
  char real[64];
  std::snprintf(real, sizeof real, "%a", value.real);
  return std::to_string(value.integer) + "/" + real + "/" + value.text + "/" + Hex(value.bytes);
}

std::vector<std::string> TableRowsOf(jet::Database& db, const std::string& name, const jet::TableDef& def,
                                     std::optional<uint32_t> belowPage) {
  std::vector<std::string> rows;
  jet::TableReader reader(db, def);
  for (;;) {
    auto next = reader.Next();
    if (!next.ok()) {
      ADD_FAILURE() << "reading " << name << ": " << next.status().ToString();
      break;
    }
    if (!next->has_value()) break;
    const jet::RowRecord& record = **next;
    if (belowPage && record.page >= *belowPage) continue;
    auto values = reader.Decode(record);
    if (!values.ok()) {
      ADD_FAILURE() << "decoding a row of " << name << ": " << values.status().ToString();
      continue;
    }
    std::string row;
    for (const jet::Value& v : *values) row += Describe(v) + "\x1f";
    rows.push_back(std::move(row));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

}  // namespace

TableRows ReaderRows(const fs::path& database, const std::string& password,
                     std::optional<uint32_t> belowPage) {
  TableRows out;
  auto db = jet::Database::OpenPath(database.string(), {.password = password});
  if (!db.ok()) {
    ADD_FAILURE() << "opening " << database << ": " << db.status().ToString();
    return out;
  }
  for (const jet::CatalogEntry& table : (*db)->Tables(false)) {
    auto def = (*db)->ReadTableDef(table.DefinitionPage());
    if (!def.ok()) {
      ADD_FAILURE() << "reading the design of " << table.name << ": " << def.status().ToString();
      continue;
    }
    out[table.name] = TableRowsOf(**db, table.name, *def, belowPage);
  }
  if (out.empty()) ADD_FAILURE() << "our reader finds no table in " << database;
  return out;
}

TableRows ExportedRows(const fs::path& database) {
  TableRows out;
  const std::string file = ShellQuoted(database.string());
  const CommandResult tables = RunShell("mdb-tables -1 " + file);
  EXPECT_EQ(tables.exitCode, 0) << "mdb-tables on " << database;
  for (const std::string& table : Lines(tables.out)) {
    if (table.empty()) continue;
    CommandResult exported =
        RunShell("mdb-export -H -T '%Y-%m-%d %H:%M:%S' -b hex " + file + " " + ShellQuoted(table));
    EXPECT_EQ(exported.exitCode, 0) << "mdb-export of " << table << " in " << database;
    std::vector<std::string> rows = Lines(exported.out);
    std::sort(rows.begin(), rows.end());
    out[table] = std::move(rows);
  }
  if (out.empty()) ADD_FAILURE() << "mdbtools finds no table in " << database;
  return out;
}

TableRows MdbReaderRows(const std::filesystem::path& database, const std::string& password) {
  const std::string script = std::string(TAVIMER_SOURCE_DIR) + "/tests/oracle/dump.mjs";
  const CommandResult dump = RunShell("node " + ShellQuoted(script) + " " + ShellQuoted(database.string()) +
                                      " " + ShellQuoted(password) + " 2>&1");
  EXPECT_EQ(dump.exitCode, 0) << "mdb-reader on " << database << ": " << dump.out;
  TableRows out;
  std::vector<std::string>* table = nullptr;
  const std::string head = "{\"table\":";
  for (const std::string& line : Lines(dump.out)) {
    if (line.rfind(head, 0) == 0) {
      const size_t end = line.find("\",", head.size() + 1);
      table = &out[line.substr(head.size() + 1, end - head.size() - 1)];
    } else if (table != nullptr) {
      table->push_back(line);
    }
  }
  if (out.empty()) ADD_FAILURE() << "mdb-reader finds no table in " << database;
  return out;
}

std::string RowsDifference(const TableRows& after, const TableRows& before) {
  if (after.size() != before.size())
    return std::to_string(after.size()) + " tables instead of " + std::to_string(before.size());
  for (const auto& [table, rows] : before) {
    auto found = after.find(table);
    if (found == after.end()) return "table " + table + " is missing";
    if (found->second == rows) continue;
    auto [mine, theirs] = std::mismatch(found->second.begin(), found->second.end(), rows.begin(), rows.end());
    return table + ": " + std::to_string(found->second.size()) + " rows instead of " +
           std::to_string(rows.size()) +
           "; first difference: " + (mine == found->second.end() ? "(none)" : mine->substr(0, 200)) +
           " instead of " + (theirs == rows.end() ? "(none)" : theirs->substr(0, 200));
  }
  return "";
}

void ExpectRowsWithin(const TableRows& part, const TableRows& whole, const TableRows& counted) {
  ASSERT_EQ(part.size(), whole.size());
  for (const auto& [table, rows] : part) {
    SCOPED_TRACE(table);
    auto all = whole.find(table);
    auto count = counted.find(table);
    ASSERT_TRUE(all != whole.end() && count != counted.end());
    EXPECT_TRUE(std::includes(all->second.begin(), all->second.end(), rows.begin(), rows.end()));
    EXPECT_EQ(rows.size(), count->second.size());
  }
}

std::vector<std::string> CheckProblems(const fs::path& database, const std::string& password) {
  std::vector<std::string> problems;
  auto db = jet::Database::OpenPath(database.string(), {.password = password});
  if (!db.ok()) return {"cannot open: " + db.status().ToString()};
  jet::CheckDatabase(**db, [&](const jet::Problem& p) { problems.push_back(p.ToString()); });
  return problems;
}

CommandResult RunShell(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::vector<fs::path> TemporaryCopies(const fs::path& folder) {
  static const std::regex name("db[0-9]+\\.bak");
  std::vector<fs::path> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (std::regex_match(entry.path().filename().string(), name)) out.push_back(entry.path());
  return out;
}

std::string FileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tav::testing

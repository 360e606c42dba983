#include "tests/jet/RepairTestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "jet/check/Checker.h"
#include "jet/read/TableReader.h"
#include "jet/repair/Repairer.h"
#include "tools/generator/Generator.h"

namespace jet::testing {
namespace {

std::string Render(const std::vector<Value>& values) {
  std::ostringstream out;
  for (const Value& v : values) {
    out << static_cast<int>(v.type) << ':';
    if (v.null) {
      out << "null|";
      continue;
    }
    out << v.integer << ',' << std::bit_cast<uint64_t>(v.real) << ',' << v.text << ',';
    for (uint8_t b : v.bytes) out << static_cast<int>(b) << '.';
    out << '|';
  }
  return out.str();
}

}  // namespace

std::vector<StoredRow> ReadUserRows(const std::string& path, const std::string& password) {
  std::vector<StoredRow> rows;
  auto db = Database::OpenPath(path, {.password = password});
  EXPECT_TRUE(db.ok()) << db.status().ToString();
  if (!db.ok()) return rows;
  for (const CatalogEntry& entry : (*db)->Tables(false)) {
    auto def = (*db)->ReadTableDef(entry.DefinitionPage());
    EXPECT_TRUE(def.ok()) << entry.name << ": " << def.status().ToString();
    if (!def.ok()) continue;
    TableReader reader(**db, *def);
    for (;;) {
      auto next = reader.Next();
      EXPECT_TRUE(next.ok()) << entry.name << ": " << next.status().ToString();
      if (!next.ok() || !next->has_value()) break;
      auto values = reader.Decode(**next);
      EXPECT_TRUE(values.ok()) << entry.name << ": " << values.status().ToString();
      if (!values.ok()) break;
      rows.push_back(StoredRow{entry.name, (*next)->page, (*next)->slot, Render(*values)});
    }
  }
  return rows;
}

std::vector<std::pair<uint32_t, std::vector<StoredRow>>> RowsByPage(const std::vector<StoredRow>& rows,
                                                                    const std::string& table) {
  std::map<uint32_t, std::vector<StoredRow>> pages;
  for (const StoredRow& row : rows) {
    if (row.table == table) pages[row.page].push_back(row);
  }
  return {pages.begin(), pages.end()};
}

void ExpectRepaired(const std::vector<StoredRow>& original, const std::string& repaired,
                    const std::string& password, const Damage& damage, const RepairReport& report) {
  auto db = Database::OpenPath(repaired, {.password = password});
  ASSERT_TRUE(db.ok()) << db.status().ToString();
  std::vector<std::string> problems;
  CheckDatabase(**db, [&problems](const Problem& p) { problems.push_back(p.ToString()); });
  EXPECT_TRUE(problems.empty()) << problems.front();

  std::set<std::string> lost_tables;
  std::set<std::pair<std::string, uint32_t>> cut_pages;
  std::map<std::string, size_t> cut_values;
  // Where the report says rows went: the pages it names, and tables with rows it counts
  // missing without knowing their pages.
  std::set<uint32_t> named_pages;
  std::set<std::string> counted_missing;
  for (const Loss& loss : report.losses) {
    if (loss.page) named_pages.insert(*loss.page);
    if (loss.kind == LossKind::kRowDropped && !loss.page) counted_missing.insert(loss.table);
    if (loss.kind == LossKind::kTableLost) lost_tables.insert(loss.table);
    if ((loss.kind == LossKind::kValueCut || loss.kind == LossKind::kValueNulled) && loss.page) {
      cut_pages.emplace(loss.table, *loss.page);
      ++cut_values[loss.table];
    }
  }
  std::map<std::string, std::multiset<std::string>> after;
  for (const StoredRow& row : ReadUserRows(repaired, password)) after[row.table].insert(row.text);
  for (const StoredRow& row : original) {
    auto& rows = after[row.table];
    auto found = rows.find(row.text);
    if (found != rows.end()) {
      rows.erase(found);
      continue;
    }
    const bool excused = lost_tables.count(row.table) != 0 || damage.pages.count(row.page) != 0 ||
                         damage.rows.count({row.page, row.slot}) != 0 ||
                         cut_pages.count({row.table, row.page}) != 0;
    EXPECT_TRUE(excused) << "table " << row.table << ": row at page " << row.page << " slot " << int{row.slot}
                         << " is missing";
    const bool said = lost_tables.count(row.table) != 0 || named_pages.count(row.page) != 0 ||
                      counted_missing.count(row.table) != 0;
    EXPECT_TRUE(said) << "table " << row.table << ": row at page " << row.page << " slot " << int{row.slot}
                      << " is missing and the report does not say so:\n"
                      << report.ToString();
  }
  for (const auto& [table, rows] : after) {
    EXPECT_LE(rows.size(), cut_values[table]) << "table " << table << " holds rows the original did not";
  }
}

std::string Generated(const std::string& dir, JetVersion version, const std::string& name) {
  const std::string root = dir + (version == JetVersion::kJet3 ? "/tv3" : "/tv4");
  if (!std::filesystem::exists(root)) {
    tav::GenerateOptions options;
    options.rows = 300;
    options.version = version;
    Status generated = tav::GenerateInstallation(root, options);
    EXPECT_TRUE(generated.ok()) << generated.ToString();
  }
  return root + (name == "list" ? "/data/list.mdb" : "/history/history.mdb");
}

RepairReport Repaired(const std::string& path, const std::string& password) {
  auto report = RepairDatabase(path, {.password = password});
  EXPECT_TRUE(report.ok()) << report.status().ToString();
  if (!report.ok()) return {};
  EXPECT_TRUE(report->repaired);
  return *report;
}

std::pair<std::string, std::vector<uint32_t>> BusiestTable(const std::vector<StoredRow>& rows) {
  std::pair<std::string, std::vector<uint32_t>> best;
  std::set<std::string> tables;
  for (const StoredRow& row : rows) tables.insert(row.table);
  for (const std::string& table : tables) {
    std::vector<uint32_t> pages;
    for (const auto& [page, on_page] : RowsByPage(rows, table)) pages.push_back(page);
    if (pages.size() > best.second.size()) best = {table, pages};
  }
  return best;
}

void Overwrite(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Truncate(const std::string& path, uint64_t size) { std::filesystem::resize_file(path, size); }

size_t ProblemsFound(const std::string& path, const std::string& password) {
  auto db = Database::OpenPath(path, {.password = password});
  if (!db.ok()) return 1;
  return CheckDatabase(**db, [](const Problem&) {});
}

std::set<std::string> FolderListing(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

}  // namespace jet::testing

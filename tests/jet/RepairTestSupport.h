#pragma once
// Helpers of the repair tests: the rows of a database with where they are stored, damage
// done to the bytes of a copy, and the comparison of a repaired file with the original.

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "jet/read/Database.h"
#include "jet/repair/RepairReport.h"

namespace jet::testing {

struct StoredRow {
  std::string table;
  uint32_t page = 0;
  uint8_t slot = 0;
  std::string text;  // every value, rendered exactly
};

// The rows of every user table, read by the engine's reader.
std::vector<StoredRow> ReadUserRows(const std::string& path, const std::string& password = "");

// The rows of one table grouped by the data page that holds them, ascending.
std::vector<std::pair<uint32_t, std::vector<StoredRow>>> RowsByPage(const std::vector<StoredRow>& rows,
                                                                    const std::string& table);

// Where damage was done: whole pages, or single rows (page, slot).
struct Damage {
  std::set<uint32_t> pages;
  std::set<std::pair<uint32_t, uint8_t>> rows;
};

// Expects the repaired file at `repaired` to open with `password` and pass the check, and to
// hold every row of `original` that lies outside `damage` (rows of tables the report says are
// lost, and rows whose long values the report says were cut, excepted), and no invented rows.
void ExpectRepaired(const std::vector<StoredRow>& original, const std::string& repaired,
                    const std::string& password, const Damage& damage, const RepairReport& report);

// A generated installation in `dir` (list.mdb with recipients, history.mdb with memo
// values and several indexes); returns the path of the database `name` ("list" or "history").
std::string Generated(const std::string& dir, JetVersion version, const std::string& name);

// Repairs `path` in place, expecting success and a rebuilt file.
RepairReport Repaired(const std::string& path, const std::string& password = "");

// The user table with most data pages, and those pages.
std::pair<std::string, std::vector<uint32_t>> BusiestTable(const std::vector<StoredRow>& rows);

// Byte-level damage to a file.
void Overwrite(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes);
void Truncate(const std::string& path, uint64_t size);

// Number of problems the checker finds (a file that does not open counts as one).
size_t ProblemsFound(const std::string& path, const std::string& password = "");

// Files in a folder, hidden ones included.
std::set<std::string> FolderListing(const std::string& folder);

}  // namespace jet::testing

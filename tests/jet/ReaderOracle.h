#pragma once
// What the engine reads, compared with two independent readers: mdbtools (table lists and CSV
// exports, ours through jettool) and mdb-reader (row counts and values). Known faults of those
// readers are allowed for in one place each; they are described in docs/jet-format.md. A
// reader that fails or prints nothing fails the comparison.

#include <map>
#include <string>
#include <vector>

#include "jet/read/Database.h"

namespace jet::testing {

// A table as `jettool export` prints it: the header record, then one record of raw CSV fields
// (quotes kept) per row.
using CsvRecords = std::vector<std::vector<std::string>>;
using CsvTables = std::map<std::string, CsvRecords>;

// mdb-tables lists the tables our catalog lists, in the same order.
void ExpectTableListMatchesMdbTools(const std::string& path, Database& db);

// Every table through `jettool export` and mdb-export, field by field. Returns our exports.
CsvTables ExpectExportsMatchMdbExport(const std::string& path, const std::string& password, Database& db);

// Every table through our reader and mdb-reader, value by value.
void ExpectRowsMatchMdbReader(const std::string& path, const std::string& password, Database& db);

}  // namespace jet::testing

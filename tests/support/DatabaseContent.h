#pragma once
// Test helper: what a database file holds, read two independent ways (our own reader and
// mdbtools' mdb-export), and what the engine's structural check says of it. Whole runs
// use it to show that maintenance kept every row of a database.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tav::testing {

// Table name -> its rows, one text per row, sorted (storage order is not kept by a
// compaction).
using TableRows = std::map<std::string, std::vector<std::string>>;

// Every user table through our reader. `belowPage`, when given, keeps only the rows stored
// on pages before it. Fails the running test and returns what it has on a read error or
// when it finds no table: a comparison of two empty readings must not pass.
TableRows ReaderRows(const std::filesystem::path& database, const std::string& password = "",
                     std::optional<uint32_t> belowPage = std::nullopt);

// Every user table through mdb-tables and mdb-export (rows only, no header line). Fails
// the running test when either program fails or no table is listed.
TableRows ExportedRows(const std::filesystem::path& database);

// Every table through mdb-reader (tests/oracle/dump.mjs), each row as the JSON array it
// prints, in the order it reads them (the order of the file's pages): two files compacted
// alike give equal readings. Fails the running test when node fails or lists no table.
TableRows MdbReaderRows(const std::filesystem::path& database, const std::string& password = "");

// "" when both hold the same tables with the same rows, else the first difference.
std::string RowsDifference(const TableRows& after, const TableRows& before);

// Every row of each table of `part` is a row of the same table in `whole`, and each table
// has as many rows as in `counted` (the same tables read another way).
void ExpectRowsWithin(const TableRows& part, const TableRows& whole, const TableRows& counted);

// The problems the engine's check finds (an open failure is one problem).
std::vector<std::string> CheckProblems(const std::filesystem::path& database,
                                       const std::string& password = "");

// Runs a shell command; its standard output and exit code (-1 when it did not exit).
struct CommandResult {
  int exitCode = -1;
  std::string out;
};
CommandResult RunShell(const std::string& command);
std::string ShellQuoted(const std::string& text);

// Files in `folder` (not below it) named "db" + digits + ".bak".
std::vector<std::filesystem::path> TemporaryCopies(const std::filesystem::path& folder);

// The whole contents of a file.
std::string FileBytes(const std::filesystem::path& file);

}  // namespace tav::testing

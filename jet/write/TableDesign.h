#pragma once
// What a caller asks the writer to build: tables, their columns and indexes, and the values
// of one row. Plain data; the builders check it when a table is started.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "jet/base/WriteBytes.h"
#include "jet/format/Format.h"

namespace jet {

// One cell. Which alternative fits which column type:
//   null                   std::monostate (any nullable column)
//   Boolean                bool
//   Byte, Integer, Long    int64_t
//   Currency               int64_t, in ten-thousandths
//   Numeric                int64_t, the value times 10^scale
//   Single, Double         double
//   DateTime               double, days since 30 December 1899 (fraction = time of day)
//   Text, Memo             std::string, UTF-8
//   Binary, OLE            Bytes
//   ReplicationId          Bytes, 16 bytes
using CellValue = std::variant<std::monostate, bool, int64_t, double, std::string, Bytes>;

struct ColumnDesign {
  std::string name;
  ColumnType type = ColumnType::kLong;
  uint16_t length = 0;       // Text: characters (1..255); Binary: bytes (1..255); others ignored
  bool required = false;     // NOT NULL
  bool auto_number = false;  // Long only: the table hands out 1, 2, 3...
  uint8_t precision = 18;    // Numeric only
  uint8_t scale = 0;         // Numeric only
};

struct IndexColumnDesign {
  std::string column;
  bool descending = false;
};

struct IndexDesign {
  std::string name;
  std::vector<IndexColumnDesign> columns;  // 1..10
  bool primary_key = false;                // implies unique and required
  bool unique = false;
  bool ignore_nulls = false;  // rows whose key is all null get no entry
  bool required = false;
};

struct TableDesign {
  std::string name;
  std::vector<ColumnDesign> columns;
  std::vector<IndexDesign> indexes;
  bool system = false;        // catalog tables (MSys...)
  uint16_t code_page = 1252;  // Jet 3: the code page its names and text are written in
};

using RowValues = std::vector<CellValue>;

}  // namespace jet

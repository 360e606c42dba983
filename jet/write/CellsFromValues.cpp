#include "jet/write/CellsFromValues.h"

#include <limits>

namespace jet {
namespace {

Status DecimalError(const std::string& text) {
  return Status(ErrorKind::kUnsupported, "the decimal value " + text + " is too large to carry over");
}

Result<CellValue> CellFromValue(const ColumnDef& col, const Value& value) {
  if (col.type == ColumnType::kBoolean) return CellValue(value.integer != 0);
  if (value.null) return CellValue(std::monostate{});
  switch (col.type) {
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kCurrency:
      return CellValue(value.integer);
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      return CellValue(value.real);
    case ColumnType::kText:
    case ColumnType::kMemo:
      return CellValue(value.text);
    case ColumnType::kBinary:
    case ColumnType::kLargeBinary:
    case ColumnType::kOle:
    case ColumnType::kReplicationId:
      return CellValue(Bytes(value.bytes.begin(), value.bytes.end()));
    case ColumnType::kNumeric: {
      JET_ASSIGN_OR_RETURN(const int64_t scaled, ScaledDecimal(value.text, col.scale));
      return CellValue(scaled);
    }
    case ColumnType::kBoolean:
      break;
  }
  return Status(ErrorKind::kUnsupported, "column '" + col.name + "' has a type that cannot be carried over");
}

}  // namespace

Result<int64_t> ScaledDecimal(const std::string& text, uint8_t scale) {
  size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++at;
  const size_t point = text.find('.', at);
  std::string digits = text.substr(at, point == std::string::npos ? std::string::npos : point - at);
  std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
  while (fraction.size() > scale) {
    if (fraction.back() != '0') return DecimalError(text);
    fraction.pop_back();
  }
  fraction.append(scale - fraction.size(), '0');
  digits += fraction;
  if (digits.empty()) return DecimalError(text);
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  uint64_t magnitude = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return DecimalError(text);
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (magnitude > (kLimit - digit) / 10) return DecimalError(text);
    magnitude = magnitude * 10 + digit;
  }
  return negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

Result<RowValues> CellsFromValues(const TableDef& def, const std::vector<Value>& values) {
  if (values.size() != def.columns.size()) return CorruptError("a row does not match its table's columns");
  RowValues cells;
  cells.reserve(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    JET_ASSIGN_OR_RETURN(CellValue cell, CellFromValue(def.columns[i], values[i]));
    cells.push_back(std::move(cell));
  }
  return cells;
}

}  // namespace jet

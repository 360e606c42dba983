#pragma once
// A decoded column value. The representation follows the column type:
//   Boolean, Byte, Integer, Long      -> integer
//   Currency                          -> integer (the stored value, in 1/10000 units)
//   Single, Double, Date/Time         -> real (dates: days since 1899-12-30, time as fraction)
//   Text, Memo                        -> text (UTF-8)
//   Binary, OLE, Replication ID       -> bytes
//   Numeric                           -> text (exact decimal string)

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/format/Format.h"

namespace jet {

struct Value {
  ColumnType type = ColumnType::kText;
  bool null = true;
  int64_t integer = 0;
  double real = 0;
  std::string text;
  std::vector<uint8_t> bytes;
};

// Decodes a fixed-size or inline value (everything except long values, which need pages).
// `code_page` decodes Jet 3 text. Wrong-sized fields decode as null.
Value DecodeFixedOrInline(ColumnType type, std::span<const uint8_t> bytes, bool is_jet4, uint16_t code_page,
                          uint8_t scale);

// Numeric (decimal) fields: a sign byte and a 128-bit magnitude; `scale` digits after the
// point. Returns the exact decimal text.
std::string DecodeNumeric(std::span<const uint8_t> bytes, uint8_t scale);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from the 16 stored bytes.
std::string FormatGuid(std::span<const uint8_t> bytes);

}  // namespace jet

#include "jet/write/RowEncoder.h"

#include <bit>
#include <cstring>

#include "jet/base/TextCodec.h"

namespace jet {
namespace {

Status Invalid(const ColumnPlan& col, const std::string& what) {
  return Status(ErrorKind::kInvalidArgument, "column " + col.design.name + ": " + what);
}

void PutLittle(std::span<uint8_t> out, uint64_t v, size_t size) {
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool FitsSigned(int64_t v, size_t bytes) {
  if (bytes >= 8) return true;
  const int64_t limit = int64_t{1} << (8 * bytes - 1);
  return v >= -limit && v < limit;
}

// Numeric: a sign byte, then the magnitude as a 128-bit integer in four 32-bit words, most
// significant word first, each word little-endian.
void PutNumeric(std::span<uint8_t> out, int64_t v) {
  out[0] = v < 0 ? 0x80 : 0x00;
  const uint64_t magnitude = v < 0 ? uint64_t(0) - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  const uint32_t words[4] = {0, 0, static_cast<uint32_t>(magnitude >> 32), static_cast<uint32_t>(magnitude)};
  for (int w = 0; w < 4; ++w) PutU32(out, 1 + 4 * w, words[w]);
}

}  // namespace

size_t RowEncoder::MaxRowSize() const { return layout_.page_size - layout_.data_row_offsets - 2; }

Bytes RowEncoder::EncodeText(const std::string& utf8) const {
  const std::u16string text = Utf8ToUtf16(utf8);
  return layout_.text_is_unicode ? EncodeJet4Text(text, true) : EncodeJet3Text(text, plan_.code_page);
}

Status RowEncoder::EncodeFixed(const ColumnPlan& col, const CellValue& value, std::span<uint8_t> out) const {
  const ColumnType type = col.design.type;
  if (type == ColumnType::kSingle || type == ColumnType::kDouble || type == ColumnType::kDateTime) {
    const double* d = std::get_if<double>(&value);
    if (!d) return Invalid(col, "expects a floating-point value");
    if (type == ColumnType::kSingle) {
      PutLittle(out, std::bit_cast<uint32_t>(static_cast<float>(*d)), 4);
    } else {
      PutLittle(out, std::bit_cast<uint64_t>(*d), 8);
    }
    return Status::Ok();
  }
  if (type == ColumnType::kLargeBinary) {
    const Bytes* b = std::get_if<Bytes>(&value);
    if (!b || b->size() > out.size())
      return Invalid(col, "expects at most " + std::to_string(out.size()) + " bytes");
    std::memcpy(out.data(), b->data(), b->size());  // a shorter value is padded with zeros
    return Status::Ok();
  }
  if (type == ColumnType::kReplicationId) {
    const Bytes* b = std::get_if<Bytes>(&value);
    if (!b || b->size() != 16) return Invalid(col, "expects 16 bytes");
    std::memcpy(out.data(), b->data(), 16);
    return Status::Ok();
  }
  const int64_t* i = std::get_if<int64_t>(&value);
  if (!i) return Invalid(col, "expects an integer value");
  if (type == ColumnType::kNumeric) {
    PutNumeric(out, *i);
    return Status::Ok();
  }
  if (type == ColumnType::kByte ? (*i < 0 || *i > 255) : !FitsSigned(*i, col.fixed_size)) {
    return Invalid(col, "value out of range");
  }
  PutLittle(out, static_cast<uint64_t>(*i), col.fixed_size);
  return Status::Ok();
}

Result<Bytes> RowEncoder::EncodeVariable(const ColumnPlan& col, const CellValue& value,
                                         LongValueSink& sink) const {
  const ColumnType type = col.design.type;
  Bytes stored;
  if (type == ColumnType::kText || type == ColumnType::kMemo) {
    const std::string* s = std::get_if<std::string>(&value);
    if (!s) return Invalid(col, "expects text");
    if (type == ColumnType::kText && Utf8ToUtf16(*s).size() > col.design.length) {
      return Invalid(col, "text longer than " + std::to_string(col.design.length) + " characters");
    }
    stored = EncodeText(*s);
  } else {
    const Bytes* b = std::get_if<Bytes>(&value);
    if (!b) return Invalid(col, "expects bytes");
    if (type == ColumnType::kBinary && b->size() > col.design.length)
      return Invalid(col, "binary value too long");
    stored = *b;
  }
  if (type == ColumnType::kMemo || type == ColumnType::kOle) return sink.Store(stored);
  return stored;
}

Result<Bytes> RowEncoder::Encode(const RowValues& values, LongValueSink& long_values) const {
  if (values.size() != plan_.columns.size()) {
    return Status(ErrorKind::kInvalidArgument, "row has " + std::to_string(values.size()) +
                                                   " values, table has " +
                                                   std::to_string(plan_.columns.size()) + " columns");
  }
  const size_t count_size = layout_.row_column_count_size;
  Bytes row(count_size + plan_.fixed_area, 0);
  if (count_size == 1) {
    row[0] = static_cast<uint8_t>(plan_.columns.size());
  } else {
    PutU16(row, 0, static_cast<uint16_t>(plan_.columns.size()));
  }
  Bytes null_mask((plan_.columns.size() + 7) / 8, 0);
  std::vector<uint16_t> offsets(plan_.var_count, 0);
  std::vector<Bytes> var_values(plan_.var_count);
  for (const ColumnPlan& col : plan_.columns) {
    const CellValue& value = values[col.number];
    const bool is_null = std::holds_alternative<std::monostate>(value);
    if (is_null && col.design.required) return Invalid(col, "is required");
    if (col.design.type == ColumnType::kBoolean) {
      const bool* b = std::get_if<bool>(&value);
      if (!b && !is_null) return Invalid(col, "expects a boolean");
      if (b && *b) null_mask[col.number / 8] |= static_cast<uint8_t>(1u << (col.number % 8));
      continue;
    }
    if (is_null) continue;
    null_mask[col.number / 8] |= static_cast<uint8_t>(1u << (col.number % 8));
    if (col.fixed) {
      JET_RETURN_IF_ERROR(EncodeFixed(col, value, std::span(row).subspan(count_size + col.fixed_offset)));
    } else {
      JET_ASSIGN_OR_RETURN(var_values[col.var_index], EncodeVariable(col, value, long_values));
    }
  }
  for (uint16_t v = 0; v < plan_.var_count; ++v) {
    offsets[v] = static_cast<uint16_t>(row.size());
    AppendBytes(row, var_values[v]);
  }
  offsets.push_back(static_cast<uint16_t>(row.size()));  // end of the variable data
  if (layout_.row_var_entry_size == 1) {
    AppendJet3Tail(row, offsets, null_mask);
  } else {
    AppendTail(row, offsets, null_mask);
  }
  if (row.size() > MaxRowSize()) return Status(ErrorKind::kInvalidArgument, "row too long for a data page");
  return row;
}

// Jet 4: end offset, the value offsets last column first, the count, the null mask.
void RowEncoder::AppendTail(Bytes& row, const std::vector<uint16_t>& offsets, const Bytes& null_mask) const {
  for (size_t i = offsets.size(); i-- > 0;) AppendU16(row, offsets[i]);
  AppendU16(row, plan_.var_count);
  AppendBytes(row, null_mask);
}

// Jet 3 offsets are one byte; a jump table says at which value each further 256 bytes begin.
// A row of length L carries (L - 1) / 256 jump entries. When only the tail (offsets, jump
// table, null mask) crosses the last boundary, that entry would point at no value, and
// readers disagree about such an entry. The variable data is then moved up to end on the
// boundary, leaving unused bytes after the fixed columns, so every entry points at a value.
void RowEncoder::AppendJet3Tail(Bytes& row, std::vector<uint16_t> offsets, const Bytes& null_mask) const {
  const size_t fixed_tail = offsets.size() + 1 + null_mask.size();
  size_t jumps = 0;
  for (int round = 0; round < 8; ++round) {
    const size_t wanted = (row.size() + fixed_tail + jumps - 1) / 256;
    if (wanted != jumps) {
      jumps = wanted;
    } else if (row.size() / 256 < jumps && fixed_tail + jumps < 256) {
      const size_t gap = jumps * 256 - row.size();
      row.insert(row.begin() + static_cast<std::ptrdiff_t>(offsets.front()), gap, 0);
      for (uint16_t& offset : offsets) offset = static_cast<uint16_t>(offset + gap);
    } else {
      break;
    }
  }
  for (size_t i = offsets.size(); i-- > 0;) row.push_back(static_cast<uint8_t>(offsets[i] & 0xFF));
  std::vector<uint8_t> table(jumps, 0);
  for (size_t j = 0; j < jumps; ++j) {
    size_t first = offsets.size() - 1;
    for (size_t i = 0; i < offsets.size(); ++i) {
      if (offsets[i] >= 256 * (j + 1)) {
        first = i;
        break;
      }
    }
    table[j] = static_cast<uint8_t>(first);
  }
  for (size_t j = jumps; j-- > 0;) row.push_back(table[j]);
  row.push_back(static_cast<uint8_t>(plan_.var_count));
  AppendBytes(row, null_mask);
}

}  // namespace jet

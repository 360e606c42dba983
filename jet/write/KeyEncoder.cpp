#include "jet/write/KeyEncoder.h"

#include <algorithm>
#include <bit>

#include "jet/base/TextCodec.h"

namespace jet {
namespace {

constexpr uint8_t kAscendingValue = 0x7F;
constexpr uint8_t kAscendingNull = 0x00;

void AppendBigEndian(Bytes& key, uint64_t v, size_t size) {
  for (size_t i = size; i-- > 0;) key.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Two's complement integers sort as unsigned once the sign bit is flipped.
void AppendSigned(Bytes& key, int64_t v, size_t size) {
  const uint64_t flipped = static_cast<uint64_t>(v) ^ (uint64_t{1} << (8 * size - 1));
  AppendBigEndian(key, flipped, size);
}

// IEEE values: positive ones get the sign bit set, negative ones are inverted whole.
void AppendFloat(Bytes& key, uint64_t bits, size_t size) {
  const uint64_t sign = uint64_t{1} << (8 * size - 1);
  const uint64_t mask = size == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * size)) - 1;
  AppendBigEndian(key, (bits & sign) ? (~bits & mask) : (bits | sign), size);
}

// Binary values go in 8-byte pieces, zero-padded, each followed by 9 when more pieces follow
// or by the number of bytes it holds.
void AppendBinary(Bytes& key, const Bytes& value) {
  constexpr size_t kPiece = 8;
  size_t at = 0;
  do {
    const size_t size = std::min(kPiece, value.size() - at);
    key.insert(key.end(), value.begin() + static_cast<ptrdiff_t>(at),
               value.begin() + static_cast<ptrdiff_t>(at + size));
    key.insert(key.end(), kPiece - size, 0);
    at += size;
    key.push_back(at < value.size() ? static_cast<uint8_t>(kPiece + 1) : static_cast<uint8_t>(size));
  } while (at < value.size());
}

}  // namespace

bool KeyEncoder::AllNull(const RowValues& values) const {
  for (const KeyColumn& k : columns_) {
    if (!std::holds_alternative<std::monostate>(values[k.column->number])) return false;
  }
  return true;
}

Status KeyEncoder::AppendValue(Bytes& key, const ColumnPlan& column, const CellValue& value) const {
  switch (column.design.type) {
    case ColumnType::kBoolean:
      key.push_back(std::get<bool>(value) ? 0x00 : 0xFF);
      return Status::Ok();
    case ColumnType::kByte:
      key.push_back(static_cast<uint8_t>(std::get<int64_t>(value)));
      return Status::Ok();
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kCurrency:
      AppendSigned(key, std::get<int64_t>(value), column.fixed_size);
      return Status::Ok();
    case ColumnType::kSingle:
      AppendFloat(key, std::bit_cast<uint32_t>(static_cast<float>(std::get<double>(value))), 4);
      return Status::Ok();
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      AppendFloat(key, std::bit_cast<uint64_t>(std::get<double>(value)), 8);
      return Status::Ok();
    case ColumnType::kText: {
      const std::u16string characters = Utf8ToUtf16(std::get<std::string>(value));
      bool exact = true;
      bool weights_known = true;
      const Bytes text = GeneralTextKey(characters, layout_.version, &exact, &weights_known);
      if (exact_only_ && layout_.version == JetVersion::kJet3 && code_page_ != 1252 &&
          !std::ranges::all_of(characters, [](char16_t c) { return c < 0x80; })) {
        exact = weights_known = false;
      }
      if (exact_only_ && !exact && !(guessed_accents_ && weights_known)) {
        return Status(ErrorKind::kUnsupported,
                      "column " + column.design.name + " holds a character whose sort weight is not known");
      }
      AppendBytes(key, text);
      return Status::Ok();
    }
    case ColumnType::kBinary:
      AppendBinary(key, std::get<Bytes>(value));
      return Status::Ok();
    case ColumnType::kReplicationId: {
      // The GUID in its written-out order: the first three fields big-endian.
      Bytes guid = std::get<Bytes>(value);
      if (guid.size() == 16) {
        std::reverse(guid.begin(), guid.begin() + 4);
        std::reverse(guid.begin() + 4, guid.begin() + 6);
        std::reverse(guid.begin() + 6, guid.begin() + 8);
      }
      AppendBinary(key, guid);
      return Status::Ok();
    }
    case ColumnType::kNumeric: {
      const int64_t v = std::get<int64_t>(value);
      key.push_back(v < 0 ? 0x00 : 0x80);
      AppendSigned(key, v, 8);
      return Status::Ok();
    }
    default:
      return Status(ErrorKind::kUnsupported, "column " + column.design.name + " cannot be indexed");
  }
}

Result<Bytes> KeyEncoder::Encode(const RowValues& values) const {
  Bytes key;
  for (const KeyColumn& k : columns_) {
    const CellValue& value = values[k.column->number];
    if (std::holds_alternative<std::monostate>(value)) {
      key.push_back(k.descending ? static_cast<uint8_t>(~kAscendingNull) : kAscendingNull);
      continue;
    }
    key.push_back(k.descending ? static_cast<uint8_t>(~kAscendingValue) : kAscendingValue);
    const size_t start = key.size();
    JET_RETURN_IF_ERROR(AppendValue(key, *k.column, value));
    if (k.descending) {
      for (size_t i = start; i < key.size(); ++i) key[i] = static_cast<uint8_t>(~key[i]);
      // The "more pieces follow" marks of binary values stay as they are.
      const ColumnType type = k.column->design.type;
      if (type == ColumnType::kBinary || type == ColumnType::kReplicationId) {
        for (size_t mark = start + 8; mark + 1 < key.size(); mark += 9) key[mark] = 9;
      }
    }
  }
  return key;
}

}  // namespace jet

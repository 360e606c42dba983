#pragma once
// The dynamic value that the registry object reads and writes: empty, a 16-bit or 32-bit signed
// integer, text (UTF-8) or a byte sequence.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tav {

class DynamicValue {
 public:
  enum class Kind { Empty, Int16, Int32, Text, Bytes };

  DynamicValue() = default;
  DynamicValue(int16_t value) : value_(value) {}                   // NOLINT: converts like the runtime
  DynamicValue(int32_t value) : value_(value) {}                   // NOLINT
  DynamicValue(std::string value) : value_(std::move(value)) {}    // NOLINT
  DynamicValue(const char* value) : value_(std::string(value)) {}  // NOLINT
  static DynamicValue FromBytes(std::vector<uint8_t> bytes);

  Kind GetKind() const { return static_cast<Kind>(value_.index()); }
  bool IsEmpty() const { return GetKind() == Kind::Empty; }
  bool IsInteger() const { return GetKind() == Kind::Int16 || GetKind() == Kind::Int32; }
  bool IsText() const { return GetKind() == Kind::Text; }
  bool IsBytes() const { return GetKind() == Kind::Bytes; }

  // The integer of an Int16 or Int32 value, as 32 bits; 0 for other kinds.
  int32_t ToInt32() const;
  // The value as text: empty for Empty, decimal digits for integers, the bytes taken as
  // characters for a byte sequence.
  std::string ToText() const;
  // The bytes of a byte sequence; empty for other kinds.
  const std::vector<uint8_t>& Bytes() const;

  bool operator==(const DynamicValue& other) const = default;

 private:
  std::variant<std::monostate, int16_t, int32_t, std::string, std::vector<uint8_t>> value_;
};

}  // namespace tav

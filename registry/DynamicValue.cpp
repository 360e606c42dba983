#include "registry/DynamicValue.h"

namespace tav {

DynamicValue DynamicValue::FromBytes(std::vector<uint8_t> bytes) {
  DynamicValue value;
  value.value_ = std::move(bytes);
  return value;
}

int32_t DynamicValue::ToInt32() const {
  if (auto* small = std::get_if<int16_t>(&value_)) return *small;
  if (auto* large = std::get_if<int32_t>(&value_)) return *large;
  return 0;
}

std::string DynamicValue::ToText() const {
  switch (GetKind()) {
    case Kind::Empty:
      return {};
    case Kind::Int16:
    case Kind::Int32:
      return std::to_string(ToInt32());
    case Kind::Text:
      return std::get<std::string>(value_);
    case Kind::Bytes: {
      const auto& bytes = std::get<std::vector<uint8_t>>(value_);
      return std::string(bytes.begin(), bytes.end());
    }
  }
  return {};
}

const std::vector<uint8_t>& DynamicValue::Bytes() const {
  static const std::vector<uint8_t> kNone;
  auto* bytes = std::get_if<std::vector<uint8_t>>(&value_);
  return bytes ? *bytes : kNone;
}

}  // namespace tav

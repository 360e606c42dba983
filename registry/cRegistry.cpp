#include "registry/cRegistry.h"

#include <algorithm>
#include <cstring>

#include "platform/host/ProgramFile.h"
#include "registry/RegistryKeyCloser.h"

namespace tav {

namespace {

constexpr int32_t kStatusTypeNotWritable = 13;

// The stored type of a string: REG_EXPAND_SZ when a "%" is followed, from two characters after
// it on, by another "%"; REG_SZ otherwise.
uint32_t StringTypeFor(const std::string& text) {
  const size_t first = text.find('%');
  if (first == std::string::npos) return kRegSz;
  return text.find('%', first + 2) != std::string::npos ? kRegExpandSz : kRegSz;
}

int32_t Int32FromBytes(const std::vector<uint8_t>& data) {
  // A value shorter than four bytes is taken as if padded with zero bytes.
  uint8_t bytes[4] = {0, 0, 0, 0};
  std::memcpy(bytes, data.data(), std::min<size_t>(data.size(), 4));
  int32_t value = 0;
  std::memcpy(&value, bytes, 4);
  return value;
}

// Characters, not bytes, of UTF-8 text.
size_t CharacterCount(const std::string& text) {
  size_t count = 0;
  for (unsigned char c : text) count += (c & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

std::string ExecutableStem() { return ProgramFile().stem().string(); }

}  // namespace

cRegistry::cRegistry() : cRegistry(DefaultRegistryApi()) {}

cRegistry::cRegistry(std::shared_ptr<RegistryApi> api) : api_(std::move(api)) {}

std::string cRegistry::ErrorSource() {
  static const std::string source = ExecutableStem() + ".cRegistry";
  return source;
}

void cRegistry::Raise(int32_t number, const std::string& description) const {
  throw VbError(number, ErrorSource(), description);
}

void cRegistry::SetMachine(std::string sMachine) {
  if (CharacterCount(sMachine) < 3) {
    machine_.clear();
  } else if (sMachine.rfind("\\\\", 0) == 0) {
    machine_ = std::move(sMachine);
  } else {
    machine_ = "\\\\" + sMachine;
  }
}

DynamicValue cRegistry::Value() {
  RegHandle root = RootHandle(classKey_);
  RegistryKeyCloser remote(*api_);
  if (!machine_.empty()) {
    RegHandle remoteRoot = 0;
    if (api_->ConnectRegistry(machine_, root, remoteRoot) != kRegOk) return default_;
    remote.Hold(remoteRoot);
    root = remoteRoot;
  }
  RegHandle key = 0;
  if (api_->OpenKey(root, sectionKey_, kKeyQueryValue, key) != kRegOk) return default_;
  RegistryKeyCloser closer(*api_);
  closer.Hold(key);

  uint32_t type = 0;
  uint8_t probe[4] = {};
  uint32_t size = 0;
  const int32_t status = api_->QueryValue(key, valueKey_, type, probe, size);
  if (status != kRegOk && status != kRegMoreData) return default_;
  valueType_ = static_cast<int32_t>(type);

  std::vector<uint8_t> data(size);
  uint32_t read = size;
  uint32_t readType = type;
  // The value may have changed since the probe; then it counts as unreadable.
  if (size > 0 && (api_->QueryValue(key, valueKey_, readType, data.data(), read) != kRegOk || read != size)) {
    return default_;
  }
  switch (type) {
    case kRegSz:
    case kRegMultiSz:
      return std::string(data.begin(), data.end() - (size > 0 ? 1 : 0));
    case kRegExpandSz:
      return ExpandEnvironmentText(std::string(data.begin(), data.end() - (size > 0 ? 1 : 0)));
    case kRegDword:
      return Int32FromBytes(data);
    case kRegDwordBigEndian:
      return ReverseByteOrder(Int32FromBytes(data));
    default:
      return DynamicValue::FromBytes(std::move(data));
  }
}

int32_t cRegistry::StoreValue(RegHandle key, const DynamicValue& value) {
  switch (valueType_) {
    case kRegSz:
    case kRegExpandSz: {
      const std::string text = value.ToText();
      return api_->SetValue(key, valueKey_, StringTypeFor(text),
                            reinterpret_cast<const uint8_t*>(text.c_str()),
                            static_cast<uint32_t>(text.size() + 1));
    }
    case kRegBinary: {
      if (!value.IsBytes()) throw VbError(kRegistryWriteError, "", "");
      const auto& bytes = value.Bytes();
      return api_->SetValue(key, valueKey_, kRegBinary, bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    case kRegDword:
    case kRegDwordBigEndian: {
      if (!value.IsInteger()) return kRegOk;  // nothing to store, and no failure
      const int32_t number = value.ToInt32();
      uint8_t bytes[4];
      std::memcpy(bytes, &number, 4);
      return api_->SetValue(key, valueKey_, kRegDword, bytes, 4);
    }
    default:
      return kStatusTypeNotWritable;
  }
}

void cRegistry::SetValue(const DynamicValue& vValue) {
  const DynamicValue value = vValue;
  RegHandle root = RootHandle(classKey_);
  RegistryKeyCloser remote(*api_);
  if (!machine_.empty()) {
    RegHandle remoteRoot = 0;
    if (api_->ConnectRegistry(machine_, root, remoteRoot) != kRegOk) return;
    remote.Hold(remoteRoot);
    root = remoteRoot;
  }
  RegHandle key = 0;
  if (api_->CreateKey(root, sectionKey_, kKeySpecificRights, key) != kRegOk) {
    Raise(kRegistryWriteError, WriteFailureMessage(value));
  }
  RegistryKeyCloser closer(*api_);
  closer.Hold(key);
  if (StoreValue(key, value) != kRegOk) Raise(kRegistryStoreRefused, WriteFailureMessage(value));
}

std::string cRegistry::WriteFailureMessage(const DynamicValue& value) const {
  return "Failed to set registry value Key: '" + std::to_string(classKey_) + "',Section: '" + sectionKey_ +
         "',Key: '" + valueKey_ + "' to value: '" + value.ToText() + "'";
}

DynamicValue cRegistry::ValueEx(int32_t eClassKey, std::string sSectionKey, std::string sValueKey,
                                int32_t eValueType, DynamicValue vDefault) {
  SetClassKey(eClassKey);
  SetSectionKey(std::move(sSectionKey));
  SetValueKey(std::move(sValueKey));
  SetValueType(eValueType);
  SetDefault(std::move(vDefault));
  return Value();
}

void cRegistry::SetValueEx(int32_t eClassKey, std::string sSectionKey, std::string sValueKey,
                           int32_t eValueType, DynamicValue vDefault, const DynamicValue& vNewValue) {
  SetClassKey(eClassKey);
  SetSectionKey(std::move(sSectionKey));
  SetValueKey(std::move(sValueKey));
  SetValueType(eValueType);
  SetDefault(std::move(vDefault));
  if (valueType_ == static_cast<int32_t>(kRegSz) && vNewValue.ToText().empty()) {
    SetValue(default_);
  } else {
    SetValue(vNewValue);
  }
}

int32_t cRegistry::ReverseByteOrder(int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  const uint32_t reversed = (bits >> 24) | ((bits >> 8) & 0xFF00u) | ((bits << 8) & 0xFF0000u) | (bits << 24);
  return static_cast<int32_t>(reversed);
}

std::string cRegistry::ExpandEnvironmentText(const std::string& text) {
  const uint32_t needed = api_->ExpandEnvironment(text, nullptr, 0);
  if (needed == 0) return text;  // the expansion failed: keep the text as stored
  std::string buffer(needed - 1, '\0');
  api_->ExpandEnvironment(text, buffer.data(), needed);
  return std::string(buffer.c_str());
}

}  // namespace tav

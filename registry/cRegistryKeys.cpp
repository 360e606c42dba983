// Key operations and enumerations of the registry object. They always act on the local
// registry, whatever Machine says.

#include <exception>

#include "registry/RegistryKeyCloser.h"
#include "registry/cRegistry.h"

namespace tav {

namespace {

constexpr uint32_t kSubKeyNameBuffer = 255;

}  // namespace

bool cRegistry::KeyExists() {
  RegHandle key = 0;
  if (api_->OpenKey(RootHandle(classKey_), sectionKey_, kKeyQueryValue, key) != kRegOk) return false;
  api_->CloseKey(key);
  return true;
}

bool cRegistry::CreateKey() {
  RegHandle key = 0;
  if (api_->CreateKey(RootHandle(classKey_), sectionKey_, kKeySpecificRights, key) != kRegOk) {
    Raise(kRegistryWriteError, "Failed to create registry Key: '" + sectionKey_);
  }
  api_->CloseKey(key);
  return true;
}

bool cRegistry::DeleteKey() {
  if (api_->DeleteKey(RootHandle(classKey_), sectionKey_) != kRegOk) {
    Raise(kRegistryWriteError,
          "Failed to delete registry Key: '" + std::to_string(classKey_) + "',Section: '" + sectionKey_);
  }
  return true;
}

bool cRegistry::DeleteValue() {
  RegHandle key = 0;
  if (api_->OpenKey(RootHandle(classKey_), sectionKey_, kKeySpecificRights, key) != kRegOk) {
    Raise(kRegistryWriteError, "Failed to open key '" + std::to_string(classKey_) + "',Section: '" +
                                   sectionKey_ + "' for delete access");
  }
  RegistryKeyCloser closer(*api_);
  closer.Hold(key);
  if (api_->DeleteValue(key, valueKey_) != kRegOk) {
    Raise(kRegistryWriteError, "Failed to delete registry Key: '" + std::to_string(classKey_) +
                                   "',Section: '" + sectionKey_ + "',Key: '" + valueKey_);
  }
  return true;
}

bool cRegistry::EnumerateValues(std::vector<std::string>& sKeyNames, int32_t& iKeyCount) {
  iKeyCount = 0;
  sKeyNames.clear();
  RegHandle key = 0;
  if (api_->OpenKey(RootHandle(classKey_), sectionKey_, kKeyQueryValue, key) != kRegOk) return true;
  RegistryKeyCloser closer(*api_);
  closer.Hold(key);
  uint32_t longest = 0;
  if (api_->QueryInfoKey(key, longest) != kRegOk) return true;
  for (uint32_t index = 0;; ++index) {
    std::string name(longest + 1, '\0');
    uint32_t length = longest + 1;
    if (api_->EnumValue(key, index, name.data(), length) != kRegOk) break;
    ++iKeyCount;
    sKeyNames.push_back(name.substr(0, length));
  }
  return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>& sSect, int32_t& iSectCount) {
  RegistryKeyCloser closer(*api_);
  try {
    iSectCount = 0;
    sSect.clear();
    RegHandle key = 0;
    if (api_->OpenKey(RootHandle(classKey_), sectionKey_, kKeyEnumerateSubKeys, key) != kRegOk) return true;
    closer.Hold(key);
    for (uint32_t index = 0;; ++index) {
      std::string buffer(kSubKeyNameBuffer, '\0');
      if (api_->EnumKey(key, index, buffer.data(), kSubKeyNameBuffer) != kRegOk) break;
      ++iSectCount;
      sSect.push_back(buffer.substr(0, buffer.find('\0')));
    }
    return true;
  } catch (const VbError& failure) {
    Raise(kRegistryEnumerationFailed, failure.Description());
  } catch (const std::exception& failure) {
    Raise(kRegistryEnumerationFailed, failure.what());
  }
}

}  // namespace tav

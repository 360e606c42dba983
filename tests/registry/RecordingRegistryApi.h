#pragma once
// A back end that passes every call on to another one and records each value write with the
// root and path it went to, so that a test can tell HKEY_CLASSES_ROOT from HKEY_LOCAL_MACHINE
// "SOFTWARE\Classes" even where the back end shows both as one key.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/RegistryApi.h"

namespace tav::testing {

struct RecordedWrite {
  int32_t root = 0;
  std::string path;
  std::string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

class RecordingRegistryApi : public RegistryApi {
 public:
  explicit RecordingRegistryApi(std::shared_ptr<RegistryApi> inner) : inner_(std::move(inner)) {}

  const std::vector<RecordedWrite>& Writes() const { return writes_; }

  int32_t OpenKey(RegHandle parent, const std::string& subKey, uint32_t rights, RegHandle& key) override {
    const int32_t status = inner_->OpenKey(parent, subKey, rights, key);
    if (status == kRegOk) Remember(parent, subKey, key);
    return status;
  }
  int32_t CreateKey(RegHandle parent, const std::string& subKey, uint32_t rights, RegHandle& key) override {
    const int32_t status = inner_->CreateKey(parent, subKey, rights, key);
    if (status == kRegOk) Remember(parent, subKey, key);
    return status;
  }
  int32_t QueryValue(RegHandle key, const std::string& name, uint32_t& type, uint8_t* data,
                     uint32_t& size) override {
    return inner_->QueryValue(key, name, type, data, size);
  }
  int32_t SetValue(RegHandle key, const std::string& name, uint32_t type, const uint8_t* data,
                   uint32_t size) override {
    const int32_t status = inner_->SetValue(key, name, type, data, size);
    if (status == kRegOk) {
      const Place& place = places_[key];
      writes_.push_back({place.root, place.path, name, type, std::vector<uint8_t>(data, data + size)});
    }
    return status;
  }
  int32_t EnumValue(RegHandle key, uint32_t index, char* name, uint32_t& nameLength) override {
    return inner_->EnumValue(key, index, name, nameLength);
  }
  int32_t EnumKey(RegHandle key, uint32_t index, char* name, uint32_t bufferLength) override {
    return inner_->EnumKey(key, index, name, bufferLength);
  }
  int32_t QueryInfoKey(RegHandle key, uint32_t& maxValueNameLength) override {
    return inner_->QueryInfoKey(key, maxValueNameLength);
  }
  int32_t DeleteKey(RegHandle parent, const std::string& subKey) override {
    return inner_->DeleteKey(parent, subKey);
  }
  int32_t DeleteValue(RegHandle key, const std::string& name) override {
    return inner_->DeleteValue(key, name);
  }
  int32_t CloseKey(RegHandle key) override {
    places_.erase(key);
    return inner_->CloseKey(key);
  }
  int32_t ConnectRegistry(const std::string& machine, RegHandle root, RegHandle& remoteRoot) override {
    return inner_->ConnectRegistry(machine, root, remoteRoot);
  }
  uint32_t ExpandEnvironment(const std::string& source, char* buffer, uint32_t size) override {
    return inner_->ExpandEnvironment(source, buffer, size);
  }

 private:
  struct Place {
    int32_t root = 0;
    std::string path;
  };

  void Remember(RegHandle parent, const std::string& subKey, RegHandle key) {
    Place place;
    if (auto above = places_.find(parent); above != places_.end()) {
      place = above->second;
      if (!subKey.empty()) place.path += (place.path.empty() ? "" : "\\") + subKey;
    } else {
      place = {static_cast<int32_t>(parent), subKey};
    }
    places_[key] = place;
  }

  std::shared_ptr<RegistryApi> inner_;
  std::map<RegHandle, Place> places_;
  std::vector<RecordedWrite> writes_;
};

}  // namespace tav::testing

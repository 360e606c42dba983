#pragma once
// Closes a registry key when it goes out of scope, so that no handle outlives an operation,
// also when the operation throws.

#include <memory>

#include "platform/registry/RegistryApi.h"

namespace tav {

class RegistryKeyCloser {
 public:
  explicit RegistryKeyCloser(RegistryApi& api) : api_(api) {}
  RegistryKeyCloser(const RegistryKeyCloser&) = delete;
  RegistryKeyCloser& operator=(const RegistryKeyCloser&) = delete;
  ~RegistryKeyCloser() {
    if (held_) api_.CloseKey(key_);
  }

  void Hold(RegHandle key) {
    key_ = key;
    held_ = true;
  }

 private:
  RegistryApi& api_;
  RegHandle key_ = 0;
  bool held_ = false;
};

}  // namespace tav

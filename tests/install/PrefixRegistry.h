#pragma once
// Test helper: makes the program's registry the files of a given Wine prefix while the
// object lives, then returns to the program's own choice.

#include <filesystem>
#include <memory>

#include "platform/registry/RegistryApi.h"
#include "platform/registry/posix/RegistryWineFile.h"

namespace tav::testing {

class PrefixRegistry {
 public:
  explicit PrefixRegistry(const std::filesystem::path& prefix) {
    SetDefaultRegistryApi(std::make_shared<WineRegistryApi>(prefix));
  }
  PrefixRegistry(const PrefixRegistry&) = delete;
  PrefixRegistry& operator=(const PrefixRegistry&) = delete;
  ~PrefixRegistry() { SetDefaultRegistryApi(nullptr); }
};

}  // namespace tav::testing

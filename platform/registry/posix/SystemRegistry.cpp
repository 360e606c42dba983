#include "platform/registry/RegistryApi.h"
#include "platform/registry/posix/RegistryWineFile.h"

namespace tav {

// Without Windows, the registry is the one of the Wine prefix.
std::shared_ptr<RegistryApi> MakeSystemRegistryApi() {
  return std::make_shared<WineRegistryApi>(WineRegistryApi::PrefixFromEnvironment());
}

}  // namespace tav

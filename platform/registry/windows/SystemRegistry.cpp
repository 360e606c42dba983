#include "platform/registry/RegistryApi.h"
#include "platform/registry/windows/RegistryWindows.h"

namespace tav {

std::shared_ptr<RegistryApi> MakeSystemRegistryApi() { return std::make_shared<WindowsRegistryApi>(); }

}  // namespace tav

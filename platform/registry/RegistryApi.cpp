#include "platform/registry/RegistryApi.h"

#include <mutex>

#ifdef _WIN32
#include "platform/registry/RegistryWindows.h"
#else
#include "platform/registry/RegistryWineFile.h"
#endif

namespace tav {

namespace {

std::mutex& ChoiceLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<RegistryApi>& Chosen() {
  static std::shared_ptr<RegistryApi> chosen;
  return chosen;
}

}  // namespace

std::shared_ptr<RegistryApi> DefaultRegistryApi() {
  std::lock_guard<std::mutex> guard(ChoiceLock());
  if (!Chosen()) {
#ifdef _WIN32
    Chosen() = std::make_shared<WindowsRegistryApi>();
#else
    Chosen() = std::make_shared<WineRegistryApi>(WineRegistryApi::PrefixFromEnvironment());
#endif
  }
  return Chosen();
}

void SetDefaultRegistryApi(std::shared_ptr<RegistryApi> api) {
  std::lock_guard<std::mutex> guard(ChoiceLock());
  Chosen() = std::move(api);
}

}  // namespace tav

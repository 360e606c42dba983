#include "platform/registry/RegistryApi.h"

#include <mutex>

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
  if (!Chosen()) Chosen() = MakeSystemRegistryApi();
  return Chosen();
}

void SetDefaultRegistryApi(std::shared_ptr<RegistryApi> api) {
  std::lock_guard<std::mutex> guard(ChoiceLock());
  Chosen() = std::move(api);
}

}  // namespace tav

#include "install/ReadSetting.h"

#include <memory>

#include "platform/base/VbError.h"
#include "platform/registry/RegistryApi.h"
#include "registry/cRegistry.h"

namespace tav {

namespace {

// Runs one step of the read; a failure is remembered and the next step still runs.
template <typename Step>
void Attempt(bool& failed, Step&& step) {
  try {
    step();
  } catch (const VbError&) {
    failed = true;
  }
}

}  // namespace

std::string ReadSetting(const std::string& app, const std::string& section, const std::string& key) {
  bool failed = false;
  std::string result;
  std::unique_ptr<cRegistry> registry;
  Attempt(failed, [&] { registry = std::make_unique<cRegistry>(); });
  if (!registry) return {};
  Attempt(failed, [&] { registry->SetClassKey(kHkeyCurrentUser); });
  Attempt(failed, [&] { registry->SetSectionKey("Software\\" + app + "\\" + section); });
  Attempt(failed, [&] { registry->SetValueKey(key); });
  Attempt(failed, [&] { registry->SetValueType(static_cast<int32_t>(kRegSz)); });
  Attempt(failed, [&] { result = registry->Value().ToText(); });
  return failed ? std::string() : result;
}

}  // namespace tav

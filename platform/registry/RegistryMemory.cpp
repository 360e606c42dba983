#include "platform/registry/RegistryMemory.h"

#include <algorithm>
#include <cctype>

namespace tav {

namespace {

std::string UpperName(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name;
}

}  // namespace

MemoryRegistryApi::MemoryRegistryApi() = default;

void MemoryRegistryApi::SetVariable(const std::string& name, const std::string& value) {
  variables_[UpperName(name)] = value;
}

int32_t MemoryRegistryApi::LoadHive(RegistryHive hive, RegistryNode*& root) {
  root = hive == RegistryHive::User ? &user_ : &machine_;
  return kRegOk;
}

int32_t MemoryRegistryApi::BeginChange(RegistryHive) { return refusal_; }

int32_t MemoryRegistryApi::CommitChange(RegistryHive) { return kRegOk; }

std::optional<std::string> MemoryRegistryApi::Variable(const std::string& name) {
  auto found = variables_.find(UpperName(name));
  if (found == variables_.end()) return std::nullopt;
  return found->second;
}

}  // namespace tav

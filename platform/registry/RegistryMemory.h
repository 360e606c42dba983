#pragma once
// A registry held in memory, for tests: two empty hives (current user, local machine) and its
// own environment variables. Nothing reaches the system.

#include <map>
#include <string>

#include "platform/registry/RegistryTreeApi.h"

namespace tav {

class MemoryRegistryApi : public TreeRegistryApi {
 public:
  MemoryRegistryApi();

  // Sets a variable for %NAME% expansion (names compare without regard to case).
  void SetVariable(const std::string& name, const std::string& value);

  // When set, every change is refused with this status (0 allows changes again).
  void RefuseChanges(int32_t status) { refusal_ = status; }

 protected:
  int32_t LoadHive(RegistryHive hive, RegistryNode*& root) override;
  int32_t BeginChange(RegistryHive hive) override;
  int32_t CommitChange(RegistryHive hive) override;
  std::optional<std::string> Variable(const std::string& name) override;

 private:
  RegistryNode user_{""};
  RegistryNode machine_{""};
  std::map<std::string, std::string> variables_;
  int32_t refusal_ = 0;
};

}  // namespace tav

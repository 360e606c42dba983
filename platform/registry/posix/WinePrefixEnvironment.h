#pragma once
// The environment that a program started in a Wine prefix sees, taken from the prefix alone and
// never from the host's environment:
//   1. the variables Wine defines for every process of the prefix (SystemDrive, SystemRoot,
//      windir, ProgramFiles, CommonProgramFiles, ProgramData, ALLUSERSPROFILE, PUBLIC,
//      COMPUTERNAME, USERPROFILE, USERNAME, HOMEDRIVE, HOMEPATH, APPDATA, LOCALAPPDATA), from the
//      folders the prefix's registry names;
//   2. the machine's "Session Manager\Environment";
//   3. the user's "Volatile Environment" and "Environment".
// Later ones replace earlier ones, except that the user's PATH is appended to the machine's.
// REG_EXPAND_SZ values are expanded against what came before them.

#include <map>
#include <optional>
#include <string>

#include "platform/registry/RegistryApi.h"
#include "platform/registry/RegistryNameOrder.h"

namespace tav {

class WinePrefixEnvironment {
 public:
  // Reads the variables through `api`, whose roots are the prefix's hives.
  explicit WinePrefixEnvironment(RegistryApi& api);

  // A variable's value; names compare without regard to case.
  std::optional<std::string> Find(const std::string& name) const;
  const std::map<std::string, std::string, KeyNameLess>& Variables() const { return variables_; }

 private:
  void DefineWineVariables(RegistryApi& api);
  void TakeKey(RegistryApi& api, int32_t root, const std::string& path);
  void Set(const std::string& name, const std::string& value);

  std::map<std::string, std::string, KeyNameLess> variables_;
};

}  // namespace tav

#pragma once
// The registry of a Wine prefix, read from and written to its files: "user.reg" holds
// HKEY_CURRENT_USER, "system.reg" HKEY_LOCAL_MACHINE. A prefix or file that does not exist reads
// as an empty registry.
//
// Changes are written at once: the whole file is written to a temporary file beside it, synced
// and renamed over the old one. A change is refused (kRegSharingViolation) while a wine server
// runs for the prefix, since the server would write its own copy over ours; a file that is not a
// well-formed registry file fails every call on its hive (kRegBadDb) and is never rewritten.
// %NAME% references expand against the prefix's own environment (WinePrefixEnvironment.h).

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/registry/RegistryTreeApi.h"
#include "platform/registry/posix/RegistryWineFormat.h"

namespace tav {

class WineRegistryApi : public TreeRegistryApi {
 public:
  explicit WineRegistryApi(std::filesystem::path prefix);

  // $WINEPREFIX, else ~/.wine.
  static std::filesystem::path PrefixFromEnvironment();

  const std::filesystem::path& Prefix() const { return prefix_; }

  // True while a wine server serves this prefix.
  bool ServerRunning() const;

 protected:
  int32_t LoadHive(RegistryHive hive, RegistryNode*& root) override;
  int32_t BeginChange(RegistryHive hive) override;
  int32_t CommitChange(RegistryHive hive) override;
  std::optional<std::string> Variable(const std::string& name) override;

 private:
  struct HiveFile {
    std::filesystem::path path;
    std::string relativeTo;
    WineHive content;
    bool loaded = false;
    int32_t failure = 0;
    std::string stamp;  // what the file looked like when read
  };

  HiveFile& File(RegistryHive hive) { return files_[hive == RegistryHive::User ? 0 : 1]; }

  std::filesystem::path prefix_;
  std::array<HiveFile, 2> files_;
};

}  // namespace tav

#pragma once
// The registry calls carried out on key trees (RegistryTree.h), one tree for the current user
// and one for the machine. HKEY_CLASSES_ROOT is the machine's "Software\Classes", as Wine 8
// presents it. With SetClassesMerged(true) it is instead the merged view that Windows gives: a
// key present below the user's classes is that one, any other lies below the machine's, and
// listing the subkeys of a class key joins the names found in both. Derived classes decide where
// the trees come from and what a change does (kept in memory, written to a file).
//
// Link keys (Wine's "#link" keys, such as the Wow6432Node views) are followed wherever they lie
// on a path: "\Registry\Machine\..." names a key of the machine's tree, "\Registry\User\<sid>\..."
// one of the user's. A link that names no existing key, or links that go round, make the path
// not found.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/RegistryApi.h"
#include "platform/registry/RegistryTree.h"

namespace tav {

enum class RegistryHive { User, Machine };

class TreeRegistryApi : public RegistryApi {
 public:
  int32_t OpenKey(RegHandle parent, const std::string& subKey, uint32_t rights, RegHandle& key) override;
  int32_t CreateKey(RegHandle parent, const std::string& subKey, uint32_t rights, RegHandle& key) override;
  int32_t QueryValue(RegHandle key, const std::string& name, uint32_t& type, uint8_t* data,
                     uint32_t& size) override;
  int32_t SetValue(RegHandle key, const std::string& name, uint32_t type, const uint8_t* data,
                   uint32_t size) override;
  int32_t EnumValue(RegHandle key, uint32_t index, char* name, uint32_t& nameLength) override;
  int32_t EnumKey(RegHandle key, uint32_t index, char* name, uint32_t bufferLength) override;
  int32_t QueryInfoKey(RegHandle key, uint32_t& maxValueNameLength) override;
  int32_t DeleteKey(RegHandle parent, const std::string& subKey) override;
  int32_t DeleteValue(RegHandle key, const std::string& name) override;
  int32_t CloseKey(RegHandle key) override;
  int32_t ConnectRegistry(const std::string& machine, RegHandle root, RegHandle& remoteRoot) override;
  uint32_t ExpandEnvironment(const std::string& source, char* buffer, uint32_t size) override;

  void SetClassesMerged(bool merged) { classesMerged_ = merged; }

  // Number of handles opened and not yet closed (for leak checks in tests).
  size_t OpenHandleCount() const { return handles_.size(); }

 protected:
  // The tree of a hive, or a failure status (the hive cannot be read).
  virtual int32_t LoadHive(RegistryHive hive, RegistryNode*& root) = 0;
  // Asked before a hive is changed; a non-zero status refuses the change.
  virtual int32_t BeginChange(RegistryHive hive) = 0;
  // Called after a hive was changed in memory; a non-zero status means the change was not kept
  // (the derived class then reloads the hive on its next use).
  virtual int32_t CommitChange(RegistryHive hive) = 0;
  // An environment variable, for the expansion of %NAME% references.
  virtual std::optional<std::string> Variable(const std::string& name) = 0;

 private:
  enum class View { User, Machine, Classes };
  struct OpenedKey {
    View view;
    std::vector<std::string> path;
    uint32_t rights;
  };

  // Where a path leads: the deepest existing key on it (links followed), the hive that key lies
  // in, the key above it (null for a hive's root) and the names below it that do not exist.
  struct Walked {
    RegistryHive hive;
    RegistryNode* node = nullptr;
    RegistryNode* parent = nullptr;
    std::vector<std::string> missing;
  };

  int32_t Walk(RegistryHive hive, std::vector<std::string> path, Walked& walked);
  int32_t WalkView(const OpenedKey& key, Walked& walked);
  int32_t Resolve(RegHandle handle, OpenedKey& key) const;
  int32_t FindKey(const OpenedKey& key, RegistryNode*& node, RegistryHive& hive);
  int32_t Locate(RegHandle parent, const std::string& subKey, OpenedKey& key) const;
  int32_t OpenLiveKey(RegHandle key, uint32_t right, OpenedKey& opened, RegistryNode*& node,
                      RegistryHive& hive);
  RegHandle AddHandle(OpenedKey key);
  int32_t Change(RegistryHive hive, const std::function<int32_t()>& change);

  std::map<RegHandle, OpenedKey> handles_;
  RegHandle nextHandle_ = 0x1000;
  bool classesMerged_ = false;
};

}  // namespace tav

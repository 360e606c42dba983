#include "platform/registry/RegistryTreeApi.h"

#include <algorithm>
#include <cstring>

#include "platform/registry/EnvironmentText.h"
#include "platform/registry/RegistryUnicode.h"

namespace tav {

namespace {

constexpr size_t kMaxKeyNameLength = 255;
constexpr int kMaxLinks = 16;  // links followed on one path before it counts as going round
const std::vector<std::string> kClassesPath = {"Software", "Classes"};

bool IsStringType(uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

// Stored data as the narrow calls hand it out, and back.
std::vector<uint8_t> ToNarrow(uint32_t type, const std::vector<uint8_t>& stored) {
  if (!IsStringType(type)) return stored;
  const std::string text = Utf16LeToUtf8(stored);
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> FromNarrow(uint32_t type, const uint8_t* data, uint32_t size) {
  if (size == 0 || data == nullptr) return {};
  if (!IsStringType(type)) return std::vector<uint8_t>(data, data + size);
  return Utf8ToUtf16Le(std::string(reinterpret_cast<const char*>(data), size));
}

std::vector<std::string> Joined(const std::vector<std::string>& head, const std::vector<std::string>& tail) {
  std::vector<std::string> path = head;
  path.insert(path.end(), tail.begin(), tail.end());
  return path;
}

}  // namespace

int32_t TreeRegistryApi::Resolve(RegHandle handle, OpenedKey& key) const {
  if (handle == RootHandle(kHkeyClassesRoot)) {
    key = {View::Classes, {}, kKeySpecificRights};
  } else if (handle == RootHandle(kHkeyCurrentUser)) {
    key = {View::User, {}, kKeySpecificRights};
  } else if (handle == RootHandle(kHkeyLocalMachine)) {
    key = {View::Machine, {}, kKeySpecificRights};
  } else {
    auto found = handles_.find(handle);
    if (found == handles_.end()) return kRegInvalidHandle;
    key = found->second;
  }
  return kRegOk;
}

int32_t TreeRegistryApi::Locate(RegHandle parent, const std::string& subKey, OpenedKey& key) const {
  if (int32_t status = Resolve(parent, key)) return status;
  if (!subKey.empty() && subKey.front() == '\\') return kRegBadPathName;
  for (auto& part : SplitKeyPath(subKey)) {
    if (part.size() > kMaxKeyNameLength) return kRegInvalidParameter;
    key.path.push_back(std::move(part));
  }
  return kRegOk;
}

// The hive and path a link's target names; false when it names no key of the two hives.
bool LinkDestination(const std::string& target, RegistryHive& hive, std::vector<std::string>& path) {
  path = SplitKeyPath(target);
  if (target.empty() || target.front() != '\\' || path.empty() || !KeyNamesEqual(path[0], "Registry"))
    return false;
  if (path.size() >= 2 && KeyNamesEqual(path[1], "Machine")) {
    hive = RegistryHive::Machine;
    path.erase(path.begin(), path.begin() + 2);
    return true;
  }
  if (path.size() >= 3 && KeyNamesEqual(path[1], "User")) {
    hive = RegistryHive::User;
    path.erase(path.begin(), path.begin() + 3);
    return true;
  }
  return false;
}

int32_t TreeRegistryApi::Walk(RegistryHive hive, std::vector<std::string> path, Walked& walked) {
  int links = 0;
  size_t linkedPart = 0;  // leading names of `path` that a link named: they must exist
  RegistryNode* root = nullptr;
  if (int32_t status = LoadHive(hive, root)) return status;
  walked = {hive, root, nullptr, {}};
  for (size_t i = 0; i < path.size();) {
    RegistryNode* next = walked.node->Child(path[i]);
    if (!next) {
      if (i < linkedPart) return kRegFileNotFound;
      walked.missing.assign(path.begin() + static_cast<std::ptrdiff_t>(i), path.end());
      return kRegOk;
    }
    walked.parent = walked.node;
    walked.node = next;
    ++i;
    const std::string target = next->LinkTarget();
    if (target.empty()) continue;
    std::vector<std::string> rest(path.begin() + static_cast<std::ptrdiff_t>(i), path.end());
    if (++links > kMaxLinks || !LinkDestination(target, hive, path)) return kRegFileNotFound;
    linkedPart = path.size();
    path.insert(path.end(), rest.begin(), rest.end());
    if (int32_t status = LoadHive(hive, root)) return status;
    walked = {hive, root, nullptr, {}};
    i = 0;
  }
  return kRegOk;
}

int32_t TreeRegistryApi::WalkView(const OpenedKey& key, Walked& walked) {
  if (key.view != View::Classes) {
    return Walk(key.view == View::User ? RegistryHive::User : RegistryHive::Machine, key.path, walked);
  }
  if (classesMerged_) {
    if (int32_t status = Walk(RegistryHive::User, Joined(kClassesPath, key.path), walked)) return status;
    if (walked.missing.empty()) return kRegOk;
  }
  return Walk(RegistryHive::Machine, Joined(kClassesPath, key.path), walked);
}

int32_t TreeRegistryApi::FindKey(const OpenedKey& key, RegistryNode*& node, RegistryHive& hive) {
  Walked walked;
  if (int32_t status = WalkView(key, walked)) return status;
  if (!walked.missing.empty()) return kRegFileNotFound;
  node = walked.node;
  hive = walked.hive;
  return kRegOk;
}

// The key behind an open handle, when the handle carries `right`. A key deleted since it
// was opened answers as Windows does, with kRegKeyDeleted.
int32_t TreeRegistryApi::OpenLiveKey(RegHandle key, uint32_t right, OpenedKey& opened, RegistryNode*& node,
                                     RegistryHive& hive) {
  if (int32_t status = Resolve(key, opened)) return status;
  if (!(opened.rights & right)) return kRegAccessDenied;
  const int32_t status = FindKey(opened, node, hive);
  return status == kRegFileNotFound ? kRegKeyDeleted : status;
}

RegHandle TreeRegistryApi::AddHandle(OpenedKey key) {
  const RegHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(handle, std::move(key));
  return handle;
}

int32_t TreeRegistryApi::Change(RegistryHive hive, const std::function<int32_t()>& change) {
  if (int32_t status = BeginChange(hive)) return status;
  if (int32_t status = change()) return status;
  return CommitChange(hive);
}

int32_t TreeRegistryApi::OpenKey(RegHandle parent, const std::string& subKey, uint32_t rights,
                                 RegHandle& key) {
  OpenedKey opened;
  if (int32_t status = Locate(parent, subKey, opened)) return status;
  RegistryNode* node = nullptr;
  RegistryHive hive{};
  if (int32_t status = FindKey(opened, node, hive)) return status;
  opened.rights = rights;
  key = AddHandle(std::move(opened));
  return kRegOk;
}

int32_t TreeRegistryApi::CreateKey(RegHandle parent, const std::string& subKey, uint32_t rights,
                                   RegHandle& key) {
  OpenedKey opened;
  if (int32_t status = Locate(parent, subKey, opened)) return status;
  Walked walked;
  if (int32_t status = WalkView(opened, walked)) return status;
  if (!walked.missing.empty()) {
    const int32_t status = Change(walked.hive, [&] {
      RegistryNode* at = walked.node;
      for (const auto& part : walked.missing) at = &at->AddChild(part);
      return kRegOk;
    });
    if (status) return status;
  }
  opened.rights = rights;
  key = AddHandle(std::move(opened));
  return kRegOk;
}

int32_t TreeRegistryApi::QueryValue(RegHandle key, const std::string& name, uint32_t& type, uint8_t* data,
                                    uint32_t& size) {
  OpenedKey opened;
  RegistryNode* node = nullptr;
  RegistryHive hive{};
  if (int32_t status = OpenLiveKey(key, kKeyQueryValue, opened, node, hive)) return status;
  const RegistryItem* value = node->FindValue(name);
  if (!value) return kRegFileNotFound;
  const std::vector<uint8_t> narrow = ToNarrow(value->type, value->data);
  type = value->type;
  const auto needed = static_cast<uint32_t>(narrow.size());
  if (data == nullptr) {
    size = needed;
    return kRegOk;
  }
  if (size < needed) {
    size = needed;
    return kRegMoreData;
  }
  std::copy(narrow.begin(), narrow.end(), data);
  size = needed;
  return kRegOk;
}

int32_t TreeRegistryApi::SetValue(RegHandle key, const std::string& name, uint32_t type, const uint8_t* data,
                                  uint32_t size) {
  OpenedKey opened;
  RegistryNode* node = nullptr;
  RegistryHive hive{};
  if (int32_t status = OpenLiveKey(key, kKeySetValue, opened, node, hive)) return status;
  return Change(hive, [&] {
    node->SetValue(name, type, FromNarrow(type, data, size));
    return kRegOk;
  });
}

int32_t TreeRegistryApi::EnumValue(RegHandle key, uint32_t index, char* name, uint32_t& nameLength) {
  OpenedKey opened;
  RegistryNode* node = nullptr;
  RegistryHive hive{};
  if (int32_t status = OpenLiveKey(key, kKeyQueryValue, opened, node, hive)) return status;
  const auto values = node->Values();
  if (index >= values.size()) return kRegNoMoreItems;
  const std::string& found = values[index]->name;
  if (nameLength <= found.size()) return kRegMoreData;
  std::memcpy(name, found.c_str(), found.size() + 1);
  nameLength = static_cast<uint32_t>(found.size());
  return kRegOk;
}

int32_t TreeRegistryApi::EnumKey(RegHandle key, uint32_t index, char* name, uint32_t bufferLength) {
  OpenedKey opened;
  RegistryNode* node = nullptr;
  RegistryHive hive{};
  if (int32_t status = OpenLiveKey(key, kKeyEnumerateSubKeys, opened, node, hive)) return status;
  std::vector<std::string> names;
  for (const auto& child : node->Children()) names.push_back(child->Name());
  if (opened.view == View::Classes && hive == RegistryHive::User) {
    // The user's classes hide the machine's of the same name; the others join them.
    Walked machine;
    if (Walk(RegistryHive::Machine, Joined(kClassesPath, opened.path), machine) == kRegOk &&
        machine.missing.empty()) {
      for (const auto& child : machine.node->Children()) {
        if (!node->Child(child->Name())) names.push_back(child->Name());
      }
      std::stable_sort(names.begin(), names.end(),
                       [](const auto& a, const auto& b) { return CompareKeyNames(a, b) < 0; });
    }
  }
  if (index >= names.size()) return kRegNoMoreItems;
  if (bufferLength <= names[index].size()) return kRegMoreData;
  std::memcpy(name, names[index].c_str(), names[index].size() + 1);
  return kRegOk;
}

int32_t TreeRegistryApi::QueryInfoKey(RegHandle key, uint32_t& maxValueNameLength) {
  OpenedKey opened;
  RegistryNode* node = nullptr;
  RegistryHive hive{};
  if (int32_t status = OpenLiveKey(key, kKeyQueryValue, opened, node, hive)) return status;
  size_t longest = 0;
  for (const RegistryItem* value : node->Values()) longest = std::max(longest, value->name.size());
  maxValueNameLength = static_cast<uint32_t>(longest);
  return kRegOk;
}

int32_t TreeRegistryApi::DeleteKey(RegHandle parent, const std::string& subKey) {
  OpenedKey opened;
  if (int32_t status = Locate(parent, subKey, opened)) return status;
  if (opened.path.empty()) return kRegAccessDenied;
  Walked walked;
  if (int32_t status = WalkView(opened, walked)) return status;
  if (!walked.missing.empty()) return kRegFileNotFound;
  if (!walked.parent) return kRegAccessDenied;
  if (!walked.node->Children().empty()) return kRegAccessDenied;
  const std::string name = walked.node->Name();
  return Change(walked.hive, [&] { return walked.parent->RemoveChild(name) ? kRegOk : kRegFileNotFound; });
}

int32_t TreeRegistryApi::DeleteValue(RegHandle key, const std::string& name) {
  OpenedKey opened;
  RegistryNode* node = nullptr;
  RegistryHive hive{};
  if (int32_t status = OpenLiveKey(key, kKeySetValue, opened, node, hive)) return status;
  if (!node->FindValue(name)) return kRegFileNotFound;
  return Change(hive, [&] { return node->RemoveValue(name) ? kRegOk : kRegFileNotFound; });
}

int32_t TreeRegistryApi::CloseKey(RegHandle key) {
  OpenedKey opened;
  if (int32_t status = Resolve(key, opened)) return status;
  handles_.erase(key);
  return kRegOk;
}

int32_t TreeRegistryApi::ConnectRegistry(const std::string& machine, RegHandle root, RegHandle& remoteRoot) {
  // Only the local registry is reachable.
  if (!machine.empty()) return kRegBadNetPath;
  OpenedKey opened;
  if (int32_t status = Resolve(root, opened)) return status;
  remoteRoot = root;
  return kRegOk;
}

uint32_t TreeRegistryApi::ExpandEnvironment(const std::string& source, char* buffer, uint32_t size) {
  const std::string out =
      ExpandEnvironmentReferences(source, [this](const std::string& name) { return Variable(name); });
  const auto needed = static_cast<uint32_t>(out.size() + 1);
  if (buffer != nullptr && size >= needed) std::memcpy(buffer, out.c_str(), needed);
  return needed;
}

}  // namespace tav

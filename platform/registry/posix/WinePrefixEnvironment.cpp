#include "platform/registry/posix/WinePrefixEnvironment.h"

#include <vector>

#include "platform/registry/EnvironmentText.h"

namespace tav {

namespace {

constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kWindowsNtKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kProfileListKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr char kComputerNameKey[] = "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
constexpr char kMachineEnvironmentKey[] = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";

struct Text {
  uint32_t type = 0;
  std::string text;
};

// A string value of an open key, without its terminating NUL.
std::optional<Text> ReadText(RegistryApi& api, RegHandle key, const std::string& name) {
  uint32_t type = 0;
  uint32_t size = 0;
  if (api.QueryValue(key, name, type, nullptr, size) != kRegOk) return std::nullopt;
  if (type != kRegSz && type != kRegExpandSz) return std::nullopt;
  std::vector<uint8_t> data(size);
  if (api.QueryValue(key, name, type, data.data(), size) != kRegOk) return std::nullopt;
  std::string text(data.begin(), data.begin() + size);
  if (const size_t end = text.find('\0'); end != std::string::npos) text.resize(end);
  return Text{type, text};
}

// The names of the values of an open key, in index order.
std::vector<std::string> ValueNames(RegistryApi& api, RegHandle key) {
  std::vector<std::string> names;
  uint32_t longest = 0;
  if (api.QueryInfoKey(key, longest) != kRegOk) return names;
  std::vector<char> buffer(longest + 1);
  for (uint32_t index = 0;; ++index) {
    uint32_t length = longest + 1;
    if (api.EnumValue(key, index, buffer.data(), length) != kRegOk) break;
    names.emplace_back(buffer.data(), length);
  }
  return names;
}

std::vector<std::string> SubkeyNames(RegistryApi& api, RegHandle key) {
  std::vector<std::string> names;
  char buffer[256];
  for (uint32_t index = 0; api.EnumKey(key, index, buffer, sizeof buffer) == kRegOk; ++index) {
    names.emplace_back(buffer);
  }
  return names;
}

class OpenedKey {
 public:
  OpenedKey(RegistryApi& api, int32_t root, const std::string& path) : api_(api) {
    if (api_.OpenKey(RootHandle(root), path, kKeyQueryValue | kKeyEnumerateSubKeys, key_) != kRegOk) key_ = 0;
  }
  ~OpenedKey() {
    if (key_) api_.CloseKey(key_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

  explicit operator bool() const { return key_ != 0; }
  RegHandle Handle() const { return key_; }

 private:
  RegistryApi& api_;
  RegHandle key_ = 0;
};

}  // namespace

WinePrefixEnvironment::WinePrefixEnvironment(RegistryApi& api) {
  DefineWineVariables(api);
  TakeKey(api, kHkeyLocalMachine, kMachineEnvironmentKey);
  TakeKey(api, kHkeyCurrentUser, "Volatile Environment");
  TakeKey(api, kHkeyCurrentUser, "Environment");
}

std::optional<std::string> WinePrefixEnvironment::Find(const std::string& name) const {
  auto found = variables_.find(name);
  if (found == variables_.end()) return std::nullopt;
  return found->second;
}

void WinePrefixEnvironment::Set(const std::string& name, const std::string& value) {
  auto [at, added] = variables_.emplace(name, value);
  if (!added) at->second = value;
}

void WinePrefixEnvironment::DefineWineVariables(RegistryApi& api) {
  auto folder = [&](int32_t root, const std::string& path, const std::string& name,
                    const std::string& fallback) -> std::string {
    OpenedKey key(api, root, path);
    const auto text = key ? ReadText(api, key.Handle(), name) : std::nullopt;
    if (!text) return fallback;
    auto lookup = [this](const std::string& variable) { return Find(variable); };
    return text->type == kRegExpandSz ? ExpandEnvironmentReferences(text->text, lookup) : text->text;
  };
  auto defineFrom = [&](std::initializer_list<const char*> names, const std::string& value) {
    if (value.empty()) return;
    for (const char* name : names) Set(name, value);
  };

  Set("SystemDrive", "C:");
  defineFrom({"SystemRoot", "windir"}, folder(kHkeyLocalMachine, kWindowsNtKey, "SystemRoot", "C:\\windows"));
  defineFrom({"ProgramFiles", "ProgramW6432"},
             folder(kHkeyLocalMachine, kWindowsKey, "ProgramFilesDir", "C:\\Program Files"));
  defineFrom({"ProgramFiles(x86)"}, folder(kHkeyLocalMachine, kWindowsKey, "ProgramFilesDir (x86)", ""));
  defineFrom({"CommonProgramFiles", "CommonProgramW6432"},
             folder(kHkeyLocalMachine, kWindowsKey, "CommonFilesDir", "C:\\Program Files\\Common Files"));
  defineFrom({"CommonProgramFiles(x86)"}, folder(kHkeyLocalMachine, kWindowsKey, "CommonFilesDir (x86)", ""));
  defineFrom({"ProgramData", "ALLUSERSPROFILE"},
             folder(kHkeyLocalMachine, kProfileListKey, "ProgramData", "C:\\ProgramData"));
  defineFrom({"PUBLIC"}, folder(kHkeyLocalMachine, kProfileListKey, "Public", "C:\\users\\Public"));
  defineFrom({"COMPUTERNAME"}, folder(kHkeyLocalMachine, kComputerNameKey, "ComputerName", ""));

  // The prefix's user is the one local account in the profile list.
  std::string profile;
  if (OpenedKey list(api, kHkeyLocalMachine, kProfileListKey); list) {
    for (const auto& sid : SubkeyNames(api, list.Handle())) {
      if (sid.rfind("S-1-5-21-", 0) != 0) continue;
      profile = folder(kHkeyLocalMachine, std::string(kProfileListKey) + "\\" + sid, "ProfileImagePath", "");
      if (!profile.empty()) break;
    }
  }
  if (profile.size() < 3 || profile[1] != ':') return;
  Set("USERPROFILE", profile);
  Set("USERNAME", profile.substr(profile.rfind('\\') + 1));
  Set("HOMEDRIVE", profile.substr(0, 2));
  Set("HOMEPATH", profile.substr(2));
  Set("APPDATA", profile + "\\AppData\\Roaming");
  Set("LOCALAPPDATA", profile + "\\AppData\\Local");
}

void WinePrefixEnvironment::TakeKey(RegistryApi& api, int32_t root, const std::string& path) {
  OpenedKey key(api, root, path);
  if (!key) return;
  const bool user = root == kHkeyCurrentUser;
  const std::optional<std::string> machinePath = Find("PATH");
  for (const auto& name : ValueNames(api, key.Handle())) {
    const auto text = ReadText(api, key.Handle(), name);
    if (!text) continue;
    std::string value = text->type == kRegExpandSz
                            ? ExpandEnvironmentReferences(
                                  text->text, [this](const std::string& variable) { return Find(variable); })
                            : text->text;
    if (user && machinePath && !machinePath->empty() && KeyNamesEqual(name, "PATH")) {
      value = *machinePath + ";" + value;
    }
    Set(name, value);
  }
}

}  // namespace tav

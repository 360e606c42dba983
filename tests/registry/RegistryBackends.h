#pragma once
// The back ends every registry test runs against: the in-memory registry and the registry files
// of a Wine prefix in a temporary folder. Values are seeded through one back-end object and read
// back through a fresh one, so that the Wine case goes through the files.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/RegistryMemory.h"
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/registry/windows/RegistryWindows.h"
#include "tests/registry/ProcessHandles.h"
#else
#include "platform/registry/posix/RegistryWineFile.h"
#include "tests/support/TempFolder.h"
#endif
#include "registry/DynamicValue.h"
#include "tests/support/TextLines.h"

namespace tav {

// Readable test failures.
inline void PrintTo(const DynamicValue& value, std::ostream* out) {
  static const char* const kKinds[] = {"empty", "int16", "int32", "text", "bytes"};
  *out << kKinds[static_cast<int>(value.GetKind())] << " \"";
  for (unsigned char c : value.ToText()) {
    if (c < 32 || c == 127) {
      *out << "\\x" << std::hex << static_cast<int>(c) << std::dec;
    } else {
      *out << c;
    }
  }
  *out << "\"";
}

}  // namespace tav

namespace tav::testing {

class MemoryBackend {
 public:
  std::shared_ptr<MemoryRegistryApi> Fresh() { return api_; }
  void SetVariable(const std::string& name, const std::string& value) { api_->SetVariable(name, value); }

 private:
  std::shared_ptr<MemoryRegistryApi> api_ = std::make_shared<MemoryRegistryApi>();
};

#ifdef _WIN32
// The system registry; the keys the tests make are removed before and after each test.
class WindowsBackend {
 public:
  WindowsBackend() { RemoveTestKeys(); }
  ~WindowsBackend() { RemoveTestKeys(); }
  WindowsBackend(const WindowsBackend&) = delete;
  WindowsBackend& operator=(const WindowsBackend&) = delete;

  std::shared_ptr<WindowsRegistryApi> Fresh() { return std::make_shared<WindowsRegistryApi>(); }
  void SetVariable(const std::string& name, const std::string& value) {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
  }

 private:
  static void RemoveTestKeys() {
    for (const char* key :
         {"Software\\Tavimer", "Software\\New", "Software\\Made0", "Software\\Made6", "Software\\Made7",
          "Software\\Made8", "Software\\Remote", "Software\\A", "Software\\Parent", "Software\\Keys",
          "Software\\List", "Software\\Classes\\.def"}) {
      RegDeleteTreeA(HKEY_CURRENT_USER, key);
    }
    for (const char* key : {".abc", ".def", "NewClass", "Tav.Doc", ".xyz", "Empty.Doc", ".e1", "Half.Doc",
                            ".e2", "Env.Doc", ".e3"}) {
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("Software\\Classes\\") + key).c_str());
    }
  }
};

using TestBackends = ::testing::Types<MemoryBackend, WindowsBackend>;
#else
class WineFileBackend {
 public:
  std::shared_ptr<WineRegistryApi> Fresh() { return std::make_shared<WineRegistryApi>(prefix_.path()); }
  // The prefix's environment lives in its registry.
  void SetVariable(const std::string& name, const std::string& value) {
    auto api = Fresh();
    RegHandle key = 0;
    api->CreateKey(RootHandle(kHkeyCurrentUser), "Environment", kKeySpecificRights, key);
    api->SetValue(key, name, kRegSz, reinterpret_cast<const uint8_t*>(value.c_str()),
                  static_cast<uint32_t>(value.size() + 1));
    api->CloseKey(key);
  }
  const std::filesystem::path& Prefix() const { return prefix_.path(); }

 private:
  TempFolder prefix_;
};

using TestBackends = ::testing::Types<MemoryBackend, WineFileBackend>;
#endif

// Handles open on a back end: those its own handle table holds, or for the Windows registry
// every handle the process has open.
template <typename Api>
requires requires(const Api& api) { api.OpenHandleCount(); }
size_t OpenHandles(const Api& api) { return api.OpenHandleCount(); }
#ifdef _WIN32
inline size_t OpenHandles(const WindowsRegistryApi&) { return ProcessHandleCount(); }
#endif

// Stores raw data below a root, creating the key.
inline int32_t Seed(RegistryApi& api, int32_t root, const std::string& path, const std::string& name,
                    uint32_t type, const std::vector<uint8_t>& data) {
  RegHandle key = 0;
  if (int32_t status = api.CreateKey(RootHandle(root), path, kKeySpecificRights, key)) return status;
  const int32_t status = api.SetValue(key, name, type, data.data(), static_cast<uint32_t>(data.size()));
  api.CloseKey(key);
  return status;
}

inline std::vector<uint8_t> TextBytes(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

// Type and data of a stored value as the narrow calls give them; type 0xFFFFFFFF when missing.
struct Stored {
  uint32_t type = 0xFFFFFFFFu;
  std::vector<uint8_t> data;
};

inline Stored Fetch(RegistryApi& api, int32_t root, const std::string& path, const std::string& name) {
  Stored stored;
  RegHandle key = 0;
  if (api.OpenKey(RootHandle(root), path, kKeyQueryValue, key)) return stored;
  uint32_t type = 0;
  uint32_t size = 0;
  if (api.QueryValue(key, name, type, nullptr, size) == 0) {
    stored.data.resize(size);
    api.QueryValue(key, name, type, stored.data.data(), size);
    stored.type = type;
  }
  api.CloseKey(key);
  return stored;
}

inline bool KeyPresent(RegistryApi& api, int32_t root, const std::string& path) {
  RegHandle key = 0;
  if (api.OpenKey(RootHandle(root), path, kKeyQueryValue, key)) return false;
  api.CloseKey(key);
  return true;
}

// A hive file's text without its modification times, which differ between writers and runs.
inline std::string WithoutTimes(const std::string& text) {
  std::string out;
  for (std::string line : Lines(text)) {
    if (line.rfind("#time=", 0) == 0) continue;
    if (!line.empty() && line[0] == '[') line = line.substr(0, line.rfind(']') + 1);
    out += line + "\n";
  }
  return out;
}

}  // namespace tav::testing

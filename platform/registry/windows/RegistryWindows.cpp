#include "platform/registry/windows/RegistryWindows.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/RegistryUnicode.h"

namespace tav {

namespace {

constexpr DWORD kLongestValueName = 16384;

HKEY Key(RegHandle handle) { return reinterpret_cast<HKEY>(handle); }

std::wstring Wide(const std::string& text) {
  const std::vector<uint8_t> bytes = Utf8ToUtf16Le(text);
  std::wstring wide(bytes.size() / 2, L'\0');
  std::memcpy(wide.data(), bytes.data(), bytes.size());
  return wide;
}

std::string Narrow(const wchar_t* text, size_t length) {
  std::vector<uint8_t> bytes(length * 2);
  std::memcpy(bytes.data(), text, bytes.size());
  return Utf16LeToUtf8(bytes);
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Copies `text` with its terminator into a caller's buffer of `bufferLength` characters.
int32_t CopyName(const std::string& text, char* buffer, uint32_t bufferLength) {
  if (bufferLength <= text.size()) return ERROR_MORE_DATA;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return ERROR_SUCCESS;
}

}  // namespace

int32_t WindowsRegistryApi::OpenKey(RegHandle parent, const std::string& subKey, uint32_t rights,
                                    RegHandle& key) {
  HKEY opened = nullptr;
  const LONG status = RegOpenKeyExW(Key(parent), Wide(subKey).c_str(), 0, rights, &opened);
  if (status == ERROR_SUCCESS) key = reinterpret_cast<RegHandle>(opened);
  return status;
}

int32_t WindowsRegistryApi::CreateKey(RegHandle parent, const std::string& subKey, uint32_t rights,
                                      RegHandle& key) {
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  wchar_t noClass[1] = {L'\0'};
  HKEY created = nullptr;
  DWORD disposition = 0;
  const LONG status = RegCreateKeyExW(Key(parent), Wide(subKey).c_str(), 0, noClass, REG_OPTION_NON_VOLATILE,
                                      rights, &security, &created, &disposition);
  if (status == ERROR_SUCCESS) key = reinterpret_cast<RegHandle>(created);
  return status;
}

int32_t WindowsRegistryApi::QueryValue(RegHandle key, const std::string& name, uint32_t& type, uint8_t* data,
                                       uint32_t& size) {
  const std::wstring wideName = Wide(name);
  DWORD storedType = 0;
  DWORD storedSize = 0;
  LONG status = RegQueryValueExW(Key(key), wideName.c_str(), nullptr, &storedType, nullptr, &storedSize);
  std::vector<uint8_t> stored;
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    stored.resize(storedSize);
    status = RegQueryValueExW(Key(key), wideName.c_str(), nullptr, &storedType, stored.data(), &storedSize);
    if (status == ERROR_SUCCESS) break;
  }
  if (status != ERROR_SUCCESS) return status;
  stored.resize(storedSize);
  if (IsStringType(storedType)) {
    const std::string text = Utf16LeToUtf8(stored);
    stored.assign(text.begin(), text.end());
  }
  type = storedType;
  const auto needed = static_cast<uint32_t>(stored.size());
  if (data == nullptr) {
    size = needed;
    return ERROR_SUCCESS;
  }
  if (size < needed) {
    size = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, stored.data(), stored.size());
  size = needed;
  return ERROR_SUCCESS;
}

int32_t WindowsRegistryApi::SetValue(RegHandle key, const std::string& name, uint32_t type,
                                     const uint8_t* data, uint32_t size) {
  std::vector<uint8_t> stored(data, data + size);
  if (IsStringType(type)) stored = Utf8ToUtf16Le(std::string(reinterpret_cast<const char*>(data), size));
  return RegSetValueExW(Key(key), Wide(name).c_str(), 0, type, stored.data(),
                        static_cast<DWORD>(stored.size()));
}

int32_t WindowsRegistryApi::EnumValue(RegHandle key, uint32_t index, char* name, uint32_t& nameLength) {
  std::wstring buffer(kLongestValueName + 1, L'\0');
  DWORD length = kLongestValueName + 1;
  const LONG status =
      RegEnumValueW(Key(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  const std::string text = Narrow(buffer.data(), length);
  if (const int32_t copied = CopyName(text, name, nameLength)) return copied;
  nameLength = static_cast<uint32_t>(text.size());
  return ERROR_SUCCESS;
}

int32_t WindowsRegistryApi::EnumKey(RegHandle key, uint32_t index, char* name, uint32_t bufferLength) {
  wchar_t buffer[256] = {};
  const LONG status = RegEnumKeyW(Key(key), index, buffer, 256);
  if (status != ERROR_SUCCESS) return status;
  return CopyName(Narrow(buffer, wcslen(buffer)), name, bufferLength);
}

int32_t WindowsRegistryApi::QueryInfoKey(RegHandle key, uint32_t& maxValueNameLength) {
  DWORD longest = 0;
  const LONG status = RegQueryInfoKeyW(Key(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, &longest, nullptr, nullptr, nullptr);
  // A UTF-16 unit takes at most three UTF-8 bytes.
  if (status == ERROR_SUCCESS) maxValueNameLength = longest * 3;
  return status;
}

int32_t WindowsRegistryApi::DeleteKey(RegHandle parent, const std::string& subKey) {
  return RegDeleteKeyW(Key(parent), Wide(subKey).c_str());
}

int32_t WindowsRegistryApi::DeleteValue(RegHandle key, const std::string& name) {
  return RegDeleteValueW(Key(key), Wide(name).c_str());
}

int32_t WindowsRegistryApi::CloseKey(RegHandle key) { return RegCloseKey(Key(key)); }

int32_t WindowsRegistryApi::ConnectRegistry(const std::string& machine, RegHandle root,
                                            RegHandle& remoteRoot) {
  HKEY remote = nullptr;
  const LONG status =
      RegConnectRegistryW(machine.empty() ? nullptr : Wide(machine).c_str(), Key(root), &remote);
  if (status == ERROR_SUCCESS) remoteRoot = reinterpret_cast<RegHandle>(remote);
  return status;
}

uint32_t WindowsRegistryApi::ExpandEnvironment(const std::string& source, char* buffer, uint32_t size) {
  const std::wstring wide = Wide(source);
  const DWORD wideSize = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
  if (wideSize == 0) return 0;
  std::wstring expanded(wideSize, L'\0');
  ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), wideSize);
  const std::string text = Narrow(expanded.c_str(), wcslen(expanded.c_str()));
  const auto needed = static_cast<uint32_t>(text.size() + 1);
  if (buffer != nullptr && size >= needed) std::memcpy(buffer, text.c_str(), needed);
  return needed;
}

}  // namespace tav

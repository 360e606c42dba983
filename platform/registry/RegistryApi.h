#pragma once
// The registry calls the program makes, shaped like the advapi32/kernel32 functions they stand
// for: every call returns a status, 0 meaning success, with the platform's error numbers.
// Names and string data cross this interface as UTF-8 ("narrow" calls); string data carries its
// terminating NUL exactly as the caller passed it or as it is stored.
//
// Back ends: the Windows registry (windows/, Windows builds), the registry files of a Wine
// prefix (posix/, other systems) and an in-memory registry for tests. DefaultRegistryApi()
// gives the one the program uses; tests may replace it.

#include <cstdint>
#include <memory>
#include <string>

namespace tav {

// A key handle. The predefined roots are the sign-extended 32-bit values of the platform.
using RegHandle = std::uintptr_t;

constexpr int32_t kHkeyClassesRoot = static_cast<int32_t>(0x80000000u);
constexpr int32_t kHkeyCurrentUser = static_cast<int32_t>(0x80000001u);
constexpr int32_t kHkeyLocalMachine = static_cast<int32_t>(0x80000002u);

// The handle value of a root given as the 32-bit number the program keeps.
constexpr RegHandle RootHandle(int32_t root) {
  return static_cast<RegHandle>(static_cast<std::intptr_t>(root));
}

// Registry data types.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegDwordBigEndian = 5;
constexpr uint32_t kRegLink = 6;
constexpr uint32_t kRegMultiSz = 7;

// Key access rights.
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kKeyNotify = 0x0010;
constexpr uint32_t kKeyCreateLink = 0x0020;
constexpr uint32_t kKeySpecificRights = 0x003F;

// Status numbers the back ends return (the platform's own numbers).
constexpr int32_t kRegOk = 0;
constexpr int32_t kRegFileNotFound = 2;
constexpr int32_t kRegPathNotFound = 3;
constexpr int32_t kRegAccessDenied = 5;
constexpr int32_t kRegInvalidHandle = 6;
constexpr int32_t kRegInvalidParameter = 87;
constexpr int32_t kRegSharingViolation = 32;
constexpr int32_t kRegBadNetPath = 53;
constexpr int32_t kRegBadPathName = 161;
constexpr int32_t kRegMoreData = 234;
constexpr int32_t kRegNoMoreItems = 259;
constexpr int32_t kRegBadDb = 1009;
constexpr int32_t kRegKeyDeleted = 1018;

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  // RegOpenKeyExA: opens `subKey` below `parent` with `rights`.
  virtual int32_t OpenKey(RegHandle parent, const std::string& subKey, uint32_t rights, RegHandle& key) = 0;
  // RegCreateKeyExA (non-volatile, no class, default security): creates the key and any missing
  // keys on its path, or opens it when present.
  virtual int32_t CreateKey(RegHandle parent, const std::string& subKey, uint32_t rights, RegHandle& key) = 0;
  // RegQueryValueExA: `size` is the buffer size in and the stored size out. A buffer too small
  // gives kRegMoreData with `type` and `size` filled in. `data` may be null to ask for the size.
  virtual int32_t QueryValue(RegHandle key, const std::string& name, uint32_t& type, uint8_t* data,
                             uint32_t& size) = 0;
  // RegSetValueExA.
  virtual int32_t SetValue(RegHandle key, const std::string& name, uint32_t type, const uint8_t* data,
                           uint32_t size) = 0;
  // RegEnumValueA with only the name asked for: `nameLength` is the buffer size in characters
  // in, the name's length without terminator out.
  virtual int32_t EnumValue(RegHandle key, uint32_t index, char* name, uint32_t& nameLength) = 0;
  // RegEnumKeyA: a NUL-terminated name into a buffer of `bufferLength` characters.
  virtual int32_t EnumKey(RegHandle key, uint32_t index, char* name, uint32_t bufferLength) = 0;
  // RegQueryInfoKeyA, of which only the longest value-name length (no terminator) is asked.
  virtual int32_t QueryInfoKey(RegHandle key, uint32_t& maxValueNameLength) = 0;
  // RegDeleteKeyA: deletes a key that has no subkeys.
  virtual int32_t DeleteKey(RegHandle parent, const std::string& subKey) = 0;
  // RegDeleteValueA.
  virtual int32_t DeleteValue(RegHandle key, const std::string& name) = 0;
  // RegCloseKey.
  virtual int32_t CloseKey(RegHandle key) = 0;
  // RegConnectRegistryA: the root `root` of the registry of `machine` ("\\name").
  virtual int32_t ConnectRegistry(const std::string& machine, RegHandle root, RegHandle& remoteRoot) = 0;
  // ExpandEnvironmentStringsA: expands %NAME% references into `buffer` (of `size` characters)
  // and returns the size the expanded text needs, terminator included.
  virtual uint32_t ExpandEnvironment(const std::string& source, char* buffer, uint32_t size) = 0;
};

// The back end the program uses: the system's own (MakeSystemRegistryApi) until a test sets
// another.
std::shared_ptr<RegistryApi> DefaultRegistryApi();

// Replaces the back end that DefaultRegistryApi() returns; null restores the platform's own.
void SetDefaultRegistryApi(std::shared_ptr<RegistryApi> api);

// The system's own back end, the one place that picks it (the build compiles one of these):
// on Windows the system registry (windows/SystemRegistry.cpp), elsewhere the registry files
// of the Wine prefix named by $WINEPREFIX, else ~/.wine (posix/SystemRegistry.cpp).
std::shared_ptr<RegistryApi> MakeSystemRegistryApi();

}  // namespace tav

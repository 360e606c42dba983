#pragma once
// The Windows registry through advapi32 and kernel32. The wide calls are used, so that UTF-8
// names and text pass unchanged; sizes and lengths are those of the UTF-8 forms.

#include "platform/registry/RegistryApi.h"

namespace tav {

class WindowsRegistryApi : public RegistryApi {
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
};

}  // namespace tav

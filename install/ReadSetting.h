#pragma once
// A per-user string setting from the registry.

#include <string>

namespace tav {

// The string value `key` of HKEY_CURRENT_USER\Software\<app>\<section>, read through a
// fresh cRegistry for this call. The empty string when the key or the value is missing or
// cannot be read. Never fails.
std::string ReadSetting(const std::string& app, const std::string& section, const std::string& key);

}  // namespace tav

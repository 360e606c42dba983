#pragma once
// The engine's paths are UTF-8 strings; std::filesystem paths are made from them and turned
// back into them here, through char8_t, so that no system's narrow encoding (a Windows code
// page) comes between.

#include <filesystem>
#include <string>

namespace jet {

inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace jet

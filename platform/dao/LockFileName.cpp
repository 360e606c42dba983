#include "platform/dao/LockFileName.h"

#include <cctype>

namespace tav {

namespace {

bool IsMdbAt(const std::string& name, size_t pos) {
  static constexpr char kExt[] = ".mdb";
  for (size_t i = 0; i < 4; ++i) {
    if (std::tolower(static_cast<unsigned char>(name[pos + i])) != kExt[i]) return false;
  }
  return true;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::optional<std::string> LockFileName(const std::string& fileName) {
  std::string lock;
  bool replaced = false;
  size_t i = 0;
  while (i < fileName.size()) {
    if (i + 4 <= fileName.size() && IsMdbAt(fileName, i)) {
      lock += ".ldb";
      replaced = true;
      i += 4;
    } else {
      lock += fileName[i++];
    }
  }
  if (!replaced || Upper(lock).find(".MDB") != std::string::npos) return std::nullopt;
  return lock;
}

}  // namespace tav

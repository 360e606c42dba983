#include "wingui/Utf16.h"

#include <windows.h>

#include <algorithm>

namespace tav {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

int Utf16Offset(std::string_view utf8, size_t offset) {
  return static_cast<int>(Widen(utf8.substr(0, std::min(offset, utf8.size()))).size());
}

size_t Utf8Offset(std::string_view utf8, int utf16Offset) {
  const std::wstring wide = Widen(utf8);
  const size_t units = std::clamp<size_t>(static_cast<size_t>(std::max(utf16Offset, 0)), 0, wide.size());
  return Narrow(std::wstring_view(wide).substr(0, units)).size();
}

}  // namespace tav

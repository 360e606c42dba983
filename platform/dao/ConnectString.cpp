#include "platform/dao/ConnectString.h"

namespace tav {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> ConnectValue(std::string_view connect, std::string_view key) {
  std::optional<std::string> found;
  while (true) {
    size_t end = connect.find(';');
    std::string_view part = connect.substr(0, end);
    size_t eq = part.find('=');
    if (eq != std::string_view::npos && SameKey(TrimBlanks(part.substr(0, eq)), key))
      found = std::string(part.substr(eq + 1));
    if (end == std::string_view::npos) break;
    connect.remove_prefix(end + 1);
  }
  return found;
}

std::string ConnectPassword(std::string_view connect) { return ConnectValue(connect, "pwd").value_or(""); }

}  // namespace tav

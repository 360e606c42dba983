#include "platform/registry/EnvironmentText.h"

namespace tav {

std::string ExpandEnvironmentReferences(const std::string& source, const VariableLookup& lookup) {
  std::string out;
  size_t pos = 0;
  while (pos < source.size()) {
    const size_t open = source.find('%', pos);
    const size_t close = open == std::string::npos ? open : source.find('%', open + 1);
    if (close == std::string::npos) {
      out += source.substr(pos);
      break;
    }
    out += source.substr(pos, open - pos);
    const std::string name = source.substr(open + 1, close - open - 1);
    const auto value = name.empty() ? std::nullopt : lookup(name);
    if (value) {
      out += *value;
      pos = close + 1;
    } else {
      out += source.substr(open, close - open);
      pos = close;
    }
  }
  return out;
}

}  // namespace tav

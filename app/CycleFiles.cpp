#include "app/CycleFiles.h"

#include <algorithm>
#include <cmath>

namespace tav {

std::string TemporaryName(double draw) {
  auto number = static_cast<long>(std::floor(draw * 1000000.0));
  number = std::clamp(number, 0L, 999999L);
  return "db" + std::to_string(number) + ".bak";
}

std::string CompactPasswordArgument(const std::string& fileName, const std::string& password) {
  if (fileName != kMainDatabase || password.empty()) return {};
  return ";pwd=" + password;
}

}  // namespace tav

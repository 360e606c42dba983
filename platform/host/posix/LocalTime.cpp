#include "platform/host/LocalTime.h"

namespace tav {

std::tm LocalTime(std::time_t seconds) {
  std::tm local{};
  if (::localtime_r(&seconds, &local) == nullptr) return std::tm{};
  return local;
}

}  // namespace tav

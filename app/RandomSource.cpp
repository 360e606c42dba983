#include "app/RandomSource.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "platform/host/LocalTime.h"

namespace tav {

double SystemTimeOfDay() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  const std::tm local = LocalTime(seconds);
  auto micros = duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000;
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + micros / 1e6;
}

TimeSeededRandom::TimeSeededRandom(TimeOfDayClock clock) : clock_(std::move(clock)) {}

void TimeSeededRandom::Reseed() {
  // Microsecond resolution keeps two reseeds in the same second apart.
  auto ticks = static_cast<uint64_t>(std::llround(clock_() * 1e6));
  std::seed_seq seq{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
  generator_.seed(seq);
}

double TimeSeededRandom::Next() {
  // 32 random bits scaled into [0, 1); never reaches 1.
  return static_cast<double>(generator_()) / 4294967296.0;
}

}  // namespace tav

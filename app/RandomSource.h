#pragma once
// The pseudo-random source behind the names of the temporary compacted files. The real
// one reseeds from the time of day; tests substitute their own.

#include <functional>
#include <memory>
#include <random>

namespace tav {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Starts a new sequence from the current time of day.
  virtual void Reseed() = 0;
  // The next value, at least 0 and below 1.
  virtual double Next() = 0;
};

// Seconds since local midnight, with a fraction; the seed of the real random source.
using TimeOfDayClock = std::function<double()>;

// The clock of the running system, to the microsecond.
double SystemTimeOfDay();

// A Mersenne-twister source reseeded from `clock` on every Reseed().
class TimeSeededRandom : public RandomSource {
 public:
  explicit TimeSeededRandom(TimeOfDayClock clock = SystemTimeOfDay);
  void Reseed() override;
  double Next() override;

 private:
  TimeOfDayClock clock_;
  std::mt19937 generator_;
};

}  // namespace tav

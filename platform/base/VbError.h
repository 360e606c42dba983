#pragma once
// The error record that failures travel in: a 32-bit signed number, a source and a
// description. Routines that "pass on" a failure throw VbError; routines that test an
// outcome catch it into an ErrorRecord (their last-error record).

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tav {

class VbError : public std::runtime_error {
 public:
  VbError(int32_t number, std::string source, std::string description)
      : std::runtime_error(description),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}

  int32_t Number() const { return number_; }
  const std::string& Source() const { return source_; }
  const std::string& Description() const { return description_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// A routine's last-error record. Number 0 means "no error".
struct ErrorRecord {
  int32_t Number = 0;
  std::string Source;
  std::string Description;

  void Clear() { *this = ErrorRecord{}; }
  void Set(const VbError& e) {
    Number = e.Number();
    Source = e.Source();
    Description = e.Description();
  }
};

// Runs `step` and records a VbError in `record` instead of letting it escape.
// Other exceptions (and program termination) pass through untouched.
template <typename Step>
void Trap(ErrorRecord& record, Step&& step) {
  try {
    step();
  } catch (const VbError& e) {
    record.Set(e);
  }
}

// Runs `step`, a step that may be skipped: a VbError it raises is dropped.
template <typename Step>
void IgnoreFailure(Step&& step) {
  ErrorRecord ignored;
  Trap(ignored, step);
}

}  // namespace tav

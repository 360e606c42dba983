#pragma once
// An X display of its own for a test program whose Windows programs show windows under
// Wine: Xvfb on the first free display number, set as DISPLAY for everything the tests
// start, and ended with the program. Registered before the Wine prefix, so that Wine's
// first start finds it:
//   ::testing::AddGlobalTestEnvironment(new VirtualDisplay);
//   ::testing::AddGlobalTestEnvironment(new SharedWinePrefix);

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>

namespace tav::testing {

class VirtualDisplay : public ::testing::Environment {
 public:
  // Why there is no display (Xvfb missing, ...); empty when there is one.
  static const std::string& Failure() { return failure_; }
  // ":N", the display's name.
  static const std::string& Name() { return name_; }

  void SetUp() override;
  void TearDown() override;

 private:
  static std::string failure_;
  static std::string name_;
  pid_t server_ = -1;
};

// Saves the screen's rectangle at (x, y), `width` by `height` pixels, as a PNG picture; false
// when it could not.
bool SaveScreen(const std::string& file, int x, int y, int width, int height);

}  // namespace tav::testing

#pragma once
// For tests that need a tool from outside the project (Wine, ...): where the tool is missing
// they skip, except under CI (CI=true), where scripts/setup installs every such tool and a
// missing one is a failure rather than a silent skip.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace tav::testing {

inline bool RunningUnderCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

}  // namespace tav::testing

// Use in a test body or SetUp: ends the test, skipped or failed, when `available` is false.
#define TAV_REQUIRE_TOOL(available, why)                                          \
  do {                                                                            \
    if (!(available)) {                                                           \
      if (::tav::testing::RunningUnderCi()) FAIL() << (why) << " (needed in CI)"; \
      GTEST_SKIP() << (why);                                                      \
    }                                                                             \
  } while (false)

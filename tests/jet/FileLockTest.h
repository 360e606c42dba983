#pragma once
// What the tests of the lock family share (FileLockTest.cpp and the tests across processes
// of each system): a file to lock in a folder of its own.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "jet/io/FileLock.h"
#include "tests/jet/JetTestSupport.h"

namespace jet {

inline constexpr LockMode kModes[] = {LockMode::kShared, LockMode::kExclusive, LockMode::kHold};

class FileLockTest : public ::testing::Test {
 protected:
  void SetUp() override { std::ofstream(path_) << "data"; }
  testing::TempDir dir_;
  std::string path_ = (dir_.path() / "list.mdb").string();
};

}  // namespace jet

#pragma once
// A temporary data root with the three database folders, the run state pointed at it,
// the stored text table loaded, a scripted engine installed as the run's engine, and a
// main window that shows text 5 as the start button leaves it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/DbEngine.h"
#include "app/RandomSource.h"
#include "app/RunState.h"
#include "platform/host/WinPath.h"
#include "tests/support/CallLog.h"
#include "tests/support/ScriptedEngine.h"
#include "tests/support/ScriptedWindowServices.h"
#include "texts/TextTable.h"

namespace tav::testing {

inline constexpr const char* kWorking = "Working... (please wait)";

// Draws from a fixed list (the last value repeats); counts reseeds.
class FixedRandom : public RandomSource {
 public:
  explicit FixedRandom(std::deque<double> draws, int* reseeds = nullptr)
      : draws_(std::move(draws)), reseeds_(reseeds) {}
  void Reseed() override {
    if (reseeds_) ++*reseeds_;
  }
  double Next() override {
    double d = draws_.front();
    if (draws_.size() > 1) draws_.pop_front();
    return d;
  }

 private:
  std::deque<double> draws_;
  int* reseeds_;
};

class CycleFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    // No Wine prefix: Z: names the host's root.
    ::setenv("WINEPREFIX", "/nonexistent-wine-prefix-for-tests", 1);
    root_ = std::filesystem::temp_directory_path() /
            ("tav-cycle-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::remove_all(root_);
    for (const char* sub : {"data", "history", "schedule"}) std::filesystem::create_directories(root_ / sub);
    tav::Run() = RunState{};
    tav::Run().BasePath = WindowsPath(root_);
    LoadTexts();
    SetDbEngineFactory([this] { return engine_.Handle(); });
    ws_.Design("frmChooseVersion", "txtFiles", "Text", std::string(kWorking));
  }

  void TearDown() override {
    SetDbEngineFactory(nullptr);
    std::filesystem::remove_all(root_);
  }

  // Windows path of a file below the data root, e.g. Win("data\\list.mdb").
  std::string Win(const std::string& relative) const { return tav::Run().BasePath + "\\" + relative; }
  std::filesystem::path Host(const std::string& relative) const {
    std::string r = relative;
    for (char& c : r)
      if (c == '\\') c = '/';
    return root_ / r;
  }
  void MakeFile(const std::string& relative, size_t length, char fill = 'D') {
    std::ofstream(Host(relative), std::ios::binary) << std::string(length, fill);
  }
  std::string Contents(const std::string& relative) const {
    std::ifstream in(Host(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& relative) const { return std::filesystem::exists(Host(relative)); }

  inline static int counter_ = 0;
  std::filesystem::path root_;
  CallLog log_;
  ScriptedWindowServices ws_{&log_};
  ScriptedEngine engine_{&log_};
};

}  // namespace tav::testing

#pragma once
// Whole runs of the program's own logic with the Qt window services and the real engine,
// driven through the main window as a user drives it: the test presses the buttons of the
// windows as they appear, answers the message boxes, and turns ending the program into an
// exception. Installations live in temporary Wine-style prefixes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/ButtonPlus.h"
#include "gui/QtWindowServices.h"
#include "gui/VbControls.h"
#include "install/frmChooseVersion.h"
#include "tests/platform/ScopedWinePrefix.h"
#include "tests/support/TestApplication.h"

namespace tav::testing {

struct Box {
  std::string text;
  int style;
};

// The Qt services with boxes answered by the test (OK; where Retry is offered, the next of
// `retries` and then Cancel) and End() turned into ProgramEnded.
class RecordingServices : public QtWindowServices {
 public:
  int MsgBox(const std::string& text, int style) override;
  [[noreturn]] void End() override;
  void DoEvents() override;

  std::vector<Box> boxes;
  std::vector<int> retries;
  bool ended = false;
  std::function<void()> onDoEvents;
};

// The visible window of that form name (its object name or its class name).
QWidget* TopLevel(const char* name);

ButtonPlus* FindButton(QWidget& form, const char* name, int index = -1);

// The state of the main window on screen.
frmChooseVersion::State MainWindowState(QWidget& window);

// Runs `step` on the named window as soon as it is on screen, during a MainWindowRunTest.
// The run goes on only through such steps: a modal window nobody waits for, or an awaited
// one that never comes within a minute, fails the test at once and closes every window,
// which ends the run, instead of leaving it in a modal loop until the test's timeout.
void WhenShown(const char* name, std::function<void(QWidget&)> step);

// The shell command that lays out an installation in `folder` with jettool's generator:
// 150 recipients, four in ten rows left deleted, always the same data.
std::string GenerateCommand(const std::filesystem::path& folder, const std::string& options);

class MainWindowRunTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Copies a sample database into the installation below drive_c.
  void Place(const std::string& fixture, const std::string& relative);
  // Registers C:\Tavimer as the first generation's folder.
  void RegisterFirstGeneration();
  // Registers C:\users\me\Documents as the documents folder.
  void RegisterDocuments();

  // Presses the version button and Start as soon as the main window is up, then runs Main.
  // `shoot` (optional) is shown the window as "choosing" and, once the version is
  // chosen, as "chosen-tv2".
  void RunChoosing(int version, std::function<void(QWidget&, const char*)> shoot = {});

  std::string Results();
  bool EndButtonShown();

  ScopedWinePrefix prefix_;
  RecordingServices services_;
  std::unique_ptr<Form> window_;
};

}  // namespace tav::testing

// tavimer-maint: the program's entry point and the one place that picks its front end.
// Without arguments it opens the window: the Qt window services, the forms and the
// database engine are wired together and Main runs; the results stay on screen until the
// user ends the program from the main window. With --generation the same Main runs with
// the terminal window services and the forms' terminal counterparts, and the exit status
// tells how the run went (app/CommandLine.h).
#include "app/Main.h"

#include <QApplication>
#include <iostream>
#include <memory>
#include <optional>

#include "app/CommandLine.h"
#include "app/DbEngine.h"
#include "install/Backdrop.h"
#include "install/TerminalChooseVersion.h"
#include "install/frmChooseVersion.h"
#include "platform/base/VbError.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/qt/QtWindowServices.h"
#include "platform/window/PasswordFile.h"
#include "platform/window/Terminal.h"
#include "platform/window/TerminalWindowServices.h"
#include "texts/PasswordDialog.h"
#include "texts/TerminalPasswordDialogs.h"

namespace {

int RunWindow(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(tav::kApplicationTitle);
  QApplication::setWindowIcon(tav::PaintAppIcon());
  // Only End() ends the program: closing the results window after the run goes through it.
  QApplication::setQuitOnLastWindowClosed(false);

  tav::QtWindowServices services;
  tav::RegisterMainWindow(services);
  tav::RegisterPasswordDialogs(services);
  tav::SetDbEngineFactory(tav::MakeJetDaoEngine);

  std::unique_ptr<tav::Form> mainWindow = tav::Main(services);
  // The results window stays until the user ends the program from it; without a window
  // on screen there is nothing left to wait for.
  const auto* window = dynamic_cast<tav::QtForm*>(mainWindow.get());
  if (window == nullptr || window->Widget() == nullptr || !window->Widget()->isVisible()) return 0;
  return QApplication::exec();
}

// No application object and no widget: the run needs no display.
int RunTerminal(const tav::CommandLine& line) {
  std::optional<std::string> password;
  if (!line.passwordFile.empty()) {
    try {
      password = tav::ReadPasswordFile(line.passwordFile);
    } catch (const tav::VbError& e) {
      std::cerr << "tavimer-maint: " << e.Description() << '\n';
      return tav::kRunNotFinished;
    }
  }
  // A reader of the output that goes away (a closed pipe) must not end the run half-way
  // through a copy back: the output is then lost, the run goes on.
  tav::KeepRunningWithoutReader();
  tav::TerminalWindowServices services(std::cout, line.retries);
  tav::RegisterTerminalMainWindow(services, line.versionIndex);
  tav::RegisterTerminalPasswordDialogs(services, std::move(password));
  tav::SetDbEngineFactory(tav::MakeJetDaoEngine);

  tav::Main(services);
  return services.FailureShown() ? tav::kRunReportedFailure : tav::kRunSucceeded;
}

}  // namespace

int main(int argc, char** argv) {
  const tav::CommandLine line = tav::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (line.frontEnd) {
    case tav::CommandLine::FrontEnd::Window:
      return RunWindow(argc, argv);
    case tav::CommandLine::FrontEnd::Terminal:
      return RunTerminal(line);
    case tav::CommandLine::FrontEnd::Help:
      std::cout << tav::Usage();
      return 0;
    case tav::CommandLine::FrontEnd::Version:
      std::cout << "tavimer-maint " << TAVIMER_VERSION << '\n';
      return 0;
    case tav::CommandLine::FrontEnd::Invalid:
      break;
  }
  std::cerr << "tavimer-maint: " << line.error << "\n(tavimer-maint --help lists the options)\n";
  return tav::kRunNotFinished;
}

#include <iostream>
#include <optional>
#include <string>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "install/TerminalChooseVersion.h"
#include "platform/base/VbError.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/window/PasswordFile.h"
#include "platform/window/Terminal.h"
#include "platform/window/TerminalWindowServices.h"
#include "program/FrontEnds.h"
#include "texts/TerminalPasswordDialogs.h"

namespace tav {

// No application object and no widget: the run needs no display.
int RunTerminal(const CommandLine& line) {
  std::optional<std::string> password;
  if (!line.passwordFile.empty()) {
    try {
      password = ReadPasswordFile(line.passwordFile);
    } catch (const VbError& e) {
      std::cerr << "tavimer-maint: " << e.Description() << '\n';
      return kRunNotFinished;
    }
  }
  // A reader of the output that goes away (a closed pipe) must not end the run half-way
  // through a copy back: the output is then lost, the run goes on.
  KeepRunningWithoutReader();
  TerminalWindowServices services(std::cout, line.retries);
  RegisterTerminalMainWindow(services, line.versionIndex);
  RegisterTerminalPasswordDialogs(services, std::move(password));
  SetDbEngineFactory(MakeJetDaoEngine);

  Main(services);
  return services.FailureShown() ? kRunReportedFailure : kRunSucceeded;
}

}  // namespace tav

// The window front end on Windows: the Win32 window services, the program's windows and the
// database engine are wired together and Main runs; the results stay on screen until the
// user ends the program from the main window.
#include <windows.h>

#include <memory>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "platform/dao/JetDaoEngine.h"
#include "program/FrontEnds.h"
#include "wingui/ProgramWindows.h"
#include "wingui/Win32Form.h"
#include "wingui/Win32WindowServices.h"

namespace tav {

int RunWindow(int /*argc*/, char** /*argv*/) {
  // Started from the desktop, the program got a console of its own that nobody reads; from
  // a command prompt it shares that prompt's console, which stays.
  DWORD consoleProcesses[2];
  if (GetConsoleProcessList(consoleProcesses, 2) == 1) FreeConsole();

  Win32WindowServices services;
  RegisterProgramWindows(services);
  SetDbEngineFactory(MakeJetDaoEngine);

  std::unique_ptr<Form> mainWindow = Main(services);
  // The results window stays until the user ends the program from it; without a window
  // on screen there is nothing left to wait for.
  const auto* window = dynamic_cast<Win32Form*>(mainWindow.get());
  if (window == nullptr || window->Handle() == nullptr || !IsWindowVisible(window->Handle())) return 0;
  return services.Run();
}

}  // namespace tav

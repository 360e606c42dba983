// The window front end: the Qt window services, the program's windows and the database
// engine are wired together and Main runs; the results stay on screen until the user ends
// the program from the main window.
#include <QApplication>
#include <memory>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "gui/Backdrop.h"
#include "gui/ProgramWindows.h"
#include "gui/QtWindowServices.h"
#include "platform/dao/JetDaoEngine.h"
#include "program/FrontEnds.h"

namespace tav {

int RunWindow(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(kApplicationTitle);
  QApplication::setWindowIcon(PaintAppIcon());
  // Only End() ends the program: closing the results window after the run goes through it.
  QApplication::setQuitOnLastWindowClosed(false);

  QtWindowServices services;
  RegisterProgramWindows(services);
  SetDbEngineFactory(MakeJetDaoEngine);

  std::unique_ptr<Form> mainWindow = Main(services);
  // The results window stays until the user ends the program from it; without a window
  // on screen there is nothing left to wait for.
  const auto* window = dynamic_cast<QtForm*>(mainWindow.get());
  if (window == nullptr || window->Widget() == nullptr || !window->Widget()->isVisible()) return 0;
  return QApplication::exec();
}

}  // namespace tav

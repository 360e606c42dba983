// tavimer-maint: the program's entry point. Wires the Qt window services, the forms and the
// database engine together and hands over to Main; after the run the results stay on
// screen until the user ends the program from the main window.
#include "app/Main.h"

#include <QApplication>
#include <memory>

#include "app/DbEngine.h"
#include "install/Backdrop.h"
#include "install/frmChooseVersion.h"
#include "platform/JetDaoEngine.h"
#include "platform/QtWindowServices.h"
#include "texts/PasswordDialog.h"

int main(int argc, char** argv) {
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

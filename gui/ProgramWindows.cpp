#include "gui/ProgramWindows.h"

#include "gui/Backdrop.h"
#include "gui/Padlock.h"
#include "install/frmChooseVersion.h"
#include "texts/frmOptionalPwd.h"
#include "texts/frmPwd.h"

namespace tav {

void RegisterProgramWindows(QtWindowServices& services) {
  services.RegisterPicture("backdrop", PaintBackdrop);
  services.RegisterPicture("padlock", [] { return DrawPadlock().toImage(); });
  services.RegisterIcon("program", PaintAppIcon);
  services.RegisterForm(MainWindowForm());
  services.RegisterForm(PasswordForm());
  services.RegisterForm(OptionalPasswordForm());
}

}  // namespace tav

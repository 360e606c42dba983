#include "wingui/ProgramWindows.h"

#include "install/frmChooseVersion.h"
#include "texts/frmOptionalPwd.h"
#include "texts/frmPwd.h"
#include "wingui/Backdrop.h"
#include "wingui/Padlock.h"

namespace tav {

void RegisterProgramWindows(Win32WindowServices& services) {
  services.RegisterPicture("backdrop", PaintBackdrop);
  services.RegisterPicture("padlock", DrawPadlock);
  services.RegisterIcon("program", PaintAppIcon);
  services.RegisterForm(MainWindowForm());
  services.RegisterForm(PasswordForm());
  services.RegisterForm(OptionalPasswordForm());
}

}  // namespace tav

#include "texts/frmPwd.h"

#include "texts/PasswordDialog.h"

namespace tav {

const FormDesign& frmPwdDesign() {
  static const FormDesign design = [] {
    FormDesign d = PasswordDialogDesign("frmPwd", 4095, 1875, Rgb{255, 0, 0});
    d.controls.push_back(Padlock(60, 120));
    d.controls.push_back(PasswordLabel("Label1", 780, 180, 3135, 255, "#20"));
    d.controls.push_back(PasswordLabel("Label2", 780, 420, 3135, 255, "#21"));
    d.controls.push_back(PasswordBox(180, 900, 3735, 315));
    AddPasswordButtons(d, 1380, 2700, 1320, false);
    return d;
  }();
  return design;
}

FormClass PasswordForm() {
  return FormClass{&frmPwdDesign(), [](WindowServices&) -> std::unique_ptr<FormHandlers> {
                     return std::make_unique<PasswordDialog>("");
                   }};
}

}  // namespace tav

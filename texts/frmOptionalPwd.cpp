#include "texts/frmOptionalPwd.h"

#include "texts/PasswordDialog.h"

namespace tav {

const FormDesign& frmOptionalPwdDesign() {
  static const FormDesign design = [] {
    FormDesign d = PasswordDialogDesign("frmOptionalPwd", 6495, 3555, Rgb{255, 128, 0});
    d.controls.push_back(PasswordLabel("Label1", 180, 180, 6135, 255, "#10"));
    ControlDesign error = PasswordLabel("lblError", 180, 480, 6135, 735, "");
    error.foreColor = Rgb{255, 0, 0};
    error.backColor = Rgb{128, 128, 128};
    d.controls.push_back(error);
    d.controls.push_back(PasswordLabel("Label2", 180, 1320, 6135, 435, "#11"));
    d.controls.push_back(Padlock(180, 1740));
    d.controls.push_back(PasswordBox(960, 1980, 5295, 315));
    d.controls.push_back(PasswordLabel("Label3", 180, 2520, 6075, 435, "#12"));
    AddPasswordButtons(d, 1980, 3300, 3060, true);
    return d;
  }();
  return design;
}

FormClass OptionalPasswordForm() {
  return FormClass{&frmOptionalPwdDesign(), [](WindowServices&) -> std::unique_ptr<FormHandlers> {
                     return std::make_unique<PasswordDialog>(kOptionalPwdCancel);
                   }};
}

}  // namespace tav

#include "app/PasswordCheck.h"

#include "app/CycleMessages.h"
#include "app/OpenDb.h"
#include "app/RunState.h"
#include "platform/base/VbError.h"

namespace tav {

std::string AskPassword(WindowServices& ws) {
  try {
    std::unique_ptr<Form> dialog = ws.CreateForm("frmPwd");
    dialog->Load();
    dialog->ShowModal();
    return dialog->Tag();
  } catch (const VbError&) {
    return {};
  }
}

std::unique_ptr<DaoDatabase> CheckMainPassword(WindowServices& ws, const FileLocation& mainPath) {
  std::unique_ptr<DaoDatabase> db;
  ErrorRecord err;
  for (int16_t attempt = 1;; ++attempt) {
    err.Clear();
    Trap(err, [&] { db = OpenDb(mainPath, false); });
    if (err.Number != kErrNotValidPassword) return db;
    if (attempt > kPasswordPrompts) {
      ws.MsgBox(WrongPasswordMessage(), kWrongPasswordStyle);
      ws.End();
    }
    // The first refusal only means that a password is needed.
    if (attempt >= 2) ws.MsgBox(WrongPasswordMessage(), kWrongPasswordStyle);
    Run().DbPassword = AskPassword(ws);
    if (Run().DbPassword.empty()) ws.End();
  }
}

}  // namespace tav

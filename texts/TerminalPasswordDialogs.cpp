#include "texts/TerminalPasswordDialogs.h"

#include <memory>
#include <utility>

#include "platform/window/Terminal.h"
#include "texts/PasswordDialog.h"
#include "texts/frmOptionalPwd.h"
#include "texts/frmPwd.h"

namespace tav {

namespace {

// Where the box's text comes from, shared by every dialog of the run.
class PasswordAnswers {
 public:
  explicit PasswordAnswers(std::optional<std::string> filePassword) : file_(std::move(filePassword)) {}

  // Puts the user's password into the dialog's box; false when the user cancels instead.
  // `emptyAllowed` is whether OK may be pressed with an empty box.
  bool Enter(TerminalForm& dialog, bool emptyAllowed) {
    TerminalWindowServices& out = dialog.Services();
    if (file_) return FromFile(dialog, emptyAllowed);
    if (HasTerminal()) return FromTerminal(dialog, emptyAllowed);
    if (emptyAllowed) {
      out.Print("No password was given (no terminal and no --password-file): answered with none.");
      return true;
    }
    out.Print("The database is protected: give its password with --password-file.");
    return false;
  }

 private:
  bool FromFile(TerminalForm& dialog, bool emptyAllowed) {
    if (!emptyAllowed) {
      if (fileTaken_) {
        dialog.Services().Print("The password from the password file was not accepted.");
        return false;
      }
      fileTaken_ = true;
      if (PasswordAnswer(*file_).empty()) {
        dialog.Services().Print("The password file holds no password.");
        return false;
      }
    }
    dialog.Services().Print("Password: (the password file's)");
    dialog.Paste("txtPwd", *file_);
    return true;
  }

  static bool FromTerminal(TerminalForm& dialog, bool emptyAllowed) {
    for (;;) {
      const std::optional<std::string> line = ReadHiddenLine("Password: ");
      if (!line) return false;
      dialog.Paste("txtPwd", "");
      dialog.Type("txtPwd", *line);
      if (emptyAllowed || PropFlag(dialog, "cmdOK", "Enabled")) return true;
    }
  }

  std::optional<std::string> file_;
  bool fileTaken_ = false;
};

class TerminalPasswordUser : public TerminalUser {
 public:
  explicit TerminalPasswordUser(std::shared_ptr<PasswordAnswers> answers) : answers_(std::move(answers)) {}

  void Converse(TerminalForm& dialog) override {
    for (const std::string& control : dialog.ControlNames()) {
      if (dialog.ControlType(control) != "Label") continue;
      const std::string text = PropText(dialog, control, "Caption");
      if (!text.empty()) dialog.Services().Print(text);
    }
    // A dialog whose OK is enabled at opening takes an empty box as its answer.
    const bool emptyAllowed = PropFlag(dialog, "cmdOK", "Enabled");
    dialog.Press(answers_->Enter(dialog, emptyAllowed) ? "cmdOK" : "cmdAnnulla");
  }

 private:
  std::shared_ptr<PasswordAnswers> answers_;
};

}  // namespace

void RegisterTerminalPasswordDialogs(TerminalWindowServices& services,
                                     std::optional<std::string> filePassword) {
  auto answers = std::make_shared<PasswordAnswers>(std::move(filePassword));
  for (const FormClass& dialog : {PasswordForm(), OptionalPasswordForm()})
    services.RegisterForm(dialog, [answers] { return std::make_unique<TerminalPasswordUser>(answers); });
}

}  // namespace tav

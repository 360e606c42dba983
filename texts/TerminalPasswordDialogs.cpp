#include "texts/TerminalPasswordDialogs.h"

#include <utility>
#include <vector>

#include "platform/window/Terminal.h"
#include "texts/LocalizeForm.h"
#include "texts/PasswordDialog.h"
#include "texts/frmOptionalPwd.h"

namespace tav {

namespace {

std::string Answer(const std::string& boxText) {
  return PasswordAnswer(QString::fromStdString(boxText)).toStdString();
}

// The box's text after typing `line` key by key: keys the box refuses are dropped, and a
// backspace removes the character before it.
std::string Typed(const std::string& line) {
  std::string box;
  for (const char key : line) {
    const auto code = static_cast<char16_t>(static_cast<unsigned char>(key));
    if (!IsPasswordKey(code)) continue;
    if (code == 8) {
      if (!box.empty()) box.pop_back();
    } else {
      box += key;
    }
  }
  return box;
}

// Where the box's text comes from, shared by every dialog of the run.
class PasswordAnswers {
 public:
  explicit PasswordAnswers(std::optional<std::string> filePassword) : file_(std::move(filePassword)) {}

  // The box's text when the user presses OK, or nullopt for cancel.
  std::optional<std::string> Next(bool emptyAllowed, TerminalWindowServices& out) {
    if (file_) return FromFile(emptyAllowed, out);
    if (HasTerminal()) return FromTerminal(emptyAllowed);
    if (emptyAllowed) {
      out.Print("No password was given (no terminal and no --password-file): answered with none.");
      return std::string();
    }
    out.Print("The database is protected: give its password with --password-file.");
    return std::nullopt;
  }

 private:
  std::optional<std::string> FromFile(bool emptyAllowed, TerminalWindowServices& out) {
    if (!emptyAllowed) {
      if (fileTaken_) {
        out.Print("The password from the password file was not accepted.");
        return std::nullopt;
      }
      fileTaken_ = true;
      if (Answer(*file_).empty()) {
        out.Print("The password file holds no password.");
        return std::nullopt;
      }
    }
    out.Print("Password: (the password file's)");
    return file_;
  }

  static std::optional<std::string> FromTerminal(bool emptyAllowed) {
    for (;;) {
      const std::optional<std::string> line = ReadHiddenLine("Password: ");
      if (!line) return std::nullopt;
      const std::string box = Typed(*line);
      if (emptyAllowed || !Answer(box).empty()) return box;
    }
  }

  std::optional<std::string> file_;
  bool fileTaken_ = false;
};

struct DialogDesign {
  const char* name;
  std::vector<std::pair<const char*, const char*>> labels;  // name, designed caption
  bool emptyAllowed;
  const char* cancelAnswer;
};

const DialogDesign kPwd{"frmPwd", {{"Label1", "#20"}, {"Label2", "#21"}}, false, ""};
const DialogDesign kOptionalPwd{"frmOptionalPwd",
                                {{"Label1", "#10"}, {"lblError", ""}, {"Label2", "#11"}, {"Label3", "#12"}},
                                true,
                                kOptionalPwdCancel};

class TerminalPasswordDialog : public TerminalForm {
 public:
  TerminalPasswordDialog(TerminalWindowServices& services, const DialogDesign& design,
                         std::shared_ptr<PasswordAnswers> answers)
      : TerminalForm(design.name, services), design_(design), answers_(std::move(answers)) {}

 protected:
  void Design() override {
    for (const auto& [label, caption] : design_.labels)
      AddControl(label, "Label", {{"Caption", std::string(caption)}});
    AddControl("txtPwd", "TextBox", {{"Text", std::string()}});
    AddControl("cmdOK", "ButtonPlus", {{"Caption", std::string("#2")}, {"Enabled", design_.emptyAllowed}});
    AddControl("cmdAnnulla", "ButtonPlus", {{"Caption", std::string("#3")}});
  }
  void OnLoad() override { LocalizeForm(*this); }

  void Converse() override {
    for (const auto& [label, caption] : design_.labels) {
      const std::string text = Text(label, "Caption");
      if (!text.empty()) Services().Print(text);
    }
    const std::optional<std::string> box = answers_->Next(design_.emptyAllowed, Services());
    if (!box) {
      SetTag(design_.cancelAnswer);
      return;
    }
    SetProperty("txtPwd", "Text", *box);
    SetTag(Answer(*box));
  }

 private:
  const DialogDesign& design_;
  std::shared_ptr<PasswordAnswers> answers_;
};

}  // namespace

void RegisterTerminalPasswordDialogs(TerminalWindowServices& services,
                                     std::optional<std::string> filePassword) {
  auto answers = std::make_shared<PasswordAnswers>(std::move(filePassword));
  for (const DialogDesign* design : {&kPwd, &kOptionalPwd}) {
    services.RegisterForm(design->name, [design, answers](TerminalWindowServices& owner) {
      return std::make_unique<TerminalPasswordDialog>(owner, *design, answers);
    });
  }
}

}  // namespace tav

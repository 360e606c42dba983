#include "install/TerminalChooseVersion.h"

#include "app/RunState.h"
#include "install/frmChooseVersion.h"

namespace tav {

void TerminalChooseVersion::Converse(TerminalForm& form) {
  const std::string button = "cmdTV(" + std::to_string(versionIndex_) + ")";
  form.Press(button);
  if (Run().BasePath.empty()) {
    form.Services().Print("No " + PropText(form, button, "Caption") +
                          " installation was found; no database was touched.");
    form.SetTag("");
    return;
  }
  PrintNewLines(form);
  form.Press("cmdStart");
}

void TerminalChooseVersion::Refreshed(TerminalForm& form, std::string_view control) {
  if (control == "txtFiles") PrintNewLines(form);
}

void TerminalChooseVersion::PrintNewLines(TerminalForm& form) {
  const std::string text = PropText(form, "txtFiles", "Text");
  const bool appended = text.compare(0, printed_.size(), printed_) == 0;
  const std::string added = appended ? text.substr(printed_.size()) : text;
  printed_ = text;
  size_t from = 0;
  while (from < added.size()) {
    size_t end = added.find_first_of("\r\n", from);
    if (end == std::string::npos) end = added.size();
    if (end > from) form.Services().Print(added.substr(from, end - from));
    from = end + 1;
  }
}

void RegisterTerminalMainWindow(TerminalWindowServices& services, int versionIndex) {
  services.RegisterForm(MainWindowForm(),
                        [versionIndex] { return std::make_unique<TerminalChooseVersion>(versionIndex); });
}

}  // namespace tav

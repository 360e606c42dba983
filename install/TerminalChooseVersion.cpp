#include "install/TerminalChooseVersion.h"

#include "app/RunState.h"
#include "install/FindInstallPath.h"
#include "install/VersionChoice.h"
#include "texts/LocalizeForm.h"
#include "texts/TextTable.h"

namespace tav {

namespace {

constexpr int16_t kWorkingText = 5;

const char* VersionCaption(int index) { return index == 0 ? "Tavimer 1.x" : "Tavimer 2.x"; }

}  // namespace

TerminalChooseVersion::TerminalChooseVersion(TerminalWindowServices& services, int versionIndex)
    : TerminalForm("frmChooseVersion", services), versionIndex_(versionIndex) {}

void TerminalChooseVersion::Design() {
  AddControl("txtFiles", "TextBox", {{"Text", std::string()}, {"SelStart", int32_t{0}}, {"Visible", false}});
  AddControl("cmdEnd", "ButtonPlus", {{"Caption", std::string("#2")}, {"Visible", false}});
}

void TerminalChooseVersion::OnLoad() { LocalizeForm(*this); }

void TerminalChooseVersion::Converse() {
  // The version button.
  const std::string tag = VersionTag(versionIndex_);
  SetTag(tag);
  FindInstallPath(versionIndex_ == 1);
  SetProperty("txtFiles", "Text", FileListing(tag, Run().BasePath));
  SetProperty("txtFiles", "Visible", true);
  if (Run().BasePath.empty()) {
    Services().Print(std::string("No ") + VersionCaption(versionIndex_) +
                     " installation was found; no database was touched.");
    SetTag("");
    return;
  }
  PrintNewLines();
  // Start.
  SetProperty("txtFiles", "Text", GetText(kWorkingText));
}

void TerminalChooseVersion::OnRefresh(std::string_view control) {
  if (control == "txtFiles") PrintNewLines();
}

void TerminalChooseVersion::PrintNewLines() {
  const std::string text = Text("txtFiles", "Text");
  const bool appended = text.compare(0, printed_.size(), printed_) == 0;
  const std::string added = appended ? text.substr(printed_.size()) : text;
  printed_ = text;
  size_t from = 0;
  while (from < added.size()) {
    size_t end = added.find_first_of("\r\n", from);
    if (end == std::string::npos) end = added.size();
    if (end > from) Services().Print(added.substr(from, end - from));
    from = end + 1;
  }
}

void RegisterTerminalMainWindow(TerminalWindowServices& services, int versionIndex) {
  services.RegisterForm("frmChooseVersion", [versionIndex](TerminalWindowServices& owner) {
    return std::make_unique<TerminalChooseVersion>(owner, versionIndex);
  });
}

}  // namespace tav

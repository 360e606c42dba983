#pragma once
// The main window's terminal counterpart, for runs from the command line.
//
// The generation is chosen by the caller (its version button index, 0 for "Tavimer 1.x",
// 1 for "Tavimer 2.x"). Shown modally, the form presses that button as the window does
// (the tag, installation discovery, the file list, which it prints) and then Start. When
// discovery found no installation it prints so instead and is closed without Start, which
// leaves the tag empty and so ends the program before any file is touched.
//
// Shown again, it prints txtFiles; each repaint of txtFiles prints the lines added since,
// so the result lines appear as the run produces them. Blank lines are not printed.

#include <string>

#include "platform/window/TerminalWindowServices.h"

namespace tav {

class TerminalChooseVersion : public TerminalForm {
 public:
  TerminalChooseVersion(TerminalWindowServices& services, int versionIndex);

 protected:
  void Design() override;
  void OnLoad() override;
  void Converse() override;
  void OnShow() override { PrintNewLines(); }
  void OnRefresh(std::string_view control) override;

 private:
  void PrintNewLines();

  int versionIndex_;
  std::string printed_;  // txtFiles as last printed
};

// Registers the terminal main window as "frmChooseVersion" for the version button
// `versionIndex`.
void RegisterTerminalMainWindow(TerminalWindowServices& services, int versionIndex);

}  // namespace tav

#pragma once
// The main window at the terminal, for runs from the command line.
//
// The generation is chosen by the caller (its version button index, 0 for "Tavimer 1.x",
// 1 for "Tavimer 2.x"). Shown modally, the window's user presses that button (the tag,
// installation discovery, the file list, which is printed) and then Start. When discovery
// found no installation it prints so instead and closes the window without Start, which
// leaves the tag empty and so ends the program before any file is touched.
//
// Shown again, it prints txtFiles; each repaint of txtFiles prints the lines added since,
// so the result lines appear as the run produces them. Blank lines are not printed.

#include <string>

#include "platform/window/TerminalWindowServices.h"

namespace tav {

class TerminalChooseVersion : public TerminalUser {
 public:
  explicit TerminalChooseVersion(int versionIndex) : versionIndex_(versionIndex) {}

  void Converse(TerminalForm& form) override;
  void Shown(TerminalForm& form) override { PrintNewLines(form); }
  void Refreshed(TerminalForm& form, std::string_view control) override;

 private:
  void PrintNewLines(TerminalForm& form);

  int versionIndex_;
  std::string printed_;  // txtFiles as last printed
};

// Registers the main window as "frmChooseVersion", used at the terminal with the version
// button `versionIndex`.
void RegisterTerminalMainWindow(TerminalWindowServices& services, int versionIndex);

}  // namespace tav

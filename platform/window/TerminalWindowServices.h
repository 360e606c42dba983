#pragma once
// Window services that speak to a terminal, for runs nobody watches (cron, a timer): no
// window system is used and no widget is created.
//
// A form is a set of named controls holding their properties (TerminalForm); each form
// of the program has a terminal counterpart that derives from it and says, in Converse(),
// what the user would do when it is shown modally: it prints what the window would show
// and collects the answer from the command line, a file or the terminal.
//
// Message boxes are printed with the application's title, an icon word, the text and the
// answer, and are answered as their safe default: OK, or Cancel for Retry and Cancel.
// With `retries` above zero a Retry/Cancel box answers Retry up to that many times in a
// row; a Cancel or any other box starts the count again, so each database's repair gets
// the same number of retries.
//
// Ending the program (End) flushes the output and exits with kRunNotFinished.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/window/WindowServices.h"

namespace tav {

// Exit statuses of a run through the terminal.
inline constexpr int kRunSucceeded = 0;        // every database compacted or left as it was
inline constexpr int kRunReportedFailure = 1;  // a box with the stop icon was shown
inline constexpr int kRunNotFinished = 2;      // ended before the run (no installation, no password, ...)

class TerminalWindowServices;

class TerminalForm : public Form {
 public:
  TerminalForm(std::string name, TerminalWindowServices& services);

  const std::string& Name() const override { return name_; }
  // Designs the controls (Design) and runs the load handler (OnLoad), once per load.
  void Load() override;
  // Loads, then Converse(); the form is hidden again when it returns.
  void ShowModal() override;
  void Show() override;
  void Hide() override { visible_ = false; }
  // Drops the controls and the tag; a later Load designs them afresh.
  void Unload() override;
  std::string Tag() const override { return tag_; }
  void SetTag(const std::string& tag) override { tag_ = tag; }
  std::vector<std::string> ControlNames() const override;
  std::string ControlType(std::string_view control) const override;
  // Only the properties a control was designed with exist; the form itself has "Caption".
  bool GetProperty(std::string_view control, std::string_view property, PropValue& out) const override;
  bool SetProperty(std::string_view control, std::string_view property, const PropValue& value) override;
  void Refresh(std::string_view control) override { OnRefresh(control); }

  bool Visible() const { return visible_; }

 protected:
  // Adds a control in the designed collection order.
  void AddControl(const std::string& name, const std::string& type,
                  std::map<std::string, PropValue> properties);
  // The text of a control's property, or "" when it has none.
  std::string Text(std::string_view control, std::string_view property) const;
  TerminalWindowServices& Services() const { return services_; }

  virtual void Design() = 0;
  virtual void OnLoad() {}
  // What the user does while the form is shown modally; leaves the answer in the Tag.
  virtual void Converse() = 0;
  virtual void OnShow() {}
  virtual void OnRefresh(std::string_view /*control*/) {}

 private:
  struct Control {
    std::string name;
    std::string type;
    std::map<std::string, PropValue, std::less<>> properties;
  };
  Control* Find(std::string_view control);
  const Control* Find(std::string_view control) const;

  std::string name_;
  TerminalWindowServices& services_;
  std::vector<Control> controls_;  // [0] is the form itself
  std::string tag_;
  bool loaded_ = false;
  bool visible_ = false;
};

class TerminalWindowServices : public WindowServices {
 public:
  using FormFactory = std::function<std::unique_ptr<TerminalForm>(TerminalWindowServices&)>;

  // Everything shown goes to `out`, which must outlive the services.
  TerminalWindowServices(std::ostream& out, int retries);

  void RegisterForm(std::string name, FormFactory factory);

  // Throws std::out_of_range for a name that was never registered.
  std::unique_ptr<Form> CreateForm(std::string_view name) override;
  int MsgBox(const std::string& text, int style) override;
  void DoEvents() override {}
  [[noreturn]] void End() override;
  bool InitCommonControls(uint32_t /*classFlags*/) override { return true; }

  // Prints a form's or a box's text: CR LF and lone CR become line breaks.
  void Print(const std::string& text);
  std::ostream& Out() { return out_; }

  // True once a box with the stop icon has been shown.
  bool FailureShown() const { return failureShown_; }

 private:
  std::ostream& out_;
  std::map<std::string, FormFactory, std::less<>> factories_;
  int retries_;
  int retriesLeft_;
  bool failureShown_ = false;
};

}  // namespace tav

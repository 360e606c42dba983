#pragma once
// Window services that speak to a terminal, for runs nobody watches (cron, a timer): no
// window system is used and no widget is created.
//
// A form is its design rendered as named controls holding their properties (TerminalForm):
// the properties each kind of control has in every back end, with their designed values.
// Its events go to the form's handlers as in a window: a change of a text box's text, from
// the program or from the user, is a Change; a press of an enabled, visible button a Click;
// each character typed into a box passes KeyPress first. What the user would do is said
// for each form by a TerminalUser: shown modally, it prints what the window would show,
// collects the answer from the command line, a file or the terminal, and acts on the form
// as a user would (typing, pasting, pressing buttons).
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

#include "platform/window/FormHandlers.h"
#include "platform/window/WindowServices.h"

namespace tav {

// Exit statuses of a run through the terminal.
inline constexpr int kRunSucceeded = 0;        // every database compacted or left as it was
inline constexpr int kRunReportedFailure = 1;  // a box with the stop icon was shown
inline constexpr int kRunNotFinished = 2;      // ended before the run (no installation, no password, ...)

class TerminalForm;
class TerminalWindowServices;

// What the person at the terminal does with one instance of a form.
class TerminalUser {
 public:
  virtual ~TerminalUser() = default;
  // The form is shown modally; it is hidden again when this returns.
  virtual void Converse(TerminalForm& form) = 0;
  // The form is shown without waiting.
  virtual void Shown(TerminalForm& /*form*/) {}
  // The program repaints a control.
  virtual void Refreshed(TerminalForm& /*form*/, std::string_view /*control*/) {}
};

class TerminalForm : public Form {
 public:
  TerminalForm(const FormClass& form, TerminalWindowServices& services, std::unique_ptr<TerminalUser> user);
  ~TerminalForm() override;

  const std::string& Name() const override;
  // Renders the design and runs the load handler, once per load.
  void Load() override;
  // Loads, then lets the user converse; the form is hidden again when that returns.
  void ShowModal() override;
  void Show() override;
  void Hide() override { visible_ = false; }
  // Drops the controls, the handlers and the tag; a later Load renders the design afresh.
  void Unload() override;
  std::string Tag() const override { return tag_; }
  void SetTag(const std::string& tag) override { tag_ = tag; }
  std::vector<std::string> ControlNames() const override;
  std::string ControlType(std::string_view control) const override;
  // A property exists when the control's kind has it; a value of another type is refused.
  bool GetProperty(std::string_view control, std::string_view property, PropValue& out) const override;
  bool SetProperty(std::string_view control, std::string_view property, const PropValue& value) override;
  void Refresh(std::string_view control) override;

  bool Visible() const { return visible_; }
  TerminalWindowServices& Services() const { return services_; }

  // What a user does: presses a button (only while it is enabled and visible), types keys
  // into a text box one by one (backspace, character 8, removes the last character), or
  // pastes text into it, which replaces what it held.
  void Press(std::string_view control);
  void Type(std::string_view control, std::string_view keys);
  void Paste(std::string_view control, const std::string& text);

 private:
  struct Control {
    std::string name;   // in the collection: "cmdTV(1)" for element 1 of an array
    std::string event;  // for the handlers: "cmdTV"
    int index = -1;
    std::string type;
    std::map<std::string, PropValue, std::less<>> properties;
  };
  Control* Find(std::string_view control);
  const Control* Find(std::string_view control) const;

  FormClass class_;
  TerminalWindowServices& services_;
  std::unique_ptr<TerminalUser> user_;
  std::unique_ptr<FormHandlers> handlers_;
  std::vector<Control> controls_;  // [0] is the form itself
  std::string tag_;
  bool loaded_ = false;
  bool visible_ = false;
};

class TerminalWindowServices : public WindowServices {
 public:
  using UserFactory = std::function<std::unique_ptr<TerminalUser>()>;

  // Everything shown goes to `out`, which must outlive the services.
  TerminalWindowServices(std::ostream& out, int retries);

  // Registers a form; each instance is the design with handlers of its own and a user made
  // by `user`.
  void RegisterForm(FormClass form, UserFactory user);

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
  struct Registered {
    FormClass form;
    UserFactory user;
  };

  std::ostream& out_;
  std::map<std::string, Registered, std::less<>> forms_;
  int retries_;
  int retriesLeft_;
  bool failureShown_ = false;
};

}  // namespace tav

#pragma once
// Window services for tests: forms are property maps per control, modal shows and message
// boxes are answered from a script, End() throws tav::ProgramEnded, and every request is
// recorded. Forms outlive the instances handed out, so tests can inspect them afterwards.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/WindowServices.h"
#include "tests/support/CallLog.h"

namespace tav::testing {

// The state of one form instance, shared between the Form handed out and the test.
struct FormState {
  std::string name;
  std::string tag;
  bool loaded = false;
  bool visible = false;
  bool unloaded = false;
  bool released = false;  // the program dropped its reference
  // control name ("" for the form) -> property -> value
  std::map<std::string, std::map<std::string, PropValue>> props;
  std::vector<std::string> refreshed;  // controls repainted, in order

  std::string Text(const std::string& control, const std::string& property) const;
};

class ScriptedWindowServices : public WindowServices {
 public:
  // What a modal show of a form does; it usually sets the Tag (the form's answer).
  using ModalAction = std::function<void(Form&)>;
  struct Box {
    std::string text;
    int style;
  };

  // `log` (optional) receives every request; it must outlive these services.
  explicit ScriptedWindowServices(CallLog* log = nullptr);

  // The next modal show of `form` sets its Tag to `tag` and returns.
  void AnswerModal(const std::string& form, const std::string& tag);
  // The next modal show of `form` runs `action`.
  void OnModal(const std::string& form, ModalAction action);
  // The next message box answers `button`. Unscripted boxes with only an OK button answer
  // OK; any other unscripted box fails the test (std::logic_error), unless AnswerEveryBox
  // gave an answer for them.
  void AnswerBox(int button);
  void AnswerEveryBox(int button) { everyBox_ = button; }
  // Every modal show of `form` that nothing else scripted runs `action`.
  void OnEveryModal(const std::string& form, ModalAction action) { everyModal_[form] = std::move(action); }
  // Properties every new instance of `form` starts with.
  void Design(const std::string& form, const std::string& control, const std::string& property,
              PropValue value);
  void SetInitResult(bool ok) { initResult_ = ok; }

  // What was asked.
  const std::vector<Box>& Boxes() const { return boxes_; }
  // Every instance of `form` created so far, oldest first.
  std::vector<std::shared_ptr<FormState>> Instances(const std::string& form) const;
  int DoEventsCount() const { return doEvents_; }
  bool Ended() const { return ended_; }
  const std::vector<uint32_t>& InitCalls() const { return initCalls_; }
  bool ScriptUsedUp() const;

  std::unique_ptr<Form> CreateForm(std::string_view name) override;
  int MsgBox(const std::string& text, int style) override;
  void DoEvents() override;
  [[noreturn]] void End() override;
  bool InitCommonControls(uint32_t classFlags) override;

  // Runs the next scripted modal action of `form` (used by the scripted forms).
  void RunModal(Form& form);
  void Record(const std::string& entry);

 private:
  CallLog* log_;
  std::map<std::string, std::deque<ModalAction>> modal_;
  std::deque<int> boxAnswers_;
  std::optional<int> everyBox_;
  std::map<std::string, ModalAction> everyModal_;
  std::map<std::string, std::map<std::string, std::map<std::string, PropValue>>> designs_;
  std::vector<std::shared_ptr<FormState>> forms_;
  std::vector<Box> boxes_;
  std::vector<uint32_t> initCalls_;
  int doEvents_ = 0;
  bool ended_ = false;
  bool initResult_ = true;
};

}  // namespace tav::testing

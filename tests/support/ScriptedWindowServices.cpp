#include "tests/support/ScriptedWindowServices.h"

#include <sstream>
#include <stdexcept>

namespace tav::testing {

namespace {

std::string Display(const PropValue& v) {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
  return std::to_string(std::get<int32_t>(v));
}

class ScriptedForm : public Form {
 public:
  ScriptedForm(ScriptedWindowServices& ws, std::shared_ptr<FormState> state)
      : ws_(ws), state_(std::move(state)) {}
  ~ScriptedForm() override { state_->released = true; }

  const std::string& Name() const override { return state_->name; }
  void Load() override {
    state_->loaded = true;
    ws_.Record("Load " + state_->name);
  }
  void ShowModal() override {
    state_->loaded = state_->visible = true;
    ws_.Record("ShowModal " + state_->name);
    ws_.RunModal(*this);
  }
  void Show() override {
    state_->loaded = state_->visible = true;
    ws_.Record("Show " + state_->name);
  }
  void Hide() override {
    state_->visible = false;
    ws_.Record("Hide " + state_->name);
  }
  void Unload() override {
    state_->visible = false;
    state_->unloaded = true;
    ws_.Record("Unload " + state_->name);
  }
  std::string Tag() const override { return state_->tag; }
  void SetTag(const std::string& tag) override { state_->tag = tag; }

  std::vector<std::string> ControlNames() const override {
    std::vector<std::string> names;
    for (const auto& [control, props] : state_->props)
      if (!control.empty()) names.push_back(control);
    return names;
  }
  std::string ControlType(std::string_view) const override { return "TextBox"; }

  bool GetProperty(std::string_view control, std::string_view property, PropValue& out) const override {
    auto c = state_->props.find(std::string(control));
    if (c == state_->props.end()) return false;
    auto p = c->second.find(std::string(property));
    if (p == c->second.end()) return false;
    out = p->second;
    return true;
  }
  bool SetProperty(std::string_view control, std::string_view property, const PropValue& value) override {
    state_->props[std::string(control)][std::string(property)] = value;
    ws_.Record("Set " + state_->name + "." + std::string(control) + "." + std::string(property) + "=" +
               Display(value));
    return true;
  }
  void Refresh(std::string_view control) override {
    state_->refreshed.emplace_back(control);
    ws_.Record("Refresh " + state_->name + "." + std::string(control));
  }

 private:
  ScriptedWindowServices& ws_;
  std::shared_ptr<FormState> state_;
};

}  // namespace

std::string FormState::Text(const std::string& control, const std::string& property) const {
  auto c = props.find(control);
  if (c == props.end()) return {};
  auto p = c->second.find(property);
  if (p == c->second.end()) return {};
  return Display(p->second);
}

ScriptedWindowServices::ScriptedWindowServices(CallLog* log) : log_(log) {}

void ScriptedWindowServices::AnswerModal(const std::string& form, const std::string& tag) {
  OnModal(form, [tag](Form& f) { f.SetTag(tag); });
}

void ScriptedWindowServices::OnModal(const std::string& form, ModalAction action) {
  modal_[form].push_back(std::move(action));
}

void ScriptedWindowServices::AnswerBox(int button) { boxAnswers_.push_back(button); }

void ScriptedWindowServices::Design(const std::string& form, const std::string& control,
                                    const std::string& property, PropValue value) {
  designs_[form][control][property] = std::move(value);
}

std::vector<std::shared_ptr<FormState>> ScriptedWindowServices::Instances(const std::string& form) const {
  std::vector<std::shared_ptr<FormState>> out;
  for (const auto& f : forms_)
    if (f->name == form) out.push_back(f);
  return out;
}

bool ScriptedWindowServices::ScriptUsedUp() const {
  for (const auto& [name, actions] : modal_)
    if (!actions.empty()) return false;
  return boxAnswers_.empty();
}

std::unique_ptr<Form> ScriptedWindowServices::CreateForm(std::string_view name) {
  auto state = std::make_shared<FormState>();
  state->name = std::string(name);
  auto design = designs_.find(state->name);
  if (design != designs_.end()) state->props = design->second;
  forms_.push_back(state);
  Record("CreateForm " + state->name);
  return std::make_unique<ScriptedForm>(*this, state);
}

int ScriptedWindowServices::MsgBox(const std::string& text, int style) {
  boxes_.push_back({text, style});
  Record("MsgBox " + std::to_string(style));
  if (!boxAnswers_.empty()) {
    int answer = boxAnswers_.front();
    boxAnswers_.pop_front();
    return answer;
  }
  if ((style & 7) == vbOKOnly) return vbOK;
  if (everyBox_) return *everyBox_;
  throw std::logic_error("unscripted message box: " + text);
}

void ScriptedWindowServices::DoEvents() {
  ++doEvents_;
  Record("DoEvents");
}

void ScriptedWindowServices::End() {
  ended_ = true;
  Record("End");
  throw ProgramEnded{};
}

bool ScriptedWindowServices::InitCommonControls(uint32_t classFlags) {
  initCalls_.push_back(classFlags);
  std::ostringstream entry;
  entry << "InitCommonControls 0x" << std::hex << classFlags;
  Record(entry.str());
  return initResult_;
}

void ScriptedWindowServices::RunModal(Form& form) {
  auto& actions = modal_[form.Name()];
  if (actions.empty() && everyModal_.count(form.Name()) != 0) return everyModal_[form.Name()](form);
  if (actions.empty()) throw std::logic_error("unscripted modal show of " + form.Name());
  auto action = std::move(actions.front());
  actions.pop_front();
  action(form);
}

void ScriptedWindowServices::Record(const std::string& entry) {
  if (log_) log_->Add(entry);
}

}  // namespace tav::testing

#include "platform/window/TerminalWindowServices.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace tav {

namespace {

const char* IconWord(int style) {
  switch (style & 0x70) {
    case vbCritical:
      return "error";
    case vbExclamation:
      return "warning";
    case vbInformation:
      return "information";
    default:
      return "message";
  }
}

}  // namespace

// ---- TerminalForm

TerminalForm::TerminalForm(std::string name, TerminalWindowServices& services)
    : name_(std::move(name)), services_(services) {}

void TerminalForm::Load() {
  if (loaded_) return;
  loaded_ = true;
  controls_.clear();
  controls_.push_back({"", "Form", {{"Caption", std::string()}}});
  Design();
  OnLoad();
}

void TerminalForm::ShowModal() {
  Load();
  visible_ = true;
  Converse();
  visible_ = false;
}

void TerminalForm::Show() {
  Load();
  visible_ = true;
  OnShow();
}

void TerminalForm::Unload() {
  loaded_ = false;
  visible_ = false;
  controls_.clear();
  tag_.clear();
}

void TerminalForm::AddControl(const std::string& name, const std::string& type,
                              std::map<std::string, PropValue> properties) {
  Control control{name, type, {}};
  for (auto& [property, value] : properties) control.properties.emplace(property, std::move(value));
  controls_.push_back(std::move(control));
}

TerminalForm::Control* TerminalForm::Find(std::string_view control) {
  for (Control& c : controls_)
    if (c.name == control) return &c;
  return nullptr;
}

const TerminalForm::Control* TerminalForm::Find(std::string_view control) const {
  return const_cast<TerminalForm*>(this)->Find(control);
}

std::vector<std::string> TerminalForm::ControlNames() const {
  std::vector<std::string> names;
  for (size_t i = 1; i < controls_.size(); ++i) names.push_back(controls_[i].name);
  return names;
}

std::string TerminalForm::ControlType(std::string_view control) const {
  const Control* c = Find(control);
  return c ? c->type : std::string();
}

bool TerminalForm::GetProperty(std::string_view control, std::string_view property, PropValue& out) const {
  const Control* c = Find(control);
  if (!c) return false;
  auto p = c->properties.find(property);
  if (p == c->properties.end()) return false;
  out = p->second;
  return true;
}

bool TerminalForm::SetProperty(std::string_view control, std::string_view property, const PropValue& value) {
  Control* c = Find(control);
  if (!c) return false;
  auto p = c->properties.find(property);
  if (p == c->properties.end() || p->second.index() != value.index()) return false;
  p->second = value;
  return true;
}

std::string TerminalForm::Text(std::string_view control, std::string_view property) const {
  return PropText(*this, control, property);
}

// ---- TerminalWindowServices

TerminalWindowServices::TerminalWindowServices(std::ostream& out, int retries)
    : out_(out), retries_(retries), retriesLeft_(retries) {}

void TerminalWindowServices::RegisterForm(std::string name, FormFactory factory) {
  factories_[std::move(name)] = std::move(factory);
}

std::unique_ptr<Form> TerminalWindowServices::CreateForm(std::string_view name) {
  auto it = factories_.find(name);
  if (it == factories_.end()) throw std::out_of_range("no form named " + std::string(name));
  return it->second(*this);
}

void TerminalWindowServices::Print(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += text[i];
    }
  }
  out_ << lines << '\n' << std::flush;
}

int TerminalWindowServices::MsgBox(const std::string& text, int style) {
  if ((style & 0x70) == vbCritical) failureShown_ = true;
  int answer = vbOK;
  std::string buttons = "[OK]";
  if ((style & 0x7) == vbRetryCancel) {
    buttons = "[Retry] [Cancel]";
    answer = retriesLeft_ > 0 ? vbRetry : vbCancel;
  }
  retriesLeft_ = answer == vbRetry ? retriesLeft_ - 1 : retries_;

  out_ << "=== " << kApplicationTitle << " (" << IconWord(style) << ") ===\n";
  Print(text);
  out_ << "=== " << buttons << " answered "
       << (answer == vbRetry    ? "Retry"
           : answer == vbCancel ? "Cancel"
                                : "OK")
       << " ===\n"
       << std::flush;
  return answer;
}

void TerminalWindowServices::End() {
  out_ << std::flush;
  std::fflush(nullptr);
  std::exit(kRunNotFinished);
}

}  // namespace tav

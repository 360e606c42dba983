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

// The properties a control of the design's kind has, with their designed values.
std::map<std::string, PropValue, std::less<>> DesignedProperties(const ControlDesign& c) {
  std::map<std::string, PropValue, std::less<>> p = {
      {"Visible", c.visible}, {"Left", c.left}, {"Top", c.top}, {"Width", c.width}, {"Height", c.height}};
  switch (c.kind) {
    case ControlKind::kLabel:
      p.insert({{"Caption", c.caption}, {"ToolTipText", c.toolTip}, {"Enabled", c.enabled}});
      break;
    case ControlKind::kTextBox:
      p.insert({{"Text", std::string()},
                {"SelStart", int32_t{0}},
                {"PasswordChar", c.passwordChar},
                {"Locked", c.locked},
                {"Enabled", c.enabled}});
      break;
    case ControlKind::kButton:
      p.insert({{"Caption", c.caption},
                {"ToolTipText", c.toolTip},
                {"Enabled", c.enabled},
                {"Index", c.index},
                {"Default", c.isDefault},
                {"Cancel", c.isCancel}});
      break;
    case ControlKind::kShape:
      p.insert({"BorderWidth", c.borderWidth});
      break;
    case ControlKind::kImage:
      break;
  }
  return p;
}

}  // namespace

// ---- TerminalForm

TerminalForm::TerminalForm(const FormClass& form, TerminalWindowServices& services,
                           std::unique_ptr<TerminalUser> user)
    : class_(form), services_(services), user_(std::move(user)) {}

TerminalForm::~TerminalForm() = default;

const std::string& TerminalForm::Name() const { return class_.design->name; }

void TerminalForm::Load() {
  if (loaded_) return;
  loaded_ = true;
  const FormDesign& design = *class_.design;
  controls_.clear();
  controls_.push_back({"", "", -1, "Form", {{"Caption", design.caption}, {"Enabled", true}}});
  for (const ControlDesign& c : design.controls)
    controls_.push_back({CollectionName(c), c.name, c.index, ControlTypeName(c.kind), DesignedProperties(c)});
  handlers_ = class_.makeHandlers(services_);
  handlers_->Form_Load(*this);
}

void TerminalForm::ShowModal() {
  Load();
  visible_ = true;
  user_->Converse(*this);
  visible_ = false;
}

void TerminalForm::Show() {
  Load();
  visible_ = true;
  user_->Shown(*this);
}

void TerminalForm::Unload() {
  loaded_ = false;
  visible_ = false;
  controls_.clear();
  handlers_.reset();
  tag_.clear();
}

void TerminalForm::Refresh(std::string_view control) { user_->Refreshed(*this, control); }

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
  const bool changed = p->second != value;
  p->second = value;
  if (changed && property == "Text" && c->type == "TextBox" && handlers_) {
    const std::string event = c->event;
    handlers_->Change(*this, event);
  }
  return true;
}

void TerminalForm::Press(std::string_view control) {
  const Control* c = Find(control);
  if (!c || c->type != "ButtonPlus" || !visible_) return;
  if (!PropFlag(*this, control, "Enabled") || !PropFlag(*this, control, "Visible")) return;
  const std::string event = c->event;
  const int index = c->index;
  handlers_->Click(*this, event, index);
}

void TerminalForm::Type(std::string_view control, std::string_view keys) {
  const Control* c = Find(control);
  if (!c || c->type != "TextBox") return;
  const std::string event = c->event;
  for (const char key : keys) {
    const auto code = static_cast<char16_t>(static_cast<unsigned char>(key));
    if (!handlers_->KeyPress(*this, event, code)) continue;
    std::string text = PropText(*this, control, "Text");
    if (code == 8) {
      if (!text.empty()) text.pop_back();
    } else {
      text += key;
    }
    SetProperty(control, "Text", text);
  }
}

void TerminalForm::Paste(std::string_view control, const std::string& text) {
  SetProperty(control, "Text", text);
}

// ---- TerminalWindowServices

TerminalWindowServices::TerminalWindowServices(std::ostream& out, int retries)
    : out_(out), retries_(retries), retriesLeft_(retries) {}

void TerminalWindowServices::RegisterForm(FormClass form, UserFactory user) {
  std::string name = form.design->name;
  forms_[std::move(name)] = Registered{std::move(form), std::move(user)};
}

std::unique_ptr<Form> TerminalWindowServices::CreateForm(std::string_view name) {
  auto it = forms_.find(name);
  if (it == forms_.end()) throw std::out_of_range("no form named " + std::string(name));
  return std::make_unique<TerminalForm>(it->second.form, *this, it->second.user());
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

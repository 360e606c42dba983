#include "install/frmChooseVersion.h"

#include "app/RunState.h"
#include "install/FindInstallPath.h"
#include "install/VersionChoice.h"
#include "texts/LocalizeForm.h"
#include "texts/TextTable.h"

namespace tav {
namespace {

// The one margin the selection frame keeps around a version button.
constexpr int kFrameMargin = 60;
constexpr int16_t kWorkingText = 5;

constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgb kListGrey{0x80, 0x80, 0x80};
constexpr Rgb kVersionGrey{0x32, 0x32, 0x32};
constexpr Rgb kActionGrey{0x6E, 0x6E, 0x6E};
constexpr Rgb kFrameGrey{0xE0, 0xE0, 0xE0};

FontDesign SansSerif(double points, bool bold = false) { return FontDesign{"MS Sans Serif", points, bold}; }

ControlDesign Label(const char* name, const char* caption, int left, int top, int width, int height,
                    int tabIndex) {
  ControlDesign label;
  label.kind = ControlKind::kLabel;
  label.name = name;
  label.caption = caption;
  label.left = left, label.top = top, label.width = width, label.height = height;
  label.foreColor = kWhite;
  label.tabIndex = tabIndex;
  return label;
}

ControlDesign Button(const char* name, int index, const char* caption, Rgb back, int left, int top, int width,
                     int height, int tabIndex) {
  ControlDesign button;
  button.kind = ControlKind::kButton;
  button.name = name;
  button.index = index;
  button.caption = caption;
  button.left = left, button.top = top, button.width = width, button.height = height;
  button.backColor = back;
  button.foreColor = kWhite;
  button.font = SansSerif(18);
  button.tabIndex = tabIndex;
  return button;
}

FormDesign Design() {
  FormDesign form;
  form.name = "frmChooseVersion";
  form.caption = kApplicationTitle;
  form.width = 7500;
  form.height = 5985;
  form.frame = WindowFrame::kFixedWithTitle;
  form.picture = "backdrop";
  form.icon = "program";
  form.font = SansSerif(8);

  form.controls.push_back(Label("Label1", "#100", 300, 660, 4995, 795, 5));
  form.controls.push_back(Label("Label2", "#101", 300, 1500, 4995, 435, 7));
  ControlDesign which = Label("lblWhich", "#104", 300, 1980, 6915, 375, 2);
  which.font = SansSerif(12, true);
  form.controls.push_back(which);
  form.controls.push_back(Button("cmdTV", 0, "Tavimer 1.x", kVersionGrey, 300, 2340, 3315, 675, 0));
  form.controls.push_back(Button("cmdTV", 1, "Tavimer 2.x", kVersionGrey, 3900, 2340, 3315, 675, 1));

  ControlDesign frame;
  frame.kind = ControlKind::kShape;
  frame.name = "shpSelected";
  frame.left = 240, frame.top = 2280, frame.width = 3435, frame.height = 795;
  frame.borderColor = kFrameGrey;
  frame.borderWidth = 2;
  frame.visible = false;
  form.controls.push_back(frame);

  ControlDesign files;
  files.kind = ControlKind::kTextBox;
  files.name = "txtFiles";
  files.left = 300, files.top = 3180, files.width = 6915, files.height = 1515;
  files.multiLine = true;
  files.locked = true;
  files.backColor = kListGrey;
  files.foreColor = kWhite;
  files.font = SansSerif(9.75);
  files.visible = false;
  files.tabIndex = 4;
  form.controls.push_back(files);

  ControlDesign instruction = Label("lblStart", "#102", 300, 4920, 3615, 1035, 6);
  instruction.visible = false;
  form.controls.push_back(instruction);
  ControlDesign start = Button("cmdStart", -1, "#4", kActionGrey, 3960, 4920, 3315, 795, 3);
  start.visible = false;
  form.controls.push_back(start);
  ControlDesign end = Button("cmdEnd", -1, "#2", kActionGrey, 2100, 4920, 3315, 795, 8);
  end.visible = false;
  form.controls.push_back(end);
  return form;
}

}  // namespace

const FormDesign& frmChooseVersionDesign() {
  static const FormDesign design = Design();
  return design;
}

void frmChooseVersion::Form_Load(Form& self) { LocalizeForm(self); }

void frmChooseVersion::Click(Form& self, std::string_view control, int index) {
  if (control == "cmdTV") cmdTV_Click(self, index);
  if (control == "cmdStart") cmdStart_Click(self);
  if (control == "cmdEnd") cmdEnd_Click(self);
}

void frmChooseVersion::cmdTV_Click(Form& self, int index) {
  self.SetProperty("cmdStart", "Visible", true);
  self.SetProperty("lblStart", "Visible", true);
  self.SetProperty("txtFiles", "Text", GetText(kFilesIntroText) + "\r\n\r\n");
  self.SetProperty("txtFiles", "Visible", true);
  if (index != 0 && index != 1) return;

  const std::string button = "cmdTV(" + std::to_string(index) + ")";
  self.SetProperty("shpSelected", "Left", PropNumber(self, button, "Left") - kFrameMargin);
  self.SetProperty("shpSelected", "Visible", true);
  // The tag is set before discovery runs; the list is built from the BasePath it stores.
  const std::string tag = VersionTag(index);
  self.SetTag(tag);
  FindInstallPath(index == 1);
  self.SetProperty("txtFiles", "Text", FileListing(tag, Run().BasePath));
}

void frmChooseVersion::cmdStart_Click(Form& self) {
  for (const char* control : {"lblStart", "cmdStart", "cmdTV(0)", "cmdTV(1)", "shpSelected", "lblWhich"})
    self.SetProperty(control, "Visible", false);
  self.SetProperty("txtFiles", "Text", GetText(kWorkingText));
  started_ = true;
  self.Hide();
}

void frmChooseVersion::cmdEnd_Click(Form& self) {
  self.Hide();
  services_.End();
}

frmChooseVersion::State frmChooseVersion::CurrentState(const Form& self) const {
  if (started_) return PropFlag(self, "cmdEnd", "Visible") ? State::Finished : State::Working;
  return self.Tag().empty() ? State::Choosing : State::Chosen;
}

bool frmChooseVersion::QueryUnload(Form& self) {
  switch (CurrentState(self)) {
    case State::Choosing:
    case State::Chosen:
      self.SetTag("");
      return true;
    case State::Working:
      return false;
    case State::Finished:
      cmdEnd_Click(self);
      return true;
  }
  return true;
}

FormClass MainWindowForm() {
  return FormClass{&frmChooseVersionDesign(), [](WindowServices& services) -> std::unique_ptr<FormHandlers> {
                     return std::make_unique<frmChooseVersion>(services);
                   }};
}

}  // namespace tav

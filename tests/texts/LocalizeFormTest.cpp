// Form localisation against a fake form whose controls declare only some properties.

#include <gtest/gtest.h>

#include <map>

#include "platform/base/VbError.h"
#include "texts/LocalizeForm.h"
#include "texts/TextTable.h"

namespace tav {
namespace {

// Controls hold the properties they declare; anything else is missing. A property can be
// made to refuse writes, and a control can throw on every access.
class FakeForm : public Form {
 public:
  struct Control {
    std::string name;
    std::string type;
    std::map<std::string, PropValue, std::less<>> props;
    bool readOnly = false;
    bool throws = false;
  };

  const std::string& Name() const override { return name_; }
  void Load() override {}
  void ShowModal() override {}
  void Show() override {}
  void Hide() override {}
  void Unload() override {}
  std::string Tag() const override { return {}; }
  void SetTag(const std::string&) override {}
  std::vector<std::string> ControlNames() const override {
    std::vector<std::string> names;
    for (const Control& c : controls) names.push_back(c.name);
    return names;
  }
  std::string ControlType(std::string_view control) const override { return Find(control)->type; }
  bool GetProperty(std::string_view control, std::string_view property, PropValue& out) const override {
    const Control* c = Find(control);
    if (c->throws) throw VbError(438, "", "Object doesn't support this property or method");
    reads.push_back(std::string(control) + "." + std::string(property));
    auto it = c->props.find(property);
    if (it == c->props.end()) return false;
    out = it->second;
    return true;
  }
  bool SetProperty(std::string_view control, std::string_view property, const PropValue& value) override {
    Control* c = const_cast<Control*>(Find(control));
    if (c->throws) throw VbError(438, "", "Object doesn't support this property or method");
    auto it = c->props.find(property);
    if (it == c->props.end() || c->readOnly) return false;
    it->second = value;
    return true;
  }
  void Refresh(std::string_view) override {}

  Control& Add(std::string name, std::string type, std::map<std::string, PropValue, std::less<>> props) {
    controls.push_back(Control{std::move(name), std::move(type), std::move(props)});
    return controls.back();
  }
  std::string Text(std::string_view control, std::string_view property) const {
    return PropText(*this, control, property);
  }

  Control self{"", "Form", {{"Caption", std::string()}}};
  std::vector<Control> controls;
  mutable std::vector<std::string> reads;

 private:
  const Control* Find(std::string_view control) const {
    if (control.empty()) return &self;
    for (const Control& c : controls)
      if (c.name == control) return &c;
    throw std::out_of_range("no control");
  }
  std::string name_ = "frmFake";
};

class LocalizeFormTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadTextsFrom("2 OK\r\n3 Abort\r\n20 Database is protected\r\n104 Which?\r\n"); }
  // Localises one label captioned `caption` and returns its caption afterwards.
  std::string Caption(const std::string& caption) {
    FakeForm form;
    form.controls.reserve(4);
    form.Add("Label1", "Label", {{"Caption", caption}, {"ToolTipText", std::string()}});
    LocalizeForm(form);
    return form.Text("Label1", "Caption");
  }
};

TEST_F(LocalizeFormTest, MarkersThatNameNoPositiveNumberStayAsTheyAre) {
  EXPECT_EQ(Caption("#"), "#");
  EXPECT_EQ(Caption("#0"), "#0");
  EXPECT_EQ(Caption("#-2"), "#-2");
  EXPECT_EQ(Caption("#abc"), "#abc");
  EXPECT_EQ(Caption("#40000"), "#40000");
  EXPECT_EQ(Caption("Step #2"), "Step #2");
  EXPECT_EQ(Caption(" #2"), " #2");
  EXPECT_EQ(Caption(""), "");
}

TEST_F(LocalizeFormTest, MarkersResolveToTheWholeText) {
  EXPECT_EQ(Caption("#2"), "OK");
  EXPECT_EQ(Caption("#2 and more words"), "OK");
  EXPECT_EQ(Caption("# 2"), "OK");
  EXPECT_EQ(Caption("#2.5"), "OK");
  EXPECT_EQ(Caption("#3.5"), "");  // rounds to 4, which has no text
  EXPECT_EQ(Caption("#&H14"), "Database is protected");
  EXPECT_EQ(Caption("#999"), "");
}

TEST_F(LocalizeFormTest, FormCaptionControlsAndToolTipsInCollectionOrder) {
  FakeForm form;
  form.self.props["Caption"] = std::string("#104");
  form.controls.reserve(8);
  form.Add("Shape1", "Shape", {{"Visible", true}});
  form.Add("txtPwd", "TextBox", {{"Text", std::string("#2")}});
  form.Add("Image1", "Image", {});
  form.Add("cmdOK", "ButtonPlus", {{"Caption", std::string("#2")}, {"ToolTipText", std::string("#3")}});
  form.Add("Label1", "Label", {{"Caption", std::string("plain")}, {"ToolTipText", std::string("#20")}});
  LocalizeForm(form);
  EXPECT_EQ(form.Text("", "Caption"), "Which?");
  EXPECT_EQ(form.Text("txtPwd", "Text"), "#2");
  EXPECT_EQ(form.Text("cmdOK", "Caption"), "OK");
  EXPECT_EQ(form.Text("cmdOK", "ToolTipText"), "Abort");
  EXPECT_EQ(form.Text("Label1", "Caption"), "plain");
  EXPECT_EQ(form.Text("Label1", "ToolTipText"), "Database is protected");
  std::vector<std::string> expected = {".Caption",           "Shape1.Caption",     "Shape1.ToolTipText",
                                       "txtPwd.Caption",     "txtPwd.ToolTipText", "Image1.Caption",
                                       "Image1.ToolTipText", "cmdOK.Caption",      "cmdOK.ToolTipText",
                                       "Label1.Caption",     "Label1.ToolTipText"};
  // Reading back the results above added reads of their own; compare the walk only.
  form.reads.resize(expected.size());
  EXPECT_EQ(form.reads, expected);
}

TEST_F(LocalizeFormTest, CommonDialogTitleAndFilterAreResolvedForThatTypeOnly) {
  FakeForm form;
  form.controls.reserve(4);
  form.Add("dlgOpen", "CommonDialog", {{"DialogTitle", std::string("#20")}, {"Filter", std::string("#3")}});
  form.Add("Label1", "Label", {{"Caption", std::string("#2")}, {"DialogTitle", std::string("#20")}});
  LocalizeForm(form);
  EXPECT_EQ(form.Text("dlgOpen", "DialogTitle"), "Database is protected");
  EXPECT_EQ(form.Text("dlgOpen", "Filter"), "Abort");
  EXPECT_EQ(form.Text("Label1", "Caption"), "OK");
  EXPECT_EQ(form.Text("Label1", "DialogTitle"), "#20");
}

TEST_F(LocalizeFormTest, NoNumberCarriesOverAndFailuresDoNotStopTheWalk) {
  FakeForm form;
  form.controls.reserve(4);
  form.Add("Label1", "Label", {{"Caption", std::string("#2")}, {"ToolTipText", std::string("#x")}});
  form.Add("Broken", "Label", {}).throws = true;
  form.Add("Fixed", "Label", {{"Caption", std::string("#3")}}).readOnly = true;
  form.Add("Label2", "Label", {{"Caption", std::string("#40000")}, {"ToolTipText", std::string("#20")}});
  form.Add("Label3", "Label", {{"Caption", int32_t{2}}, {"ToolTipText", std::string("#")}});
  EXPECT_NO_THROW(LocalizeForm(form));
  EXPECT_EQ(form.Text("Label1", "Caption"), "OK");
  EXPECT_EQ(form.Text("Label1", "ToolTipText"), "#x");
  EXPECT_EQ(form.Text("Fixed", "Caption"), "#3");
  EXPECT_EQ(form.Text("Label2", "Caption"), "#40000");
  EXPECT_EQ(form.Text("Label2", "ToolTipText"), "Database is protected");
  EXPECT_EQ(form.Text("Label3", "ToolTipText"), "#");
}

TEST_F(LocalizeFormTest, WithoutLoadedTextsMarkersBecomeEmpty) {
  LoadTextsFrom("");
  EXPECT_EQ(Caption("#2"), "");
}

}  // namespace
}  // namespace tav

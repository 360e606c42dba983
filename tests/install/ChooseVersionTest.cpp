// The main window on its own: its design after load, the version buttons with the file
// list they build from discovery, Start, and what closing does in each state.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QTest>

#include "app/RunState.h"
#include "gui/ButtonPlus.h"
#include "gui/DesignedWindow.h"
#include "gui/ProgramWindows.h"
#include "gui/QtWindowServices.h"
#include "install/frmChooseVersion.h"
#include "platform/registry/RegistryApi.h"
#include "tests/platform/ScopedWinePrefix.h"
#include "tests/support/TestApplication.h"
#include "texts/TextTable.h"

namespace tav {
namespace {

using testing::App;

const std::string kCrLf = "\r\n";

class ChooseVersionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    // The registry is read from this test's own prefix.
    SetDefaultRegistryApi(nullptr);
    LoadTexts();
    RegisterProgramWindows(services_);
    form_ = services_.CreateForm("frmChooseVersion");
    form_->Load();
    form_->Show();
  }
  void TearDown() override {
    tav::Run().BasePath.clear();
    SetDefaultRegistryApi(nullptr);
  }

  QtForm& Adapter() { return static_cast<QtForm&>(*form_); }
  QWidget& Window() { return *Adapter().Widget(); }
  frmChooseVersion::State CurrentState() {
    return static_cast<frmChooseVersion&>(static_cast<DesignedWindow&>(Window()).Handlers())
        .CurrentState(*form_);
  }
  ButtonPlus& Button(const char* name) { return *static_cast<ButtonPlus*>(Adapter().Control(name)); }
  std::string Text(const char* control, const char* property) { return PropText(*form_, control, property); }
  int Number(const char* control, const char* property) {
    PropValue v;
    EXPECT_TRUE(form_->GetProperty(control, property, v)) << control << "." << property;
    return std::get<int32_t>(v);
  }
  // The controls of the collection that are visible, in collection order.
  std::vector<std::string> VisibleControls() {
    std::vector<std::string> visible;
    for (const std::string& name : form_->ControlNames()) {
      PropValue v;
      if (form_->GetProperty(name, "Visible", v) && std::get<bool>(v)) visible.push_back(name);
    }
    return visible;
  }

  // A first-generation data root registered under Software\Tavimer\Main, and a second-
  // generation one in the documents folder; returns their Windows paths.
  void InstallBoth() {
    prefix_.File("Tavimer/data/list.mdb");
    prefix_.File("Tavimer/history/history.mdb");
    prefix_.File("users/me/Documents/Tavimer2/data/list.mdb");
    prefix_.File("users/me/Documents/Tavimer2/history/history.mdb");
    prefix_.UserReg(
        "[Software\\\\Tavimer\\\\Main] 1700000000\n\"Path\"=\"C:\\\\Tavimer\"\n\n"
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
        "\"Personal\"=\"C:\\\\users\\\\me\\\\Documents\"\n\n");
  }

  testing::ScopedWinePrefix prefix_;
  QtWindowServices services_;
  std::unique_ptr<Form> form_;
};

TEST_F(ChooseVersionTest, LoadsLocalisedWithTheDesignedLook) {
  EXPECT_EQ(Window().windowTitle().toStdString(), "Tavimer Database Maintenance");
  EXPECT_EQ(Window().size(), QSize(500, 399));
  EXPECT_EQ(Window().minimumSize(), Window().maximumSize());
  EXPECT_FALSE(Window().windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(Window().windowIcon().isNull());

  EXPECT_EQ(Text("Label1", "Caption"), GetText(100));
  EXPECT_EQ(Text("Label2", "Caption"), GetText(101));
  EXPECT_EQ(Text("lblStart", "Caption"), GetText(102));
  EXPECT_EQ(Text("lblWhich", "Caption"), GetText(104));
  EXPECT_EQ(Text("cmdStart", "Caption"), "Start maintenance");
  EXPECT_EQ(Text("cmdEnd", "Caption"), "OK");
  EXPECT_EQ(Text("cmdTV(0)", "Caption"), "Tavimer 1.x");
  EXPECT_EQ(Text("cmdTV(1)", "Caption"), "Tavimer 2.x");
  EXPECT_EQ(Text("txtFiles", "Text"), "");
  EXPECT_EQ(form_->Tag(), "");

  EXPECT_EQ(Number("cmdTV(1)", "Left"), 3900);
  EXPECT_EQ(Number("txtFiles", "Top"), 3180);
  EXPECT_EQ(Number("cmdEnd", "Width"), 3315);
  EXPECT_EQ(Button("cmdTV(0)").font().pointSizeF(), 18.0);
  EXPECT_TRUE(Adapter().Control("lblWhich")->font().bold());

  EXPECT_EQ(VisibleControls(),
            (std::vector<std::string>{"Label1", "Label2", "lblWhich", "cmdTV(0)", "cmdTV(1)"}));
  EXPECT_EQ(CurrentState(), frmChooseVersion::State::Choosing);
}

TEST_F(ChooseVersionTest, VersionButtonsListTheGenerationsDatabases) {
  InstallBoth();
  const std::string heading = GetText(103) + kCrLf + kCrLf;

  Button("cmdTV(0)").Press();
  const std::string tv1 =
      heading + "C:\\Tavimer\\data\\list.mdb" + kCrLf + "C:\\Tavimer\\history\\history.mdb";
  EXPECT_EQ(Text("txtFiles", "Text"), tv1);
  EXPECT_EQ(form_->Tag(), "TV1");
  EXPECT_EQ(Number("shpSelected", "Left"), 240);
  EXPECT_EQ(VisibleControls(),
            (std::vector<std::string>{"Label1", "Label2", "lblWhich", "cmdTV(0)", "cmdTV(1)", "shpSelected",
                                      "txtFiles", "lblStart", "cmdStart"}));
  EXPECT_EQ(CurrentState(), frmChooseVersion::State::Chosen);

  // A second press rebuilds the list instead of adding to it.
  Button("cmdTV(0)").Press();
  EXPECT_EQ(Text("txtFiles", "Text"), tv1);

  // The other generation moves the frame and replaces tag and list.
  Button("cmdTV(1)").Press();
  const std::string root = "C:\\users\\me\\Documents\\Tavimer2";
  EXPECT_EQ(Text("txtFiles", "Text"), heading + root + "\\data\\list.mdb" + kCrLf + root +
                                          "\\data\\helper.mdb" + kCrLf + root + "\\history\\history.mdb" +
                                          kCrLf + root + "\\schedule\\schedule.mdb");
  EXPECT_EQ(form_->Tag(), "TV2");
  EXPECT_EQ(Number("shpSelected", "Left"), 3840);
  EXPECT_EQ(Number("shpSelected", "Top"), 2280);
}

TEST_F(ChooseVersionTest, NoInstallationFoundStillListsAndOffersStart) {
  Button("cmdTV(0)").Press();
  EXPECT_EQ(tav::Run().BasePath, "");
  EXPECT_EQ(Text("txtFiles", "Text"),
            GetText(103) + kCrLf + kCrLf + "\\data\\list.mdb" + kCrLf + "\\history\\history.mdb");
  EXPECT_EQ(form_->Tag(), "TV1");
  EXPECT_TRUE(Button("cmdStart").Visible());
}

TEST_F(ChooseVersionTest, StartHidesTheChoiceAndTheWindow) {
  InstallBoth();
  Button("cmdTV(1)").Press();
  Button("cmdStart").Press();
  EXPECT_FALSE(Window().isVisible());
  EXPECT_EQ(Text("txtFiles", "Text"), "Working... (please wait)");
  EXPECT_EQ(form_->Tag(), "TV2");
  EXPECT_EQ(VisibleControls(), (std::vector<std::string>{"Label1", "Label2", "txtFiles"}));
  EXPECT_EQ(CurrentState(), frmChooseVersion::State::Working);

  form_->Show();
  ASSERT_TRUE(form_->SetProperty("cmdEnd", "Visible", true));
  EXPECT_EQ(CurrentState(), frmChooseVersion::State::Finished);
  EXPECT_EQ(VisibleControls(), (std::vector<std::string>{"Label1", "Label2", "txtFiles", "cmdEnd"}));
}

TEST_F(ChooseVersionTest, ClosingBeforeStartDropsTheChoiceButNotDuringTheRun) {
  Button("cmdTV(0)").Press();
  ASSERT_EQ(form_->Tag(), "TV1");
  EXPECT_TRUE(Window().close());
  EXPECT_EQ(form_->Tag(), "");

  form_->Show();
  Button("cmdTV(1)").Press();
  Button("cmdStart").Press();
  form_->Show();
  // The run owns the window until it has finished: a close is refused.
  EXPECT_FALSE(Window().close());
  EXPECT_TRUE(Window().isVisible());
}

// The run appends to the list and finishes it by searching for CR LF pairs, then puts the
// caret after the last character: the text must come back exactly as written.
TEST_F(ChooseVersionTest, FileListKeepsItsLineBreaksAndIsReadOnly) {
  const std::string text = "Working... (please wait)\r\n\r\nfirst\r\n\r\nsecond";
  ASSERT_TRUE(form_->SetProperty("txtFiles", "Text", text));
  ASSERT_TRUE(form_->SetProperty("txtFiles", "Visible", true));
  EXPECT_EQ(Text("txtFiles", "Text"), text);
  ASSERT_TRUE(form_->SetProperty("txtFiles", "SelStart", static_cast<int32_t>(text.size())));
  EXPECT_EQ(Number("txtFiles", "SelStart"), static_cast<int>(text.size()));
  ASSERT_TRUE(form_->SetProperty("txtFiles", "SelStart", 28));  // just after the first blank line
  EXPECT_EQ(Number("txtFiles", "SelStart"), 28);

  auto* box = static_cast<TextBox*>(Adapter().Control("txtFiles"));
  EXPECT_TRUE(box->Locked());
  EXPECT_EQ(box->font().pointSizeF(), 9.75);
  QTest::keyClicks(box->Editor(), "typed");
  EXPECT_EQ(Text("txtFiles", "Text"), text);
}

}  // namespace
}  // namespace tav

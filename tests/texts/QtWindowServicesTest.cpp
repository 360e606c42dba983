// Window services on Qt: forms built by factories, properties by name, the collection of
// controls, modal shows, message boxes and the default and cancel buttons.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "gui/ButtonPlus.h"
#include "gui/QtWindowServices.h"
#include "gui/VbControls.h"
#include "tests/support/TestApplication.h"

namespace tav {
namespace {

using testing::App;

// A small form: a shape created first but lowered, a label, a text box, a two-button array
// and a default and a cancel button that answer in Tag and hide the form.
class SampleForm : public VbForm, public FormLoadHandler {
 public:
  SampleForm() {
    SetClientSize(3000, 1500);
    setWindowTitle("#104");
    auto* shape = new Shape(this);
    DesignControl(*shape, "Shape1", 0, 0, 3000, 1500);
    shape->lower();
    label = new Label(this);
    DesignControl(*label, "Label1", 150, 150, 1500, 300);
    label->setText("#20");
    box = new TextBox(this);
    DesignControl(*box, "txtPwd", 150, 450, 1500, 300);
    for (int i = 0; i < 2; ++i) {
      auto* b = new ButtonPlus(this);
      DesignControl(*b, "cmdTV", 150 + i * 1500, 750, 1200, 300);
      b->SetIndex(i);
    }
    ok = new ButtonPlus(this);
    DesignControl(*ok, "cmdOK", 150, 1100, 1200, 300);
    ok->SetDefault(true);
    connect(ok, &ButtonPlus::Click, this, [this] { Answer("ok"); });
    cancel = new ButtonPlus(this);
    DesignControl(*cancel, "cmdAnnulla", 1500, 1100, 1200, 300);
    cancel->SetCancel(true);
    connect(cancel, &ButtonPlus::Click, this, [this] { Answer("cancel"); });
  }
  void Form_Load(Form& self) override {
    ++loads;
    loadedAs = self.Name();
  }
  void Answer(const char* tag) {
    setProperty("Tag", QString(tag));
    hide();
  }

  Label* label;
  TextBox* box;
  ButtonPlus* ok;
  ButtonPlus* cancel;
  int loads = 0;
  std::string loadedAs;
};

class QtWindowServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    services.RegisterForm("frmSample", [](QtWindowServices&) { return std::make_unique<SampleForm>(); });
  }
  std::unique_ptr<QtForm> Loaded() {
    auto form = services.CreateForm("frmSample");
    form->Load();
    return std::unique_ptr<QtForm>(static_cast<QtForm*>(form.release()));
  }
  static SampleForm& Widget(QtForm& form) { return *static_cast<SampleForm*>(form.Widget()); }

  QtWindowServices services;
};

TEST_F(QtWindowServicesTest, LoadBuildsOnceAndRunsTheLoadHandler) {
  auto form = services.CreateForm("frmSample");
  EXPECT_EQ(form->Tag(), "");
  form->Load();
  form->Load();
  auto& qt = static_cast<QtForm&>(*form);
  EXPECT_EQ(Widget(qt).loads, 1);
  EXPECT_EQ(Widget(qt).loadedAs, "frmSample");
  EXPECT_FALSE(qt.Widget()->isVisible());
  EXPECT_THROW(services.CreateForm("frmMissing"), std::out_of_range);
}

TEST_F(QtWindowServicesTest, CollectionKeepsCreationOrderAndNamesArrayElements) {
  auto form = Loaded();
  // The shape was lowered after creation; the collection still lists it first.
  EXPECT_EQ(form->ControlNames(), (std::vector<std::string>{"Shape1", "Label1", "txtPwd", "cmdTV(0)",
                                                            "cmdTV(1)", "cmdOK", "cmdAnnulla"}));
  EXPECT_EQ(form->ControlType("Shape1"), "Shape");
  EXPECT_EQ(form->ControlType("Label1"), "Label");
  EXPECT_EQ(form->ControlType("txtPwd"), "TextBox");
  EXPECT_EQ(form->ControlType("cmdTV(1)"), "ButtonPlus");
  EXPECT_EQ(form->ControlType("nothing"), "");
}

TEST_F(QtWindowServicesTest, PropertiesAreFoundOnlyWhereTheClassDeclaresThem) {
  auto form = Loaded();
  PropValue v;
  ASSERT_TRUE(form->GetProperty("", "Caption", v));
  EXPECT_EQ(std::get<std::string>(v), "#104");
  ASSERT_TRUE(form->SetProperty("", "Caption", std::string("Title")));
  EXPECT_EQ(form->Widget()->windowTitle(), "Title");

  EXPECT_EQ(PropText(*form, "Label1", "Caption"), "#20");
  EXPECT_FALSE(form->GetProperty("txtPwd", "Caption", v));
  EXPECT_FALSE(form->SetProperty("txtPwd", "Caption", std::string("x")));
  EXPECT_FALSE(form->GetProperty("Shape1", "ToolTipText", v));
  EXPECT_FALSE(form->GetProperty("nothing", "Caption", v));

  ASSERT_TRUE(form->SetProperty("cmdTV(1)", "Caption", std::string("Tavimer 2.x")));
  EXPECT_EQ(PropText(*form, "cmdTV(1)", "Caption"), "Tavimer 2.x");
  EXPECT_EQ(PropText(*form, "cmdTV(0)", "Caption"), "");
}

TEST_F(QtWindowServicesTest, PositionsAreTwipsAndVisibilityIsTheControlsOwn) {
  auto form = Loaded();
  PropValue v;
  ASSERT_TRUE(form->GetProperty("cmdTV(1)", "Left", v));
  EXPECT_EQ(std::get<int32_t>(v), 1650);
  ASSERT_TRUE(form->SetProperty("Shape1", "Left", int32_t{1590}));
  EXPECT_EQ(Widget(*form).findChild<Shape*>("Shape1")->x(), 106);
  // The form is not shown, yet the label counts as visible until it is hidden itself.
  ASSERT_TRUE(form->GetProperty("Label1", "Visible", v));
  EXPECT_TRUE(std::get<bool>(v));
  ASSERT_TRUE(form->SetProperty("Label1", "Visible", false));
  ASSERT_TRUE(form->GetProperty("Label1", "Visible", v));
  EXPECT_FALSE(std::get<bool>(v));
}

TEST_F(QtWindowServicesTest, ModalShowReturnsWhenTheFormHidesItself) {
  auto form = Loaded();
  SampleForm& w = Widget(*form);
  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isModal());
    QTest::mouseClick(w.cancel, Qt::LeftButton);
  });
  form->ShowModal();
  EXPECT_EQ(form->Tag(), "cancel");
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.isModal());
}

TEST_F(QtWindowServicesTest, ModalShowReturnsWhenTheFormIsClosedAndTheTagIsLost) {
  auto form = Loaded();
  form->SetTag("TV1");
  QTimer::singleShot(0, [&] { form->Widget()->close(); });
  form->ShowModal();
  EXPECT_EQ(form->Tag(), "");
}

TEST_F(QtWindowServicesTest, UnloadDiscardsTheInstance) {
  auto form = Loaded();
  form->SetTag("x");
  form->Unload();
  EXPECT_EQ(form->Widget(), nullptr);
  EXPECT_EQ(form->Tag(), "");
  EXPECT_TRUE(form->ControlNames().empty());
  form->Load();
  EXPECT_EQ(PropText(*form, "Label1", "Caption"), "#20");
}

TEST_F(QtWindowServicesTest, EnterPressesTheDefaultButtonAndEscapeTheCancelButton) {
  auto form = Loaded();
  SampleForm& w = Widget(*form);
  form->Show();
  QTest::keyClick(w.box->Editor(), Qt::Key_Return);
  EXPECT_EQ(form->Tag(), "ok");

  form->Show();
  w.ok->setEnabled(false);
  form->SetTag("");
  QTest::keyClick(w.box->Editor(), Qt::Key_Return);
  EXPECT_EQ(form->Tag(), "");
  QTest::keyClick(w.box->Editor(), Qt::Key_Escape);
  EXPECT_EQ(form->Tag(), "cancel");
}

TEST_F(QtWindowServicesTest, ButtonArrayElementsReportTheirIndex) {
  auto form = Loaded();
  form->Show();
  auto* second = static_cast<ButtonPlus*>(form->Control("cmdTV(1)"));
  int pressed = -2;
  QObject::connect(second, &ButtonPlus::Click, [&](int index) { pressed = index; });
  QTest::mouseClick(second, Qt::LeftButton);
  EXPECT_EQ(pressed, 1);
  pressed = -2;
  second->SetVisible(false);
  second->Press();
  EXPECT_EQ(pressed, -2);
}

TEST_F(QtWindowServicesTest, MessageBoxReturnsTheButtonPressed) {
  auto press = [](QMessageBox::StandardButton which) {
    QTimer::singleShot(0, [which] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->windowTitle().toStdString(), kApplicationTitle);
      box->button(which)->click();
    });
  };
  press(QMessageBox::Retry);
  EXPECT_EQ(services.MsgBox("failed", vbRetryCancel + vbCritical), vbRetry);
  press(QMessageBox::Cancel);
  EXPECT_EQ(services.MsgBox("failed", vbRetryCancel + vbCritical), vbCancel);
  press(QMessageBox::Ok);
  EXPECT_EQ(services.MsgBox("done", vbInformation), vbOK);
}

}  // namespace
}  // namespace tav

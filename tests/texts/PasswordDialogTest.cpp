// The two password dialogs driven as a user would: typing, deleting, pasting, Enter and
// Escape, read back through the answer in Tag.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "gui/ButtonPlus.h"
#include "gui/ProgramWindows.h"
#include "gui/QtWindowServices.h"
#include "tests/support/TestApplication.h"
#include "texts/TextTable.h"
#include "texts/frmOptionalPwd.h"

// Readable failures: the box's text as it stands.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tav {
namespace {

using testing::App;

class PasswordDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    LoadTexts();
    RegisterProgramWindows(services);
  }
  // The window of a dialog and its box and buttons.
  struct Dialog {
    QWidget& window;
    TextBox* txtPwd;
    ButtonPlus* cmdOK;
    ButtonPlus* cmdAnnulla;
  };
  // A fresh, loaded and shown dialog.
  Dialog Open(const char* name) {
    form = services.CreateForm(name);
    form->Load();
    form->Show();
    auto& qt = static_cast<QtForm&>(*form);
    QApplication::setActiveWindow(qt.Widget());
    return {*qt.Widget(), static_cast<TextBox*>(qt.Control("txtPwd")),
            static_cast<ButtonPlus*>(qt.Control("cmdOK")),
            static_cast<ButtonPlus*>(qt.Control("cmdAnnulla"))};
  }
  static QLineEdit& Box(const Dialog& d) { return *static_cast<QLineEdit*>(d.txtPwd->Editor()); }
  static void Type(const Dialog& d, const QString& keys) { QTest::keyClicks(&Box(d), keys); }
  static void Key(const Dialog& d, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(&Box(d), key, mods);
  }

  QtWindowServices services;
  std::unique_ptr<Form> form;
};

TEST_F(PasswordDialogTest, LoadingResolvesTheMarkers) {
  Open("frmPwd");
  EXPECT_EQ(PropText(*form, "Label1", "Caption"), "Database is protected");
  EXPECT_EQ(PropText(*form, "Label2", "Caption"), "Type password (a-z, 0-9)");
  EXPECT_EQ(PropText(*form, "cmdOK", "Caption"), "OK");
  EXPECT_EQ(PropText(*form, "cmdAnnulla", "Caption"), "Abort");
  Open("frmOptionalPwd");
  EXPECT_EQ(PropText(*form, "Label1", "Caption"), "An error was encountered when opening the database:");
  EXPECT_EQ(PropText(*form, "Label3", "Caption"),
            "If you did not set any password please leave the field blank.");
  EXPECT_EQ(PropText(*form, "lblError", "Caption"), "");
  // The caller's error text comes after loading and is never taken for a marker.
  ASSERT_TRUE(form->SetProperty("lblError", "Caption", std::string("#2")));
  EXPECT_EQ(PropText(*form, "lblError", "Caption"), "#2");
}

TEST_F(PasswordDialogTest, FrmPwdEnablesOkOnlyWhileTheBoxHoldsAPassword) {
  Dialog d = Open("frmPwd");
  EXPECT_FALSE(d.cmdOK->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), &Box(d));
  Key(d, Qt::Key_Return);  // OK is disabled: Enter does nothing
  EXPECT_TRUE(d.window.isVisible());
  Type(d, "x");
  EXPECT_TRUE(d.cmdOK->isEnabled());
  EXPECT_EQ(Box(d).displayText(), "*");
  Key(d, Qt::Key_Backspace);
  EXPECT_EQ(d.txtPwd->Text(), "");
  EXPECT_FALSE(d.cmdOK->isEnabled());
}

TEST_F(PasswordDialogTest, FrmOptionalPwdAnswersEmptyAtOnceButNotAfterDeleting) {
  Dialog d = Open("frmOptionalPwd");
  EXPECT_TRUE(d.cmdOK->isEnabled());
  Type(d, "ab");
  Key(d, Qt::Key_Backspace);
  Key(d, Qt::Key_Backspace);
  EXPECT_FALSE(d.cmdOK->isEnabled());

  Open("frmOptionalPwd");
  QTimer::singleShot(
      0, [this] { QTest::mouseClick(static_cast<QtForm&>(*form).Control("cmdOK"), Qt::LeftButton); });
  form->ShowModal();
  EXPECT_EQ(form->Tag(), "");
}

TEST_F(PasswordDialogTest, OkAnswersInLowerCaseWithDigitsKept) {
  Dialog d = Open("frmPwd");
  Type(d, "PassWord42Z");
  Key(d, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_FALSE(d.window.isVisible());
  EXPECT_EQ(form->Tag(), "password42z");
}

TEST_F(PasswordDialogTest, TypedCharactersOutsideLettersAndDigitsAreDiscarded) {
  Dialog d = Open("frmPwd");
  Type(d, "a b!c-._1");
  // Letters outside A to Z, a no-break space and a control character other than backspace.
  for (char16_t c : {u'\u00E9', u'\u00DF', u'\u00A0', u'\u0007'}) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(c)));
    QApplication::sendEvent(&Box(d), &press);
  }
  Type(d, "Z");
  EXPECT_EQ(d.txtPwd->Text(), "abc1Z");
  Key(d, Qt::Key_Backspace);
  EXPECT_EQ(d.txtPwd->Text(), "abc1");
  Type(d, " ");
  EXPECT_FALSE(d.txtPwd->Text().endsWith(' '));
}

// One key press as the X11 platform delivers it: key, the text it carries, modifiers.
struct Press {
  Qt::Key key;
  QString text;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
};

struct EditCase {
  const char* what;
  QString typed;  // typed first, letter by letter
  std::vector<Press> presses;
  QString expected;
};

const QString kDel(QChar(0x7F));

// Both boxes edit as a Windows edit box does, while the form's rule still drops what it drops.
TEST_F(PasswordDialogTest, EditingKeysWorkAndModifiedCharactersAreFiltered) {
  const Qt::KeyboardModifiers altGr = Qt::ControlModifier | Qt::AltModifier;  // as Windows reports it
  const std::vector<EditCase> cases = {
      {"Delete after Home", "abcd", {{Qt::Key_Home, ""}, {Qt::Key_Delete, kDel}}, "bcd"},
      {"Delete inside", "abcd", {{Qt::Key_Left, ""}, {Qt::Key_Left, ""}, {Qt::Key_Delete, kDel}}, "abd"},
      {"Delete at the end does nothing", "ab", {{Qt::Key_Delete, kDel}}, "ab"},
      {"End then typing", "ab", {{Qt::Key_Home, ""}, {Qt::Key_End, ""}, {Qt::Key_C, "c"}}, "abc"},
      {"Shift+Home selects, typing replaces",
       "abc",
       {{Qt::Key_Left, ""}, {Qt::Key_Home, "", Qt::ShiftModifier}, {Qt::Key_X, "x"}},
       "xc"},
      {"Shift+End selects, Delete removes",
       "abcd",
       {{Qt::Key_Home, ""},
        {Qt::Key_Right, ""},
        {Qt::Key_End, "", Qt::ShiftModifier},
        {Qt::Key_Delete, kDel}},
       "a"},
      {"AltGr character (Windows)", "a", {{Qt::Key_At, "@", altGr}, {Qt::Key_BraceLeft, "{", altGr}}, "a"},
      {"AltGr character (X11)", "a", {{Qt::Key_At, "@", Qt::GroupSwitchModifier}}, "a"},
      {"AltGr letter in the set", "a", {{Qt::Key_B, "b", altGr}}, "ab"},
      {"Ctrl+letter types a control character",
       "a",
       {{Qt::Key_Q, QString(QChar(0x11)), Qt::ControlModifier}},
       "a"},
      {"Ctrl+letter reported as the letter", "a", {{Qt::Key_K, "k", Qt::ControlModifier}}, "a"},
      {"Ctrl+V types character 22", "a", {{Qt::Key_V, QString(QChar(0x16)), Qt::ControlModifier}}, "a"},
      {"Ctrl+digit types nothing", "a", {{Qt::Key_1, "1", Qt::ControlModifier}}, "a"},
      {"Ctrl+Backspace types 127", "ab", {{Qt::Key_Backspace, QString(QChar(8)), Qt::ControlModifier}}, "ab"},
      {"Backspace", "ab", {{Qt::Key_Backspace, QString(QChar(8))}}, "a"},
  };
  QApplication::clipboard()->setText("zz");
  for (const char* name : {"frmPwd", "frmOptionalPwd"}) {
    for (const auto& c : cases) {
      Dialog d = Open(name);
      Type(d, c.typed);
      for (const Press& p : c.presses) QTest::sendKeyEvent(QTest::Click, &Box(d), p.key, p.text, p.mods);
      EXPECT_EQ(d.txtPwd->Text(), c.expected) << name << ": " << c.what;
      EXPECT_EQ(d.cmdOK->isEnabled(), !c.expected.isEmpty()) << name << ": " << c.what;
    }
  }
}

TEST_F(PasswordDialogTest, PastedTextIsNotFilteredButAnsweredTrimmed) {
  Dialog d = Open("frmPwd");
  QApplication::clipboard()->setText("   ");
  Key(d, Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(d.txtPwd->Text(), "   ");
  EXPECT_FALSE(d.cmdOK->isEnabled());  // spaces alone are no password
  d.txtPwd->SetText("");
  QApplication::clipboard()->setText("  My Pa$$! ");
  Key(d, Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_TRUE(d.cmdOK->isEnabled());
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  EXPECT_EQ(form->Tag(), "my pa$$!");

  // The box sets no length limit of its own.
  const QString longText(40000, u'k');
  d.txtPwd->SetText(longText);
  EXPECT_EQ(d.txtPwd->Text(), longText);
}

TEST_F(PasswordDialogTest, EscapeCancelsWithEachDialogsOwnAnswer) {
  Dialog d = Open("frmPwd");
  Type(d, "secret");
  Key(d, Qt::Key_Escape);
  EXPECT_FALSE(d.window.isVisible());
  EXPECT_EQ(form->Tag(), "");

  Dialog o = Open("frmOptionalPwd");
  Type(o, "secret");
  Key(o, Qt::Key_Escape);
  EXPECT_EQ(form->Tag(), "#EXIT#\r\n");
  EXPECT_EQ(std::string(kOptionalPwdCancel).size(), 8u);

  // Closing the window another way is a cancel too, not an empty password.
  Dialog closed = Open("frmOptionalPwd");
  closed.window.close();
  EXPECT_EQ(form->Tag(), "#EXIT#\r\n");
}

TEST_F(PasswordDialogTest, TabMovesFromTheBoxToOkThenCancel) {
  Dialog d = Open("frmOptionalPwd");
  Key(d, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), d.cmdOK);
  QTest::keyClick(d.cmdOK, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), d.cmdAnnulla);
}

TEST_F(PasswordDialogTest, EveryQuestionGetsAFreshEmptyDialog) {
  Dialog first = Open("frmPwd");
  Type(first, "abc");
  Key(first, Qt::Key_Return);
  EXPECT_EQ(form->Tag(), "abc");
  Dialog second = Open("frmPwd");
  EXPECT_EQ(second.txtPwd->Text(), "");
  EXPECT_EQ(form->Tag(), "");
  EXPECT_FALSE(second.cmdOK->isEnabled());
}

// Pictures of both dialogs as the user sees them, with the stored texts. They go to the
// build folder; with TAVIMER_UPDATE_SCREENSHOTS=1 they replace the ones in docs/screenshots.
TEST_F(PasswordDialogTest, Screenshots) {
  const QString folder = qEnvironmentVariableIntValue("TAVIMER_UPDATE_SCREENSHOTS") == 1
                             ? QStringLiteral(TAVIMER_SOURCE_DIR "/docs/screenshots")
                             : QStringLiteral(TAVIMER_BINARY_DIR "/screenshots");
  ASSERT_TRUE(QDir().mkpath(folder));

  Dialog pwd = Open("frmPwd");
  Type(pwd, "secret");
  const QImage pwdShot = pwd.window.grab().toImage();
  EXPECT_EQ(pwdShot.size(), QSize(273, 125));
  EXPECT_EQ(pwdShot.pixelColor(0, 0), QColor(255, 0, 0));      // the red frame
  EXPECT_EQ(pwdShot.pixelColor(136, 52), QColor(64, 64, 64));  // dark grey between the controls
  EXPECT_TRUE(pwdShot.save(folder + "/frmPwd.png"));

  Dialog optional = Open("frmOptionalPwd");
  form->SetProperty("lblError", "Caption",
                    std::string("Unrecognized database format 'C:\\Tavimer\\data\\list.mdb'."));
  const QImage optionalShot = optional.window.grab().toImage();
  EXPECT_EQ(optionalShot.size(), QSize(433, 237));
  EXPECT_EQ(optionalShot.pixelColor(0, 0), QColor(255, 128, 0));       // the orange frame
  EXPECT_EQ(optionalShot.pixelColor(400, 45), QColor(128, 128, 128));  // the error label
  EXPECT_TRUE(optionalShot.save(folder + "/frmOptionalPwd.png"));
}

}  // namespace
}  // namespace tav

#include "install/frmChooseVersion.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPainter>

#include "app/RunState.h"
#include "install/Backdrop.h"
#include "install/FindInstallPath.h"
#include "install/ResultsBox.h"
#include "install/VersionChoice.h"
#include "platform/qt/ButtonPlus.h"
#include "platform/qt/QtWindowServices.h"
#include "texts/LocalizeForm.h"
#include "texts/TextTable.h"

namespace tav {
namespace {

const QString kLineBreak = QStringLiteral("\r\n");

// Client area and the one margin the selection frame keeps around a version button.
constexpr int kClientWidth = 7500;
constexpr int kClientHeight = 5985;
constexpr int kFrameMargin = 60;

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kListGrey(0x80, 0x80, 0x80);
const QColor kVersionGrey(0x32, 0x32, 0x32);
const QColor kActionGrey(0x6E, 0x6E, 0x6E);
const QColor kFrameGrey(0xE0, 0xE0, 0xE0);

// The classic dialog font, with a close system font where it is not installed.
QFont ClassicFont(qreal points, bool bold = false) {
  QFont font;
  font.setFamilies(
      {QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

// Where the classic font is missing its stand-in runs wider: a caption that would not fit
// its designed box gets a slightly smaller size, never below 6 points.
void FitFont(QWidget& control, const QString& text, bool wordWrap) {
  QFont font = control.font();
  const QRect box = control.contentsRect().adjusted(wordWrap ? 0 : 6, 0, wordWrap ? 0 : -6, 0);
  auto fits = [&](const QFont& f) {
    QFontMetrics m(f);
    if (!wordWrap) return m.horizontalAdvance(text) <= box.width();
    return m.boundingRect(QRect(0, 0, box.width(), 100000), Qt::TextWordWrap, text).height() <= box.height();
  };
  while (!fits(font) && font.pointSizeF() > 6.0) font.setPointSizeF(font.pointSizeF() - 0.25);
  control.setFont(font);
}

QString Text(int16_t n) { return QString::fromStdString(GetText(n)); }

Label* MakeLabel(QWidget* form, const QString& name, const QString& caption, int left, int top, int width,
                 int height) {
  auto* label = new Label(form);
  DesignControl(*label, name, left, top, width, height);
  label->setText(caption);
  label->SetForeColor(kWhite);
  label->SetBackColor(QColor());
  return label;
}

ButtonPlus* MakeButton(QWidget* form, const QString& name, const QString& caption, const QColor& back,
                       int left, int top, int width, int height) {
  auto* button = new ButtonPlus(form);
  DesignControl(*button, name, left, top, width, height);
  button->SetCaption(caption);
  button->SetBackColor(back);
  button->SetForeColor(kWhite);
  button->setFont(ClassicFont(18));
  return button;
}

}  // namespace

frmChooseVersion::frmChooseVersion(QtWindowServices& services)
    : services_(services), picture_(PaintBackdrop()) {
  setObjectName(QStringLiteral("frmChooseVersion"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QString::fromUtf8(kApplicationTitle));
  setWindowIcon(PaintAppIcon());
  setFont(ClassicFont(8));
  SetClientSize(kClientWidth, kClientHeight);
  setProperty("Tag", QString());
  CreateControls();
  SetTabOrder();
}

// The controls in the designed collection order, with their designed settings.
void frmChooseVersion::CreateControls() {
  Label1 = MakeLabel(this, "Label1", "#100", 300, 660, 4995, 795);
  Label2 = MakeLabel(this, "Label2", "#101", 300, 1500, 4995, 435);
  lblWhich = MakeLabel(this, "lblWhich", "#104", 300, 1980, 6915, 375);
  lblWhich->setFont(ClassicFont(12, true));

  cmdTV[0] = MakeButton(this, "cmdTV", "Tavimer 1.x", kVersionGrey, 300, 2340, 3315, 675);
  cmdTV[1] = MakeButton(this, "cmdTV", "Tavimer 2.x", kVersionGrey, 3900, 2340, 3315, 675);
  for (int i = 0; i < 2; ++i) {
    cmdTV[i]->SetIndex(i);
    connect(cmdTV[i], &ButtonPlus::Click, this, &frmChooseVersion::cmdTV_Click);
  }

  shpSelected = new Shape(this);
  DesignControl(*shpSelected, "shpSelected", 240, 2280, 3435, 795);
  shpSelected->SetBorderColor(kFrameGrey);
  shpSelected->SetBorderWidth(2);
  shpSelected->SetVisible(false);

  txtFiles = new ResultsBox(this);
  DesignControl(*txtFiles, "txtFiles", 300, 3180, 6915, 1515);
  txtFiles->SetColors(kListGrey, kWhite);
  txtFiles->setFont(ClassicFont(9.75));
  txtFiles->SetVisible(false);

  lblStart = MakeLabel(this, "lblStart", "#102", 300, 4920, 3615, 1035);
  lblStart->SetVisible(false);

  cmdStart = MakeButton(this, "cmdStart", "#4", kActionGrey, 3960, 4920, 3315, 795);
  cmdStart->SetVisible(false);
  connect(cmdStart, &ButtonPlus::Click, this, [this] { cmdStart_Click(); });

  cmdEnd = MakeButton(this, "cmdEnd", "#2", kActionGrey, 2100, 4920, 3315, 795);
  cmdEnd->SetVisible(false);
  connect(cmdEnd, &ButtonPlus::Click, this, [this] { cmdEnd_Click(); });
}

// Keyboard order: the version buttons, the question, Start, the file list, the
// introduction, the instruction, the repair note, End. Labels take no focus.
void frmChooseVersion::SetTabOrder() {
  const std::array<QWidget*, 5> order = {cmdTV[0], cmdTV[1], cmdStart, txtFiles->Editor(), cmdEnd};
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void frmChooseVersion::Form_Load(Form& self) {
  LocalizeForm(self);
  for (Label* label : {Label1, Label2, lblWhich, lblStart}) FitFont(*label, label->text(), true);
  for (ButtonPlus* button : {cmdTV[0], cmdTV[1], cmdStart, cmdEnd})
    FitFont(*button, button->Caption(), false);
}

void frmChooseVersion::cmdTV_Click(int index) {
  cmdStart->SetVisible(true);
  lblStart->SetVisible(true);
  txtFiles->SetText(Text(103) + kLineBreak + kLineBreak);
  txtFiles->SetVisible(true);
  if (index != 0 && index != 1) return;

  shpSelected->SetLeft(cmdTV[index]->Left() - kFrameMargin);
  shpSelected->SetVisible(true);
  // The tag is set before discovery runs; the list is built from the BasePath it stores.
  const std::string tag = VersionTag(index);
  setProperty("Tag", QString::fromStdString(tag));
  FindInstallPath(index == 1);
  txtFiles->SetText(QString::fromStdString(FileListing(tag, Run().BasePath)));
}

void frmChooseVersion::cmdStart_Click() {
  for (QWidget* control :
       {static_cast<QWidget*>(lblStart), static_cast<QWidget*>(cmdStart), static_cast<QWidget*>(cmdTV[0]),
        static_cast<QWidget*>(cmdTV[1]), static_cast<QWidget*>(shpSelected), static_cast<QWidget*>(lblWhich)})
    control->setVisible(false);
  txtFiles->SetText(Text(5));
  started_ = true;
  hide();
}

void frmChooseVersion::cmdEnd_Click() {
  hide();
  services_.End();
}

QString frmChooseVersion::TagText() const { return property("Tag").toString(); }

frmChooseVersion::State frmChooseVersion::CurrentState() const {
  if (started_) return cmdEnd->Visible() ? State::Finished : State::Working;
  return TagText().isEmpty() ? State::Choosing : State::Chosen;
}

void frmChooseVersion::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

// Closing before Start discards the choice, as if the window were destroyed with its tag.
// During the run a close is refused, so no database is ever left half copied; once the
// run is over, closing ends the program like the End button.
void frmChooseVersion::closeEvent(QCloseEvent* event) {
  switch (CurrentState()) {
    case State::Choosing:
    case State::Chosen:
      setProperty("Tag", QString());
      event->accept();
      break;
    case State::Working:
      event->ignore();
      break;
    case State::Finished:
      event->accept();
      cmdEnd_Click();
      break;
  }
}

void RegisterMainWindow(QtWindowServices& services) {
  services.RegisterForm("frmChooseVersion", [](QtWindowServices& owner) -> std::unique_ptr<QWidget> {
    return std::make_unique<frmChooseVersion>(owner);
  });
}

}  // namespace tav

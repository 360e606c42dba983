#include "gui/DesignedWindow.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "gui/ButtonPlus.h"
#include "gui/ResultsBox.h"

namespace tav {
namespace {

constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr double kSmallestFittedPoints = 6.0;

QColor ToQColor(const Rgb& rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

QFont ToQFont(const FontDesign& design, const QFont& base) {
  if (design.face.empty()) {
    QFont font = base;
    font.setPixelSize(static_cast<int>(std::lround(design.points * kPixelsPerPoint)));
    return font;
  }
  QFont font;
  font.setFamilies(
      {QString::fromStdString(design.face), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
  font.setPointSizeF(design.points);
  font.setBold(design.bold);
  return font;
}

// Shrinks the control's font until `text` fits its box (one line, or wrapped words).
void FitFont(QWidget& control, const QString& text, bool wordWrap) {
  QFont font = control.font();
  const QRect box = control.contentsRect().adjusted(wordWrap ? 0 : 6, 0, wordWrap ? 0 : -6, 0);
  auto fits = [&](const QFont& f) {
    QFontMetrics m(f);
    if (!wordWrap) return m.horizontalAdvance(text) <= box.width();
    return m.boundingRect(QRect(0, 0, box.width(), 100000), Qt::TextWordWrap, text).height() <= box.height();
  };
  while (!fits(font) && font.pointSizeF() > kSmallestFittedPoints)
    font.setPointSizeF(font.pointSizeF() - 0.25);
  control.setFont(font);
}

Qt::WindowFlags FlagsFor(WindowFrame frame) {
  switch (frame) {
    case WindowFrame::kFixedNoTitle:
      return Qt::Dialog | Qt::CustomizeWindowHint;
    case WindowFrame::kFixedWithTitle:
      break;
  }
  return Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
         Qt::WindowCloseButtonHint;
}

void Place(QWidget& widget, const ControlDesign& control) {
  DesignControl(widget, QString::fromStdString(control.name), control.left, control.top, control.width,
                control.height);
}

}  // namespace

DesignedWindow::DesignedWindow(const FormDesign& design, std::unique_ptr<FormHandlers> handlers,
                               const QtWindowServices& services)
    : design_(design), handlers_(std::move(handlers)), picture_(services.Picture(design.picture)) {
  setObjectName(QString::fromStdString(design.name));
  setWindowFlags(FlagsFor(design.frame));
  if (!design.caption.empty()) setWindowTitle(QString::fromStdString(design.caption));
  if (!design.icon.empty()) setWindowIcon(services.Icon(design.icon));
  SetClientSize(design.width, design.height);
  if (design.backColor) SetBackColor(ToQColor(*design.backColor));
  setFont(ToQFont(design.font, font()));
  setProperty("Tag", QString());
  for (const ControlDesign& control : design.controls) CreateControl(control, services);
  SetTabOrder();
  if (!design.focus.empty())
    if (auto* focus = findChild<QWidget*>(QString::fromStdString(design.focus))) focus->setFocus();
}

QWidget* DesignedWindow::CreateControl(const ControlDesign& control, const QtWindowServices& services) {
  const std::string name = control.name;
  switch (control.kind) {
    case ControlKind::kLabel: {
      auto* label = new Label(this);
      Place(*label, control);
      label->setText(QString::fromStdString(control.caption));
      if (!control.toolTip.empty()) label->setToolTip(QString::fromStdString(control.toolTip));
      if (control.foreColor) label->SetForeColor(ToQColor(*control.foreColor));
      label->SetBackColor(control.backColor ? ToQColor(*control.backColor) : QColor());
      if (control.font) label->setFont(ToQFont(*control.font, font()));
      if (!control.visible) label->SetVisible(false);
      if (!control.enabled) label->setEnabled(false);
      return label;
    }
    case ControlKind::kTextBox: {
      // A multi-line box shows the program's text and hands it back exactly as written.
      TextBox* box = control.multiLine ? new ResultsBox(this) : new TextBox(this);
      Place(*box, control);
      if (!control.passwordChar.empty()) box->SetPasswordChar(QString::fromStdString(control.passwordChar));
      if (control.locked) box->SetLocked(true);
      if (control.backColor && control.foreColor)
        box->SetColors(ToQColor(*control.backColor), ToQColor(*control.foreColor));
      if (control.font) box->setFont(ToQFont(*control.font, font()));
      box->SetKeyFilter(
          [this, name](char16_t key) { return !self_ || handlers_->KeyPress(*self_, name, key); });
      connect(box, &TextBox::Change, this, [this, name] {
        if (self_) handlers_->Change(*self_, name);
      });
      if (!control.visible) box->SetVisible(false);
      if (!control.enabled) box->setEnabled(false);
      return box;
    }
    case ControlKind::kButton: {
      auto* button = new ButtonPlus(this);
      Place(*button, control);
      button->SetCaption(QString::fromStdString(control.caption));
      if (!control.toolTip.empty()) button->setToolTip(QString::fromStdString(control.toolTip));
      if (control.backColor) button->SetBackColor(ToQColor(*control.backColor));
      if (control.foreColor) button->SetForeColor(ToQColor(*control.foreColor));
      if (control.font) button->setFont(ToQFont(*control.font, font()));
      if (control.index >= 0) button->SetIndex(control.index);
      if (control.isDefault) button->SetDefault(true);
      if (control.isCancel) button->SetCancel(true);
      connect(button, &ButtonPlus::Click, this, [this, name](int index) {
        if (self_) handlers_->Click(*self_, name, index);
      });
      if (!control.visible) button->SetVisible(false);
      if (!control.enabled) button->setEnabled(false);
      return button;
    }
    case ControlKind::kShape: {
      auto* shape = new Shape(this);
      Place(*shape, control);
      shape->SetBorderColor(ToQColor(control.borderColor));
      shape->SetBorderWidth(control.borderWidth);
      if (!control.visible) shape->SetVisible(false);
      return shape;
    }
    case ControlKind::kImage: {
      auto* image = new Image(this);
      Place(*image, control);
      image->SetPicture(QPixmap::fromImage(services.Picture(control.picture)));
      if (!control.visible) image->SetVisible(false);
      return image;
    }
  }
  return nullptr;
}

// The controls that take the focus, by tab index; labels and shapes take none.
void DesignedWindow::SetTabOrder() {
  std::vector<std::pair<int, QWidget*>> order;
  for (const ControlDesign& control : design_.controls) {
    if (control.tabIndex < 0) continue;
    const QString name = QString::fromStdString(control.name);
    for (QWidget* widget : findChildren<QWidget*>(name, Qt::FindDirectChildrenOnly)) {
      if (widget->property("Index").isValid() && widget->property("Index").toInt() != control.index) continue;
      if (auto* box = qobject_cast<TextBox*>(widget)) {
        order.emplace_back(control.tabIndex, box->Editor());
      } else if (qobject_cast<ButtonPlus*>(widget)) {
        order.emplace_back(control.tabIndex, widget);
      }
    }
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1].second, order[i].second);
}

void DesignedWindow::Form_Load(Form& self) {
  self_ = &self;
  handlers_->Form_Load(self);
  FitCaptions();
}

void DesignedWindow::FitCaptions() {
  for (QWidget* widget : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QString name = widget->objectName();
    const auto control =
        std::find_if(design_.controls.begin(), design_.controls.end(),
                     [&](const ControlDesign& c) { return QString::fromStdString(c.name) == name; });
    if (control == design_.controls.end()) continue;
    const FontDesign& font = control->font ? *control->font : design_.font;
    if (font.face.empty()) continue;
    if (auto* label = qobject_cast<Label*>(widget)) FitFont(*label, label->text(), true);
    if (auto* button = qobject_cast<ButtonPlus*>(widget)) FitFont(*button, button->Caption(), false);
  }
}

void DesignedWindow::paintEvent(QPaintEvent* event) {
  if (picture_.isNull()) return VbForm::paintEvent(event);
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

void DesignedWindow::closeEvent(QCloseEvent* event) {
  if (self_ == nullptr || handlers_->QueryUnload(*self_)) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace tav

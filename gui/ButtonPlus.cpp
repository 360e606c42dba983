#include "gui/ButtonPlus.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tav {

ButtonPlus::ButtonPlus(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover);
  setMouseTracking(true);
}

void ButtonPlus::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void ButtonPlus::SetDefault(bool on) {
  default_ = on;
  WatchWindowKeys();
  update();
}

void ButtonPlus::SetCancel(bool on) {
  cancel_ = on;
  WatchWindowKeys();
}

void ButtonPlus::SetBackColor(const QColor& color) {
  back_ = color;
  update();
}

void ButtonPlus::SetForeColor(const QColor& color) {
  fore_ = color;
  update();
}

void ButtonPlus::SetHoverEffect(bool on) {
  hoverEffect_ = on;
  update();
}

void ButtonPlus::SetBorderStyle(int style) {
  borderStyle_ = std::clamp(style, int(kBorderNone), int(kBorderRaised));
  update();
}

void ButtonPlus::Press() {
  if (!isEnabled() || !isVisible()) return;
  emit Click(index_);
}

// Enter and Escape reach the window when the focused control leaves them unused; the
// window's default and cancel buttons pick them up there.
void ButtonPlus::WatchWindowKeys() {
  QObject* win = window();
  if (win == this || win == watchedWindow_) return;
  if (watchedWindow_) watchedWindow_->removeEventFilter(this);
  watchedWindow_ = win;
  win->installEventFilter(this);
}

bool ButtonPlus::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedWindow_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool escape = key->key() == Qt::Key_Escape;
    if (plain && ((default_ && enter) || (cancel_ && escape)) && isEnabled() && isVisible()) {
      Press();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

QColor ButtonPlus::FaceColor() const {
  QColor face = back_;
  if (!isEnabled()) return face.darker(130);
  if (pressed_) return face.darker(125);
  if (hoverEffect_ && hovered_) return face.lighter(135);
  return face;
}

void ButtonPlus::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect r = rect();
  painter.fillRect(r, FaceColor());
  if (borderStyle_ == kBorderFlat) {
    painter.setPen(fore_);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
  } else if (borderStyle_ == kBorderRaised) {
    const QColor light = back_.lighter(160), dark = back_.darker(200);
    painter.setPen(pressed_ ? dark : light);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(pressed_ ? light : dark);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
  }
  if (hasFocus() || default_) {
    painter.setPen(QPen(fore_, 1, hasFocus() ? Qt::DotLine : Qt::SolidLine));
    painter.drawRect(r.adjusted(2, 2, -3, -3));
  }
  QColor text = fore_;
  if (!isEnabled()) text.setAlpha(110);
  painter.setPen(text);
  painter.setFont(font());
  const QPoint shift = pressed_ ? QPoint(1, 1) : QPoint(0, 0);
  painter.drawText(r.translated(shift), Qt::AlignCenter | Qt::TextWordWrap, caption_);
}

void ButtonPlus::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  pressed_ = true;
  update();
}

void ButtonPlus::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
  pressed_ = false;
  update();
  if (rect().contains(event->position().toPoint())) Press();
}

void ButtonPlus::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Press();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void ButtonPlus::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QWidget::enterEvent(event);
}

void ButtonPlus::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QWidget::leaveEvent(event);
}

}  // namespace tav

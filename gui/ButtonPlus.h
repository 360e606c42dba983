#pragma once
// The push button used on every form: a custom-painted control with a caption, colours,
// font, a hover effect and a border style. Buttons of one control array share a name and
// differ in `Index`; a press emits Click with that index (-1 for a button outside an array).
//
// A button with `Default` set is pressed by Enter anywhere in its window (unless the
// focused control uses Enter itself); one with `Cancel` set is pressed by Escape. A press by
// key, like one by mouse, only happens while the button is enabled and visible.

#include <QColor>
#include <QPointer>
#include <QWidget>

#include "gui/VbControls.h"

namespace tav {

class ButtonPlus : public QWidget, public TwipsGeometry {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(QString ToolTipText READ toolTip WRITE setToolTip)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(int Index READ Index WRITE SetIndex)
  Q_PROPERTY(bool Default READ Default WRITE SetDefault)
  Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
  Q_PROPERTY(QColor BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(QColor ForeColor READ ForeColor WRITE SetForeColor)
  Q_PROPERTY(bool HoverEffect READ HoverEffect WRITE SetHoverEffect)
  Q_PROPERTY(int BorderStyle READ BorderStyle WRITE SetBorderStyle)

 public:
  // Border styles.
  enum : int { kBorderNone = 0, kBorderFlat = 1, kBorderRaised = 2 };

  explicit ButtonPlus(QWidget* parent);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  int Index() const { return index_; }
  void SetIndex(int index) { index_ = index; }
  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on);
  QColor BackColor() const { return back_; }
  void SetBackColor(const QColor& color);
  QColor ForeColor() const { return fore_; }
  void SetForeColor(const QColor& color);
  bool HoverEffect() const { return hoverEffect_; }
  void SetHoverEffect(bool on);
  int BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int style);
  bool Hovered() const { return hovered_; }

  // Presses the button as a click would, when it is enabled and visible.
  void Press();

 signals:
  void Click(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  QWidget& Self() override { return *this; }
  const QWidget& Self() const override { return *this; }

 private:
  void WatchWindowKeys();
  QColor FaceColor() const;

  QString caption_;
  int index_ = -1;
  bool default_ = false;
  bool cancel_ = false;
  QColor back_{110, 110, 110};
  QColor fore_{Qt::white};
  bool hoverEffect_ = true;
  int borderStyle_ = kBorderRaised;
  bool hovered_ = false;
  bool pressed_ = false;
  QPointer<QObject> watchedWindow_;
};

}  // namespace tav

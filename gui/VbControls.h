#pragma once
// The controls our forms are built from. Each exposes its settings as Qt properties under
// the names the program's routines use (`Caption`, `ToolTipText`, `Text`, `Visible`,
// `Left`...), so that QtForm can read and write them by name through the meta-object. A
// control only has the properties its class declares: a text box has no `Caption`, a shape
// has no `ToolTipText`.
//
// Positions and sizes (`Left`, `Top`, `Width`, `Height`) are in twips, 15 to the pixel.
// Every control records its creation order, which is the order of a form's collection of
// controls; only named controls (objectName set) belong to that collection.

#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/window/FormDesign.h"

class QLineEdit;
class QPlainTextEdit;

namespace tav {

// Marks `control` as a member of its form's collection, named `name`, placed after every
// control created before it; and places it at (left, top, width, height) twips.
void DesignControl(QWidget& control, const QString& name, int left, int top, int width, int height);

// The position, size and visibility properties every control shares; mixed into each
// control class, whose Q_PROPERTY lines name these members.
class TwipsGeometry {
 public:
  virtual ~TwipsGeometry() = default;
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int twips);
  void SetTop(int twips);
  void SetWidth(int twips);
  void SetHeight(int twips);
  // The control's own visibility, whether or not its form is shown.
  bool Visible() const;
  void SetVisible(bool visible);

 protected:
  virtual QWidget& Self() = 0;
  virtual const QWidget& Self() const = 0;
};

// A form: a top-level window whose `Caption` is its title.
class VbForm : public QWidget, public TwipsGeometry {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ windowTitle WRITE setWindowTitle)
  Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
 public:
  explicit VbForm(QWidget* parent = nullptr);
  // Fixed client area in twips.
  void SetClientSize(int widthTwips, int heightTwips);
  void SetBackColor(const QColor& color);

 protected:
  QWidget& Self() override { return *this; }
  const QWidget& Self() const override { return *this; }
};

// A text label; transparent unless given an opaque back colour. Words wrap.
class Label : public QLabel, public TwipsGeometry {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ text WRITE setText)
  Q_PROPERTY(QString ToolTipText READ toolTip WRITE setToolTip)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
 public:
  explicit Label(QWidget* parent);
  void SetForeColor(const QColor& color);
  // An opaque background in this colour; transparent when invalid.
  void SetBackColor(const QColor& color);

 protected:
  QWidget& Self() override { return *this; }
  const QWidget& Self() const override { return *this; }
};

// A text box, single-line (optionally masked) or multi-line with a vertical scroll bar. A
// multi-line box reads its line breaks back as LF alone, and SelStart counts one character
// for each; a box that must hand back CR LF exactly keeps its own copy of the text.
// A key filter sees each typed character (TypedCharacter.h) before the box takes it and may
// discard it; keys that type nothing and pasted text never reach it.
// Change is emitted after every change of the text, however it came about.
class TextBox : public QWidget, public TwipsGeometry {
  Q_OBJECT
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(int SelStart READ SelStart WRITE SetSelStart)
  Q_PROPERTY(QString PasswordChar READ PasswordChar WRITE SetPasswordChar)
  Q_PROPERTY(bool Locked READ Locked WRITE SetLocked)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
 public:
  // Answers true to let the character into the box.
  using KeyFilter = std::function<bool(char16_t)>;

  TextBox(QWidget* parent, bool multiLine = false);

  QString Text() const;
  void SetText(const QString& text);
  int SelStart() const;
  void SetSelStart(int position);
  QString PasswordChar() const;
  // "" shows the text; any other value shows its first character for every character.
  void SetPasswordChar(const QString& mask);
  bool Locked() const;
  void SetLocked(bool locked);
  void SetKeyFilter(KeyFilter filter) { keyFilter_ = std::move(filter); }
  void SetColors(const QColor& back, const QColor& fore);
  // The inner editing widget (for tab order and tests).
  QWidget* Editor() const;

 signals:
  void Change();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  QWidget& Self() override { return *this; }
  const QWidget& Self() const override { return *this; }

 private:
  QLineEdit* line_ = nullptr;
  QPlainTextEdit* multi_ = nullptr;
  QString passwordChar_;
  KeyFilter keyFilter_;
};

// A rectangle outline, optionally filled; it lets mouse presses through to what lies below.
class Shape : public QWidget, public TwipsGeometry {
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(QColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
 public:
  explicit Shape(QWidget* parent);
  QColor BorderColor() const { return border_; }
  void SetBorderColor(const QColor& color);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int pixels);
  // A solid fill; invalid means transparent inside the outline.
  void SetFillColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;
  QWidget& Self() override { return *this; }
  const QWidget& Self() const override { return *this; }

 private:
  QColor border_{Qt::black};
  QColor fill_;
  int borderWidth_ = 1;
};

// A picture drawn from the control's top-left corner.
class Image : public QWidget, public TwipsGeometry {
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
 public:
  explicit Image(QWidget* parent);
  void SetPicture(const QPixmap& picture);
  const QPixmap& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  QWidget& Self() override { return *this; }
  const QWidget& Self() const override { return *this; }

 private:
  QPixmap picture_;
};

}  // namespace tav

#include "gui/VbControls.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "gui/TypedCharacter.h"

namespace tav {

namespace {
// Creation stamp of designed controls: a form's collection lists them by this number.
qlonglong nextDesignOrder = 1;
}  // namespace

void DesignControl(QWidget& control, const QString& name, int left, int top, int width, int height) {
  control.setObjectName(name);
  control.setProperty("vbOrder", nextDesignOrder++);
  control.setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

// ---- TwipsGeometry

int TwipsGeometry::Left() const { return PixelsToTwips(Self().x()); }
int TwipsGeometry::Top() const { return PixelsToTwips(Self().y()); }
int TwipsGeometry::Width() const { return PixelsToTwips(Self().width()); }
int TwipsGeometry::Height() const { return PixelsToTwips(Self().height()); }
void TwipsGeometry::SetLeft(int twips) { Self().move(TwipsToPixels(twips), Self().y()); }
void TwipsGeometry::SetTop(int twips) { Self().move(Self().x(), TwipsToPixels(twips)); }
void TwipsGeometry::SetWidth(int twips) { Self().resize(TwipsToPixels(twips), Self().height()); }
void TwipsGeometry::SetHeight(int twips) { Self().resize(Self().width(), TwipsToPixels(twips)); }
bool TwipsGeometry::Visible() const { return !Self().isHidden(); }
void TwipsGeometry::SetVisible(bool visible) { Self().setVisible(visible); }

// ---- VbForm

VbForm::VbForm(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_QuitOnClose, false); }

void VbForm::SetClientSize(int widthTwips, int heightTwips) {
  setFixedSize(TwipsToPixels(widthTwips), TwipsToPixels(heightTwips));
}

void VbForm::SetBackColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::Window, color);
  setPalette(p);
  setAutoFillBackground(true);
}

// ---- Label

Label::Label(QWidget* parent) : QLabel(parent) {
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTextFormat(Qt::PlainText);
}

void Label::SetForeColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, color);
  setPalette(p);
}

void Label::SetBackColor(const QColor& color) {
  QPalette p = palette();
  if (color.isValid()) p.setColor(QPalette::Window, color);
  setPalette(p);
  setAutoFillBackground(color.isValid());
}

// ---- TextBox

TextBox::TextBox(QWidget* parent, bool multiLine) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  QWidget* editor = nullptr;
  if (multiLine) {
    multi_ = new QPlainTextEdit(this);
    multi_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(multi_, &QPlainTextEdit::textChanged, this, &TextBox::Change);
    editor = multi_;
  } else {
    line_ = new QLineEdit(this);
    line_->setMaxLength(std::numeric_limits<int>::max());  // no length limit of its own
    connect(line_, &QLineEdit::textChanged, this, &TextBox::Change);
    editor = line_;
  }
  layout->addWidget(editor);
  editor->installEventFilter(this);
  setFocusProxy(editor);
  setFocusPolicy(editor->focusPolicy());
}

QWidget* TextBox::Editor() const { return line_ ? static_cast<QWidget*>(line_) : multi_; }

QString TextBox::Text() const { return line_ ? line_->text() : multi_->toPlainText(); }

void TextBox::SetText(const QString& text) {
  if (line_) {
    line_->setText(text);
  } else {
    multi_->setPlainText(text);
  }
}

int TextBox::SelStart() const { return line_ ? line_->cursorPosition() : multi_->textCursor().position(); }

void TextBox::SetSelStart(int position) {
  const int length = static_cast<int>(Text().size());
  position = std::clamp(position, 0, length);
  if (line_) {
    line_->setCursorPosition(position);
    return;
  }
  QTextCursor cursor = multi_->textCursor();
  cursor.setPosition(position);
  multi_->setTextCursor(cursor);
  multi_->ensureCursorVisible();
}

QString TextBox::PasswordChar() const { return passwordChar_; }

void TextBox::SetPasswordChar(const QString& mask) {
  passwordChar_ = mask.left(1);
  if (!line_) return;
  line_->setEchoMode(passwordChar_.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
  // The echo character is a style hint; the style sheet sets it per widget.
  line_->setStyleSheet(
      passwordChar_.isEmpty()
          ? QString()
          : QStringLiteral("lineedit-password-character: %1;").arg(passwordChar_.at(0).unicode()));
}

bool TextBox::Locked() const { return line_ ? line_->isReadOnly() : multi_->isReadOnly(); }

void TextBox::SetLocked(bool locked) {
  if (line_) {
    line_->setReadOnly(locked);
  } else {
    multi_->setReadOnly(locked);
  }
}

void TextBox::SetColors(const QColor& back, const QColor& fore) {
  QWidget* editor = Editor();
  QPalette p = editor->palette();
  p.setColor(QPalette::Base, back);
  p.setColor(QPalette::Text, fore);
  editor->setPalette(p);
}

bool TextBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Editor() && event->type() == QEvent::KeyPress && keyFilter_) {
    // Only typed characters reach the filter; editing keys, paste and the form's own keys do not.
    if (const auto typed = TypedCharacters(*static_cast<QKeyEvent*>(event))) {
      for (QChar c : *typed) {
        if (!keyFilter_(c.unicode())) return true;  // discarded before the box sees it
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Shape

Shape::Shape(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

void Shape::SetBorderColor(const QColor& color) {
  border_ = color;
  update();
}

void Shape::SetBorderWidth(int pixels) {
  borderWidth_ = std::max(0, pixels);
  update();
}

void Shape::SetFillColor(const QColor& color) {
  fill_ = color;
  update();
}

void Shape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (fill_.isValid()) painter.fillRect(rect(), fill_);
  if (borderWidth_ == 0) return;
  const int w = borderWidth_;
  // The outline lies inside the control's rectangle, as wide as BorderWidth.
  painter.fillRect(0, 0, width(), w, border_);
  painter.fillRect(0, height() - w, width(), w, border_);
  painter.fillRect(0, 0, w, height(), border_);
  painter.fillRect(width() - w, 0, w, height(), border_);
}

// ---- Image

Image::Image(QWidget* parent) : QWidget(parent) {}

void Image::SetPicture(const QPixmap& picture) {
  picture_ = picture;
  update();
}

void Image::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture_);
}

}  // namespace tav

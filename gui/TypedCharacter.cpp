#include "gui/TypedCharacter.h"

namespace tav {

namespace {

bool MovesOrAnswers(int key) {
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Insert:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return key >= Qt::Key_F1 && key <= Qt::Key_F35;
  }
}

// The control character that Ctrl with `key` types, or 0 for none.
char16_t ControlCharacter(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<char16_t>(key - Qt::Key_A + 1);
  switch (key) {
    case Qt::Key_BracketLeft:
      return 27;
    case Qt::Key_Backslash:
      return 28;
    case Qt::Key_BracketRight:
      return 29;
    default:
      return 0;
  }
}

}  // namespace

std::optional<QString> TypedCharacters(const QKeyEvent& key) {
  const Qt::KeyboardModifiers mods = key.modifiers();
  const bool ctrl = mods & Qt::ControlModifier;
  const bool altGr = ctrl && (mods & Qt::AltModifier);
  if (key.key() == Qt::Key_Backspace) return QString(QChar(ctrl && !altGr ? 127 : 8));
  if (MovesOrAnswers(key.key())) return std::nullopt;
  if (ctrl && !altGr) {
    if (const char16_t c = ControlCharacter(key.key())) return QString(QChar(c));
    // Ctrl with a digit or a sign types nothing; a control character the platform made stays.
    const QString text = key.text();
    if (text.size() == 1 && text.at(0).unicode() < 32) return text;
    return std::nullopt;
  }
  if (key.text().isEmpty()) return std::nullopt;
  return key.text();
}

}  // namespace tav

#pragma once
// What a key press types into a text box, as a Windows edit box receives it: the characters its
// key event (KeyPress) sees before the box takes them, or nothing.
//
// Keys that edit or move without typing give nothing: Delete (which X11 reports carrying
// U+007F), Insert, Home, End, the arrows and page keys, Shift+Insert (paste), and the keys the
// form answers itself (Enter, Escape, Tab). Backspace types character 8, Ctrl+Backspace 127.
// Ctrl with a letter types its control character (Ctrl+A is 1 ... Ctrl+V is 22), Ctrl with
// "[", "\" or "]" types 27 to 29, whatever text the platform reports. A character made with
// AltGr (which Windows reports as Ctrl+Alt) is typed as it stands.

#include <QKeyEvent>
#include <QString>
#include <optional>

namespace tav {

std::optional<QString> TypedCharacters(const QKeyEvent& key);

}  // namespace tav

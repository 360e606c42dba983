#pragma once
// The 48 by 48 pixel golden padlock shown by the password dialogs, drawn on a transparent
// background.

#include <QPixmap>

namespace tav {

QPixmap DrawPadlock();

}  // namespace tav

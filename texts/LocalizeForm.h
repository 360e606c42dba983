#pragma once
// Replaces the text markers of a loaded form: a caption or tool tip reading "#n" becomes
// text n of the text table. Looked at: the form's own Caption, then every control in
// collection order (Caption, ToolTipText, and for a common dialog DialogTitle and Filter).
// A property that is missing, refuses access (false, or a VbError) or holds no usable
// number is left as it is; nothing is reported to the caller. Any other exception is a
// fault and passes through.

#include "platform/window/WindowServices.h"

namespace tav {

void LocalizeForm(Form& frm);

}  // namespace tav

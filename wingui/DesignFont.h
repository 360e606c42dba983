#pragma once
// The fonts of a form design in the Win32 window, sized as the Qt window sizes them: points
// at 96 dots per inch, whatever the screen's own setting, since the design's twips are
// mapped at 15 to the pixel. A font without a face is the system's message font at the
// design's size.
//
// A caption in a named face that does not fit its control is given a slightly smaller size,
// 0.25 points at a time, never below 6 points: a label's wrapped words must fit its height,
// a button's one line its width less a margin of 6 pixels a side.

#include <windows.h>

#include <string>

#include "platform/window/FormDesign.h"

namespace tav {

HFONT CreateDesignFont(const FontDesign& font, double points);

// The size at which `caption` fits a control of `width` by `height` pixels.
double FittedPoints(const FontDesign& font, const std::wstring& caption, int width, int height,
                    bool wordWrap);

}  // namespace tav

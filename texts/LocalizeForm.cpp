#include "texts/LocalizeForm.h"

#include "platform/base/VbError.h"
#include "texts/TextTable.h"

namespace tav {

namespace {

// The text number a marker names, or 0 when the value is no marker or names no usable
// number. Each property is read afresh: nothing carries over from the previous one.
int16_t MarkerNumber(const PropValue& value) {
  const auto* text = std::get_if<std::string>(&value);
  if (!text || text->empty() || (*text)[0] != '#') return 0;
  const std::optional<int16_t> number = RoundToInt16(ReadNumber(std::string_view(*text).substr(1)));
  return number.value_or(0);
}

void ResolveMarker(Form& frm, std::string_view control, std::string_view property) {
  try {
    PropValue value;
    if (!frm.GetProperty(control, property, value)) return;
    const int16_t number = MarkerNumber(value);
    if (number > 0) frm.SetProperty(control, property, GetText(number));
  } catch (const VbError&) {
    // A control that refuses the access with an error is passed over like one that lacks
    // the property.
  }
}

}  // namespace

void LocalizeForm(Form& frm) {
  ResolveMarker(frm, "", "Caption");
  std::vector<std::string> controls;
  try {
    controls = frm.ControlNames();
  } catch (const VbError&) {
    return;
  }
  for (const std::string& control : controls) {
    ResolveMarker(frm, control, "Caption");
    ResolveMarker(frm, control, "ToolTipText");
    bool isCommonDialog = false;
    try {
      isCommonDialog = frm.ControlType(control) == "CommonDialog";
    } catch (const VbError&) {
    }
    if (isCommonDialog) {
      ResolveMarker(frm, control, "DialogTitle");
      ResolveMarker(frm, control, "Filter");
    }
  }
}

}  // namespace tav

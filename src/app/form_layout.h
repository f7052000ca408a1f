// The window form_Main as data: its four pages and every control with text, position and tab
// index, exactly as designed.
#pragma once

#include "platform/window_layout.h"

namespace quillset {

const platform::FormSpec& FormMainLayout();

// Looks a control up in the table; nullptr for a frame or an unknown id.
const platform::ControlSpec* FindControl(platform::ControlId id);

}  // namespace quillset

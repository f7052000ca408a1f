// The window form_Main as data: the names of its four pages and of every control, and the table
// that gives each its text, position and tab index, exactly as designed.
#pragma once

#include "platform/window_layout.h"

namespace quillset {

// form_Main's controls by name: the pages (frames) first, then the controls page by page.
namespace controls {
using platform::ControlId;
inline constexpr ControlId Frame_installationOK{1};  // the introduction page
inline constexpr ControlId Frame_installationAbbruchAlteVersion{2};
inline constexpr ControlId Frame_installationGefundeneInstanzen{3};
inline constexpr ControlId Frame_installationWarten{4};
inline constexpr ControlId Label_Einfuehrung{5};
inline constexpr ControlId Label6{6};
inline constexpr ControlId Cmd_Installieren{7};  // "&Weiter"
inline constexpr ControlId Cmd_Info{8};          // "System-Info" on the introduction page
inline constexpr ControlId Cmd_Abbrechen{9};     // "A&bbrechen" on the introduction page
inline constexpr ControlId Label1{10};
inline constexpr ControlId Text_dummy{11};
inline constexpr ControlId Cmd_Abbruch{12};  // "A&bbruch" on the old-version page
inline constexpr ControlId Command1{13};     // "System-Info" on the old-version page
inline constexpr ControlId Label3{14};
inline constexpr ControlId List_Instanzen{15};
inline constexpr ControlId Label4{16};
inline constexpr ControlId Label5{17};
inline constexpr ControlId Command2{18};  // "A&bbrechen" on the found-databases page
inline constexpr ControlId Cmd_Neu{19};   // "&Installieren" on the found-databases page
inline constexpr ControlId Label7{20};
inline constexpr ControlId Label8{21};
}  // namespace controls

const platform::FormSpec& FormMainLayout();

}  // namespace quillset

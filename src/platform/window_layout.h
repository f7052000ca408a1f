// The shape of the one window written as data: pages (frames) and their controls with positions
// in twips. The table itself lives with the form (app/form_layout.cpp); the Win32 layer builds the
// real window from it.
#pragma once

#include <span>

namespace quillset::platform {

// Every control of the window, frames first, then the controls page by page.
enum class ControlId : int {
  Frame_installationOK = 1,
  Frame_installationAbbruchAlteVersion,
  Frame_installationGefundeneInstanzen,
  Frame_installationWarten,
  Label_Einfuehrung,
  Label6,
  Cmd_Installieren,
  Cmd_Info,
  Cmd_Abbrechen,
  Label1,
  Text_dummy,
  Cmd_Abbruch,
  Command1,
  Label3,
  List_Instanzen,
  Label4,
  Label5,
  Command2,
  Cmd_Neu,
  Label7,
  Label8,
};

enum class ControlKind { Label, Button, TextBox, ListBox };

enum class Background {
  Window,            // the system window-background colour
  ActiveCaptionText  // the system colour of the text of an active title bar
};

// A page: a frame of the window. Frames are listed from the bottom of the stack to the top.
struct FrameSpec {
  ControlId id;
  const char* name;
  const char* caption;           // design-time caption; start-up empties it
  int left, top, width, height;  // twips, in the window's client area
  Background background;
};

// A control on a page. Positions are twips relative to the page's top-left corner.
struct ControlSpec {
  ControlKind kind;
  ControlId id;
  const char* name;
  const char* text;  // UTF-8; "&" marks the access key of a button
  int left, top, width, height;
  int tab_index;  // window-wide tab order; labels are numbered but never take the focus
  ControlId page;
  bool hidden;  // kept out of sight at run time (Text_dummy)
};

struct FormSpec {
  const char* caption;
  int client_width;  // twips
  int outer_height;  // twips, before start-up sets it
  std::span<const FrameSpec> frames;
  std::span<const ControlSpec> controls;
};

}  // namespace quillset::platform

// The shape of a window written as data: pages (frames) and their controls with positions in
// twips. The form that owns the window names its controls and writes the table (app/); the Win32
// layer builds the real window from it.
#pragma once

#include <span>

namespace quillset::platform {

// A frame or control of the window, numbered by the form that describes it; 0 is none.
enum class ControlId : int {};

enum class ControlKind { Label, Button, TextBox, ListBox };

enum class Background {
  Window,            // the system window-background colour
  ActiveCaptionText  // the system colour of the text of an active title bar
};

// A page: a frame of the window, without border or caption, hidden until it is shown. Frames are
// listed from the bottom of the stack to the top.
struct FrameSpec {
  ControlId id;
  int left, top, width, height;  // twips, in the window's client area: where the page is shown
  Background background;
};

// A control on a page. Positions are twips relative to the page's top-left corner.
struct ControlSpec {
  ControlKind kind;
  ControlId id;
  const char* text;  // UTF-8; "&" marks the access key of a button
  int left, top, width, height;
  int tab_index;  // window-wide tab order; labels are numbered but never take the focus
  ControlId page;
  bool hidden;  // kept out of sight at run time (Text_dummy)
};

struct FormSpec {
  const char* caption;
  int client_width;  // twips
  int outer_height;  // twips, title bar and borders included: one page tall
  std::span<const FrameSpec> frames;
  std::span<const ControlSpec> controls;
};

}  // namespace quillset::platform

#include "support/recording_window.h"

#include <cstring>

#include "app/form_layout.h"

namespace quillset::testing {

using platform::ControlId;

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string Cp1252ToUtf8(const char* bytes) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes); *p != 0; ++p) {
    char32_t c = *p;
    if (c >= 0x80 && c < 0xA0)
      c = kCp1252High[c - 0x80];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

std::string ControlName(ControlId id) {
  for (const platform::FrameSpec& frame : FormMainLayout().frames) {
    if (frame.id == id)
      return frame.name;
  }
  const platform::ControlSpec* control = FindControl(id);
  return control != nullptr ? control->name : "?";
}

void RecordingTextBox::SetText(const std::string& text) {
  text_ = text;
  selection_start_ = selection_end_ = 0;  // an edit control puts the caret at the start
  ++set_text_calls_;
}

void RecordingTextBox::SetSelection(int start, int end) {
  if (start == -1) {
    selection_start_ = selection_end_;  // deselect, the caret stays
    return;
  }
  const std::size_t length = text_.size();
  std::size_t from = static_cast<std::size_t>(start);
  std::size_t to = end < 0 ? length : static_cast<std::size_t>(end);
  if (from > length)
    from = length;
  if (to > length)
    to = length;
  if (from > to)
    std::swap(from, to);
  selection_start_ = from;
  selection_end_ = to;
}

void RecordingTextBox::ReplaceSelection(const char* ansi) {
  const std::string inserted = Cp1252ToUtf8(ansi);
  text_.replace(selection_start_, selection_end_ - selection_start_, inserted);
  selection_start_ += inserted.size();
  selection_end_ = selection_start_;
}

RecordingWindow::RecordingWindow() {
  for (const platform::FrameSpec& frame : FormMainLayout().frames) {
    frames_[frame.id] = FrameState{true, frame.top, frame.left, 1, frame.caption};
  }
  outer_height_ = FormMainLayout().outer_height;
}

void RecordingWindow::Record(std::string call) {
  calls_.push_back(std::move(call));
}

void RecordingWindow::SetOuterHeight(int twips) {
  outer_height_ = twips;
  Record("SetOuterHeight " + std::to_string(twips));
}

void RecordingWindow::SetFrameBorderStyle(ControlId frame, int border_style) {
  frames_.at(frame).border_style = border_style;
  Record("SetFrameBorderStyle " + ControlName(frame) + " " + std::to_string(border_style));
}

void RecordingWindow::SetFrameVisible(ControlId frame, bool visible) {
  frames_.at(frame).visible = visible;
  Record("SetFrameVisible " + ControlName(frame) + " " + (visible ? "1" : "0"));
}

void RecordingWindow::SetFrameCaption(ControlId frame, const std::string& caption) {
  frames_.at(frame).caption = caption;
  Record("SetFrameCaption " + ControlName(frame) + " '" + caption + "'");
}

void RecordingWindow::SetFrameTop(ControlId frame, int twips) {
  frames_.at(frame).top = twips;
  Record("SetFrameTop " + ControlName(frame) + " " + std::to_string(twips));
}

void RecordingWindow::SetFrameLeft(ControlId frame, int twips) {
  frames_.at(frame).left = twips;
  Record("SetFrameLeft " + ControlName(frame) + " " + std::to_string(twips));
}

void RecordingWindow::ListClear() {
  list_items_.clear();
  Record("ListClear");
}

void RecordingWindow::ListAddItem(const std::string& item) {
  list_items_.push_back(item);
  Record("ListAddItem " + item);
}

void RecordingWindow::ListRefresh() {
  Record("ListRefresh");
}

void RecordingWindow::ListSetTabStops(std::span<const std::int32_t> stops) {
  tab_stops_.assign(stops.begin(), stops.end());
  Record("ListSetTabStops");
}

void RecordingWindow::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Record(std::string("SetEnabled ") + (enabled ? "1" : "0"));
}

void RecordingWindow::DoEvents() {
  ++do_events_calls_;
  if (on_do_events)
    on_do_events();
}

void RecordingWindow::Unload() {
  unloaded_ = true;
  Record("Unload");
}

int RecordingWindow::MsgBox(const std::string& prompt, int style, const std::string& title) {
  message_boxes_.push_back(MsgBoxCall{prompt, style, title});
  Record("MsgBox " + title);
  if (on_msg_box)
    on_msg_box(message_boxes_.back());
  return 1;  // OK
}

std::string RecordingWindow::InputBox(const std::string& prompt, const std::string& title) {
  input_boxes_.push_back(InputBoxCall{prompt, title});
  Record("InputBox " + title);
  if (input_answers_.empty())
    return "";
  std::string answer = std::move(input_answers_.front());
  input_answers_.pop_front();
  return answer;
}

std::optional<ControlId> RecordingWindow::PageInView() const {
  std::optional<ControlId> top;
  for (const platform::FrameSpec& frame : FormMainLayout().frames) {
    if (frames_.at(frame.id).visible)
      top = frame.id;
  }
  return top;
}

}  // namespace quillset::testing

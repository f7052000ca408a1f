// A window that records what the logic does to it: page frames, the list box, the hidden text
// box (an edit control's caret semantics), enabling, message boxes and input boxes.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/window_port.h"

namespace quillset::testing {

// Text_dummy: an edit control's text with its selection. Bytes handed in as ANSI are read as
// Windows-1252 and kept as UTF-8, as the real control turns them into its own characters.
class RecordingTextBox : public platform::TextBoxPort {
 public:
  std::string Text() override { return text_; }
  void SetText(const std::string& text) override;
  void SetSelection(int start, int end) override;
  void ReplaceSelection(const char* ansi) override;

  int set_text_calls() const { return set_text_calls_; }

 private:
  std::string text_ = "Text1";
  std::size_t selection_start_ = 0;
  std::size_t selection_end_ = 0;
  int set_text_calls_ = 0;
};

struct FrameState {
  bool visible = true;
  int top = 0;
  int left = 0;
  int border_style = 1;
  std::string caption;
};

struct MsgBoxCall {
  std::string prompt;
  int style = 0;
  std::string title;

  friend bool operator==(const MsgBoxCall&, const MsgBoxCall&) = default;
  friend std::ostream& operator<<(std::ostream& out, const MsgBoxCall& box) {
    return out << "MsgBox(\"" << box.prompt << "\", " << box.style << ", \"" << box.title << "\")";
  }
};

struct InputBoxCall {
  std::string prompt;
  std::string title;
};

class RecordingWindow : public platform::WindowPort {
 public:
  RecordingWindow();

  void SetOuterHeight(int twips) override;
  void SetFrameBorderStyle(platform::ControlId frame, int border_style) override;
  void SetFrameVisible(platform::ControlId frame, bool visible) override;
  void SetFrameCaption(platform::ControlId frame, const std::string& caption) override;
  void SetFrameTop(platform::ControlId frame, int twips) override;
  void SetFrameLeft(platform::ControlId frame, int twips) override;
  void ListClear() override;
  void ListAddItem(const std::string& item) override;
  void ListRefresh() override;
  void ListSetTabStops(std::span<const std::int32_t> stops) override;
  platform::TextBoxPort& DummyText() override { return text_box_; }
  void SetEnabled(bool enabled) override;
  void DoEvents() override;
  void Unload() override;
  int MsgBox(const std::string& prompt, int style, const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title) override;

  // What the user sees: the highest visible frame of the stack, if any.
  std::optional<platform::ControlId> PageInView() const;
  const FrameState& frame(platform::ControlId id) const { return frames_.at(id); }

  int outer_height() const { return outer_height_; }
  bool enabled() const { return enabled_; }
  bool unloaded() const { return unloaded_; }
  int do_events_calls() const { return do_events_calls_; }
  const std::vector<std::string>& list_items() const { return list_items_; }
  const std::vector<std::int32_t>& tab_stops() const { return tab_stops_; }
  const std::vector<MsgBoxCall>& message_boxes() const { return message_boxes_; }
  const std::vector<InputBoxCall>& input_boxes() const { return input_boxes_; }
  // Every call in order, e.g. "SetFrameVisible Frame_installationOK 0".
  const std::vector<std::string>& calls() const { return calls_; }
  RecordingTextBox& text_box() { return text_box_; }

  // The answers the user types into the input boxes, in order; "" (cancel) once they run out.
  void QueueInputBoxAnswer(std::string answer) { input_answers_.push_back(std::move(answer)); }
  // Runs inside DoEvents, MsgBox and InputBox: what the user does while the window handles
  // messages (press another button, look at the pages).
  std::function<void()> on_do_events;
  std::function<void(const MsgBoxCall&)> on_msg_box;

 private:
  void Record(std::string call);

  std::map<platform::ControlId, FrameState> frames_;
  RecordingTextBox text_box_;
  int outer_height_ = 0;
  bool enabled_ = true;
  bool unloaded_ = false;
  int do_events_calls_ = 0;
  std::vector<std::string> list_items_;
  std::vector<std::int32_t> tab_stops_;
  std::vector<MsgBoxCall> message_boxes_;
  std::vector<InputBoxCall> input_boxes_;
  std::deque<std::string> input_answers_;
  std::vector<std::string> calls_;
};

// The name of a control as the table gives it ("Frame_installationOK").
std::string ControlName(platform::ControlId id);

}  // namespace quillset::testing

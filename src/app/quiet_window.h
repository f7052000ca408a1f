// The window of a quiet run: nothing appears on any desktop. It remembers the page in view and
// the servers listed, writes every message into the log as not shown, and cannot ask a question:
// the input box counts as cancelled. Run() then acts in place of the person at the window.
#pragma once

#include <string>
#include <vector>

#include "app/exit_code.h"
#include "app/form_main.h"
#include "platform/log_port.h"
#include "platform/window_port.h"

namespace quillset {

class QuietWindow final : public platform::WindowPort {
 public:
  // `text` stands in for the hidden text box that console output lands in; it starts with the
  // text the window's design gives that box.
  QuietWindow(platform::LogPort& log, platform::TextBoxPort& text);

  // Starts the form, then presses "&Weiter" on the introduction page and "&Installieren" on the
  // found-databases page (the installation the page recommends), each once. Any other page, a
  // page met again or the form unloaded ends the run: with 6 when a name had to be asked for,
  // otherwise with the form's outcome.
  ExitCode Run(form_Main& form);

  void ShowPage(platform::ControlId page) override { page_ = page; }
  void ListClear() override { list_.clear(); }
  void ListAddItem(const std::string& item) override { list_.push_back(item); }
  void ListRefresh() override {}
  void ListSetTabStops(std::span<const std::int32_t>) override {}
  platform::TextBoxPort& DummyText() override { return text_; }
  void SetEnabled(bool) override {}
  bool DoEvents() override { return !unloaded_; }
  void Unload() override { unloaded_ = true; }
  int MsgBox(const std::string& prompt, int style, const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title) override;

 private:
  platform::LogPort& log_;
  platform::TextBoxPort& text_;
  platform::ControlId page_{};
  std::vector<std::string> list_;
  bool unloaded_ = false;
  bool asked_ = false;
};

}  // namespace quillset

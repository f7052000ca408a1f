// Ports that write what passes through them into the run's log and hand everything on: every
// command line started and how each program ended, every message box and question shown.
#pragma once

#include <memory>
#include <string>

#include "platform/log_port.h"
#include "platform/process_port.h"
#include "platform/window_port.h"

namespace quillset {

// Logs each command line as it starts (or fails to), and a program's exit code and running time
// when it is first seen ended.
class LoggedProcesses final : public platform::ProcessPort {
 public:
  LoggedProcesses(platform::ProcessPort& processes, platform::LogPort& log)
      : processes_(processes), log_(log) {}
  std::unique_ptr<platform::ConsoleProgram> StartHiddenConsole(const std::string& line) override;
  std::unique_ptr<platform::StartedProgram> Start(const std::string& line) override;

 private:
  platform::ProcessPort& processes_;
  platform::LogPort& log_;
};

// The real window, with every message box and question logged as shown.
class LoggedWindow final : public platform::WindowPort {
 public:
  LoggedWindow(platform::WindowPort& window, platform::LogPort& log) : window_(window), log_(log) {}
  void ShowPage(platform::ControlId page) override { window_.ShowPage(page); }
  void ListClear() override { window_.ListClear(); }
  void ListAddItem(const std::string& item) override { window_.ListAddItem(item); }
  void ListRefresh() override { window_.ListRefresh(); }
  void ListSetTabStops(std::span<const std::int32_t> stops) override {
    window_.ListSetTabStops(stops);
  }
  platform::TextBoxPort& DummyText() override { return window_.DummyText(); }
  void SetEnabled(bool enabled) override { window_.SetEnabled(enabled); }
  bool DoEvents() override { return window_.DoEvents(); }
  void Unload() override { window_.Unload(); }
  int MsgBox(const std::string& prompt, int style, const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title) override;

 private:
  platform::WindowPort& window_;
  platform::LogPort& log_;
};

}  // namespace quillset

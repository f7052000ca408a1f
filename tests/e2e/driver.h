// The Wine tests' hands: they arrange the Wine machine that a row of machines.txt describes (the
// registry, services, the drive Q: with the MSDE folder, the environment), start the real
// quillset.exe in a job of its own, and look at and act on its window from outside as a user.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "support/table.h"

namespace quillset::e2e {

inline std::wstring Wide(const std::string& utf8) {
  return win32::Utf8ToWide(utf8);
}
inline std::string Utf8(const std::wstring& wide) {
  return win32::WideToUtf8(wide);
}
std::string TextOf(HWND window);  // WM_GETTEXT, which crosses processes
std::string ClassOf(HWND window);
std::string ComputerName();
std::vector<HWND> Descendants(HWND window);

// The machine of one row, arranged on construction and cleared on destruction: the SQL Server
// registrations, the instance services, the "Server" service, the files on Q:.
class Machine {
 public:
  explicit Machine(const testing::Row& row);
  ~Machine() {
    Clear();
    SetEnvironment(true);
  }
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  std::wstring AppFolder() const { return Wide(row_.One("app", "Q:\\MSDE")); }
  std::wstring CurrentFolder() const { return Wide(row_.One("cwd", Utf8(AppFolder()))); }
  void SetEnvironment(bool clear) const;
  std::vector<std::string> SetupRuns() const;        // setup's command lines, in order
  std::vector<std::string> ConnectToValues() const;  // NAME=DATA, sorted
  // The log's lines without their time stamps, or what is wrong with the file: the one /log names
  // in the row's arguments, else TEMP's quillset-assistant.log.
  std::vector<std::string> LogLines() const;

 private:
  void Clear() const;
  testing::Row row_;
  win32::ScopedFile locked_;  // "lock:": held open without sharing
  win32::ScopedHandle held_;  // "hold: _MSIExecute": Windows Installer's mutex
};

// quillset.exe of the machine with the arguments, started in a job that ends it and everything it
// started.
class Program {
 public:
  explicit Program(const Machine& machine, const std::string& arguments = "");
  ~Program() { TerminateJobObject(job_.get(), 1); }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Ended() const { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }
  int Children() const;       // programs it started that still run
  double CpuSeconds() const;  // its and Wine's processor time so far; -1 when unreadable
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }
  HWND window() const { return window_; }  // its main window; nullptr when none appeared
  std::string ExitCode() const;            // once it has ended (within ten seconds)

 private:
  win32::ScopedHandle job_, process_;
  std::wstring exe_;
  mutable std::vector<std::filesystem::path> unix_processes_;  // its and Wine's, in /proc
  mutable bool scanned_ = false;
  DWORD id_ = 0;
  HWND window_ = nullptr;
};

std::string PageName(HWND page);      // intro, old, found, wait, or "" for no page
std::string PageInView(HWND window);  // the page the user sees, or none
std::vector<std::string> ListItems(HWND window);
// How long to linger before each step, so that a watcher sees it (QS_PAUSE_MS; the demo).
int PauseMs();
// Waits until the assistant rests: no dialog open and no program of its own running for 300 ms,
// or it ended. Meanwhile records and answers every dialog (OK, or the next typed answer; cancel
// when there is none), does `during` once one of its programs has run for half a second, and
// checks that the window keeps answering, and stays disabled and asleep behind the wait page
// while a program runs.
void Settle(const Program& program, std::vector<std::string>& answers, std::string& during,
            testing::Outcome& seen);
// A button by its caption (without "&"), "close", or a key: Tab, Enter, Space, Escape, b, Alt+X.
void Act(HWND window, const std::string& action);

}  // namespace quillset::e2e

// The console runner on the real platform: a hidden multi-line edit control as the box, real
// pipes and processes, the stand-in programs talker.exe and osql.exe. The stand-ins are looked
// for in the folder named by QUILLSET_STANDINS_DIR, else in ..\standins beside this runner's
// folder (the build tree's layout).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "driver/edit_text_box.h"
#include "inspect/command_runner.h"
#include "inspect/server_probes.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_processes.h"

namespace quillset {
namespace {

constexpr UINT kPing = WM_APP + 1;

std::wstring StandinsFolder() {
  wchar_t configured[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"QUILLSET_STANDINS_DIR", configured, MAX_PATH) > 0) {
    return std::wstring(configured) + L"\\";
  }
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder(exe);
  folder.resize(folder.find_last_of(L'\\') + 1);
  return folder + L"..\\standins\\";
}

std::string Standin(const char* name) {
  return "\"" + win32::WideToUtf8(StandinsFolder()) + name + "\"";
}

// talker.exe's "bytes N" pattern.
std::string TalkerPattern(std::size_t count) {
  static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string text(count, '\0');
  for (std::size_t i = 0; i < count; ++i) {
    text[i] = i % 64 == 62 ? '\r' : i % 64 == 63 ? '\n' : kAlphabet[i % 36];
  }
  return text;
}

using e2e::EditTextBox;

class ConsoleRunner : public ::testing::Test {
 protected:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kPing) {
      if (current_ != nullptr && current_->on_ping)
        current_->on_ping();
      return 42;
    }
    if (message == WM_TIMER) {
      if (current_ != nullptr)
        ++current_->timer_ticks;
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  void SetUp() override {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &WindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"QuillsetConsoleRunnerTest";
    RegisterClassW(&window_class);  // fails harmlessly when an earlier test registered it
    window_ =
        CreateWindowExW(0, window_class.lpszClassName, L"console runner test", WS_OVERLAPPEDWINDOW,
                        0, 0, 300, 200, nullptr, nullptr, window_class.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    edit_ = CreateWindowExW(0, L"EDIT", L"Text1",
                            WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL, 0, 0, 200,
                            100, window_, nullptr, window_class.hInstance, nullptr);
    ASSERT_NE(edit_, nullptr);
    SendMessageW(edit_, EM_LIMITTEXT, 0, 0);
    box_ = std::make_unique<EditTextBox>(edit_);
    current_ = this;
  }

  void TearDown() override {
    current_ = nullptr;
    DestroyWindow(window_);
    win32::PumpPendingMessages();
  }

  CommandConsole console() { return {processes_, *box_}; }
  std::string Run(const std::string& command_line) {
    RunCommandToTextBox(console(), command_line);
    return box_->Text();
  }

  static inline ConsoleRunner* current_ = nullptr;
  std::function<void()> on_ping;
  int timer_ticks = 0;
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  std::unique_ptr<EditTextBox> box_;
  win32::Win32Processes processes_;
};

TEST_F(ConsoleRunner, LongOutputArrivesJoinedExactly) {
  EXPECT_EQ(Run(Standin("talker.exe") + " bytes 5000"), TalkerPattern(5000));
  const std::string flood = Run(Standin("talker.exe") + " bytes 1000000");
  ASSERT_EQ(flood.size(), 1000000u);
  EXPECT_TRUE(flood == TalkerPattern(1000000));
}

// A box that only keeps the bytes: the pipe's part of a flood, without the edit control's.
class StringBox : public platform::TextBoxPort {
 public:
  std::string Text() override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }
  void SetSelection(int, int) override {}
  void ReplaceSelection(const char* ansi) override { text_ += ansi; }

 private:
  std::string text_;
};

TEST_F(ConsoleRunner, TenMegabytesPassThePipeWhole) {
  StringBox box;
  RunCommandToTextBox({processes_, box}, Standin("talker.exe") + " bytes 10000000");
  ASSERT_EQ(box.Text().size(), 10000000u);
  EXPECT_TRUE(box.Text() == TalkerPattern(10000000));
}

TEST_F(ConsoleRunner, StandardErrorArrivesWithStandardOutputInWriteOrder) {
  EXPECT_EQ(Run(Standin("talker.exe") + " out one\\r\\n err two\\r\\n out three\\r\\n"),
            "one\r\ntwo\r\nthree\r\n");
}

TEST_F(ConsoleRunner, AProgramWithoutOutputEmptiesTheBox) {
  EXPECT_EQ(Run(Standin("talker.exe") + " exit 3"), "");
}

TEST_F(ConsoleRunner, AProgramThatCannotBeFoundLeavesTheBoxAsItWas) {
  EXPECT_EQ(Run("quillset-no-such-program-4711 -E"), "Text1");
  Run(Standin("talker.exe") + " out earlier");
  EXPECT_EQ(Run("quillset-no-such-program-4711"), "earlier");
}

TEST_F(ConsoleRunner, AZeroByteCutsTheRestOfItsChunk) {
  EXPECT_EQ(Run(Standin("talker.exe") + " out abc\\x00def sleep 300 out ghi"), "abcghi");
}

TEST_F(ConsoleRunner, NoCommandInterpreterReadsTheCommandLine) {
  EXPECT_EQ(Run(Standin("talker.exe") + " out a|b&c>d"), "a|b&c>d");
}

TEST_F(ConsoleRunner, TheWindowHandlesMessagesWhileTheProgramIsSilent) {
  int answered_while_silent = 0;
  on_ping = [&] {
    if (box_->Text().empty())
      ++answered_while_silent;
  };
  std::atomic<bool> done{false};
  std::atomic<bool> pinger_finished{false};
  std::atomic<int> unanswered{0};
  std::thread pinger([&] {
    while (!done) {
      DWORD_PTR result = 0;
      // A second without an answer would be a frozen window.
      if (!SendMessageTimeoutW(window_, kPing, 0, 0, SMTO_NORMAL, 1000, &result))
        ++unanswered;
      Sleep(20);
    }
    pinger_finished = true;
  });
  SetTimer(window_, 1, 50, nullptr);
  const std::string text = Run(Standin("talker.exe") + " sleep 2000 out done");
  KillTimer(window_, 1);
  done = true;
  // A ping may be on its way: answer it, or it would count as unanswered.
  while (!pinger_finished) {
    win32::PumpPendingMessages();
    Sleep(1);
  }
  pinger.join();
  EXPECT_EQ(text, "done");
  EXPECT_EQ(unanswered, 0);
  EXPECT_GE(answered_while_silent, 10);
  EXPECT_GE(timer_ticks, 5);
}

TEST_F(ConsoleRunner, AProgramStartedWhileACommandRunsDoesNotHoldItsPipe) {
  platform::ProcessHandle long_runner = 0;
  bool started = false;
  on_ping = [&] {
    if (!started)
      started = processes_.Start(Standin("talker.exe") + " sleep 5000", long_runner);
  };
  PostMessageW(window_, kPing, 0, 0);
  EXPECT_EQ(Run(Standin("talker.exe") + " sleep 500 out done"), "done");
  ASSERT_TRUE(started);
  // The command's output ended while the program started meanwhile still runs.
  EXPECT_TRUE(processes_.IsRunning(long_runner));
  TerminateProcess(reinterpret_cast<HANDLE>(long_runner), 0);
  processes_.Close(long_runner);
}

// How many handles the process holds. Wine answers GetProcessHandleCount with 0; there the
// highest of 64 fresh handles tells instead, since handles fill the lowest free slots and every
// handle left open pushes the fresh ones up.
DWORD HandleFootprint() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0)
    return count;
  HANDLE probes[64] = {};
  std::uintptr_t highest = 0;
  for (HANDLE& probe : probes) {
    probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    highest = std::max(highest, reinterpret_cast<std::uintptr_t>(probe));
  }
  for (HANDLE probe : probes)
    CloseHandle(probe);
  return static_cast<DWORD>(highest / 4);
}

TEST_F(ConsoleRunner, EveryHandleIsReleased) {
  Run(Standin("talker.exe") + " out warm-up");
  const DWORD before = HandleFootprint();
  for (int i = 0; i < 20; ++i) {
    Run(Standin("talker.exe") + " out x err y");
    Run("quillset-no-such-program-4711");
  }
  EXPECT_EQ(HandleFootprint(), before);
}

class OsqlStandin : public ConsoleRunner {
 protected:
  void SetUp() override {
    ConsoleRunner::SetUp();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    answers_path_ = std::wstring(temp) + L"quillset-osql-answers.txt";
    FILE* file = _wfopen(answers_path_.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fputs(
        "PC\\GLOBANA|edition|Desktop Engine\n"
        "PC\\GLOBANA|productVersion|8.00.194\n"
        "PC|edition|Enterprise Evaluation Edition\n"
        "PC|productVersion|7.00.623\n",
        file);
    std::fclose(file);
    SetEnvironmentVariableW(L"QUILLSET_OSQL_ANSWERS", answers_path_.c_str());
    // osql is found through the search path, as on a machine with SQL Server's tools.
    wchar_t path[32767] = {};
    GetEnvironmentVariableW(L"PATH", path, 32767);
    saved_path_ = path;
    SetEnvironmentVariableW(L"PATH", (StandinsFolder() + L";" + saved_path_).c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"PATH", saved_path_.c_str());
    SetEnvironmentVariableW(L"QUILLSET_OSQL_ANSWERS", nullptr);
    DeleteFileW(answers_path_.c_str());
    ConsoleRunner::TearDown();
  }

  std::wstring answers_path_;
  std::wstring saved_path_;
};

TEST_F(OsqlStandin, AnswersArriveCleaned) {
  EXPECT_EQ(QueryServerEdition(console(), "PC\\GLOBANA"), "Desktop Engine");
  EXPECT_EQ(QueryServerVersion(console(), "PC\\GLOBANA"), "8.00.194");
  EXPECT_EQ(QueryServerEdition(console(), "PC"), "Enterprise Evaluatio");
  EXPECT_EQ(QueryServerVersion(console(), "PC"), "7.00.623");
}

TEST_F(OsqlStandin, AnUnreachableServerAnswersWithItsErrorText) {
  const std::string version = QueryServerVersion(console(), "PC\\NOWHERE");
  EXPECT_EQ(version,
            "[DBNETLIB]SQL Server does not exist or access denied.[DBNETLIB]ConnectionOpen "
            "(Connect()).");
  EXPECT_TRUE(IsOldVersion(version));
}

TEST(Win32Processes, StartsWaitsForAndClosesANormalProgram) {
  win32::Win32Processes processes;
  platform::ProcessHandle process = 0;
  ASSERT_TRUE(processes.Start(Standin("talker.exe") + " sleep 300", process));
  ASSERT_NE(process, 0u);
  EXPECT_TRUE(processes.IsRunning(process));
  int waits = 0;
  while (processes.IsRunning(process) && waits < 1000) {
    processes.WaitForEndOrMessage(process);
    win32::PumpPendingMessages();
    ++waits;
  }
  EXPECT_FALSE(processes.IsRunning(process));
  EXPECT_FALSE(processes.IsRunning(process));
  processes.Close(process);
}

TEST(Win32Processes, AProgramThatCannotStartLeavesTheHandleAlone) {
  win32::Win32Processes processes;
  platform::ProcessHandle process = 1234;
  EXPECT_FALSE(processes.Start("quillset-no-such-program-4711", process));
  EXPECT_EQ(process, 1234u);
  EXPECT_FALSE(processes.IsRunning(0));
}

}  // namespace
}  // namespace quillset

// The workstation of the native tests: one object that is every port the assistant uses, arranged
// from a row of machines.txt. Its outside world behaves as the Wine tests' does: net lists the
// started services, osql answers as the row says, the MSDE setup installs the instance's service
// and net start starts it.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "app/form_layout.h"
#include "app/form_main.h"
#include "app/quiet_window.h"
#include "support/osql_answers.h"
#include "support/table.h"

namespace quillset::testing {

using platform::ControlId;

class SimulatedMachine : public platform::RegistryPort,
                         public platform::ProcessPort,
                         public platform::SystemPort,
                         public platform::WindowPort,
                         public platform::TextBoxPort,
                         public platform::RunPort {
 public:
  static constexpr const char* kComputer = "PC-KALO";
  // Console programs besides net and osql: their command lines and what they write, write by write.
  std::map<std::string, std::vector<std::string>> consoles;

  explicit SimulatedMachine(const Row& row) : row_(row), answers_(row.All("answer")) {
    services_ = {{"Server", row.One("server", "running") == "running"}};
    for (const std::string& name : Split(row.One("running"), ", "))
      services_.emplace_back(name, !name.empty());
    for (const std::string& entry : Split(row.One("env"), ", ")) {
      if (entry.starts_with("-"))
        std::erase_if(environment_, [&](auto& e) { return e.starts_with(entry.substr(1) + "="); });
      else if (!entry.empty())
        environment_.push_back(entry);
    }
    for (const RegOperation& operation : RegistryOf(row))
      Apply(operation);
    // "refuse: create|open|write PATH": that step on the key below HKEY_LOCAL_MACHINE is denied.
    for (const std::string& step : row.All("refuse"))
      refused_.insert(step.substr(0, step.find(' ') + 1) +
                      KeyId(platform::kHkeyLocalMachine, step.substr(step.find(' ') + 1)));
  }

  // Starts the window, does the row's actions ("~action": while the one before still works) and
  // tells what the user saw. Checks that the run leaves no key, process or console open, never
  // polls a program without waiting, and keeps the window disabled while a program runs.
  Outcome Run() {
    RunStart start = StartRun(*this, *this);
    if (start.ended) {
      outcome_.exit = std::to_string(EndRun(*start.log, *start.ended));
      outcome_.page = "never";
      return outcome_;
    }
    // A quiet run acts by itself in a window of its own; an interactive one in this window.
    std::optional<QuietWindow> quiet;
    if ((quiet_ = start.command.quiet))
      quiet.emplace(*start.log, *this);
    LoggedWindow window(*this, *start.log);
    form_Main form(platform::Ports{quiet ? static_cast<WindowPort&>(*quiet) : window, *this, *this,
                                   *this, *start.log},
                   start.options);
    press_ = [&form](ControlId button) { form.OnButton(button); };
    close_ = [&form] { form.OnClose(); };
    const ExitCode code = quiet ? quiet->Run(form) : ExitCode::kEndedByUser;
    if (!quiet) {
      form.Form_Load();
      form.Form_Activate();
    }
    const std::vector<std::string> actions = Split(row_.One("do"), ", ");
    for (std::size_t i = 0; i < actions.size() && !quiet; ++i) {
      if (i + 1 < actions.size() && actions[i + 1].starts_with("~"))
        during_ = actions[i + 1].substr(1);
      if (!actions[i].starts_with("~") && !actions[i].empty())
        Do(actions[i]);
      EXPECT_EQ(during_, "") << "no work was going on to do this during";
    }
    outcome_.page = quiet ? "never" : unloaded_ ? "ended" : PageInView();
    if (outcome_.page == "found")
      outcome_.list = list_;
    for (const auto& [lower, value] : keys_[KeyId(platform::kHkeyLocalMachine, kConnectTo)])
      outcome_.aliases.push_back(value.name + "=" + value.data.substr(0, value.data.find('\0')));
    std::sort(outcome_.aliases.begin(), outcome_.aliases.end());
    outcome_.exit = std::to_string(EndRun(*start.log, quiet ? code : form.Outcome()));
    EXPECT_TRUE(open_keys_.empty()) << "registry keys left open";
    EXPECT_EQ(open_programs_, 0) << "process handles left open";
    EXPECT_EQ(open_consoles_, 0) << "console programs left running";
    EXPECT_TRUE(unloaded_ || enabled_) << "the window stays disabled";
    if (outcome_.page == "found") {
      EXPECT_EQ(tab_stops_, (std::vector<std::int32_t>{100, 150, 180})) << "the list's columns";
    }
    return outcome_;
  }

  // --- Registry: keys and value names without regard to letter case, Windows' status numbers.
  std::int32_t OpenKey(platform::RegistryKeyHandle root, const std::string& path, std::uint32_t,
                       platform::RegistryKeyHandle& key) override {
    if (!keys_.contains(KeyId(root, path)))
      return platform::kErrorFileNotFound;
    if (refused_.contains("open " + KeyId(root, path)))
      return platform::kErrorAccessDenied;
    open_keys_[key = next_key_++] = KeyId(root, path);
    return platform::kErrorSuccess;
  }
  std::int32_t CreateKey(platform::RegistryKeyHandle root, const std::string& path, std::uint32_t,
                         platform::RegistryKeyHandle& key) override {
    if (refused_.contains("create " + KeyId(root, path)))
      return platform::kErrorAccessDenied;
    Apply(RegOperation{root, path, "", false, 0, ""});
    open_keys_[key = next_key_++] = KeyId(root, path);
    return platform::kErrorSuccess;
  }
  platform::RegistryData ReadValue(platform::RegistryKeyHandle key,
                                   const std::string& name) override {
    if (!open_keys_.contains(key))
      return {platform::kErrorInvalidHandle, platform::kRegNone, {}};
    const auto& values = keys_[open_keys_[key]];
    const auto value = values.find(Lower(name));
    if (value == values.end())
      return {platform::kErrorFileNotFound, platform::kRegNone, {}};
    return {platform::kErrorSuccess, value->second.type, value->second.data};
  }
  std::int32_t WriteValue(platform::RegistryKeyHandle key, const std::string& name,
                          std::uint32_t type, const std::string& data) override {
    if (!open_keys_.contains(key))
      return platform::kErrorInvalidHandle;
    if (refused_.contains("write " + open_keys_[key]))
      return platform::kErrorAccessDenied;
    keys_[open_keys_[key]][Lower(name)] = RegOperation{0, "", name, true, type, data};
    return platform::kErrorSuccess;
  }
  std::int32_t CloseKey(platform::RegistryKeyHandle key) override {
    return open_keys_.erase(key) == 1 ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
  }

  // --- Programs: consoles that write what the row's world answers, programs that end after some
  // polls and then do their work.
  std::unique_ptr<platform::ConsoleProgram> StartHiddenConsole(const std::string& line) override {
    if (consoles.contains(line))
      return std::make_unique<Console>(*this, consoles.at(line));
    if ((line == "NET START" || line == "net start") && !row_.Missing("net"))
      return std::make_unique<Console>(*this, std::vector{Listing()});
    // Only the two queries that osql is asked.
    const std::size_t query = line.find(" -Q \" SELECT CONVERT(char(20), SERVERPROPERTY('");
    if (!line.starts_with("osql -E -S ") || query == std::string::npos || row_.Missing("osql") ||
        !(line.ends_with("('edition'))\"") || line.ends_with("('productVersion'))\"")))
      return nullptr;
    std::string answers;
    for (const std::string& answer : row_.All("osql"))
      answers += ReplaceAll(answer, "{computer}", kComputer) + "\n";
    const OsqlReply reply = OsqlAnswer(answers, line.substr(11, query - 11), line.substr(query));
    return std::make_unique<Console>(*this, std::vector{reply.out, reply.err});
  }
  std::unique_ptr<platform::StartedProgram> Start(const std::string& line) override {
    // The program as Windows takes it from the line: in quotes, or up to the first blank.
    const std::string program =
        line[0] == '"' ? line.substr(1, line.find('"', 1) - 1) : line.substr(0, line.find(' '));
    const auto same = [](const std::string& a, const std::string& b) {
      return Lower(ReplaceAll(a, "\\\\", "\\")) == Lower(ReplaceAll(b, "\\\\", "\\"));
    };
    if (line.starts_with("net start ") && !row_.Missing("net") && !row_.Missing("net start")) {
      // Exit 1 for an unknown service, as Wine's net gives it.
      return std::make_unique<Program>(*this, 1, [this, name = line.substr(10)] {
        std::uint32_t code = 1;
        for (auto& [service, running] : services_)
          code = service == name ? (running = true, 0) : code;
        return code;
      });
    }
    if (same(program, ProgramFolder() + "\\setup.exe") && !row_.Missing("setup.exe")) {
      outcome_.setups.push_back(line);
      return std::make_unique<Program>(*this, 3, [this, line] { return RunSetup(line); });
    }
    return nullptr;
  }

  // --- System.
  std::vector<std::string> EnvironmentEntries() override { return environment_; }
  std::string GetLocalComputerName() override {
    return row_.Missing("computer name") ? "" : kComputer;
  }
  std::string ProgramFolder() override { return row_.One("app", "Q:\\MSDE"); }
  bool FolderExists(const std::string& path) override {
    if (row_.Missing("FileSystemObject"))
      throw platform::PlatformFailure(platform::kFailureCannotCreateComponent, "no component");
    const std::vector<std::string> folders = row_.All("folder");
    return std::any_of(folders.begin(), folders.end(),
                       [&](const std::string& folder) { return Lower(folder) == Lower(path); });
  }

  // --- Run: the row's "args:", a log that records its lines (the first "logfull:" of them), a log
  // folder that exists (TEMP's or a "folder:"), a file another program holds ("lock:").
  std::string CommandLineText() override {
    return "\"" + ProgramFolder() + "\\quillset.exe\"" + (row_.Has("args") ? " " : "") +
           row_.One("args");
  }
  std::unique_ptr<platform::LogPort> OpenLog(const std::string& path) override {
    struct Recorded : platform::LogPort {
      std::vector<std::string>& lines;
      std::size_t room;
      Recorded(std::vector<std::string>& l, std::size_t r) : lines(l), room(r) {}
      void AppendLine(const std::string& line) override {
        if (lines.size() < room)
          lines.push_back(line);
      }
    };
    const std::string folder = path.substr(0, path.rfind('\\'));
    if ((Lower(folder) != "q:\\temp" && !FolderExists(folder)) || row_.One("lock") == path)
      return nullptr;
    return std::make_unique<Recorded>(outcome_.log, std::stoul(row_.One("logfull", "1000")));
  }
  bool ClaimMachine() override { return !row_.Has("hold"); }
  void ShowBox(const std::string& prompt, int style, const std::string& title) override {
    MsgBox(prompt, style, title);
  }

  // --- Window: pages, list, enabled, and the message and input boxes, recorded.
  void ShowPage(ControlId page) override { page_ = page; }
  void ListClear() override { list_.clear(); }
  void ListAddItem(const std::string& item) override { list_.push_back(item); }
  void ListRefresh() override {}
  void ListSetTabStops(std::span<const std::int32_t> stops) override {
    tab_stops_.assign(stops.begin(), stops.end());
  }
  platform::TextBoxPort& DummyText() override { return *this; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool DoEvents() override { return ActNow(), !unloaded_; }
  void Unload() override { unloaded_ = true; }
  int MsgBox(const std::string& prompt, int style, const std::string& title) override {
    outcome_.dialogs.push_back("box " + std::to_string(style) + " | " + title + " | " + prompt);
    return 1;
  }
  std::string InputBox(const std::string& prompt, const std::string& title) override {
    outcome_.dialogs.push_back("ask " + title + " | " + prompt);
    if (answers_.empty())
      return "";  // cancelled
    const std::string answer = answers_.front();
    answers_.erase(answers_.begin());
    return answer.find(" | ") == std::string::npos ? answer : "";  // "NAME | ACTION": cancelled
  }
  // Text_dummy: an edit control's caret; the bytes inserted are read as Windows-1252.
  std::string Text() override { return box_; }
  void SetText(const std::string& text) override { box_ = text, caret_ = 0; }
  void SetSelection(int start, int) override {
    caret_ = start == -1 ? caret_ : std::min<std::size_t>(start, box_.size());
  }
  void ReplaceSelection(const char* ansi) override {
    box_.insert(caret_, Latin1ToUtf8(ansi));
    caret_ += Latin1ToUtf8(ansi).size();
  }

 private:
  static constexpr char kConnectTo[] = "SOFTWARE\\Microsoft\\MSSQLSERVER\\Client\\ConnectTo";

  // A program the assistant waits for: it runs for some polls, then does its work and ends.
  class Program : public platform::StartedProgram {
   public:
    Program(SimulatedMachine& machine, int polls_running, std::function<std::uint32_t()> at_end)
        : machine_(machine), polls_running_(polls_running), at_end_(std::move(at_end)) {
      ++machine_.open_programs_;
    }
    ~Program() override { --machine_.open_programs_; }
    bool IsRunning() override {
      EXPECT_TRUE(std::exchange(waited_, false)) << "polled a program again without waiting";
      if (++polls_ <= polls_running_) {
        // From the second poll on, the installation has disabled the window behind the wait page.
        if (polls_ > 1 && !machine_.quiet_) {
          EXPECT_TRUE(!machine_.enabled_ && machine_.PageInView() == "wait")
              << "a program runs behind an open window";
        }
        return true;
      }
      if (auto at_end = std::exchange(at_end_, nullptr))
        exit_code_ = at_end();
      return false;
    }
    std::uint32_t ExitCode() override { return exit_code_; }
    void WaitForEndOrMessage() override {
      waited_ = true;
      machine_.ActNow();
    }

   private:
    SimulatedMachine& machine_;
    int polls_running_;  // how many polls find it running
    std::function<std::uint32_t()> at_end_;
    std::uint32_t exit_code_ = 0;
    bool waited_ = true;
    int polls_ = 0;
  };
  // A hidden console program: its writes, read in pieces of the reader's size.
  class Console : public platform::ConsoleProgram {
   public:
    Console(SimulatedMachine& machine, std::vector<std::string> writes)
        : machine_(machine), writes_(std::move(writes)) {
      ++machine_.open_consoles_;
    }
    ~Console() override { --machine_.open_consoles_; }
    bool ReadChunk(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
      machine_.ActNow();
      for (; write_ < writes_.size(); ++write_, at_ = 0) {
        if (at_ < writes_[write_].size()) {
          bytes_read = writes_[write_].copy(buffer, capacity, at_);
          at_ += bytes_read;
          return true;
        }
      }
      return false;
    }

   private:
    SimulatedMachine& machine_;
    std::vector<std::string> writes_;
    std::size_t write_ = 0, at_ = 0;  // the write being read, and how far
  };

  static std::string Lower(std::string text) {
    for (char& c : text)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
  std::string KeyId(platform::RegistryKeyHandle root, const std::string& path) const {
    return std::to_string(root) + "\\" + Lower(path);
  }
  void Apply(const RegOperation& op) {
    for (std::size_t at = op.path.find('\\');; at = op.path.find('\\', at + 1)) {
      keys_[KeyId(op.root, op.path.substr(0, at))];  // the key and every key above it
      if (at == std::string::npos)
        break;
    }
    if (op.has_value)
      keys_[KeyId(op.root, op.path)][Lower(op.name)] = op;
  }
  std::string PageInView() const {
    const std::map<ControlId, const char*> names = {
        {controls::Frame_installationOK, "intro"},
        {controls::Frame_installationAbbruchAlteVersion, "old"},
        {controls::Frame_installationGefundeneInstanzen, "found"},
        {controls::Frame_installationWarten, "wait"}};
    return names.contains(page_) ? names.at(page_) : "none";
  }
  // As German Windows lists the started services.
  std::string Listing() const {
    std::string listing = "Es wurden folgende Windows-Dienste gestartet:\r\n\r\n";
    for (const auto& [name, running] : services_)
      listing += running ? "   " + name + "\r\n" : "";
    return listing + "\r\nDer Befehl wurde erfolgreich ausgeführt.\r\n\r\n";
  }
  // Installs the instance as the MSDE setup does (its service), and ends with its exit code.
  std::uint32_t RunSetup(const std::string& line) {
    const std::vector<std::string> knobs = row_.All("knob");
    if (row_.Missing("setup.ini") || row_.Missing("packages") ||
        std::find(knobs.begin(), knobs.end(), "Fail=1") != knobs.end())
      return 1603;
    const std::size_t at = line.find("INSTANCENAME=") + 13;
    const std::string name = line.substr(at, line.find(' ', at) - at);
    if (std::find(knobs.begin(), knobs.end(), "NoService=1") == knobs.end())
      services_.emplace_back("MSSQL$" + name, false);
    return 0;
  }
  // What the user does: press a button of the page in view (none while the window is disabled),
  // or close the window.
  void Do(const std::string& action) {
    static const std::map<std::pair<std::string, std::string>, ControlId> buttons = {
        {{"intro", "Weiter"}, controls::Cmd_Installieren},
        {{"intro", "System-Info"}, controls::Cmd_Info},
        {{"intro", "Abbrechen"}, controls::Cmd_Abbrechen},
        {{"old", "Abbruch"}, controls::Cmd_Abbruch},
        {{"old", "System-Info"}, controls::Command1},
        {{"found", "Abbrechen"}, controls::Command2},
        {{"found", "Installieren"}, controls::Cmd_Neu}};
    if (action == "close")
      return unloaded_ ? void() : close_();
    const auto named = [&](const auto& button) { return button.first.second == action; };
    EXPECT_TRUE(std::any_of(buttons.begin(), buttons.end(), named)) << "no button " << action;
    const auto button = buttons.find({PageInView(), action});
    if (!unloaded_ && enabled_ && button != buttons.end())
      press_(button->second);
  }
  void ActNow() {
    if (!during_.empty())
      Do(std::exchange(during_, ""));
  }

  Row row_;
  std::vector<std::string> answers_;
  std::vector<std::string> environment_ = {"TEMP=Q:\\Temp", "ProgramFiles=Q:\\Programme"};
  std::vector<std::pair<std::string, bool>> services_;               // listed name, running
  std::map<std::string, std::map<std::string, RegOperation>> keys_;  // by lower-case names
  std::map<platform::RegistryKeyHandle, std::string> open_keys_;
  std::set<std::string> refused_;  // "STEP KEY"
  platform::RegistryKeyHandle next_key_ = 0x100;
  int open_programs_ = 0, open_consoles_ = 0;
  std::function<void(ControlId)> press_;
  std::function<void()> close_;
  std::string during_;  // the action to do as soon as the assistant works
  ControlId page_{};
  std::vector<std::string> list_;
  std::vector<std::int32_t> tab_stops_;
  bool enabled_ = true, unloaded_ = false, quiet_ = false;
  std::string box_ = "Text1";
  std::size_t caret_ = 0;
  Outcome outcome_;
};

}  // namespace quillset::testing

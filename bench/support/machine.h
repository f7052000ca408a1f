// The Wine machine a measurement runs on: the Wine tests' machine (tests/e2e/driver.h) with
// `instances` SQL Server instances I1, I2 ... in InstalledInstances, each with its service running
// and the stand-in osql answering `answer` for it, the "Server" service running, the MSDE folder
// as the build assembles it with the setup stand-in's `knobs` (lines of its settings section),
// and this process's environment made the one that quillset.exe inherits.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>

#include "e2e/driver.h"

namespace quillset::bench {

inline constexpr wchar_t kAppFolder[] = L"Q:\\MSDE";  // where the Wine tests' machine puts it

class Machine : public e2e::Machine {
 public:
  Machine(int instances, const std::string& answer, const std::string& knobs)
      : e2e::Machine(RowOf(instances, answer, knobs)) {
    SetEnvironment(false);
  }

  std::wstring Quillset() const { return AppFolder() + L"\\quillset.exe"; }
  // A file of the build tree (QUILLSET_BUILD), e.g. L"bench\\bare_window.exe", as Wine sees it.
  static std::wstring BuildFile(const std::wstring& relative) {
    std::wstring path = L"Z:" + std::filesystem::path(QUILLSET_BUILD).wstring() + L"\\" + relative;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
  }
  static std::string ServerName(int instance) {  // COMPUTER\In
    return e2e::ComputerName() + "\\I" + std::to_string(instance);
  }

 private:
  static testing::Row RowOf(int instances, const std::string& answer, const std::string& knobs) {
    // Wine starts its desktop process (explorer.exe) for the first program that needs the desktop
    // and ends it after the last: taken here, it never starts inside a measured program's job.
    GetDesktopWindow();
    testing::Row row{"bench", {}};
    std::string names, services;
    for (int instance = 1; instance <= instances; ++instance) {
      const std::string name = "I" + std::to_string(instance);
      names += (names.empty() ? "" : ", ") + name;
      services += (services.empty() ? "" : ", ") + ("MSSQL$" + name);
      row.fields.emplace_back("osql", "{computer}\\" + name + " | " + answer);
    }
    if (instances > 0) {
      row.fields.emplace_back("instances", names);
      row.fields.emplace_back("running", services);
    }
    for (const std::string& knob : testing::Split(knobs, "\r\n"))
      row.fields.emplace_back("knob", knob);
    return row;
  }
};

}  // namespace quillset::bench

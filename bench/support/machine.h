// The Wine machine a measurement runs on, arranged on construction and cleared on destruction:
// - the "Server" service running (LanmanServer, which Wine lacks, served by the stand-in service
//   program), as the assistant requires before it installs;
// - `instances` SQL Server instances I1, I2 ... in InstalledInstances, each with its service
//   MSSQL$In running, and the stand-in osql answering `answer` for each server COMPUTER\In;
// - the MSDE folder kAppFolder as the build assembles it (quillset.exe, the setup stand-in, the
//   packages), with a setup.ini whose stand-in section holds `standin_settings`;
// - this process's environment, which the programs it starts inherit: the stand-in osql first on
//   the PATH, and its answers.
#pragma once

#include <string>

namespace quillset::bench {

inline constexpr wchar_t kAppFolder[] = L"C:\\quillset-bench\\msde";

class Machine {
 public:
  Machine(int instances, const std::string& answer, const std::string& standin_settings);
  ~Machine() { Clear(); }
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // A file of the build tree (QUILLSET_BUILD), e.g. L"bench\\bare_window.exe", as Wine sees it.
  static std::wstring BuildFile(const std::wstring& relative);
  static std::string ServerName(int instance);  // COMPUTER\In

 private:
  static void Clear();
};

}  // namespace quillset::bench

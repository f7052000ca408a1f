// The simulated machine's environment, computer name, program folder and folders.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/system_port.h"

namespace quillset::testing {

class SimulatedSystem : public platform::SystemPort {
 public:
  std::vector<std::string> environment = {"ProgramFiles=C:\\Programme", "TEMP=C:\\TEMP"};
  std::optional<std::string> computer_name = "ARBEITSPLATZ7";  // nullopt: the call fails
  std::string program_folder = "D:\\MSDE";
  // Folders that exist; compared without regard to letter case, as Windows does.
  std::set<std::string> folders;
  // Number to raise from FolderExists, as when the automation component is missing.
  std::optional<std::int32_t> folder_test_failure;

  std::vector<std::string> EnvironmentEntries() override { return environment; }
  bool GetComputerNameA(char* buffer, std::uint32_t& size) override;
  std::string ProgramFolder() override { return program_folder; }
  bool FolderExists(const std::string& path) override;

  const std::vector<std::string>& folder_queries() const { return folder_queries_; }

 private:
  std::vector<std::string> folder_queries_;
};

}  // namespace quillset::testing

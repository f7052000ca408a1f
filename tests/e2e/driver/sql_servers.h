// SQL Server instances running on the Wine machine as the "&Weiter" flow finds them: listed in
// InstalledInstances, their service started (the stand-in service program), and the stand-in osql
// answering for them with an edition and a version from an answers file of the test's own.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "driver/process.h"
#include "driver/wine_machine.h"

namespace quillset::e2e {

struct SqlServerInstance {
  std::string instance;  // "MSSQLSERVER" for the default instance
  std::string edition;   // what SERVERPROPERTY('edition') answers
  std::string version;   // what SERVERPROPERTY('productVersion') answers
};

// The name osql reaches an instance under: the computer's name, plus "\" and the instance name
// for a named instance.
std::string SqlServerName(const std::string& instance);

class RunningSqlServers {
 public:
  // Lists the instances in InstalledInstances (replacing the list; the test's RegistrySnapshot
  // of SqlServerRegistryTrees() puts it back), starts their services and writes osql's answers
  // into `scratch`. The services are removed again when the object goes.
  RunningSqlServers(const ScratchFolder& scratch, std::vector<SqlServerInstance> instances);
  ~RunningSqlServers();
  RunningSqlServers(const RunningSqlServers&) = delete;
  RunningSqlServers& operator=(const RunningSqlServers&) = delete;

  // Names the answers file to the osql stand-in (QUILLSET_OSQL_ANSWERS).
  void AddTo(EnvironmentBlock& environment) const;

 private:
  std::filesystem::path answers_;
  std::vector<std::unique_ptr<StandinService>> services_;
};

}  // namespace quillset::e2e

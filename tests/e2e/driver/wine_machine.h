// The real Wine machine as a test arranges it and leaves it: registry keys from .reg fixtures,
// snapshots that put keys back, services of the stand-in service program, scratch folders.
// The runner is built for the same architecture as quillset.exe, so it reads and writes the same
// registry view.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "driver/wait.h"
#include "platform/registry_port.h"

namespace quillset::e2e {

// --- Registry ---------------------------------------------------------------------------------

struct RegistryTree {
  platform::RegistryKeyHandle root;
  std::string path;  // UTF-8, below the root
};

HKEY RootKeyOf(platform::RegistryKeyHandle root);

// Applies .reg text (UTF-8) through the registry API, in the file's order: keys created, key trees
// and values deleted, values written. Text values go through RegSetValueExA in the ANSI code
// page, as the program reads them. Throws DriverError on a parse or registry failure.
void ApplyRegText(const std::string& reg_text);
// Applies a file of tests/fixtures (UTF-16LE, UTF-8 or Windows-1252, as regedit files come).
void ApplyRegFixture(const std::string& file_name);

bool RegistryKeyExists(const RegistryTree& key);
// Deletes a key with all its subkeys; a missing key is fine.
void DeleteRegistryTree(const RegistryTree& key);

struct RegistryValueData {
  DWORD type = REG_NONE;
  // Text types as UTF-8 with their NULs (converted from the ANSI code page), others raw.
  std::string data;
};
std::optional<RegistryValueData> ReadRegistryValue(const RegistryTree& key,
                                                   const std::string& value_name);

// Remembers key trees and puts them back as they were when it goes: trees that did not exist
// are deleted, the others are rewritten key by key and value by value.
class RegistrySnapshot {
 public:
  explicit RegistrySnapshot(std::vector<RegistryTree> trees);
  ~RegistrySnapshot();
  RegistrySnapshot(const RegistrySnapshot&) = delete;
  RegistrySnapshot& operator=(const RegistrySnapshot&) = delete;

  void Restore() const;

  struct Value {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
  };
  struct Key {
    std::wstring name;  // relative to its parent
    std::vector<Value> values;
    std::vector<Key> subkeys;
  };

 private:
  struct Saved {
    RegistryTree tree;
    std::optional<Key> key;  // empty when the tree did not exist
  };
  std::vector<Saved> saved_;
};

// The values of an open key as stored (text as UTF-16), and the names of its subkeys; an entry
// that cannot be read is left out.
std::vector<RegistrySnapshot::Value> ValuesOf(HKEY key);
std::vector<std::wstring> SubkeyNamesOf(HKEY key);

// Where SQL Server and MSDE register themselves and where the program writes its alias: the trees
// a test of the inventory, the report or the installation touches.
std::vector<RegistryTree> SqlServerRegistryTrees();
// Removes every SQL Server and MSDE registration from those trees, so a fixture starts clean.
void ClearSqlServerRegistry();

// --- Services ---------------------------------------------------------------------------------

// The service's state (SERVICE_RUNNING, SERVICE_STOPPED, ...), or nothing when it does not exist.
std::optional<DWORD> ServiceState(const std::string& service_name);
// Stops and deletes a service if it exists, and waits until it is gone.
void RemoveService(const std::string& service_name, Millis limit = kDefaultWait);

// A service served by the stand-in service program. When a service of the name exists (Wine has
// a disabled "LanmanServer" of its own), it is taken over and its configuration put back at the
// end (started again if it ran); otherwise it is created, and deleted at the end.
class StandinService {
 public:
  StandinService(const std::string& service_name, const std::string& display_name);
  ~StandinService();
  StandinService(const StandinService&) = delete;
  StandinService& operator=(const StandinService&) = delete;

  void Start(Millis limit = kDefaultWait);  // returns when the service reports running
  void Stop(Millis limit = kDefaultWait);   // returns when the service reports stopped
  bool IsRunning() const;

  // The "Server" service the program looks for: LanmanServer, listed as "Server".
  static constexpr const char* kServerName = "LanmanServer";
  static constexpr const char* kServerDisplayName = "Server";

 private:
  struct OriginalConfig {
    DWORD service_type, start_type, error_control;
    std::wstring binary_path, display_name;
    bool was_running;
  };
  std::wstring name_;
  std::optional<OriginalConfig> original_;
};

// --- Folders ----------------------------------------------------------------------------------

// A folder of the test's own below C:\quillset-e2e, empty at the start and removed at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& relative) const;
  // Creates a subfolder (and its parents) and returns its path.
  std::filesystem::path MakeFolder(const std::string& relative) const;
  void WriteFile(const std::string& relative, const std::string& bytes) const;
  void CopyFileIn(const std::filesystem::path& source, const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

// Turns a test's name into a folder name: letters, digits, '-' and '_' only.
std::string FolderNameFor(const std::string& test_name);

}  // namespace quillset::e2e

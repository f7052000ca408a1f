// A registry with the semantics of Windows' own as the registry port presents them: root keys,
// key names without regard to letter case, typed values as raw bytes (text types in UTF-8),
// Windows status numbers, two-phase reads with ERROR_MORE_DATA. Arranged from code or from .reg
// text.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_port.h"

namespace quillset::testing {

class SimulatedRegistry : public platform::RegistryPort {
 public:
  struct Value {
    std::uint32_t type = platform::kRegNone;
    std::string data;  // raw bytes; text types hold UTF-8 with their NULs
    friend bool operator==(const Value&, const Value&) = default;
  };

  SimulatedRegistry();
  ~SimulatedRegistry() override;

  // The port.
  std::int32_t OpenKey(platform::RegistryKeyHandle root, const std::string& path,
                       std::uint32_t access, platform::RegistryKeyHandle& key) override;
  std::int32_t CreateKey(platform::RegistryKeyHandle root, const std::string& path,
                         std::uint32_t access, platform::RegistryKeyHandle& key) override;
  std::int32_t QueryValue(platform::RegistryKeyHandle key, const std::string& name,
                          std::uint32_t& type, char* data, std::uint32_t& size) override;
  std::int32_t SetValue(platform::RegistryKeyHandle key, const std::string& name,
                        std::uint32_t type, const char* data, std::uint32_t size) override;
  std::int32_t CloseKey(platform::RegistryKeyHandle key) override;

  // Arranging the machine. Keys on the way are created.
  void PutValue(platform::RegistryKeyHandle root, std::string_view path, std::string_view name,
                std::uint32_t type, std::string data);
  void PutString(platform::RegistryKeyHandle root, std::string_view path, std::string_view name,
                 std::string_view text);  // REG_SZ: the text and one NUL
  void PutDword(platform::RegistryKeyHandle root, std::string_view path, std::string_view name,
                std::uint32_t number);
  // REG_MULTI_SZ: every string followed by a NUL, then the closing NUL.
  void PutMultiString(platform::RegistryKeyHandle root, std::string_view path,
                      std::string_view name, const std::vector<std::string>& strings);
  void PutKey(platform::RegistryKeyHandle root, std::string_view path);
  void DeleteKey(platform::RegistryKeyHandle root, std::string_view path);  // with its subkeys
  void DeleteValue(platform::RegistryKeyHandle root, std::string_view path, std::string_view name);
  // Opening or creating the key (which must exist) answers ERROR_ACCESS_DENIED from now on.
  void DenyAccess(platform::RegistryKeyHandle root, std::string_view path);
  // Applies .reg text ("REGEDIT4" or "Windows Registry Editor Version 5.00"); throws
  // std::invalid_argument naming the line on a syntax error.
  void LoadRegText(std::string_view reg_text);
  void LoadRegFile(const std::string& file_path);

  // Looking at the machine.
  bool HasKey(platform::RegistryKeyHandle root, std::string_view path) const;
  std::optional<Value> GetValue(platform::RegistryKeyHandle root, std::string_view path,
                                std::string_view name) const;
  std::vector<std::string> ValueNames(platform::RegistryKeyHandle root,
                                      std::string_view path) const;

  // Keys opened or created through the port and not closed yet.
  int open_handles() const;
  // Calls through the port, all kinds together.
  int port_calls() const { return port_calls_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int port_calls_ = 0;
};

}  // namespace quillset::testing

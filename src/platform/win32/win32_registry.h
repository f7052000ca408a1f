// The registry port over advapi32's ANSI entry points. Paths, names and text data cross in the
// ANSI code page; the port's callers see UTF-8 and sizes of the UTF-8 form.
#pragma once

#include "platform/registry_port.h"

namespace quillset::win32 {

class Win32Registry : public platform::RegistryPort {
 public:
  std::int32_t OpenKey(platform::RegistryKeyHandle root, const std::string& path,
                       std::uint32_t access, platform::RegistryKeyHandle& key) override;
  std::int32_t CreateKey(platform::RegistryKeyHandle root, const std::string& path,
                         std::uint32_t access, platform::RegistryKeyHandle& key) override;
  platform::RegistryData ReadValue(platform::RegistryKeyHandle key,
                                   const std::string& name) override;
  std::int32_t WriteValue(platform::RegistryKeyHandle key, const std::string& name,
                          std::uint32_t type, const std::string& data) override;
  std::int32_t CloseKey(platform::RegistryKeyHandle key) override;
};

}  // namespace quillset::win32

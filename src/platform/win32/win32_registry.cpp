#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <string>

#include "platform/win32/ansi_text.h"

namespace quillset::win32 {

using platform::RegistryKeyHandle;

namespace {

// A value that keeps growing between the size query and the read is given up on after this many
// rounds.
constexpr int kReadAttempts = 8;

HKEY AsHkey(RegistryKeyHandle handle) {
  return reinterpret_cast<HKEY>(handle);
}
RegistryKeyHandle AsHandle(HKEY key) {
  return reinterpret_cast<RegistryKeyHandle>(key);
}

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The whole value as the ANSI entry point gives it. The caller's buffer size cannot be handed
// through: text shrinks or grows on its way from the ANSI code page to UTF-8.
LSTATUS ReadWholeValue(HKEY key, const std::string& ansi_name, DWORD& type, std::string& bytes) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    DWORD size = 0;
    LSTATUS status = RegQueryValueExA(key, ansi_name.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS)
      return status;
    // One spare byte: an empty value still gets a valid buffer to write to.
    bytes.assign(static_cast<std::size_t>(size) + 1, '\0');
    DWORD read_size = size + 1;
    status = RegQueryValueExA(key, ansi_name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(bytes.data()), &read_size);
    if (status == ERROR_MORE_DATA)
      continue;
    if (status != ERROR_SUCCESS)
      return status;
    bytes.resize(read_size);
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

}  // namespace

std::int32_t Win32Registry::OpenKey(RegistryKeyHandle root, const std::string& path,
                                    std::uint32_t access, RegistryKeyHandle& key) {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExA(AsHkey(root), Utf8ToAnsi(path).c_str(), 0, access, &opened);
  if (status == ERROR_SUCCESS)
    key = AsHandle(opened);
  return status;
}

std::int32_t Win32Registry::CreateKey(RegistryKeyHandle root, const std::string& path,
                                      std::uint32_t access, RegistryKeyHandle& key) {
  HKEY created = nullptr;
  const LSTATUS status =
      RegCreateKeyExA(AsHkey(root), Utf8ToAnsi(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      access, nullptr, &created, nullptr);
  if (status == ERROR_SUCCESS)
    key = AsHandle(created);
  return status;
}

platform::RegistryData Win32Registry::ReadValue(RegistryKeyHandle key, const std::string& name) {
  if (key == 0)
    return {ERROR_INVALID_HANDLE, REG_NONE, {}};
  DWORD type = REG_NONE;
  std::string bytes;
  const LSTATUS status = ReadWholeValue(AsHkey(key), Utf8ToAnsi(name), type, bytes);
  if (status != ERROR_SUCCESS)
    return {status, REG_NONE, {}};
  return {ERROR_SUCCESS, type, IsTextType(type) ? AnsiToUtf8(bytes) : std::move(bytes)};
}

std::int32_t Win32Registry::WriteValue(RegistryKeyHandle key, const std::string& name,
                                       std::uint32_t type, const std::string& data) {
  const std::string bytes = IsTextType(type) ? Utf8ToAnsi(data) : data;
  return RegSetValueExA(AsHkey(key), Utf8ToAnsi(name).c_str(), 0, type,
                        reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
}

std::int32_t Win32Registry::CloseKey(RegistryKeyHandle key) {
  return RegCloseKey(AsHkey(key));
}

}  // namespace quillset::win32

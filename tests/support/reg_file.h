// .reg text as regedit writes it ("REGEDIT4" and "Windows Registry Editor Version 5.00"), parsed
// into operations. Platform-neutral: the native simulated registry applies them, and the Wine
// tests apply the same fixture files through the real registry API.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_port.h"

namespace quillset::testing {

enum class RegOperationKind { CreateKey, DeleteKey, SetValue, DeleteValue };

struct RegOperation {
  RegOperationKind kind = RegOperationKind::CreateKey;
  platform::RegistryKeyHandle root = 0;
  std::string path;  // below the root, without leading or trailing backslash
  std::string name;  // value name; "" for the default value ("@")
  std::uint32_t type = platform::kRegNone;
  // Raw bytes. Text types (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are UTF-8 with their NULs,
  // whatever the file's encoding; other types are the bytes the file gives.
  std::string data;
  int line = 0;  // where the operation starts in the text, from 1
  friend bool operator==(const RegOperation&, const RegOperation&) = default;
};

// Parses UTF-8 .reg text. Throws std::invalid_argument("line N: ...") on malformed input.
std::vector<RegOperation> ParseRegText(std::string_view text);

// Reads a .reg file as UTF-8 text: UTF-16LE with BOM (as regedit writes "Version 5.00"), UTF-8
// with or without BOM, or Windows-1252 bytes (REGEDIT4) that are not valid UTF-8.
std::string ReadRegFileAsUtf8(const std::string& file_path);

// The entries of a REG_MULTI_SZ's text in order, empty ones left out; a last entry without its
// closing NUL counts too.
std::vector<std::string> MultiSzEntries(std::string_view data);

}  // namespace quillset::testing

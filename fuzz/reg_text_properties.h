// The .reg text loader: ParseRegText and SimulatedRegistry::LoadRegText on any text.
// std::invalid_argument is the loader's answer to malformed text; anything else is a finding.
// Properties checked for every text that parses:
// - each operation is well formed (root, path without outer backslashes, lines in order, values
//   under the key line before them, text types from hex lists valid UTF-8);
// - writing the operations back as "Version 5.00" text and parsing that gives them again;
// - the simulated registry holds exactly what a plain model of the operations holds, read both
//   directly and through the port, and no key is left open.
#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "support/reg_file.h"
#include "support/simulated_registry.h"

namespace quillset::fuzz::reg_text {

using quillset::platform::RegistryKeyHandle;
using quillset::testing::ParseRegText;
using quillset::testing::RegOperation;
using quillset::testing::RegOperationKind;
using quillset::testing::SimulatedRegistry;
namespace platform = quillset::platform;

inline bool IsTextType(std::uint32_t type) {
  return type == platform::kRegSz || type == platform::kRegExpandSz ||
         type == platform::kRegMultiSz;
}

// Code points of valid UTF-8, or nullopt.
inline std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text) {
  std::vector<char32_t> out;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    int length = lead < 0x80                    ? 1
                 : lead >= 0xC2 && lead <= 0xDF ? 2
                 : lead >= 0xE0 && lead <= 0xEF ? 3
                 : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                : 0;
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size())
      return std::nullopt;
    char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80)
        return std::nullopt;
      c = c << 6 | (next & 0x3F);
    }
    const char32_t lowest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < lowest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      return std::nullopt;
    out.push_back(c);
    at += static_cast<std::size_t>(length);
  }
  return out;
}

inline std::string Utf16LeBytes(const std::vector<char32_t>& code_points) {
  std::string bytes;
  const auto unit = [&](char32_t u) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8 & 0xFF);
  };
  for (char32_t c : code_points) {
    if (c < 0x10000) {
      unit(c);
    } else {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return bytes;
}

inline std::string HexList(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string list;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (at > 0)
      list += ',';
    const auto byte = static_cast<unsigned char>(bytes[at]);
    list += kDigits[byte >> 4];
    list += kDigits[byte & 0xF];
  }
  return list;
}

inline std::string HexNumber(std::uint32_t number) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string digits;
  for (int shift = 28; shift >= 0; shift -= 4)
    digits += kDigits[number >> shift & 0xF];
  return digits;
}

inline std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\')
      quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

inline std::string RootName(RegistryKeyHandle root) {
  switch (root) {
    case platform::kHkeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case platform::kHkeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case platform::kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
  }
  FUZZ_REQUIRE(false, "an operation names a root key the parser does not know");
}

// The operations as "Windows Registry Editor Version 5.00" text.
inline std::string WriteRegText(const std::vector<RegOperation>& operations) {
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  for (const RegOperation& op : operations) {
    if (op.kind == RegOperationKind::CreateKey || op.kind == RegOperationKind::DeleteKey) {
      text += "\r\n[";
      if (op.kind == RegOperationKind::DeleteKey)
        text += '-';
      text += RootName(op.root);
      if (!op.path.empty())
        text += "\\" + op.path;
      text += "]\r\n";
      continue;
    }
    text += op.name.empty() ? std::string("@") : Quoted(op.name);
    text += '=';
    if (op.kind == RegOperationKind::DeleteValue) {
      text += "-\r\n";
      continue;
    }
    if (op.type == platform::kRegDword && op.data.size() == 4) {
      std::uint32_t number = 0;
      for (int at = 3; at >= 0; --at)
        number = number << 8 | static_cast<unsigned char>(op.data[static_cast<std::size_t>(at)]);
      text += "dword:" + HexNumber(number) + "\r\n";
    } else if (!IsTextType(op.type)) {
      text += "hex(" + HexNumber(op.type) + "):" + HexList(op.data) + "\r\n";
    } else if (std::optional<std::vector<char32_t>> code_points = DecodeUtf8(op.data)) {
      text += "hex(" + HexNumber(op.type) + "):" + HexList(Utf16LeBytes(*code_points)) + "\r\n";
    } else {
      // Only a quoted REG_SZ text passes the file's bytes on unchecked; it ends in its NUL.
      FUZZ_REQUIRE(op.type == platform::kRegSz && !op.data.empty() && op.data.back() == '\0',
                   "text data that is not UTF-8 comes only from a quoted REG_SZ text");
      text += Quoted(std::string_view(op.data).substr(0, op.data.size() - 1)) + "\r\n";
    }
  }
  return text;
}

inline std::size_t LineCount(std::string_view text) {
  std::size_t lines = 1;
  for (char c : text)
    lines += c == '\n' ? 1 : 0;
  return lines;
}

inline void CheckOperations(const std::vector<RegOperation>& operations, std::string_view text) {
  const std::size_t lines = LineCount(text);
  int previous_line = 0;
  const RegOperation* key = nullptr;
  for (const RegOperation& op : operations) {
    FUZZ_REQUIRE(op.root == platform::kHkeyClassesRoot || op.root == platform::kHkeyCurrentUser ||
                     op.root == platform::kHkeyLocalMachine,
                 "root key");
    FUZZ_REQUIRE(op.path.empty() || (op.path.front() != '\\' && op.path.back() != '\\'),
                 "key path without leading or trailing backslash");
    FUZZ_REQUIRE(op.line > previous_line && static_cast<std::size_t>(op.line) <= lines,
                 "operations in the order of their lines, inside the text");
    previous_line = op.line;
    switch (op.kind) {
      case RegOperationKind::CreateKey:
      case RegOperationKind::DeleteKey:
        FUZZ_REQUIRE(op.name.empty() && op.type == platform::kRegNone && op.data.empty(),
                     "a key operation carries no value");
        FUZZ_REQUIRE(op.kind == RegOperationKind::CreateKey || !op.path.empty(),
                     "a root key is never deleted");
        key = &op;
        break;
      case RegOperationKind::DeleteValue:
      case RegOperationKind::SetValue:
        FUZZ_REQUIRE(key != nullptr && key->kind == RegOperationKind::CreateKey &&
                         key->root == op.root && key->path == op.path,
                     "a value belongs to the key line before it");
        if (op.kind == RegOperationKind::DeleteValue) {
          FUZZ_REQUIRE(op.type == platform::kRegNone && op.data.empty(),
                       "deleting carries no data");
        } else if (op.type == platform::kRegExpandSz || op.type == platform::kRegMultiSz) {
          FUZZ_REQUIRE(DecodeUtf8(op.data).has_value(), "text from a hex list is UTF-8");
        }
        break;
    }
  }
}

// What the registry should hold after the operations: keys and values by folded names.
class RegistryModel {
 public:
  using Path = std::vector<std::string>;

  void Apply(const RegOperation& op) {
    const Path path = Parts(op.path);
    switch (op.kind) {
      case RegOperationKind::CreateKey:
        Create(op.root, path);
        break;
      case RegOperationKind::DeleteKey:
        Delete(op.root, path);
        break;
      case RegOperationKind::SetValue:
        Create(op.root, path);
        values_[{op.root, path, Fold(op.name)}] = {op.type, op.data};
        break;
      case RegOperationKind::DeleteValue:
        values_.erase({op.root, path, Fold(op.name)});
        break;
    }
  }

  bool HasKey(RegistryKeyHandle root, const std::string& path) const {
    const Path parts = Parts(path);
    return parts.empty() || keys_.count({root, parts}) != 0;
  }
  std::optional<SimulatedRegistry::Value> Value(RegistryKeyHandle root, const std::string& path,
                                                const std::string& name) const {
    auto found = values_.find({root, Parts(path), Fold(name)});
    if (found == values_.end())
      return std::nullopt;
    return found->second;
  }

 private:
  static std::string Fold(std::string text) {
    for (char& c : text) {
      if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c + ('a' - 'A'));
    }
    return text;
  }
  static Path Parts(const std::string& path) {
    Path parts;
    std::string part;
    for (char c : path + '\\') {
      if (c != '\\') {
        part += c;
      } else if (!part.empty()) {
        parts.push_back(Fold(part));
        part.clear();
      }
    }
    return parts;
  }
  void Create(RegistryKeyHandle root, const Path& path) {
    for (std::size_t length = 1; length <= path.size(); ++length)
      keys_.insert({root, Path(path.begin(), path.begin() + static_cast<long>(length))});
  }
  static bool Below(const Path& path, const Path& top) {
    return path.size() >= top.size() && std::equal(top.begin(), top.end(), path.begin());
  }
  void Delete(RegistryKeyHandle root, const Path& top) {
    std::erase_if(keys_,
                  [&](const auto& key) { return key.first == root && Below(key.second, top); });
    std::erase_if(values_, [&](const auto& entry) {
      return std::get<0>(entry.first) == root && Below(std::get<1>(entry.first), top);
    });
  }

  std::set<std::pair<RegistryKeyHandle, Path>> keys_;
  std::map<std::tuple<RegistryKeyHandle, Path, std::string>, SimulatedRegistry::Value> values_;
};

// The value read through the port the way the registry layer reads: size first, then the data.
inline std::optional<SimulatedRegistry::Value> ReadThroughPort(SimulatedRegistry& registry,
                                                               RegistryKeyHandle root,
                                                               const std::string& path,
                                                               const std::string& name) {
  platform::RegistryKey key(registry);
  if (key.Open(root, path, platform::kKeyRead) != platform::kErrorSuccess)
    return std::nullopt;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (registry.QueryValue(key.handle(), name, type, nullptr, size) != platform::kErrorSuccess)
    return std::nullopt;
  std::string data(size, '\0');
  std::uint32_t read_type = 0;
  std::uint32_t read_size = size;
  const std::int32_t status =
      registry.QueryValue(key.handle(), name, read_type, data.data(), read_size);
  FUZZ_REQUIRE(status == platform::kErrorSuccess && read_type == type && read_size == size,
               "the second read of an unchanged value gives what the first announced");
  return SimulatedRegistry::Value{type, data};
}

inline void CheckLoadedRegistry(const std::vector<RegOperation>& operations,
                                std::string_view text) {
  SimulatedRegistry registry;
  registry.LoadRegText(text);
  RegistryModel model;
  for (const RegOperation& op : operations)
    model.Apply(op);
  for (const RegOperation& op : operations) {
    const bool has_key = model.HasKey(op.root, op.path);
    FUZZ_REQUIRE(registry.HasKey(op.root, op.path) == has_key, "the key exists as in the model");
    if (op.kind != RegOperationKind::SetValue && op.kind != RegOperationKind::DeleteValue)
      continue;
    const std::optional<SimulatedRegistry::Value> expected = model.Value(op.root, op.path, op.name);
    FUZZ_REQUIRE(registry.GetValue(op.root, op.path, op.name) == expected,
                 "the value is what the model holds");
    FUZZ_REQUIRE(ReadThroughPort(registry, op.root, op.path, op.name) == expected,
                 "the port reads the value the model holds");
  }
  FUZZ_REQUIRE(registry.open_handles() == 0, "every key opened through the port is closed");
}

// Checks one input; a violated property aborts (or goes to the violation handler).
inline void CheckInput(std::string_view text) {
  std::vector<RegOperation> operations;
  try {
    operations = ParseRegText(text);
  } catch (const std::invalid_argument&) {
    // Malformed text: the registry refuses it the same way.
    SimulatedRegistry registry;
    bool refused = false;
    try {
      registry.LoadRegText(text);
    } catch (const std::invalid_argument&) {
      refused = true;
    }
    FUZZ_REQUIRE(refused, "LoadRegText refuses what ParseRegText refuses");
    return;
  }

  CheckOperations(operations, text);

  const std::string written = WriteRegText(operations);
  std::vector<RegOperation> reread;
  try {
    reread = ParseRegText(written);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "%s\n", error.what());
    FUZZ_REQUIRE(false, "the operations written back as .reg text parse again");
  }
  FUZZ_REQUIRE(reread.size() == operations.size(), "as many operations after the round trip");
  for (std::size_t at = 0; at < operations.size(); ++at) {
    RegOperation again = reread[at];
    again.line = operations[at].line;
    FUZZ_REQUIRE(again == operations[at], "the same operation after the round trip");
  }

  CheckLoadedRegistry(operations, text);
}

}  // namespace quillset::fuzz::reg_text

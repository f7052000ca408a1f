#include "driver/registry_contents.h"

#include <cstdio>
#include <cstring>

#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"

namespace quillset::e2e {

namespace {

std::wstring RootName(platform::RegistryKeyHandle root) {
  switch (root) {
    case platform::kHkeyClassesRoot:
      return L"HKEY_CLASSES_ROOT";
    case platform::kHkeyCurrentUser:
      return L"HKEY_CURRENT_USER";
    case platform::kHkeyLocalMachine:
      return L"HKEY_LOCAL_MACHINE";
    default:
      return L"ROOT" + std::to_wstring(root);
  }
}

void ReadKeyInto(HKEY key, const std::wstring& path, RegistryContents& contents) {
  auto& values = contents[path];
  for (RegistrySnapshot::Value& value : ValuesOf(key))
    values[value.name] = StoredValue{value.type, std::move(value.data)};
  for (const std::wstring& name : SubkeyNamesOf(key)) {
    win32::ScopedKey subkey;
    if (RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, subkey.receive()) == ERROR_SUCCESS)
      ReadKeyInto(subkey.get(), path + L"\\" + name, contents);
  }
}

bool IsText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Short enough for a failure message: text shown as text (NULs as \0), anything else in hex.
std::string Describe(const StoredValue& value) {
  constexpr std::size_t kShown = 120;
  std::string shown;
  if (IsText(value.type)) {
    std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value.data.data(), text.size() * sizeof(wchar_t));
    for (const wchar_t c : text.substr(0, kShown)) {
      shown += c == L'\0' ? std::string("\\0") : win32::WideToUtf8(std::wstring(1, c));
    }
    shown = "\"" + shown + "\"";
  } else {
    for (std::size_t i = 0; i < value.data.size() && i < kShown / 3; ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%02x ", value.data[i]);
      shown += byte;
    }
  }
  return "type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) +
         " bytes: " + shown;
}

std::string Utf8(const std::wstring& text) {
  return win32::WideToUtf8(text);
}

}  // namespace

RegistryContents ReadRegistryContents(const std::vector<RegistryTree>& trees) {
  RegistryContents contents;
  for (const RegistryTree& tree : trees) {
    win32::ScopedKey key;
    if (RegOpenKeyExW(RootKeyOf(tree.root), win32::Utf8ToWide(tree.path).c_str(), 0, KEY_READ,
                      key.receive()) == ERROR_SUCCESS) {
      ReadKeyInto(key.get(), RootName(tree.root) + L"\\" + win32::Utf8ToWide(tree.path), contents);
    }
  }
  return contents;
}

std::vector<std::string> RegistryDifferences(const RegistryContents& before,
                                             const RegistryContents& after) {
  std::vector<std::string> differences;
  for (const auto& [key, values] : before) {
    if (!after.contains(key))
      differences.push_back("key removed: " + Utf8(key));
  }
  for (const auto& [key, values] : after) {
    const auto old_key = before.find(key);
    if (old_key == before.end()) {
      differences.push_back("key added: " + Utf8(key));
      for (const auto& [name, value] : values)
        differences.push_back("value added: " + Utf8(key) + " [" + Utf8(name) + "] " +
                              Describe(value));
      continue;
    }
    for (const auto& [name, value] : old_key->second) {
      if (!values.contains(name))
        differences.push_back("value removed: " + Utf8(key) + " [" + Utf8(name) + "]");
    }
    for (const auto& [name, value] : values) {
      const auto old_value = old_key->second.find(name);
      if (old_value == old_key->second.end()) {
        differences.push_back("value added: " + Utf8(key) + " [" + Utf8(name) + "] " +
                              Describe(value));
      } else if (!(old_value->second == value)) {
        differences.push_back("value changed: " + Utf8(key) + " [" + Utf8(name) + "] from " +
                              Describe(old_value->second) + " to " + Describe(value));
      }
    }
  }
  return differences;
}

RegistryContents KeysBelow(const RegistryContents& contents, const std::string& key_path) {
  const std::wstring top = win32::Utf8ToWide(key_path);
  RegistryContents below;
  for (const auto& [key, values] : contents) {
    const bool at_or_below = key.size() >= top.size() &&
                             _wcsnicmp(key.c_str(), top.c_str(), top.size()) == 0 &&
                             (key.size() == top.size() || key[top.size()] == L'\\');
    if (at_or_below)
      below.emplace(key, values);
  }
  return below;
}

}  // namespace quillset::e2e

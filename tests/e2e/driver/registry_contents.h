// Every key and value of some registry trees, read at one moment, and the differences between two
// such readings: what a run of the program changed in the registry.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "driver/wine_machine.h"

namespace quillset::e2e {

struct StoredValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;  // as stored (text as UTF-16)
  friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

// Names compare without regard to letter case, as the registry compares them.
struct CaseInsensitiveLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  }
};

// Key path ("HKEY_LOCAL_MACHINE\SOFTWARE\...") -> value name -> value.
using RegistryContents =
    std::map<std::wstring, std::map<std::wstring, StoredValue, CaseInsensitiveLess>,
             CaseInsensitiveLess>;

// Reads the trees whole, through the same registry view as the program under test. A tree that
// does not exist contributes nothing.
RegistryContents ReadRegistryContents(const std::vector<RegistryTree>& trees);

// One line per difference, in key order: "key added", "key removed", "value added", "value
// removed" or "value changed", with the key path, the value name and the data before and after.
std::vector<std::string> RegistryDifferences(const RegistryContents& before,
                                             const RegistryContents& after);

// The keys at and below `key_path` ("HKEY_LOCAL_MACHINE\SOFTWARE\..."; letter case does not
// matter).
RegistryContents KeysBelow(const RegistryContents& contents, const std::string& key_path);

}  // namespace quillset::e2e

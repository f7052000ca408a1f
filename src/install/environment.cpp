#include "install/environment.h"

#include <cstddef>
#include <vector>

namespace quillset {

namespace {

// Only the first 255 entries of the environment listing are looked at.
constexpr std::size_t kEnvironmentEntriesExamined = 255;

}  // namespace

std::string GetEnvironmentValue(platform::SystemPort& system, const std::string& name) {
  const std::vector<std::string> entries = system.EnvironmentEntries();
  std::string value;
  for (std::size_t number = 1; number <= kEnvironmentEntriesExamined; ++number) {
    if (number > entries.size())
      break;  // entries beyond the last are empty and match nothing
    const std::string& entry = entries[number - 1];
    if (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
        entry[name.size()] == '=') {
      value = entry.substr(name.size() + 1);
    }
  }
  return value;
}

}  // namespace quillset

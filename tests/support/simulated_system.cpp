#include "support/simulated_system.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quillset::testing {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

bool SimulatedSystem::GetComputerNameA(char* buffer, std::uint32_t& size) {
  if (!computer_name || computer_name->size() + 1 > size)
    return false;
  std::memcpy(buffer, computer_name->c_str(), computer_name->size() + 1);
  size = static_cast<std::uint32_t>(computer_name->size());
  return true;
}

bool SimulatedSystem::FolderExists(const std::string& path) {
  folder_queries_.push_back(path);
  if (folder_test_failure) {
    throw platform::PlatformFailure(*folder_test_failure, "folder test failed");
  }
  const std::string wanted = Lower(path);
  return std::any_of(folders.begin(), folders.end(),
                     [&](const std::string& folder) { return Lower(folder) == wanted; });
}

}  // namespace quillset::testing

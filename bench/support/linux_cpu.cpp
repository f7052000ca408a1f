#include "support/linux_cpu.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace quillset::bench {

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int LinuxProcessOf(const std::string& file) {
  char prefix[1024] = {};
  if (GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix) == 0)
    return 0;
  const std::string wanted = std::string("WINEPREFIX=") + prefix + '\0';
  int found = 0, matches = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("Z:\\proc", error)) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos)
      continue;
    // The first field of the command line is the program: a Windows path for a Wine program,
    // /usr/lib/wine/wineserver64 or the like for the server.
    std::string program = Read("Z:\\proc\\" + pid + "\\cmdline");
    program = program.substr(0, program.find('\0'));
    program = program.substr(program.find_last_of("\\/") + 1);
    if (_stricmp(program.c_str(), file.c_str()) != 0 && program != file + "64")
      continue;
    if (('\0' + Read("Z:\\proc\\" + pid + "\\environ")).find('\0' + wanted) == std::string::npos)
      continue;
    found = std::stoi(pid);
    ++matches;
  }
  return matches == 1 ? found : 0;
}

double LinuxCpuSeconds(int pid) {
  if (pid == 0)
    return -1;
  // "pid (name) state ...": after the name, fields 12 and 13 are the user and system time in
  // clock ticks of 1/100 s.
  const std::string stat = Read("Z:\\proc\\" + std::to_string(pid) + "\\stat");
  if (stat.rfind(')') == std::string::npos)
    return -1;
  std::istringstream fields(stat.substr(stat.rfind(')') + 1));
  std::string field;
  long long ticks = 0;
  for (int number = 1; number <= 13 && fields >> field; ++number)
    ticks += number >= 12 ? std::stoll(field) : 0;
  return static_cast<double>(ticks) / 100.0;
}

}  // namespace quillset::bench

// Microsoft's MSDE setup as the Wine tests and the demo meet it. It reads the command line the
// assistant builds (/lv LOG /settings INI INSTANCENAME=NAME TARGETDIR=DIR /i PACKAGE /wait),
// writes its log, fails like the real one when the settings or the package file is missing, and
// installs the instance: the folder MSSQL$NAME in the target folder and the service MSSQL$NAME,
// served by quillset_service.exe beside it. The settings file's section [quillset-standin] holds
// DelaySeconds=N, Fail=1 (installs nothing) and NoService=1. Every start is recorded in the file
// that QS_SETUP_RECORD names.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/handle.h"

namespace {

using quillset::win32::UniqueHandle;

SC_HANDLE NoService() {
  return nullptr;
}
using ScopedService = UniqueHandle<SC_HANDLE, &CloseServiceHandle, &NoService>;

// The value after `marker`: in double quotes, or up to the next blank.
std::string ValueAfter(const std::string& line, const std::string& marker) {
  std::size_t at = line.find(marker);
  if (at == std::string::npos)
    return {};
  at += marker.size();
  const char end = line[at] == '"' ? '"' : ' ';
  at += end == '"';
  return line.substr(at, line.find(end, at) - at);
}

void Append(const std::string& path, const std::string& text) {
  if (FILE* file = std::fopen(path.c_str(), "ab")) {
    std::fputs(text.c_str(), file);
    std::fclose(file);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string line = GetCommandLineA();
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  const std::string folder = std::string(module).substr(0, std::string(module).rfind('\\'));
  if (const char* record = std::getenv("QS_SETUP_RECORD")) {
    const std::string program = std::string(module).substr(folder.size() + 1);
    Append(record, (_stricmp(program.c_str(), "setup.exe") == 0 ? "" : "RAN " + program + ": ") +
                       line + "\n");
  }
  const std::string log = ValueAfter(line, "/lv ");
  const std::string settings = ValueAfter(line, "/settings ");
  const std::string name = ValueAfter(line, "INSTANCENAME=");
  Append(log, "MSDE setup: " + line + "\r\n");
  for (const std::string& file : {settings, ValueAfter(line, "/i ")}) {
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
      Append(log, "cannot open " + file + "\r\n");
      return 1603;
    }
  }
  const auto knob = [&](const char* name) {
    return GetPrivateProfileIntA("quillset-standin", name, 0, settings.c_str());
  };
  Sleep(knob("DelaySeconds") * 1000);
  if (knob("Fail") != 0) {
    Append(log, "installation failed (Fail=1)\r\n");
    return 1603;
  }
  CreateDirectoryA((ValueAfter(line, "TARGETDIR=") + "MSSQL$" + name).c_str(), nullptr);
  if (knob("NoService") == 0) {
    const ScopedService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    const std::string service = "MSSQL$" + name;
    const std::string program = "\"" + folder + "\\quillset_service.exe\"";
    const ScopedService created(
        CreateServiceA(manager.get(), service.c_str(), service.c_str(), SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  }
  Append(log, "installed\r\n");
  return 0;
}

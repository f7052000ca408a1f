// A library planted under a system library's name (uxtheme.dll, ...) beside quillset.exe or in
// its current folder. Loaded, it appends "RAN ITS-PATH: COMMAND LINE" to the record that
// QS_SETUP_RECORD names, where the Wine tests also see every program that should not have run.
#include <windows.h>

#include <string>

#include "platform/win32/handle.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  char path[MAX_PATH] = {}, record[MAX_PATH] = {};
  if (reason == DLL_PROCESS_ATTACH &&
      GetEnvironmentVariableA("QS_SETUP_RECORD", record, MAX_PATH)) {
    GetModuleFileNameA(self, path, MAX_PATH);
    const std::string line = std::string("RAN ") + path + ": " + GetCommandLineA() + "\n";
    const quillset::win32::ScopedFile file(
        CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  return TRUE;
}

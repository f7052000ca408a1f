#include "platform/win32/dll_search.h"

#include <windows.h>

#include <string>

namespace quillset::win32 {

namespace {

// A kernel32 function that older Windows lacks, or nullptr there (through the generic function
// pointer type: a direct cast between two function types warns).
template <typename Function>
Function Kernel32Function(const char* name) {
  const FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

void RestrictDllSearch() {
  // Windows XP SP1 and later: the current folder leaves the search.
  if (const auto set_dll_directory = Kernel32Function<BOOL(WINAPI*)(LPCWSTR)>("SetDllDirectoryW"))
    set_dll_directory(L"");
  // Windows 8, and Vista and 7 with update KB2533623: System32 alone.
  if (const auto set_default = Kernel32Function<BOOL(WINAPI*)(DWORD)>("SetDefaultDllDirectories"))
    set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // The libraries the system loads by name later in the run (a load trace: the common controls'
  // visual styles and the drawing library they load) are loaded now from System32, with their
  // imports, so that those loads find them loaded: for the systems without the call above, and for
  // Wine, which does not apply it to a library's delayed imports. Kept loaded on purpose.
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  for (const wchar_t* name : {L"\\uxtheme.dll", L"\\msimg32.dll"})
    if (length > 0 && length < MAX_PATH)
      LoadLibraryExW((std::wstring(system, length) + name).c_str(), nullptr,
                     LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace quillset::win32

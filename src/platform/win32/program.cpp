#include "platform/win32/program.h"

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <objbase.h>

#include <string>

namespace quillset::win32 {

namespace {

// A function of a system library, or nullptr where this Windows lacks it (through the generic
// function pointer type: a direct cast between two function types warns).
template <typename Function>
Function SystemFunction(HMODULE library, const char* name) {
  const FARPROC found = library != nullptr ? GetProcAddress(library, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// The program runs with administrator rights from a folder that others may write to (downloads):
// a library that the system loads by name must come from System32, never from the program's
// folder or the current folder, where anyone may have put a file of that name.
void RestrictDllSearch() {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  // Windows XP SP1 and later: the current folder leaves the search.
  if (const auto set_dll_directory =
          SystemFunction<BOOL(WINAPI*)(LPCWSTR)>(kernel32, "SetDllDirectoryW"))
    set_dll_directory(L"");
  // Windows 8, and Vista and 7 with update KB2533623: System32 alone.
  if (const auto set_default_directories =
          SystemFunction<BOOL(WINAPI*)(DWORD)>(kernel32, "SetDefaultDllDirectories"))
    set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // The libraries loaded by name later in the run (a load trace: the visual styles the common
  // controls load, and the drawing library they load in turn) are loaded now from System32 with
  // their imports, so that those loads find them loaded: for a Windows without the call above, and
  // for Wine, which does not apply it to delayed imports. Kept loaded on purpose.
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  for (const wchar_t* name : {L"\\uxtheme.dll", L"\\msimg32.dll"})
    if (length > 0 && length < MAX_PATH)
      LoadLibraryExW((std::wstring(system, length) + name).c_str(), nullptr,
                     LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

ProgramSetup::ProgramSetup() {
  RestrictDllSearch();
  // Common controls 6 (the manifest asks for them) draw the buttons in the system's style. The
  // program does not import them: an import is loaded before main runs, and the common controls
  // have uxtheme.dll loaded by name while they start. So they are loaded here, after the
  // restriction, and kept loaded.
  const auto init_common_controls = SystemFunction<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(
      LoadLibraryW(L"comctl32.dll"), "InitCommonControlsEx");
  const INITCOMMONCONTROLSEX common_controls{sizeof(common_controls), ICC_STANDARD_CLASSES};
  if (init_common_controls != nullptr)
    init_common_controls(&common_controls);
  com_initialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ProgramSetup::~ProgramSetup() {
  if (com_initialized_)
    CoUninitialize();
}

}  // namespace quillset::win32

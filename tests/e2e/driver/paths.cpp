#include "driver/paths.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/ansi_text.h"

namespace quillset::e2e {

std::wstring WindowsPathOf(const std::string& unix_path) {
  // Wine's own mapping, when the runner runs under Wine; Z: is the default drive for "/".
  using DosNameFn = WCHAR*(CDECL*)(const char*);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto to_dos = kernel == nullptr ? nullptr
                                  : reinterpret_cast<DosNameFn>(reinterpret_cast<void*>(
                                        GetProcAddress(kernel, "wine_get_dos_file_name")));
  if (to_dos != nullptr) {
    if (WCHAR* dos = to_dos(unix_path.c_str())) {
      std::wstring result(dos);
      HeapFree(GetProcessHeap(), 0, dos);
      return result;
    }
  }
  std::wstring path = L"Z:" + win32::Utf8ToWide(unix_path);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::wstring QuillsetExePath() {
  return WindowsPathOf(QUILLSET_E2E_QUILLSET_EXE);
}

std::wstring StandinFolder() {
  return WindowsPathOf(QUILLSET_E2E_STANDIN_DIR);
}

std::wstring StandinExePath(const std::wstring& name) {
  return StandinFolder() + L"\\" + name + L".exe";
}

std::wstring FixturePath(const std::wstring& file_name) {
  return WindowsPathOf(QUILLSET_E2E_FIXTURE_DIR) + L"\\" + file_name;
}

std::wstring ScratchRoot() {
  return L"C:\\quillset-e2e";
}

}  // namespace quillset::e2e

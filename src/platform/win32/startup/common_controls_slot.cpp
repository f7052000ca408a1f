// quillset.exe does not import the common controls: imports are loaded before WinMain runs, and
// loading comctl32.dll has the system load uxtheme.dll by name (measured under Wine: user32 does,
// while comctl32 starts) from a search that RestrictDllSearch has not restricted yet. Defining the
// import's slot here takes the place of the import: the call loads comctl32.dll (version 6, as the
// manifest asks; kept loaded on purpose) and calls its function. Linked into quillset.exe only.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

namespace {

BOOL WINAPI LoadAndInitCommonControls(const INITCOMMONCONTROLSEX* controls) {
  using Function = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  const FARPROC found = GetProcAddress(LoadLibraryW(L"comctl32.dll"), "InitCommonControlsEx");
  const auto system_function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
  return system_function != nullptr && system_function(controls);
}

}  // namespace

// The name under which WinMain calls the function through the import table.
#if defined(__i386__)
#define QUILLSET_SLOT "__imp__InitCommonControlsEx@4"
#else
#define QUILLSET_SLOT "__imp_InitCommonControlsEx"
#endif
extern "C" BOOL(WINAPI* const quillset_init_common_controls_slot)(
    const INITCOMMONCONTROLSEX*) __asm__(QUILLSET_SLOT);
extern "C" BOOL(WINAPI* const quillset_init_common_controls_slot)(const INITCOMMONCONTROLSEX*) =
    &LoadAndInitCommonControls;

// Windows XP's kernel32 has no GetTickCount64, and the loader refuses a program that imports a
// function its DLL lacks before the program starts. The toolchain's C++ runtime (the posix thread
// model, linked in for the lock of the exception allocator) imports it for timed waits, which
// this single-threaded program never makes. Defining the import's slot here takes the place of
// the import: the call asks kernel32 for the function and falls back to GetTickCount (which wraps
// after 49.7 days) where there is none. Linked into quillset.exe only; the i686 build is the one
// that ships.
#include <windows.h>

#if defined(__i386__)

namespace {

ULONGLONG WINAPI TickCount64() {
  using Function = ULONGLONG(WINAPI*)();
  const FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64");
  // Through the generic function pointer type: a direct cast between two function types warns.
  const auto system_function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
  return system_function != nullptr ? system_function() : GetTickCount();
}

}  // namespace

// The name under which the runtime's code calls the function through the import table.
extern "C" ULONGLONG(WINAPI* const quillset_get_tick_count64_slot)() __asm__(
    "__imp__GetTickCount64@0");
extern "C" ULONGLONG(WINAPI* const quillset_get_tick_count64_slot)() = &TickCount64;

#endif

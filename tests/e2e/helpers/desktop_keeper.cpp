// Keeps Wine's desktop session alive between the test programs of one run. Under Wine, each time
// the last program with a window ends, the desktop is torn down and the next program waits for it
// to be built again (about 2 s per test, measured with Wine 8 on Xvfb). scripts/test starts this
// hidden, never-shown window before ctest and ends it afterwards.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // A plain top-level window, never shown: it takes no focus and covers nothing.
  if (CreateWindowExW(0, L"STATIC", L"quillset desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr,
                      nullptr, instance, nullptr) == nullptr) {
    return 1;
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    DispatchMessageW(&msg);
  return 0;
}

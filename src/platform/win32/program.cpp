#include "platform/win32/program.h"

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <objbase.h>

namespace quillset::win32 {

ProgramSetup::ProgramSetup() {
  // Common controls 6 (the manifest asks for them) draw the buttons in the system's style.
  INITCOMMONCONTROLSEX common_controls{sizeof(common_controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common_controls);
  com_initialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ProgramSetup::~ProgramSetup() {
  if (com_initialized_)
    CoUninitialize();
}

}  // namespace quillset::win32

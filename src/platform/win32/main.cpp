// quillset.exe: creates the ports and the window, runs start-up, then the message loop until the
// window is unloaded.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <objbase.h>

#include "app/form_layout.h"
#include "app/form_main.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_window.h"

namespace {

// COM for the whole run (the folder test creates its automation object per call); released on
// the way out only when it was taken.
class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialized_)
      CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  using namespace quillset;
  win32::RestrictDllSearch();

  // Common controls 6 (the manifest asks for them) draw the buttons in the system's style.
  INITCOMMONCONTROLSEX common_controls{sizeof(common_controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common_controls);
  ComApartment com;

  win32::Win32Registry registry;
  win32::Win32Processes processes;
  win32::Win32System system;
  win32::Win32Window window(FormMainLayout(), instance);
  if (window.hwnd() == nullptr)
    return 1;

  form_Main form(platform::Ports{window, registry, processes, system});
  window.SetButtonHandler([&form](platform::ControlId button) { form.OnButton(button); });
  window.SetCloseHandler([&form] { form.OnClose(); });

  // Form_Load runs while the window is still hidden; Form_Activate as it is first shown, before
  // its first paint, so that the introduction page is what appears.
  form.Form_Load();
  window.CenterOnScreen();
  window.Show(show_command);
  form.Form_Activate();
  UpdateWindow(window.hwnd());

  win32::SetDialogWindow(window.hwnd());
  return win32::RunMessageLoop();
}

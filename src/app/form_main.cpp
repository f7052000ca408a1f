// The window's life: start-up and closing.
#include "app/form_main.h"

#include "app/form_layout.h"

namespace quillset {

// The window is built one page tall with every page hidden; start-up adds what the machine holds.
void form_Main::Form_Load() {
  state_.inventory = TakeInventory(ports_.registry);
  state_.ComputerName = ports_.system.GetLocalComputerName();
}

void form_Main::Form_Activate() {
  ports_.window.ShowPage(controls::Frame_installationOK);
}

void form_Main::OnClose() {
  closed_ = true;
  ports_.window.Unload();
}

}  // namespace quillset

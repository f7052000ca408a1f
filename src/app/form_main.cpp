// The window's life: start-up, the page in view, closing.
#include "app/form_main.h"

#include "app/form_layout.h"

namespace quillset {

void form_Main::Form_Load() {
  ports_.window.SetOuterHeight(FormMainLayout().outer_height);
  for (const platform::FrameSpec& page : FormMainLayout().frames) {
    ports_.window.SetFrameBorderStyle(page.id, 0);
    ports_.window.SetFrameVisible(page.id, false);
    ports_.window.SetFrameCaption(page.id, "");
  }
  state_.inventory = TakeInventory(ports_.registry);
  state_.ComputerName = GetLocalComputerName(ports_.system);
}

void form_Main::Form_Activate() {
  ShowPage(controls::Frame_installationOK);
}

// The page first, then the others hidden: the window never shows no page in between.
void form_Main::ShowPage(platform::ControlId page) {
  ports_.window.SetFrameVisible(page, true);
  ports_.window.SetFrameTop(page, kPageTopTwips);
  ports_.window.SetFrameLeft(page, 0);
  for (const platform::FrameSpec& other : FormMainLayout().frames) {
    if (other.id != page)
      ports_.window.SetFrameVisible(other.id, false);
  }
}

void form_Main::OnClose() {
  closed_ = true;
  ports_.window.Unload();
}

}  // namespace quillset

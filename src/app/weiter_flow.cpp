// "&Weiter": probe the servers, check the Server service, then refuse, list the servers found, or
// install at once.
#include <array>
#include <cstdint>

#include "app/form_layout.h"
#include "app/form_main.h"
#include "app/messages.h"
#include "inspect/server_probes.h"
#include "inspect/service_checks.h"

namespace quillset {

void form_Main::Next() {
  platform::WindowPort& window = ports_.window;
  const CommandConsole console{ports_.processes, window.DummyText()};

  // The window stays enabled while the console commands run: the user may close it meanwhile,
  // and then nothing may follow, least of all an installation.
  ProbeInstances(ports_.registry, console, state_.ComputerName, state_.ServerInfos);
  if (closed_)
    return;
  window.ListClear();

  const bool server_service_started = IsServiceStarted(console, " Server");
  if (closed_)
    return;
  if (!server_service_started) {
    window.MsgBox(ServerServiceMissingMessage(), platform::kMsgBoxCritical, kServerServiceTitle);
    window.Unload();
  } else if (!FindOldVersionServer(state_.ServerInfos).ServerName.empty()) {
    window.ShowPage(controls::Frame_installationAbbruchAlteVersion);
  } else if (FindNonDesktopServer(state_.ServerInfos).ServerName.empty()) {
    InstallMsde();
  } else {
    ShowFoundDatabases();
  }
}

// The found-databases page lists every probed server: name, edition and version in columns at 0,
// 100, 150 and 180 dialog units.
void form_Main::ShowFoundDatabases() {
  platform::WindowPort& window = ports_.window;
  const std::array<std::int32_t, 3> tab_stops = {100, 150, 180};
  window.ListSetTabStops(tab_stops);
  window.ListRefresh();
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const ServerInfo& info = state_.ServerInfos[slot];
    if (info.ServerName.empty())
      continue;
    window.ListAddItem(info.ServerName + "\t" + info.Edition + "\t" + info.Version + "\t");
    window.ListRefresh();
  }
  window.ShowPage(controls::Frame_installationGefundeneInstanzen);
}

}  // namespace quillset

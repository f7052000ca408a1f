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
  for (const ServerInfo& info : state_.ServerInfos) {
    if (!info.ServerName.empty())
      ports_.log.AppendLine("Server " + info.ServerName + ": Edition \"" + info.Edition +
                            "\", Version \"" + info.Version + "\"");
  }

  const bool server_service_started = IsServiceStarted(console, " Server");
  if (closed_)
    return;
  ports_.log.AppendLine(std::string("Dienst \"Server\" läuft: ") +
                        (server_service_started ? "ja" : "nein"));
  const std::string old_server = FindOldVersionServer(state_.ServerInfos).ServerName;
  if (!server_service_started) {
    ports_.log.AppendLine("Entscheidung: abgelehnt, der Dienst \"Server\" läuft nicht");
    outcome_ = ExitCode::kServerServiceNotRunning;
    window.MsgBox(ServerServiceMissingMessage(), platform::kMsgBoxCritical, kServerServiceTitle);
    window.Unload();
  } else if (!old_server.empty()) {
    ports_.log.AppendLine("Entscheidung: abgelehnt, alte Version auf " + old_server);
    outcome_ = ExitCode::kOldVersionRuns;
    window.ShowPage(controls::Frame_installationAbbruchAlteVersion);
  } else if (FindNonDesktopServer(state_.ServerInfos).ServerName.empty()) {
    ports_.log.AppendLine("Entscheidung: installieren");
    InstallMsde();
  } else {
    ports_.log.AppendLine("Entscheidung: gefundene Datenbanken zeigen");
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

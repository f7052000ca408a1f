// A Windows service for the Wine tests and the demo: the "Server" service (LanmanServer), which
// Wine lacks, and the instance services MSSQL$NAME that the setup stand-in registers. It serves
// whatever name it is started under, runs at once and ends when told to stop.
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;

void Report(DWORD state) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  SetServiceStatus(g_status, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP)
    SetEvent(g_stop);
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD argc, wchar_t** argv) {
  g_status = RegisterServiceCtrlHandlerExW(argc > 0 ? argv[0] : L"", &Control, nullptr);
  g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (g_status == nullptr || g_stop == nullptr)
    return;
  Report(SERVICE_RUNNING);
  WaitForSingleObject(g_stop, INFINITE);
  CloseHandle(g_stop);
  Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
  wchar_t name[] = L"";
  const SERVICE_TABLE_ENTRYW table[] = {{name, &ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}

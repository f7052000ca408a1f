// Stands in for a Windows service in the Wine tests and the demo: the "Server" service
// (LanmanServer), which Wine lacks, and the instance services MSSQL$NAME that the MSDE setup
// stand-in registers. It serves whatever name the service control manager starts it under,
// reports itself running at once and ends when it is told to stop.
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE g_status_handle = nullptr;
HANDLE g_stop_event = nullptr;

void ReportState(DWORD state) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted =
      state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWin32ExitCode = NO_ERROR;
  SetServiceStatus(g_status_handle, &status);
}

DWORD WINAPI HandleControl(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      ReportState(SERVICE_STOP_PENDING);
      SetEvent(g_stop_event);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

// argv[0] is the name the service was started under; the handler must be registered with it.
void WINAPI ServiceMain(DWORD argc, wchar_t** argv) {
  const wchar_t* name = argc > 0 ? argv[0] : L"";
  g_status_handle = RegisterServiceCtrlHandlerExW(name, &HandleControl, nullptr);
  if (g_status_handle == nullptr)
    return;
  g_stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (g_stop_event == nullptr) {
    ReportState(SERVICE_STOPPED);
    return;
  }
  ReportState(SERVICE_RUNNING);
  WaitForSingleObject(g_stop_event, INFINITE);
  CloseHandle(g_stop_event);
  g_stop_event = nullptr;
  ReportState(SERVICE_STOPPED);
}

}  // namespace

int main() {
  // An own-process service: the control manager ignores the table's name and starts the one
  // entry under the name it was asked for.
  wchar_t any_name[] = L"quillset_service";
  const SERVICE_TABLE_ENTRYW table[] = {{any_name, &ServiceMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherW(table)) {
    // Started by hand rather than by the control manager: nothing to serve.
    return static_cast<int>(GetLastError());
  }
  return 0;
}

#include "driver/quillset_app.h"

#include <cstdlib>

#include "driver/paths.h"
#include "driver/screenshot.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/win32_window.h"

namespace quillset::e2e {

MsdeMachineFolders::MsdeMachineFolders(const std::string& test_name,
                                       const MsdeFolderContents& contents)
    : scratch_(FolderNameFor(test_name)) {
  scratch_.MakeFolder("MSDE");
  scratch_.MakeFolder("Temp");
  scratch_.MakeFolder("Programme");
  scratch_.CopyFileIn(QuillsetExePath(), "MSDE\\quillset.exe");
  const std::filesystem::path setup_program = StandinExePath(L"setup");
  if (contents.setup_exe && std::filesystem::exists(setup_program)) {
    scratch_.CopyFileIn(setup_program, "MSDE\\setup.exe");
  }
  if (contents.setup_ini)
    scratch_.WriteFile("MSDE\\setup.ini", contents.setup_ini_text);
  if (contents.package_files) {
    scratch_.MakeFolder("MSDE\\setup");
    for (int number = 1; number <= 16; ++number) {
      const std::string name = (number < 10 ? "SqlRun0" : "SqlRun") + std::to_string(number);
      scratch_.WriteFile("MSDE\\setup\\" + name + ".msi", "placeholder of " + name + "\r\n");
    }
  }
}

EnvironmentBlock MsdeMachineFolders::Environment() const {
  EnvironmentBlock environment = EnvironmentBlock::Current();
  const std::wstring system_path = environment.Get(L"PATH").value_or(L"C:\\windows\\system32");
  environment.Set(L"PATH", StandinFolder() + L";" + system_path);
  environment.Set(L"TEMP", temp_folder().wstring());
  environment.Set(L"TMP", temp_folder().wstring());
  // Wine rebuilds ProgramFiles for every new process: from ProgramW6432 for a 64-bit program and
  // from ProgramFiles(x86) for a 32-bit one. All three point into the scratch folder.
  for (const wchar_t* name : {L"ProgramFiles", L"ProgramW6432", L"ProgramFiles(x86)"}) {
    environment.Set(name, program_files().wstring());
  }
  return environment;
}

QuillsetApp::QuillsetApp(const MsdeMachineFolders& folders)
    : QuillsetApp(folders.app_folder() / "quillset.exe", folders.app_folder(),
                  folders.Environment()) {}

QuillsetApp::QuillsetApp(const std::filesystem::path& exe,
                         const std::filesystem::path& current_folder,
                         const EnvironmentBlock& environment)
    : program_(RunningProgram::Start(exe.wstring(), L"", current_folder.wstring(), environment)),
      window_(WaitForTopLevelWindow(program_.id(), kCaption)) {}

HWND QuillsetApp::Control(platform::ControlId id, Millis limit) const {
  return WaitForControl(window_, {.id = win32::Win32ControlId(id)}, limit);
}

void QuillsetApp::Screenshot(const std::string& name) const {
  const char* folder = std::getenv("QUILLSET_E2E_SCREENSHOTS");
  if (folder == nullptr || *folder == '\0')
    return;
  // A page or box the test just saw appear may not be painted yet: the picture waits until the
  // program has handled its pending messages (its paints among them), and for the display.
  WaitForInputIdle(program_.handle(), 5000);
  Sleep(300);
  // The window with whatever box of the program stands out over its edges.
  RECT area = WindowRectOf(window_);
  for (HWND window : TopLevelWindowsOf(id())) {
    if (!e2e::IsShown(window))
      continue;
    const RECT rect = WindowRectOf(window);
    UnionRect(&area, &area, &rect);
  }
  SaveScreenshot(area, WindowsPathOf(folder) + L"\\" + win32::Utf8ToWide(name) + L".bmp");
}

namespace {

int ScreenDpi(int axis) {
  const HDC screen = GetDC(nullptr);
  const int dots_per_inch = GetDeviceCaps(screen, axis);
  ReleaseDC(nullptr, screen);
  return dots_per_inch;
}

}  // namespace

int TwipsToPixelsX(int twips) {
  return MulDiv(twips, ScreenDpi(LOGPIXELSX), 1440);
}

int TwipsToPixelsY(int twips) {
  return MulDiv(twips, ScreenDpi(LOGPIXELSY), 1440);
}

}  // namespace quillset::e2e

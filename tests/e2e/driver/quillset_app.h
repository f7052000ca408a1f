// quillset.exe under test: an MSDE setup folder of the test's own to start it from, the
// environment it gets, and its window with the controls found by their IDs.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "driver/process.h"
#include "driver/ui.h"
#include "driver/wine_machine.h"
#include "platform/window_layout.h"

namespace quillset::e2e {

// What goes into the MSDE folder besides quillset.exe.
struct MsdeFolderContents {
  bool setup_exe = true;  // the stand-in MSDE setup program, when the build has one
  bool setup_ini = true;  // setup.ini (setup_ini_text)
  std::string setup_ini_text = "[Options]\r\n";
  bool package_files = true;  // setup\SqlRun01.msi ... SqlRun16.msi (placeholders)
};

// C:\quillset-e2e\<test>\ with the folders a run uses:
//   MSDE\            quillset.exe beside setup.exe and setup.ini, packages in MSDE\setup
//   Temp\            TEMP and TMP (the setup log lands here)
//   Programme\       ProgramFiles (instance folders MSSQL$NAME land here)
class MsdeMachineFolders {
 public:
  explicit MsdeMachineFolders(const std::string& test_name,
                              const MsdeFolderContents& contents = {});

  const ScratchFolder& scratch() const { return scratch_; }
  std::filesystem::path app_folder() const { return scratch_ / "MSDE"; }
  std::filesystem::path temp_folder() const { return scratch_ / "Temp"; }
  std::filesystem::path program_files() const { return scratch_ / "Programme"; }

  // The runner's environment with PATH starting at the stand-ins (osql) and the system folders,
  // TEMP, TMP and ProgramFiles (with the variables Wine derives it from) pointing into the
  // scratch folder.
  EnvironmentBlock Environment() const;

 private:
  ScratchFolder scratch_;
};

// A running quillset.exe and its main window.
class QuillsetApp {
 public:
  static constexpr char kCaption[] = "MSDE - Installationstool";

  // Starts the copy in `folders.app_folder()` with `folders.Environment()` and the app folder as
  // the current folder, and waits for the window to show.
  explicit QuillsetApp(const MsdeMachineFolders& folders);
  QuillsetApp(const std::filesystem::path& exe, const std::filesystem::path& current_folder,
              const EnvironmentBlock& environment);

  HWND window() const { return window_; }
  DWORD id() const { return program_.id(); }
  RunningProgram& program() { return program_; }
  const RunningProgram& program() const { return program_; }

  // A control of the window by its place in the control table; waits until it exists.
  HWND Control(platform::ControlId id, Millis limit = kDefaultWait) const;
  std::string Text(platform::ControlId id) const { return TextOf(Control(id)); }
  bool IsShown(platform::ControlId id) const { return e2e::IsShown(Control(id)); }
  void Click(platform::ControlId button) const { ClickButton(Control(button)); }

  MessageBoxView WaitForMessageBox(Millis limit = kDefaultWait) const {
    return e2e::WaitForMessageBox(id(), limit);
  }
  InputBoxView WaitForInputBox(Millis limit = kDefaultWait) const {
    return e2e::WaitForInputBox(id(), limit);
  }

  // Saves a picture of the window and the program's boxes as <name>.bmp into the folder named by
  // the runner's QUILLSET_E2E_SCREENSHOTS variable (a Linux path; scripts/run-demo sets it). Does
  // nothing when the variable is not set.
  void Screenshot(const std::string& name) const;

 private:
  RunningProgram program_;
  HWND window_;
};

// Twips as pixels at the DPI of the prefix's screen, rounded as MulDiv rounds.
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);

}  // namespace quillset::e2e

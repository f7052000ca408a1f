// The exit codes of a run: what a deployment tool reads to learn what happened. 0, 1602, 1603,
// 1618, 1622 and 1639 carry msiexec's meanings; 2 to 7 are the assistant's own. An interface:
// the README lists them, and /? shows them.
#pragma once

namespace quillset {

enum class ExitCode : int {
  kInstalled = 0,                // the service runs and the client alias is written; also /?
  kServerServiceNotRunning = 2,  // refused: the Windows "Server" service does not run
  kOldVersionRuns = 3,           // refused: an old SQL Server version runs
  kTooManyInstances = 4,         // refused: 16 instances exist already
  kInstanceFolderExists = 5,     // refused: the instance's program folder exists
  kNameTaken = 6,                // quiet only: the proposed instance name is taken
  kAliasNotWritten = 7,          // installed, the service runs, the client alias is not written
  kEndedByUser = 1602,           // ended by the user before any outcome
  kInstallationFailed = 1603,    // the setup did not start, the service does not run, a failure
  kAnotherRunUnderWay = 1618,    // another run of the assistant, or Windows Installer, is busy
  kLogNotOpened = 1622,          // the log file cannot be opened for appending
  kInvalidCommandLine = 1639,    // unknown switch, missing value, doubled switch, invalid name
};

}  // namespace quillset

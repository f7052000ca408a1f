// "&Installieren", and the installation that "&Weiter" also starts: from the choice of the name
// through the MSDE setup and the start of the service to the client alias and the final message.
#include <new>
#include <optional>
#include <stdexcept>

#include "app/form_layout.h"
#include "app/form_main.h"
#include "app/messages.h"
#include "inspect/instance_inventory.h"
#include "inspect/instance_name_rule.h"
#include "inspect/service_checks.h"
#include "inspect/text_rules.h"
#include "install/client_alias.h"
#include "install/environment.h"
#include "install/program_run.h"
#include "install/setup_command.h"

namespace quillset {

using platform::kMsgBoxCritical;
using platform::kMsgBoxInformation;

namespace {

constexpr const char* kProposedInstanceName = "GLOBANA";
constexpr std::int16_t kMaxInstances = 16;

// The input box until the user types a valid name (upper-cased) or cancels (nullopt). Its prompt
// keeps naming the taken instance while invalid answers are refused.
std::optional<std::string> AskForAnotherName(platform::WindowPort& window,
                                             const std::string& taken_name) {
  for (;;) {
    std::string answer = ToUpperCase(window.InputBox(NameTakenPrompt(taken_name), kAttentionTitle));
    if (answer.empty())
      return std::nullopt;
    if (IsValidInstanceName(answer))
      return answer;
    window.MsgBox(InvalidInstanceNameMessage(answer), kMsgBoxCritical, kAttentionTitle);
  }
}

}  // namespace

void form_Main::Cmd_Neu_Click() {
  InstallMsde();
}

// One failure handler for the whole run: whatever a step raises ends it with message 8.
void form_Main::InstallMsde() {
  std::string setup_command;  // message 8 names it; empty until it is built
  std::int32_t failure_number = platform::kFailureInternal;
  try {
    RunInstallation(setup_command);
    return;
  } catch (const platform::PlatformFailure& failure) {
    failure_number = failure.number();
  } catch (const std::out_of_range&) {
    failure_number = platform::kFailureSubscriptOutOfRange;
  } catch (const std::bad_alloc&) {
    failure_number = platform::kFailureOutOfMemory;
  } catch (...) {
  }
  ports_.window.MsgBox(FailureMessage(setup_command, failure_number), kMsgBoxCritical,
                       kFailureTitle);
  ShowPage(controls::Frame_installationOK);
  ports_.window.SetEnabled(true);
}

void form_Main::RunInstallation(std::string& setup_command) {
  platform::WindowPort& window = ports_.window;
  const std::string app_folder = ports_.system.ProgramFolder();
  state_.inventory = TakeInventory(ports_.registry);
  if (state_.inventory.InstanceCount >= kMaxInstances) {
    window.MsgBox(TooManyInstancesMessage(state_.inventory.InstanceCount), kMsgBoxCritical,
                  kAttentionTitle);
    return;
  }

  std::string name = kProposedInstanceName;
  while (!IsInstanceNameFree(ports_.registry, name)) {
    std::optional<std::string> answer = AskForAnotherName(window, name);
    if (!answer || closed_)
      return;
    name = std::move(*answer);
  }

  const std::string program_files = GetEnvironmentValue(ports_.system, "ProgramFiles");
  const std::string instance_folder = program_files + "\\MSSQL$" + name;
  if (ports_.system.FolderExists(instance_folder)) {
    window.MsgBox(InstanceFolderExistsMessage(instance_folder), kMsgBoxCritical, kApplicationTitle);
    return;
  }

  const std::string setup_log_path = SetupLogPathFor(GetEnvironmentValue(ports_.system, "TEMP"));
  const std::string arguments =
      SetupArgumentsFor(app_folder, setup_log_path, name, TargetFolderFor(program_files));
  const std::int16_t package_number = ChooseFreePackageNumber(state_.inventory.FoundPackages);
  setup_command =
      SetupCommandFor(app_folder, arguments, PackageOptionFor(app_folder, package_number));

  {
    platform::ScopedProcess setup(ports_.processes);
    if (StartProcess(ports_.processes, setup_command, setup.Receive()) == kProcessNotStarted) {
      window.MsgBox(SetupNotStartedMessage(setup_command), kMsgBoxInformation, kApplicationTitle);
      ShowPage(controls::Frame_installationOK);
      return;
    }
    ShowPage(controls::Frame_installationWarten);
    WaitForProgramEnd(ports_.processes, window, setup.get());
  }
  if (closed_)
    return;

  {
    platform::ScopedProcess net_start(ports_.processes);
    if (StartProcess(ports_.processes, "net start MSSQL$" + name, net_start.Receive()) ==
        kProcessNotStarted) {
      window.MsgBox(ServiceStartFailedMessage(), kMsgBoxCritical, kApplicationTitle);
    } else {
      WaitForProgramEnd(ports_.processes, window, net_start.get());
    }
  }
  if (closed_)
    return;

  // Success is judged by the service alone: neither the setup's nor net start's ending counts.
  const bool service_started =
      IsInstanceServiceStarted(CommandConsole{ports_.processes, window.DummyText()}, name);
  if (closed_)
    return;
  if (!service_started) {
    window.MsgBox(NotInstalledMessage(setup_log_path), kMsgBoxCritical, kApplicationTitle);
    window.SetEnabled(true);
    ShowPage(controls::Frame_installationOK);
    return;
  }
  // Installed. Without the alias the client program cannot find the instance: the user must know.
  if (const std::int32_t status = RegisterClientAlias(ports_.registry, name);
      status != platform::kErrorSuccess) {
    window.MsgBox(AliasNotWrittenMessage(status), platform::kMsgBoxExclamation, kAttentionTitle);
  } else {
    window.MsgBox(InstalledMessage(), kMsgBoxInformation, kApplicationTitle);
  }
  window.Unload();
}

}  // namespace quillset

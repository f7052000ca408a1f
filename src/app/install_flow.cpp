// The installation that "&Installieren" starts, and "&Weiter" when no server needs listing: from
// the choice of the name through the MSDE setup and the start of the service to the client alias
// and the final message, as a row of steps.
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

// What the steps of one installation hand on to each other.
struct form_Main::Installation {
  std::string name;
  std::string instance_folder;
  std::string setup_log_path;
  std::string setup_command;  // message 8 names it; empty until it is built
  bool service_started = false;
};

namespace {

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

// The steps in their order. A step that returns false ends the installation there, and so does a
// window closed during a step; whatever a step raises ends it with message 8.
void form_Main::InstallMsde() {
  static constexpr InstallationStep kSteps[] = {&form_Main::RefuseWhenFull,
                                                &form_Main::ChooseInstanceName,
                                                &form_Main::RefuseWhenFolderExists,
                                                &form_Main::RunSetup,
                                                &form_Main::StartInstanceService,
                                                &form_Main::CheckInstanceService,
                                                &form_Main::Report};
  Installation run;
  run.name = options_.proposed_name;
  std::int32_t failure_number = platform::kFailureInternal;
  try {
    for (const InstallationStep step : kSteps) {
      if (!(this->*step)(run) || closed_)
        return;
    }
    return;
  } catch (const platform::PlatformFailure& failure) {
    failure_number = failure.number();
  } catch (const std::out_of_range&) {
    failure_number = platform::kFailureSubscriptOutOfRange;
  } catch (const std::bad_alloc&) {
    failure_number = platform::kFailureOutOfMemory;
  } catch (...) {
  }
  outcome_ = ExitCode::kInstallationFailed;
  ports_.window.MsgBox(FailureMessage(run.setup_command, failure_number), kMsgBoxCritical,
                       kFailureTitle);
  ReturnToIntroduction();
}

void form_Main::ReturnToIntroduction() {
  ports_.window.ShowPage(controls::Frame_installationOK);
  ports_.window.SetEnabled(true);
}

// 16 instances are the most one machine can hold.
bool form_Main::RefuseWhenFull(Installation&) {
  state_.inventory = TakeInventory(ports_.registry);
  if (state_.inventory.InstanceCount < kLastSlot)
    return true;
  outcome_ = ExitCode::kTooManyInstances;
  ports_.window.MsgBox(TooManyInstancesMessage(state_.inventory.InstanceCount), kMsgBoxCritical,
                       kAttentionTitle);
  return false;
}

// GLOBANA, or the name the user types while the name is taken; cancelling ends the installation.
bool form_Main::ChooseInstanceName(Installation& run) {
  ports_.log.AppendLine("Vorgeschlagener Instanzname: " + run.name);
  while (!IsInstanceNameFree(ports_.registry, run.name)) {
    ports_.log.AppendLine("Instanzname vergeben: " + run.name);
    std::optional<std::string> answer = AskForAnotherName(ports_.window, run.name);
    if (!answer || closed_)
      return false;
    run.name = std::move(*answer);
  }
  ports_.log.AppendLine("Gewählter Instanzname: " + run.name);
  return true;
}

// The setup would install into the instance's folder: one left behind must go first.
bool form_Main::RefuseWhenFolderExists(Installation& run) {
  run.instance_folder =
      GetEnvironmentValue(ports_.system, "ProgramFiles") + "\\" + InstanceServiceName(run.name);
  if (!ports_.system.FolderExists(run.instance_folder))
    return true;
  outcome_ = ExitCode::kInstanceFolderExists;
  ports_.window.MsgBox(InstanceFolderExistsMessage(run.instance_folder), kMsgBoxCritical,
                       kApplicationTitle);
  return false;
}

// The MSDE setup with the lowest free package, behind the wait page until it ends.
bool form_Main::RunSetup(Installation& run) {
  const std::string temp = GetEnvironmentValue(ports_.system, "TEMP");
  run.setup_log_path = SetupLogPathFor(temp);
  const std::int16_t package_number = ChooseFreePackageNumber(state_.inventory.FoundPackages);
  run.setup_command = SetupCommandLine(ports_.system.ProgramFolder(), temp,
                                       GetEnvironmentValue(ports_.system, "ProgramFiles"), run.name,
                                       package_number, options_.setup_without_interface);
  const std::unique_ptr<platform::StartedProgram> setup = ports_.processes.Start(run.setup_command);
  if (setup == nullptr) {
    outcome_ = ExitCode::kInstallationFailed;
    ports_.window.MsgBox(SetupNotStartedMessage(run.setup_command), kMsgBoxInformation,
                         kApplicationTitle);
    ReturnToIntroduction();
    return false;
  }
  ports_.window.ShowPage(controls::Frame_installationWarten);
  WaitForProgramEnd(*setup, ports_.window);
  return true;
}

// net start for the new service. Whether it started is judged afterwards, by the listing alone.
bool form_Main::StartInstanceService(Installation& run) {
  const std::unique_ptr<platform::StartedProgram> net_start =
      ports_.processes.Start("net start " + InstanceServiceName(run.name));
  if (net_start == nullptr)
    ports_.window.MsgBox(ServiceStartFailedMessage(), kMsgBoxCritical, kApplicationTitle);
  else
    WaitForProgramEnd(*net_start, ports_.window);
  return true;
}

// Success is judged by the service alone: neither the setup's nor net start's ending counts.
bool form_Main::CheckInstanceService(Installation& run) {
  run.service_started = IsInstanceServiceStarted(
      CommandConsole{ports_.processes, ports_.window.DummyText()}, run.name);
  ports_.log.AppendLine("Dienst " + InstanceServiceName(run.name) +
                        " läuft: " + (run.service_started ? "ja" : "nein"));
  return true;
}

// Installed when the service runs, and the client alias tells the client program where. Without
// the alias the client program cannot find the instance: the user must know.
bool form_Main::Report(Installation& run) {
  platform::WindowPort& window = ports_.window;
  if (!run.service_started) {
    outcome_ = ExitCode::kInstallationFailed;
    window.MsgBox(NotInstalledMessage(run.setup_log_path), kMsgBoxCritical, kApplicationTitle);
    ReturnToIntroduction();
    return false;
  }
  const std::int32_t status = RegisterClientAlias(ports_.registry, run.name);
  ports_.log.AppendLine("Client-Alias " + std::string(kClientAliasName) +
                        " unter HKEY_LOCAL_MACHINE\\" + kClientAliasKey + ": Status " +
                        std::to_string(status));
  if (status != platform::kErrorSuccess) {
    outcome_ = ExitCode::kAliasNotWritten;
    window.MsgBox(AliasNotWrittenMessage(status), platform::kMsgBoxExclamation, kAttentionTitle);
  } else {
    outcome_ = ExitCode::kInstalled;
    window.MsgBox(InstalledMessage(), kMsgBoxInformation, kApplicationTitle);
  }
  window.Unload();
  return true;
}

}  // namespace quillset

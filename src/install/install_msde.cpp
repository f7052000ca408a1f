#include "install/install_msde.h"

#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "inspect/command_runner.h"
#include "inspect/instance_inventory.h"
#include "inspect/package_detection.h"
#include "inspect/service_checks.h"
#include "install/client_alias.h"
#include "install/install_messages.h"
#include "install/instance_name_rule.h"
#include "install/process_control.h"
#include "install/setup_command.h"

namespace quillset {

using platform::ControlId;

namespace {

constexpr const char* kProposedInstanceName = "GLOBANA";
constexpr std::int16_t kMaxInstances = 16;
constexpr int kPageTopTwips = 10;

// Failure numbers besides those the platform raises.
constexpr std::int32_t kFailureIndexOutOfRange = 9;
constexpr std::int32_t kFailureOutOfMemory = 7;
constexpr std::int32_t kFailureInternal = 51;

// Upper case as the user expects it of a name: ASCII letters and the Latin-1 letters of UTF-8
// (ä -> Ä); everything else stays as typed.
std::string ToUpperCase(std::string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 'a' && c <= 'z') {
      text[i] = static_cast<char>(c - 'a' + 'A');
    } else if (c == 0xC3 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0xA0 && next <= 0xBE && next != 0xB7)
        text[i + 1] = static_cast<char>(next - 0x20);
      ++i;
    }
  }
  return text;
}

// One installation run: the working values and the steps, in the order the user sees them.
class InstallationRun {
 public:
  InstallationRun(const platform::Ports& ports, const InstallFields& fields)
      : ports_(ports), fields_(fields) {}

  InstallOutcome Run();
  InstallOutcome HandleFailure(std::int32_t failure_number);

 private:
  std::optional<std::string> AskForAnotherName(const std::string& taken_name);
  void ShowWaitPage();
  void ShowFinalPage();
  void Message(const std::string& prompt, int style, const char* title) {
    ports_.window.MsgBox(prompt, style, title);
  }

  const platform::Ports& ports_;
  const InstallFields& fields_;
  std::string setup_command_;  // empty until the command line is built
};

InstallOutcome InstallationRun::Run() {
  platform::WindowPort& window = ports_.window;
  const std::string app_folder = ports_.system.ProgramFolder();
  fields_.NewInstanceName = kProposedInstanceName;

  fields_.InstanceCount = CountInstalledInstances(ports_.registry);
  if (fields_.InstanceCount >= kMaxInstances) {
    Message(TooManyInstancesMessage(fields_.InstanceCount), platform::kMsgBoxCritical,
            kAttentionTitle);
    return InstallOutcome::RefusedTooManyInstances;
  }

  while (!IsInstanceNameFree(ports_.registry, fields_.NewInstanceName)) {
    std::optional<std::string> answer = AskForAnotherName(fields_.NewInstanceName);
    if (!answer) {
      fields_.NewInstanceName.clear();
      return InstallOutcome::Cancelled;
    }
    fields_.NewInstanceName = std::move(*answer);
  }

  const std::string program_files = GetEnvironmentValue(ports_.system, "ProgramFiles");
  const std::string instance_folder = program_files + "\\MSSQL$" + fields_.NewInstanceName;
  if (FolderExists(ports_.system, instance_folder)) {
    Message(InstanceFolderExistsMessage(instance_folder), platform::kMsgBoxCritical,
            kApplicationTitle);
    return InstallOutcome::RefusedFolderExists;
  }

  fields_.TargetFolder = TargetFolderFor(program_files);
  const std::string setup_log_path = SetupLogPathFor(GetEnvironmentValue(ports_.system, "TEMP"));
  fields_.SetupArguments =
      SetupArgumentsFor(app_folder, setup_log_path, fields_.NewInstanceName, fields_.TargetFolder);

  fields_.FoundPackages =
      DetectMsdePackages(ports_.registry, fields_.MsdeProductCodes, fields_.SetupProductCode);
  const std::int16_t package_number = ChooseFreePackageNumber(fields_.FoundPackages);
  fields_.PackageOption = PackageOptionFor(app_folder, package_number);
  setup_command_ = SetupCommandFor(app_folder, fields_.SetupArguments, fields_.PackageOption);

  {
    platform::ScopedProcess setup(ports_.processes);
    if (StartProcess(ports_.processes, setup_command_, setup.Receive()) == kProcessNotStarted) {
      Message(SetupNotStartedMessage(setup_command_), platform::kMsgBoxInformation,
              kApplicationTitle);
      ShowFinalPage();
      return InstallOutcome::SetupNotStarted;
    }
    ShowWaitPage();
    WaitForProgramEnd(ports_.processes, window, setup.get());
  }

  {
    platform::ScopedProcess net_start(ports_.processes);
    if (StartProcess(ports_.processes, "net start MSSQL$" + fields_.NewInstanceName,
                     net_start.Receive()) == kProcessNotStarted) {
      Message(ServiceStartFailedMessage(), platform::kMsgBoxCritical, kApplicationTitle);
    } else {
      WaitForProgramEnd(ports_.processes, window, net_start.get());
    }
  }

  // Success is judged by the service alone: neither the setup's nor net start's ending counts.
  const CommandConsole console{ports_.processes, window.DummyText()};
  if (IsInstanceServiceStarted(console, fields_.NewInstanceName)) {
    RegisterClientAlias(ports_.registry, fields_.NewInstanceName);
    Message(InstalledMessage(), platform::kMsgBoxInformation, kApplicationTitle);
    window.Unload();
    return InstallOutcome::Installed;
  }
  Message(NotInstalledMessage(setup_log_path), platform::kMsgBoxCritical, kApplicationTitle);
  window.SetEnabled(true);
  ShowFinalPage();
  return InstallOutcome::ServiceNotRunning;
}

// The input box until the user types a valid name (upper-cased) or cancels (nullopt). Its prompt
// keeps naming the taken instance while invalid answers are refused.
std::optional<std::string> InstallationRun::AskForAnotherName(const std::string& taken_name) {
  for (;;) {
    std::string answer =
        ToUpperCase(ports_.window.InputBox(NameTakenPrompt(taken_name), kAttentionTitle));
    if (answer.empty())
      return std::nullopt;
    if (IsValidInstanceName(answer))
      return answer;
    Message(InvalidInstanceNameMessage(answer), platform::kMsgBoxCritical, kAttentionTitle);
  }
}

InstallOutcome InstallationRun::HandleFailure(std::int32_t failure_number) {
  Message(FailureMessage(setup_command_, failure_number), platform::kMsgBoxCritical, kFailureTitle);
  ShowFinalPage();
  ports_.window.SetEnabled(true);
  return InstallOutcome::Failed;
}

void InstallationRun::ShowWaitPage() {
  platform::WindowPort& window = ports_.window;
  window.SetFrameVisible(ControlId::Frame_installationGefundeneInstanzen, false);
  window.SetFrameVisible(ControlId::Frame_installationAbbruchAlteVersion, false);
  window.SetFrameVisible(ControlId::Frame_installationOK, false);
  window.SetFrameVisible(ControlId::Frame_installationWarten, true);
  window.SetFrameTop(ControlId::Frame_installationWarten, kPageTopTwips);
}

void InstallationRun::ShowFinalPage() {
  platform::WindowPort& window = ports_.window;
  window.SetFrameVisible(ControlId::Frame_installationGefundeneInstanzen, false);
  window.SetFrameVisible(ControlId::Frame_installationAbbruchAlteVersion, false);
  window.SetFrameVisible(ControlId::Frame_installationOK, true);
  window.SetFrameVisible(ControlId::Frame_installationWarten, false);
}

}  // namespace

InstallOutcome InstallMsde(const platform::Ports& ports, const InstallFields& fields) {
  InstallationRun run(ports, fields);
  std::int32_t failure_number = kFailureInternal;
  // One failure handler for the whole run: whatever a step raises ends it with message 8.
  try {
    return run.Run();
  } catch (const platform::PlatformFailure& failure) {
    failure_number = failure.number();
  } catch (const std::out_of_range&) {
    failure_number = kFailureIndexOutOfRange;
  } catch (const std::bad_alloc&) {
    failure_number = kFailureOutOfMemory;
  } catch (...) {
    failure_number = kFailureInternal;
  }
  return run.HandleFailure(failure_number);
}

}  // namespace quillset

// Every German message of the assistant but the "System-Info" report, exactly as the user sees it,
// with its title. Line breaks are single carriage returns.
#pragma once

#include <cstdint>
#include <string>

namespace quillset {

// Titles. A message without a title of its own shows the application title.
inline constexpr const char* kApplicationTitle = "quillset";
inline constexpr const char* kAttentionTitle = "Achtung";
inline constexpr const char* kFailureTitle = "Achtung!";
inline constexpr const char* kServerServiceTitle = "Achtung - Installation nicht möglich!";

// The address named for questions; a build-time constant.
const char* ContactAddress();

// "&Weiter": the Server service does not run (style 16, kServerServiceTitle).
std::string ServerServiceMissingMessage();

// 1: 16 or more instances are installed (style 16, "Achtung").
std::string TooManyInstancesMessage(std::int16_t instance_count);
// 2: the prompt of the input box when the proposed name is taken ("Achtung").
std::string NameTakenPrompt(const std::string& taken_name);
// 3: the instance's program folder exists already (style 16, application title).
std::string InstanceFolderExistsMessage(const std::string& instance_folder);
// 4: the setup program could not be started (style 64, application title).
std::string SetupNotStartedMessage(const std::string& setup_command);
// 5: "net start" could not be started (style 16, application title).
std::string ServiceStartFailedMessage();
// 6: the instance's service runs (style 64, application title).
std::string InstalledMessage();
// 6a: the service runs, but the client alias could not be written; `status` is Windows' status
// number (style 48, "Achtung").
std::string AliasNotWrittenMessage(std::int32_t status);
// 7: the instance's service does not run (style 16, application title).
std::string NotInstalledMessage(const std::string& setup_log_path);
// 8: the failure handler (style 16, "Achtung!").
std::string FailureMessage(const std::string& setup_command, std::int32_t failure_number);
// A typed name that cannot be an instance name (style 16, "Achtung").
std::string InvalidInstanceNameMessage(const std::string& name);

// The program's version as the build names it.
const char* ProgramVersion();

// The command line's messages, all with the application title.
// /? and /help: the switches, the exit codes, the version (style 64).
std::string UsageMessage();
// An argument the command line does not allow, then the usage (style 16).
std::string InvalidArgumentMessage(const std::string& argument);
// Another run of the assistant or a Windows Installer installation is under way (style 48).
std::string AnotherRunMessage();
// The log file cannot be opened for appending (style 16).
std::string LogNotOpenedMessage(const std::string& path);

}  // namespace quillset

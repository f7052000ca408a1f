#include "app/messages.h"

#include "inspect/text_rules.h"
#include "install/client_alias.h"

namespace quillset {

namespace {

const std::string kCr = "\r";

}  // namespace

// QUILLSET_CONTACT_ADDRESS comes from the build (CMake cache variable of the same name).
const char* ContactAddress() {
  return QUILLSET_CONTACT_ADDRESS;
}

std::string ServerServiceMissingMessage() {
  return "Die Installation der MSDE setzt voraus, dass der  'Server'-Dienst läuft." + kCr + kCr +
         "Bitte überprüfen Sie, ob die 'Datei- und Druckerfreigabe' installiert ist und der "
         "'Server'-Dienst läuft." +
         kCr + kCr + "Wenden Sie sich bei Fragen hierzu an '" + ContactAddress() + "'." + kCr +
         kCr + "Das Installationsprogramm wird jetzt beendet.";
}

std::string TooManyInstancesMessage(std::int16_t instance_count) {
  return "Installation nicht möglich - es sind bereits " + WithSignBlank(instance_count) +
         " MSSQL-Server-Datenbanken installiert! ";
}

std::string NameTakenPrompt(const std::string& taken_name) {
  return "Installation nicht möglich - es ist bereits eine '" + taken_name +
         "'-Instanz vorhanden. Falls Sie eine weitere MSDE-Instanz benötigen, geben Sie bitte "
         "einen anderen Namen an." +
         kCr +
         "Bitte beachten Sie, dass das Globana-System nur mit einer MSDE-Instanz mit dem Namen "
         "'GLOBANA' zusamenarbeitet. " +
         kCr +
         "Sollte dies auf Ihrem Rechner nicht möglich sein, dann setzen Sie sich bitte mit dem "
         "KORA-Lehrstuhl in Verbindung.";
}

std::string InstanceFolderExistsMessage(const std::string& instance_folder) {
  return "Installation der MSDE nicht möglich. " + kCr + kCr + "Das Verzeichnis " +
         Quoted(instance_folder) + " muss zuerst entfernt werden";
}

std::string SetupNotStartedMessage(const std::string& setup_command) {
  return "Das Installations-Programm konnte mit dem Aufruf: " + setup_command +
         " nicht gestartet werden!";
}

std::string ServiceStartFailedMessage() {
  return "Fehler beim Starten der MSDE";
}

std::string InstalledMessage() {
  return "Die MSDE wurde erfolgreich installiert.";
}

std::string AliasNotWrittenMessage(std::int32_t status) {
  return "Die MSDE wurde installiert, aber der Client-Alias '" + std::string(kClientAliasName) +
         "' unter 'HKEY_LOCAL_MACHINE\\" + kClientAliasKey +
         "' konnte nicht geschrieben werden (Windows-Fehler " + std::to_string(status) + ")." +
         kCr + kCr +
         "Ohne diesen Eintrag findet kaloBASE die neue Datenbank nicht. Wenden Sie "
         "sich bitte an '" +
         ContactAddress() + "'.";
}

std::string NotInstalledMessage(const std::string& setup_log_path) {
  return "Die MSDE konnte nicht installiert werden. Überprüfen Sie die Datei " + setup_log_path +
         "!";
}

std::string FailureMessage(const std::string& setup_command, std::int32_t failure_number) {
  return "Der Aufruf: " + setup_command + " ist fehlgeschlagen mit Fehlernummer " +
         std::to_string(failure_number);
}

std::string InvalidInstanceNameMessage(const std::string& name) {
  return "Der Name '" + name + "' ist als Instanzname nicht zulässig." + kCr +
         "Erlaubt sind 1 bis 16 Zeichen: zuerst ein Buchstabe von A bis Z, '_', '&' oder '#', "
         "danach Buchstaben, Ziffern, '_', '$', '&' oder '#'. Die Namen DEFAULT und MSSQLSERVER "
         "sind nicht erlaubt.";
}

// QUILLSET_VERSION comes from the build: the version, and the commit of a build between releases.
const char* ProgramVersion() {
  return QUILLSET_VERSION;
}

std::string UsageMessage() {
  return "Aufruf: quillset.exe [/quiet] [/log Datei] [/instance Name] [/?]" + kCr + kCr +
         "/quiet oder /qn: ohne Fenster und ohne Rückfragen installieren; jede Meldung steht dann "
         "im Protokoll." +
         kCr +
         "/log Datei: das Protokoll dieses Laufs an die Datei anhängen (bei /quiet ohne /log: "
         "%TEMP%\\quillset-assistant.log)." +
         kCr + "/instance Name: den Namen statt GLOBANA als Instanznamen vorschlagen." + kCr +
         "/? oder /help: diese Hilfe." + kCr + kCr + "Rückgabewerte:" + kCr +
         "0 - installiert (auch nach /?)" + kCr + "2 - abgelehnt: der 'Server'-Dienst läuft nicht" +
         kCr + "3 - abgelehnt: eine alte SQL-Server-Version läuft" + kCr +
         "4 - abgelehnt: es sind bereits 16 Instanzen installiert" + kCr +
         "5 - abgelehnt: das Verzeichnis der Instanz ist bereits vorhanden" + kCr +
         "6 - nur mit /quiet: der vorgeschlagene Instanzname ist vergeben" + kCr +
         "7 - installiert, aber der Client-Alias wurde nicht geschrieben" + kCr +
         "1602 - vom Benutzer abgebrochen" + kCr + "1603 - die Installation ist fehlgeschlagen" +
         kCr + "1618 - eine andere Installation läuft gerade" + kCr +
         "1622 - die Protokolldatei kann nicht geöffnet werden" + kCr +
         "1639 - ungültige Befehlszeile" + kCr + kCr + "quillset Version " + ProgramVersion();
}

std::string InvalidArgumentMessage(const std::string& argument) {
  return "Die Angabe '" + argument + "' ist in der Befehlszeile nicht zulässig." + kCr + kCr +
         UsageMessage();
}

std::string AnotherRunMessage() {
  return "Auf diesem Rechner läuft bereits eine Installation (dieses Installationsprogramm oder "
         "Windows Installer)." +
         kCr + kCr + "Bitte versuchen Sie es später noch einmal.";
}

std::string LogNotOpenedMessage(const std::string& path) {
  return "Die Protokolldatei " + Quoted(path) + " kann nicht zum Schreiben geöffnet werden." + kCr +
         kCr + "Das Installationsprogramm wird jetzt beendet.";
}

}  // namespace quillset

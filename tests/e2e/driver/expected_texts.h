// The texts the program shows that more than one Wine test waits for, written out here on their
// own rather than taken from the program's sources, so that a wrong text there shows.
#pragma once

#include <string>

namespace quillset::e2e {

// The input box's prompt when GLOBANA is taken.
inline constexpr char kNameTakenPrompt[] =
    "Installation nicht möglich - es ist bereits eine 'GLOBANA'-Instanz vorhanden. Falls Sie eine "
    "weitere MSDE-Instanz benötigen, geben Sie bitte einen anderen Namen an.\r"
    "Bitte beachten Sie, dass das Globana-System nur mit einer MSDE-Instanz mit dem Namen "
    "'GLOBANA' zusamenarbeitet. \r"
    "Sollte dies auf Ihrem Rechner nicht möglich sein, dann setzen Sie sich bitte mit dem "
    "KORA-Lehrstuhl in Verbindung.";

// "&Weiter" while the Server service does not run; the contact address comes from the build.
inline constexpr char kServerServiceMissing[] =
    "Die Installation der MSDE setzt voraus, dass der  'Server'-Dienst läuft.\r\r"
    "Bitte überprüfen Sie, ob die 'Datei- und Druckerfreigabe' installiert ist und der "
    "'Server'-Dienst läuft.\r\r"
    "Wenden Sie sich bei Fragen hierzu an '" QUILLSET_CONTACT_ADDRESS
    "'.\r\r"
    "Das Installationsprogramm wird jetzt beendet.";

// The end of a successful installation.
inline constexpr char kInstalled[] = "Die MSDE wurde erfolgreich installiert.";

// The setup program could not be started with this command line.
inline std::string SetupNotStartedMessage(const std::string& command) {
  return "Das Installations-Programm konnte mit dem Aufruf: " + command +
         " nicht gestartet werden!";
}

}  // namespace quillset::e2e

#include "app/form_layout.h"

#include <array>

namespace quillset {
namespace {

using platform::Background;
using platform::ControlKind;
using platform::ControlSpec;
using platform::FrameSpec;

// Where every page sits when it is shown: its top, in twips.
constexpr int kPageTopTwips = 10;

// Bottom of the stack first: a page higher up covers the ones below it.
constexpr std::array kFrames = {
    FrameSpec{controls::Frame_installationOK, 0, kPageTopTwips, 9735, 3255, Background::Window},
    FrameSpec{controls::Frame_installationAbbruchAlteVersion, 0, kPageTopTwips, 9735, 3255,
              Background::Window},
    FrameSpec{controls::Frame_installationGefundeneInstanzen, 0, kPageTopTwips, 9735, 3255,
              Background::Window},
    FrameSpec{controls::Frame_installationWarten, 0, kPageTopTwips, 9735, 3255,
              Background::ActiveCaptionText},
};

constexpr std::array kControls = {
    // Introduction page.
    ControlSpec{ControlKind::Label, controls::Label_Einfuehrung,
                "Es wird jetzt das von Microsoft (R) zur Verfügung gestellte "
                "Installationsprogramm für die Microsoft SQL-Server Desktop Engine (MSDE) "
                "gestartet.",
                120, 360, 9495, 615, 1, controls::Frame_installationOK, false},
    ControlSpec{ControlKind::Label, controls::Label6,
                "Bei der MSDE handelt es sich um ein lizenzgebührenfreies Datenbanksystem von "
                "Microsoft, das für die Verwaltung und Speicherung der Daten von kaloBASE "
                "verwendet wird.",
                120, 840, 9495, 495, 18, controls::Frame_installationOK, false},
    ControlSpec{ControlKind::Button, controls::Cmd_Installieren, "&Weiter", 7560, 2760, 2055, 375,
                2, controls::Frame_installationOK, false},
    ControlSpec{ControlKind::Button, controls::Cmd_Info, "System-Info", 120, 2760, 2055, 375, 3,
                controls::Frame_installationOK, false},
    ControlSpec{ControlKind::Button, controls::Cmd_Abbrechen, "A&bbrechen", 5400, 2760, 2055, 375,
                4, controls::Frame_installationOK, false},

    // Old-version page.
    ControlSpec{ControlKind::Label, controls::Label1,
                "Auf diesem Rechner ist eine alte Version des MS-SQL-Servers installiert. Eine "
                "parallele Installation der Microsoft SQL Server 2000 Desktop Engine ist deshalb "
                "nicht möglich. Setzen Sie sich bitte mit dem KORA-Lehrstuhl in Verbindung",
                120, 360, 9495, 495, 7, controls::Frame_installationAbbruchAlteVersion, false},
    // The buffer of console output: it needs a window handle, not a place on screen.
    ControlSpec{ControlKind::TextBox, controls::Text_dummy, "Text1", 9120, 2640, 495, 495, 6,
                controls::Frame_installationAbbruchAlteVersion, true},
    ControlSpec{ControlKind::Button, controls::Cmd_Abbruch, "A&bbruch", 7560, 2760, 2055, 375, 8,
                controls::Frame_installationAbbruchAlteVersion, false},
    ControlSpec{ControlKind::Button, controls::Command1, "System-Info", 120, 2760, 2055, 375, 9,
                controls::Frame_installationAbbruchAlteVersion, false},

    // Found-databases page.
    ControlSpec{ControlKind::Label, controls::Label3, "Installierte MSSQL-Server Datenbanken:", 240,
                360, 4215, 375, 13, controls::Frame_installationGefundeneInstanzen, false},
    ControlSpec{ControlKind::ListBox, controls::List_Instanzen, "", 240, 600, 4935, 2400, 12,
                controls::Frame_installationGefundeneInstanzen, false},
    ControlSpec{ControlKind::Label, controls::Label4,
                "Es wurden MSSQL-Server Datenbanken auf Ihrem Rechner gefunden. Wählen Sie die "
                "Schaltfläche \"Installieren\", wenn Sie eine neue Datenbank anlegen wollen. "
                "Wählen Sie \"Abbrechen\", wenn sie die Globana-Datenbank in eine vorhandene "
                "Datenbank integrieren wollen. Setzen Sie sich dazu  mit dem KORA-Lehrstuhl in "
                "Verbindung.",
                5280, 600, 4215, 1455, 14, controls::Frame_installationGefundeneInstanzen, false},
    ControlSpec{ControlKind::Label, controls::Label5,
                "Wir empfehlen die Installation einer neuen Datenbank.", 5280, 2400, 4335, 375, 17,
                controls::Frame_installationGefundeneInstanzen, false},
    ControlSpec{ControlKind::Button, controls::Command2, "A&bbrechen", 5400, 2760, 2055, 375, 15,
                controls::Frame_installationGefundeneInstanzen, false},
    ControlSpec{ControlKind::Button, controls::Cmd_Neu, "&Installieren", 7560, 2760, 2055, 375, 16,
                controls::Frame_installationGefundeneInstanzen, false},

    // Wait page.
    ControlSpec{ControlKind::Label, controls::Label7,
                "Es wird jetzt die Microsoft (R) SQL-Server Desktop Engine auf Ihrem System "
                "installiert.",
                120, 360, 9375, 255, 19, controls::Frame_installationWarten, false},
    ControlSpec{ControlKind::Label, controls::Label8,
                "Bitte warten Sie, bis die Installation beendet ist...", 120, 1560, 9495, 495, 20,
                controls::Frame_installationWarten, false},
};

constexpr platform::FormSpec kFormMain{"MSDE - Installationstool", 9840, 3750,
                                       std::span<const FrameSpec>(kFrames),
                                       std::span<const ControlSpec>(kControls)};

}  // namespace

const platform::FormSpec& FormMainLayout() {
  return kFormMain;
}

}  // namespace quillset

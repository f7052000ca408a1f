#include "app/quiet_window.h"

#include <set>

#include "app/form_layout.h"
#include "app/run_start.h"

namespace quillset {

QuietWindow::QuietWindow(platform::LogPort& log, platform::TextBoxPort& text)
    : log_(log), text_(text) {
  for (const platform::ControlSpec& control : FormMainLayout().controls) {
    if (control.id == controls::Text_dummy)
      text_.SetText(control.text);
  }
}

ExitCode QuietWindow::Run(form_Main& form) {
  form.Form_Load();
  form.Form_Activate();
  std::set<platform::ControlId> pressed;
  while (!unloaded_) {
    platform::ControlId button{};
    if (page_ == controls::Frame_installationOK) {
      button = controls::Cmd_Installieren;
    } else if (page_ == controls::Frame_installationGefundeneInstanzen) {
      button = controls::Cmd_Neu;
      for (const std::string& item : list_) {
        std::string fields;  // name, edition, version: what the page lists in its columns
        for (const char c : item)
          fields += c == '\t' ? std::string(", ") : std::string(1, c);
        while (fields.ends_with(", "))
          fields.resize(fields.size() - 2);
        log_.AppendLine("Gefundene Datenbank: " + fields);
      }
    }
    if (button == platform::ControlId{} || !pressed.insert(button).second)
      break;
    log_.AppendLine(button == controls::Cmd_Neu ? "Ohne Fenster: \"&Installieren\""
                                                : "Ohne Fenster: \"&Weiter\"");
    form.OnButton(button);
  }
  return asked_ ? ExitCode::kNameTaken : form.Outcome();
}

int QuietWindow::MsgBox(const std::string& prompt, int style, const std::string& title) {
  LogMessage(log_, prompt, style, title, false);
  return 1;  // OK
}

std::string QuietWindow::InputBox(const std::string& prompt, const std::string& title) {
  LogText(log_, "Frage \"" + title + "\", nicht gestellt:", prompt);
  asked_ = true;
  return "";  // cancelled
}

}  // namespace quillset

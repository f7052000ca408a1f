#include "driver/osql_answers.h"

#include <windows.h>

#include <fstream>

#include "driver/wait.h"
#include "platform/win32/ansi_text.h"

namespace quillset::e2e {

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size))
    throw DriverError("GetComputerNameA failed, error " + std::to_string(GetLastError()));
  return win32::AnsiToUtf8(std::string(name, size));
}

OsqlAnswers& OsqlAnswers::Add(const std::string& server, const std::string& key,
                              const std::string& value) {
  lines_ += server + "|" + key + "|" + value + "\r\n";
  return *this;
}

OsqlAnswers& OsqlAnswers::Server(const std::string& server, const std::string& edition,
                                 const std::string& version) {
  return Add(server, "edition", edition).Add(server, "productVersion", version);
}

void OsqlAnswers::WriteTo(const std::filesystem::path& file, EnvironmentBlock& environment) const {
  const std::string bytes = win32::Utf8ToAnsi(lines_);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw DriverError("cannot write " + file.string());
  environment.Set(kOsqlAnswersVariable, file.wstring());
}

}  // namespace quillset::e2e

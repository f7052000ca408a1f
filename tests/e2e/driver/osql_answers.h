// What the osql stand-in answers (see tests/standins/osql.cpp): a file of
// "SERVER|key|value" lines, named to it by the variable QUILLSET_OSQL_ANSWERS.
#pragma once

#include <filesystem>
#include <string>

#include "driver/process.h"

namespace quillset::e2e {

inline constexpr wchar_t kOsqlAnswersVariable[] = L"QUILLSET_OSQL_ANSWERS";

// The computer's name as the program reads it (GetComputerNameA), as UTF-8.
std::string ComputerName();

class OsqlAnswers {
 public:
  // Adds one line: `key` is "edition", "productVersion" or one of the stand-in's knobs
  // ("delay_ms", "flood_bytes", "silent", "error").
  OsqlAnswers& Add(const std::string& server, const std::string& key, const std::string& value);
  // Edition and version of a server that answers normally.
  OsqlAnswers& Server(const std::string& server, const std::string& edition,
                      const std::string& version);

  // Writes the file (text in the ANSI code page, as osql's command line arrives) and names it in
  // `environment`.
  void WriteTo(const std::filesystem::path& file, EnvironmentBlock& environment) const;

 private:
  std::string lines_;
};

}  // namespace quillset::e2e

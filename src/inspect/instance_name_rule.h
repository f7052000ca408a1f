// Which instance names the assistant accepts from the user: valid SQL Server 2000 instance names,
// so that a typed name can never break or rewrite the setup and net start command lines.
#pragma once

#include <string>

namespace quillset {

// 1 to 16 characters; first a letter, "_", "&" or "#"; then letters, digits, "_", "$", "&" or "#";
// not DEFAULT or MSSQLSERVER. Letters are the ASCII letters.
bool IsValidInstanceName(const std::string& name);

// A letter, digit, "_", "&" or "#": a character that carries a name on. "$" is left out: in a
// service's name it separates "MSSQL" from the instance's name.
bool IsInstanceNameCharacter(char c);

}  // namespace quillset

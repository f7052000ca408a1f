// The named-pipe client alias KORA_DB_ALIAS that points SQL Server clients at the new instance.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry_port.h"

namespace quillset {

inline constexpr const char* kClientAliasKey =
    "SOFTWARE\\Microsoft\\MSSQLSERVER\\Client\\ConnectTo";
inline constexpr const char* kClientAliasName = "KORA_DB_ALIAS";

// "DBNMPNTW,\\.\pipe\MSSQL$" + instance + "\sql\query".
std::string ClientAliasData(const std::string& instance_name);

// Creates the ConnectTo key if needed and writes the alias as REG_SZ; other values of the key stay
// as they are. Returns 0 when the alias is written, else the Windows status of the step that
// failed (the creation's when the key could neither be created nor opened).
[[nodiscard]] std::int32_t RegisterClientAlias(platform::RegistryPort& registry,
                                               const std::string& instance_name);

}  // namespace quillset

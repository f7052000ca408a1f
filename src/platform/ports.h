// The five ports together, as the form and the installation hold them.
#pragma once

#include "platform/log_port.h"
#include "platform/process_port.h"
#include "platform/registry_port.h"
#include "platform/system_port.h"
#include "platform/window_port.h"

namespace quillset::platform {

struct Ports {
  WindowPort& window;
  RegistryPort& registry;
  ProcessPort& processes;
  SystemPort& system;
  LogPort& log;
};

}  // namespace quillset::platform

// Runs a hidden console program and leaves everything it writes in the text box Text_dummy.
#pragma once

#include <string>

#include "platform/process_port.h"
#include "platform/window_port.h"

namespace quillset {

// Where console commands run and where their output lands.
struct CommandConsole {
  platform::ProcessPort& processes;
  platform::TextBoxPort& box;
};

// Chunk size of each read: at most 1023 bytes, so a zero-filled 1025-byte buffer always ends in
// at least two zero bytes.
inline constexpr std::size_t kReadChunkBytes = 1023;

// Starts the command line unchanged. When it cannot start, the box keeps its text exactly.
// Otherwise the box is emptied and every chunk of output is appended at the caret (EM_SETSEL -1,
// then EM_REPLACESEL; a zero byte cuts its chunk) until the pipe ends.
void RunCommandToTextBox(const CommandConsole& console, const std::string& command_line);

}  // namespace quillset

#include "inspect/command_runner.h"

#include <array>

namespace quillset {

void RunCommandToTextBox(const CommandConsole& console, const std::string& command_line) {
  std::unique_ptr<platform::ConsoleProgram> program =
      console.processes.StartHiddenConsole(command_line);
  // A command that cannot start leaves the box as it was: callers then parse the previous output.
  if (program == nullptr)
    return;
  console.box.SetText("");
  for (;;) {
    // Two more bytes than a read may fill, so the chunk always ends in a zero byte.
    std::array<char, kReadChunkBytes + 2> buffer{};
    std::size_t bytes_read = 0;
    if (!program->ReadChunk(buffer.data(), kReadChunkBytes, bytes_read))
      break;
    // Deselect without moving the caret, so each chunk lands behind the previous one.
    console.box.SetSelection(-1, 0);
    console.box.ReplaceSelection(buffer.data());
  }
}

}  // namespace quillset

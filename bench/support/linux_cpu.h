// Processor time as Linux accounts it, read through Wine's drive Z: (Z:\proc). Under Wine a
// program is one Linux process, and this reading is the same for 32-bit and 64-bit programs;
// GetProcessTimes of another process is not (under WOW64 it reads nothing).
#pragma once

#include <string>

namespace quillset::bench {

// The Linux process of this Wine prefix (WINEPREFIX) whose program file is named `file`
// ("quillset.exe", or "wineserver" for the prefix's Wine server); 0 when there is none or more
// than one.
int LinuxProcessOf(const std::string& file);
// Its user and system time so far in seconds (steps of 10 ms); -1 when it cannot be read.
double LinuxCpuSeconds(int pid);

}  // namespace quillset::bench

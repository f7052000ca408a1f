// How many handles and graphics objects another process holds, for leak checks. Wine answers
// GetProcessHandleCount with 0 and GetGuiResources with 0 (measured with Wine 8), so the counts
// come from elsewhere:
// - kernel handles from the system's handle table (NtQuerySystemInformation, class
//   SystemHandleInformation), cross-checked by duplicating every handle value the process could
//   hold (DuplicateHandle succeeds exactly for the values in use);
// - GDI objects from the process's GDI handle table, which its PEB points to (GdiSharedHandleTable;
//   entries of 24 bytes, the object type in byte 14, 0 for a free entry);
// - windows (the USER objects that matter here) by enumerating them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

namespace quillset::e2e {

struct ResourceCounts {
  std::size_t kernel_handles = 0;
  std::size_t kernel_handles_by_duplication = 0;
  std::optional<std::size_t> gdi_objects;  // nothing when the table cannot be read
  std::size_t windows = 0;
  friend bool operator==(const ResourceCounts&, const ResourceCounts&) = default;
};

// The process must have been opened with PROCESS_DUP_HANDLE, PROCESS_QUERY_INFORMATION and
// PROCESS_VM_READ. Throws DriverError when the handle table cannot be read.
ResourceCounts CountResources(HANDLE process, DWORD process_id);

}  // namespace quillset::e2e

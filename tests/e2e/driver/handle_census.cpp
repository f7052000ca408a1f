#include "driver/handle_census.h"

#include <winternl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/ui.h"
#include "driver/wait.h"

namespace quillset::e2e {

namespace {

constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

// One entry of the system's handle table as Wine lays it out.
struct SystemHandleEntry {
  ULONG owner_process_id;
  BYTE object_type;
  BYTE flags;
  USHORT handle_value;
  void* object;
  ACCESS_MASK access;
};
struct SystemHandleTable {
  ULONG count;
  SystemHandleEntry entries[1];
};

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, void*, ULONG, ULONG*);
using QueryInformationProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);

std::size_t HandlesInSystemTable(DWORD process_id) {
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr)
    throw DriverError("ntdll has no NtQuerySystemInformation");
  std::vector<BYTE> buffer(256 * 1024);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status =
        query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kStatusInfoLengthMismatch) {
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status != 0)
      throw DriverError("SystemHandleInformation failed, status " + std::to_string(status));
    break;
  }
  const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
  std::size_t count = 0;
  for (ULONG i = 0; i < table->count; ++i) {
    if (table->entries[i].owner_process_id == process_id)
      ++count;
  }
  return count;
}

// Handle values are multiples of 4; a process of this kind holds far fewer than 16384 of them.
std::size_t HandlesByDuplication(HANDLE process) {
  constexpr ULONG_PTR kHighestValue = 65536;
  std::size_t count = 0;
  for (ULONG_PTR value = 4; value < kHighestValue; value += 4) {
    HANDLE copy = nullptr;
    if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0,
                        FALSE, DUPLICATE_SAME_ACCESS)) {
      ++count;
      CloseHandle(copy);
    }
  }
  return count;
}

std::optional<std::size_t> GdiObjects(HANDLE process) {
  constexpr std::size_t kTableEntries = 0x10000;
  constexpr std::size_t kEntryBytes = 24;
  constexpr std::size_t kTypeOffset = 14;
  // Where a 64-bit PEB keeps GdiSharedHandleTable; a 32-bit runner would read a 32-bit PEB.
  constexpr std::size_t kPebTableOffset = 0xF8;
  if constexpr (sizeof(void*) != 8)
    return std::nullopt;

  const auto query = reinterpret_cast<QueryInformationProcess>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic = {};
  ULONG length = 0;
  if (query == nullptr ||
      query(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0) {
    return std::nullopt;
  }
  void* table = nullptr;
  SIZE_T read = 0;
  if (!ReadProcessMemory(
          process, static_cast<BYTE*>(static_cast<void*>(basic.PebBaseAddress)) + kPebTableOffset,
          &table, sizeof table, &read) ||
      table == nullptr) {
    return std::nullopt;
  }
  std::vector<BYTE> entries(kTableEntries * kEntryBytes);
  if (!ReadProcessMemory(process, table, entries.data(), entries.size(), &read))
    return std::nullopt;
  std::size_t count = 0;
  for (std::size_t i = 0; i < kTableEntries; ++i) {
    if (entries[i * kEntryBytes + kTypeOffset] != 0)
      ++count;
  }
  return count;
}

std::size_t WindowsOf(DWORD process_id) {
  std::size_t count = 0;
  for (HWND window : TopLevelWindowsOf(process_id))
    count += 1 + DescendantsOf(window).size();
  return count;
}

}  // namespace

ResourceCounts CountResources(HANDLE process, DWORD process_id) {
  ResourceCounts counts;
  counts.kernel_handles = HandlesInSystemTable(process_id);
  counts.kernel_handles_by_duplication = HandlesByDuplication(process);
  counts.gdi_objects = GdiObjects(process);
  counts.windows = WindowsOf(process_id);
  return counts;
}

}  // namespace quillset::e2e

#include "platform/win32/win32_system.h"

#include <windows.h>
// After windows.h, which WIN32_LEAN_AND_MEAN keeps from bringing in COM.
#include <ole2.h>

#include <cwchar>
#include <memory>

#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"

namespace quillset::win32 {

namespace {

struct EnvironmentBlockFree {
  void operator()(wchar_t* block) const { FreeEnvironmentStringsW(block); }
};
using EnvironmentBlock = std::unique_ptr<wchar_t, EnvironmentBlockFree>;

inline IDispatch* NullDispatch() {
  return nullptr;
}
inline BSTR NullBstr() {
  return nullptr;
}
using ScopedDispatch =
    UniqueHandle<IDispatch*, [](IDispatch* object) { object->Release(); }, &NullDispatch>;
using ScopedBstr = UniqueHandle<BSTR, &SysFreeString, &NullBstr>;

// A VARIANT that clears what it holds when it goes out of scope.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&variant_); }
  ~ScopedVariant() { VariantClear(&variant_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* get() { return &variant_; }

 private:
  VARIANT variant_;
};

[[noreturn]] void CannotCreate() {
  throw platform::PlatformFailure(platform::kFailureCannotCreateComponent,
                                  "Scripting.FileSystemObject cannot be created");
}

[[noreturn]] void CallFailed() {
  throw platform::PlatformFailure(platform::kFailureComponentCallFailed,
                                  "Scripting.FileSystemObject.FolderExists failed");
}

}  // namespace

std::vector<std::string> Win32System::EnvironmentEntries() {
  std::vector<std::string> entries;
  const EnvironmentBlock block(GetEnvironmentStringsW());
  if (!block)
    return entries;
  // Entries end with a NUL each; an empty entry ends the block.
  for (const wchar_t* entry = block.get(); *entry != L'\0';) {
    const std::size_t length = std::wcslen(entry);
    entries.push_back(WideToUtf8(std::wstring_view(entry, length)));
    entry += length + 1;
  }
  return entries;
}

std::string Win32System::GetLocalComputerName() {
  // Room for any name the platform returns; the text before the first NUL counts, not the size
  // handed back.
  char ansi[256] = {};
  DWORD size = sizeof ansi;
  if (!GetComputerNameA(ansi, &size))
    return {};
  return AnsiToUtf8(ansi);
}

std::string Win32System::ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos)
    return {};
  // A program in a drive's root keeps the backslash ("D:\"), as the folder of a root does.
  const bool drive_root = slash == 2 && path[1] == L':';
  path.resize(drive_root ? slash + 1 : slash);
  return WideToUtf8(path);
}

bool Win32System::FolderExists(const std::string& path) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"Scripting.FileSystemObject", &clsid)))
    CannotCreate();
  ScopedDispatch file_system;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IDispatch, reinterpret_cast<void**>(file_system.receive()))) ||
      !file_system) {
    CannotCreate();
  }

  wchar_t method_name[] = L"FolderExists";
  LPOLESTR names[] = {method_name};
  DISPID method = DISPID_UNKNOWN;
  if (FAILED(file_system.get()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &method))) {
    CallFailed();
  }

  const std::wstring wide_path = Utf8ToWide(path);
  ScopedBstr argument(SysAllocStringLen(wide_path.data(), static_cast<UINT>(wide_path.size())));
  if (!argument)
    CallFailed();
  VARIANT argument_variant;
  VariantInit(&argument_variant);
  argument_variant.vt = VT_BSTR;
  argument_variant.bstrVal = argument.get();  // still owned by `argument`
  DISPPARAMS parameters = {&argument_variant, nullptr, 1, 0};

  ScopedVariant result;
  if (FAILED(file_system.get()->Invoke(method, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                       &parameters, result.get(), nullptr, nullptr))) {
    CallFailed();
  }
  if (FAILED(VariantChangeType(result.get(), result.get(), 0, VT_BOOL)))
    CallFailed();
  return result.get()->boolVal != VARIANT_FALSE;
}

}  // namespace quillset::win32

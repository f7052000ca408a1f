// The registry: open, create, read a value whole, write one, close, with Windows' own status
// numbers and value types. Texts are UTF-8; the Win32 implementation converts to and from the ANSI
// code page.
#pragma once

#include <cstdint>
#include <string>

namespace quillset::platform {

// An open key as the platform numbers it. Root keys are the predefined handle values.
using RegistryKeyHandle = std::uintptr_t;
inline constexpr RegistryKeyHandle kHkeyClassesRoot = 0x80000000u;
inline constexpr RegistryKeyHandle kHkeyCurrentUser = 0x80000001u;
inline constexpr RegistryKeyHandle kHkeyLocalMachine = 0x80000002u;

// Status numbers: Windows error codes.
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorMoreData = 234;

// Value types, Windows numbering.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Access masks.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyReadWriteCreateLink = 0x2003F;

// A value as read: the status and, when it is kErrorSuccess, the value's type and data.
struct RegistryData {
  std::int32_t status = kErrorFileNotFound;
  std::uint32_t type = kRegNone;
  std::string data;
};

class RegistryPort {
 public:
  virtual ~RegistryPort() = default;

  // RegOpenKeyExA(root, path, 0, access, &key).
  [[nodiscard]] virtual std::int32_t OpenKey(RegistryKeyHandle root, const std::string& path,
                                             std::uint32_t access, RegistryKeyHandle& key) = 0;

  // RegCreateKeyExA(root, path, 0, no class, REG_OPTION_NON_VOLATILE, access, no security
  // attributes, &key, disposition ignored). An existing key is opened.
  [[nodiscard]] virtual std::int32_t CreateKey(RegistryKeyHandle root, const std::string& path,
                                               std::uint32_t access, RegistryKeyHandle& key) = 0;

  // The value whole, as it is when read: a value that changes between the platform's calls is
  // read again. Data of text types is UTF-8 and keeps the terminators stored with it.
  [[nodiscard]] virtual RegistryData ReadValue(RegistryKeyHandle key, const std::string& name) = 0;

  // RegSetValueExA(key, name, 0, type, data): the bytes as given (text types as UTF-8).
  [[nodiscard]] virtual std::int32_t WriteValue(RegistryKeyHandle key, const std::string& name,
                                                std::uint32_t type, const std::string& data) = 0;

  // RegCloseKey(key).
  virtual std::int32_t CloseKey(RegistryKeyHandle key) = 0;
};

// Owns one open key and closes it through its port when it goes out of scope, on every path.
class RegistryKey {
 public:
  explicit RegistryKey(RegistryPort& port) : port_(&port) {}
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey(RegistryKey&& other) noexcept : port_(other.port_), handle_(other.handle_) {
    other.handle_ = 0;
  }
  RegistryKey& operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
      Close();
      port_ = other.port_;
      handle_ = other.handle_;
      other.handle_ = 0;
    }
    return *this;
  }

  // Opens or creates the key; any key held before is closed first. The status is the port's.
  [[nodiscard]] std::int32_t Open(RegistryKeyHandle root, const std::string& path,
                                  std::uint32_t access) {
    return Take(&RegistryPort::OpenKey, root, path, access);
  }
  [[nodiscard]] std::int32_t Create(RegistryKeyHandle root, const std::string& path,
                                    std::uint32_t access) {
    return Take(&RegistryPort::CreateKey, root, path, access);
  }
  void Close() {
    if (handle_ != 0)
      port_->CloseKey(handle_);
    handle_ = 0;
  }

  // The handle to pass to ReadValue and WriteValue; 0 (an invalid handle) when not open, so that
  // calls on a key that failed to open fail like the platform's do.
  RegistryKeyHandle handle() const { return handle_; }
  RegistryPort& port() const { return *port_; }

 private:
  using KeyOpening = std::int32_t (RegistryPort::*)(RegistryKeyHandle, const std::string&,
                                                    std::uint32_t, RegistryKeyHandle&);
  std::int32_t Take(KeyOpening opening, RegistryKeyHandle root, const std::string& path,
                    std::uint32_t access) {
    Close();
    RegistryKeyHandle opened = 0;
    const std::int32_t status = (port_->*opening)(root, path, access, opened);
    if (status == kErrorSuccess)
      handle_ = opened;
    return status;
  }

  RegistryPort* port_;
  RegistryKeyHandle handle_ = 0;
};

}  // namespace quillset::platform

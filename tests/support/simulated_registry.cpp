#include "support/simulated_registry.h"

#include <cstring>
#include <stdexcept>

#include "support/reg_file.h"

namespace quillset::testing {

using platform::kErrorAccessDenied;
using platform::kErrorFileNotFound;
using platform::kErrorInvalidHandle;
using platform::kErrorMoreData;
using platform::kErrorSuccess;
using platform::RegistryKeyHandle;

namespace {

constexpr std::int32_t kErrorNoAccess = 998;  // a buffer the call cannot read
constexpr std::int32_t kErrorKeyDeleted = 1018;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
constexpr std::uint32_t kAllAccess = 0xF003F;

// Windows compares key and value names without regard to letter case.
std::string Folded(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::vector<std::string> PathParts(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  while (from <= path.size()) {
    std::size_t end = path.find('\\', from);
    if (end == std::string_view::npos)
      end = path.size();
    if (end > from)
      parts.emplace_back(path.substr(from, end - from));
    from = end + 1;
  }
  return parts;
}

}  // namespace

struct SimulatedRegistry::Impl {
  struct Key {
    std::map<std::string, std::shared_ptr<Key>> subkeys;  // by folded name
    // By folded name: the name as written and the value.
    std::map<std::string, std::pair<std::string, Value>> values;
    bool denied = false;
    bool deleted = false;
  };
  struct OpenKey {
    std::shared_ptr<Key> key;
    std::uint32_t access = 0;
  };

  std::map<RegistryKeyHandle, std::shared_ptr<Key>> roots;
  std::map<RegistryKeyHandle, OpenKey> open;
  RegistryKeyHandle next_handle = 0x1000;

  Impl() {
    for (RegistryKeyHandle root :
         {platform::kHkeyClassesRoot, platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
      roots[root] = std::make_shared<Key>();
    }
  }

  // The key behind a handle (a root or an open key) and the access it was opened with.
  std::optional<OpenKey> Resolve(RegistryKeyHandle handle) const {
    if (auto root = roots.find(handle); root != roots.end())
      return OpenKey{root->second, kAllAccess};
    if (auto found = open.find(handle); found != open.end())
      return found->second;
    return std::nullopt;
  }

  static std::shared_ptr<Key> Find(std::shared_ptr<Key> key, std::string_view path) {
    for (const std::string& part : PathParts(path)) {
      auto child = key->subkeys.find(Folded(part));
      if (child == key->subkeys.end())
        return nullptr;
      key = child->second;
    }
    return key;
  }

  static std::shared_ptr<Key> FindOrCreate(std::shared_ptr<Key> key, std::string_view path) {
    for (const std::string& part : PathParts(path)) {
      std::shared_ptr<Key>& child = key->subkeys[Folded(part)];
      if (!child)
        child = std::make_shared<Key>();
      key = child;
    }
    return key;
  }

  std::shared_ptr<Key> Root(RegistryKeyHandle root) const {
    auto found = roots.find(root);
    if (found == roots.end())
      throw std::invalid_argument("not a root key");
    return found->second;
  }

  RegistryKeyHandle Hand(std::shared_ptr<Key> key, std::uint32_t access) {
    const RegistryKeyHandle handle = next_handle;
    next_handle += 4;
    open[handle] = {std::move(key), access};
    return handle;
  }

  static void MarkDeleted(Key& key) {
    key.deleted = true;
    for (auto& [name, child] : key.subkeys)
      MarkDeleted(*child);
  }
};

SimulatedRegistry::SimulatedRegistry() : impl_(std::make_unique<Impl>()) {}
SimulatedRegistry::~SimulatedRegistry() = default;

std::int32_t SimulatedRegistry::OpenKey(RegistryKeyHandle root, const std::string& path,
                                        std::uint32_t access, RegistryKeyHandle& key) {
  ++port_calls_;
  const std::optional<Impl::OpenKey> parent = impl_->Resolve(root);
  if (!parent)
    return kErrorInvalidHandle;
  if (parent->key->deleted)
    return kErrorKeyDeleted;
  std::shared_ptr<Impl::Key> found = Impl::Find(parent->key, path);
  if (!found)
    return kErrorFileNotFound;
  if (found->denied)
    return kErrorAccessDenied;
  key = impl_->Hand(std::move(found), access);
  return kErrorSuccess;
}

std::int32_t SimulatedRegistry::CreateKey(RegistryKeyHandle root, const std::string& path,
                                          std::uint32_t access, RegistryKeyHandle& key) {
  ++port_calls_;
  const std::optional<Impl::OpenKey> parent = impl_->Resolve(root);
  if (!parent)
    return kErrorInvalidHandle;
  if (parent->key->deleted)
    return kErrorKeyDeleted;
  std::shared_ptr<Impl::Key> existing = Impl::Find(parent->key, path);
  if (existing && existing->denied)
    return kErrorAccessDenied;
  if (!existing && (parent->access & kKeyCreateSubKey) == 0)
    return kErrorAccessDenied;
  std::shared_ptr<Impl::Key> created =
      existing ? std::move(existing) : Impl::FindOrCreate(parent->key, path);
  key = impl_->Hand(std::move(created), access);
  return kErrorSuccess;
}

std::int32_t SimulatedRegistry::QueryValue(RegistryKeyHandle key, const std::string& name,
                                           std::uint32_t& type, char* data, std::uint32_t& size) {
  ++port_calls_;
  const std::optional<Impl::OpenKey> open = impl_->Resolve(key);
  if (!open)
    return kErrorInvalidHandle;
  if (open->key->deleted)
    return kErrorKeyDeleted;
  if ((open->access & platform::kKeyQueryValue) == 0)
    return kErrorAccessDenied;
  auto found = open->key->values.find(Folded(name));
  if (found == open->key->values.end())
    return kErrorFileNotFound;
  const Value& value = found->second.second;
  const auto length = static_cast<std::uint32_t>(value.data.size());
  type = value.type;
  if (data == nullptr) {
    size = length;
    return kErrorSuccess;
  }
  if (size < length) {
    size = length;
    return kErrorMoreData;
  }
  if (length > 0)
    std::memcpy(data, value.data.data(), length);
  size = length;
  return kErrorSuccess;
}

std::int32_t SimulatedRegistry::SetValue(RegistryKeyHandle key, const std::string& name,
                                         std::uint32_t type, const char* data, std::uint32_t size) {
  ++port_calls_;
  const std::optional<Impl::OpenKey> open = impl_->Resolve(key);
  if (!open)
    return kErrorInvalidHandle;
  if (open->key->deleted)
    return kErrorKeyDeleted;
  if ((open->access & kKeySetValue) == 0)
    return kErrorAccessDenied;
  if (data == nullptr && size > 0)
    return kErrorNoAccess;
  open->key->values[Folded(name)] = {
      name, Value{type, data == nullptr ? std::string() : std::string(data, size)}};
  return kErrorSuccess;
}

std::int32_t SimulatedRegistry::CloseKey(RegistryKeyHandle key) {
  ++port_calls_;
  if (impl_->roots.count(key) != 0)
    return kErrorSuccess;
  return impl_->open.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

void SimulatedRegistry::PutValue(RegistryKeyHandle root, std::string_view path,
                                 std::string_view name, std::uint32_t type, std::string data) {
  std::shared_ptr<Impl::Key> key = Impl::FindOrCreate(impl_->Root(root), path);
  key->values[Folded(name)] = {std::string(name), Value{type, std::move(data)}};
}

void SimulatedRegistry::PutString(RegistryKeyHandle root, std::string_view path,
                                  std::string_view name, std::string_view text) {
  std::string data(text);
  data += '\0';
  PutValue(root, path, name, platform::kRegSz, std::move(data));
}

void SimulatedRegistry::PutDword(RegistryKeyHandle root, std::string_view path,
                                 std::string_view name, std::uint32_t number) {
  std::string data;
  for (int shift = 0; shift < 32; shift += 8)
    data += static_cast<char>(number >> shift & 0xFF);
  PutValue(root, path, name, platform::kRegDword, std::move(data));
}

void SimulatedRegistry::PutMultiString(RegistryKeyHandle root, std::string_view path,
                                       std::string_view name,
                                       const std::vector<std::string>& strings) {
  std::string data;
  for (const std::string& text : strings) {
    data += text;
    data += '\0';
  }
  data += '\0';
  PutValue(root, path, name, platform::kRegMultiSz, std::move(data));
}

void SimulatedRegistry::PutKey(RegistryKeyHandle root, std::string_view path) {
  Impl::FindOrCreate(impl_->Root(root), path);
}

void SimulatedRegistry::DeleteKey(RegistryKeyHandle root, std::string_view path) {
  std::vector<std::string> parts = PathParts(path);
  if (parts.empty())
    throw std::invalid_argument("a root key cannot be deleted");
  const std::string last = parts.back();
  parts.pop_back();
  std::shared_ptr<Impl::Key> parent = impl_->Root(root);
  for (const std::string& part : parts) {
    auto child = parent->subkeys.find(Folded(part));
    if (child == parent->subkeys.end())
      return;
    parent = child->second;
  }
  auto doomed = parent->subkeys.find(Folded(last));
  if (doomed == parent->subkeys.end())
    return;
  // Handles still open on the key see it deleted, as on Windows.
  Impl::MarkDeleted(*doomed->second);
  parent->subkeys.erase(doomed);
}

void SimulatedRegistry::DeleteValue(RegistryKeyHandle root, std::string_view path,
                                    std::string_view name) {
  std::shared_ptr<Impl::Key> key = Impl::Find(impl_->Root(root), path);
  if (key)
    key->values.erase(Folded(name));
}

void SimulatedRegistry::DenyAccess(RegistryKeyHandle root, std::string_view path) {
  std::shared_ptr<Impl::Key> key = Impl::Find(impl_->Root(root), path);
  if (!key)
    throw std::invalid_argument("DenyAccess: no such key: " + std::string(path));
  key->denied = true;
}

void SimulatedRegistry::LoadRegText(std::string_view reg_text) {
  for (const RegOperation& operation : ParseRegText(reg_text)) {
    switch (operation.kind) {
      case RegOperationKind::CreateKey:
        PutKey(operation.root, operation.path);
        break;
      case RegOperationKind::DeleteKey:
        DeleteKey(operation.root, operation.path);
        break;
      case RegOperationKind::SetValue:
        PutValue(operation.root, operation.path, operation.name, operation.type, operation.data);
        break;
      case RegOperationKind::DeleteValue:
        DeleteValue(operation.root, operation.path, operation.name);
        break;
    }
  }
}

void SimulatedRegistry::LoadRegFile(const std::string& file_path) {
  LoadRegText(ReadRegFileAsUtf8(file_path));
}

bool SimulatedRegistry::HasKey(RegistryKeyHandle root, std::string_view path) const {
  return Impl::Find(impl_->Root(root), path) != nullptr;
}

std::optional<SimulatedRegistry::Value> SimulatedRegistry::GetValue(RegistryKeyHandle root,
                                                                    std::string_view path,
                                                                    std::string_view name) const {
  std::shared_ptr<Impl::Key> key = Impl::Find(impl_->Root(root), path);
  if (!key)
    return std::nullopt;
  auto found = key->values.find(Folded(name));
  if (found == key->values.end())
    return std::nullopt;
  return found->second.second;
}

std::vector<std::string> SimulatedRegistry::ValueNames(RegistryKeyHandle root,
                                                       std::string_view path) const {
  std::vector<std::string> names;
  std::shared_ptr<Impl::Key> key = Impl::Find(impl_->Root(root), path);
  if (!key)
    return names;
  for (const auto& [folded, entry] : key->values)
    names.push_back(entry.first);
  return names;
}

int SimulatedRegistry::open_handles() const {
  return static_cast<int>(impl_->open.size());
}

}  // namespace quillset::testing

#include "platform/doubles/fake_registry.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/status.h"

namespace platform::doubles {
namespace {

constexpr RegStatus kBadPathname = 161;  // a name that starts with '\'
constexpr RegStatus kKeyDeleted = 1018;  // the key behind the handle was deleted
// Wine's A functions widen a subkey name in the thread's static buffer of
// 261 characters: a longer name fails there with 234, before the server.
constexpr std::size_t kMaxSubKeyArgument = 260;
constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kMaximumAllowed = 0x02000000;
constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kKeyWrite = 0x20006;
constexpr std::uint32_t kRegCreatedNewKey = 1;
constexpr std::uint32_t kRegOpenedExistingKey = 2;

// Names are compared the way the registry does, without regard to case; the
// double's 8-bit text is Latin-1.
unsigned char Fold(unsigned char c) noexcept {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  return c;
}

bool SameName(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

bool IsStringType(std::uint32_t type) noexcept {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::uint32_t GrantedAccess(std::uint32_t sam) noexcept {
  if (sam & (kMaximumAllowed | kGenericAll)) return kKeyAllAccess;
  std::uint32_t access = sam & 0x00FFFFFFu;
  if (sam & (kGenericRead | kGenericExecute)) access |= kKeyRead;
  if (sam & kGenericWrite) access |= kKeyWrite;
  return access;
}

// The levels of a path; separators may be doubled or trailing.
std::vector<std::string_view> Levels(std::string_view path) {
  std::vector<std::string_view> levels;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) levels.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return levels;
}

}  // namespace

struct FakeRegistry::Node {
  struct Value {
    std::string name;
    std::uint32_t type;
    std::string data;
  };
  std::string name;
  std::vector<std::shared_ptr<Node>> children;
  std::vector<Value> values;
  bool deleted = false;

  std::shared_ptr<Node> Child(std::string_view wanted) const {
    for (const auto& child : children) {
      if (SameName(child->name, wanted)) return child;
    }
    return nullptr;
  }
  Value* FindValue(std::string_view wanted) {
    for (auto& value : values) {
      if (SameName(value.name, wanted)) return &value;
    }
    return nullptr;
  }
  void MarkDeleted() {
    deleted = true;
    for (auto& child : children) child->MarkDeleted();
  }
};

FakeRegistry::FakeRegistry() {
  for (RegKey root = kHkeyClassesRoot; root <= kHkeyDynData; ++root) {
    roots_[root] = std::make_shared<Node>();
  }
}

FakeRegistry::~FakeRegistry() = default;

// --- the registry interface ---

RegStatus FakeRegistry::OpenKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                                   std::uint32_t samDesired, RegKey* result) {
  const std::optional<std::string> name =
      subKey != nullptr ? std::optional<std::string>(subKey) : std::nullopt;
  const auto done = [&](RegStatus status, RegKey handle = 0) {
    return Record(RegCall::Open, parent, subKey, options, samDesired, status, handle);
  };
  const auto fail = [&](RegStatus status) {
    if (result != nullptr) *result = 0;
    return done(status);
  };
  if (const auto injected = Injected(RegCall::Open, name)) return fail(*injected);
  if (result == nullptr) return done(kErrorInvalidParameter);
  // A null parent is refused before anything is written.
  if (parent == 0) return done(kErrorInvalidHandle);
  const std::string_view path = subKey != nullptr ? std::string_view(subKey) : std::string_view();
  if (path.size() > kMaxSubKeyArgument) return done(kErrorMoreData);
  std::shared_ptr<Node> node = Resolve(parent, nullptr);
  if (node == nullptr) return fail(kErrorInvalidHandle);
  if (node->deleted) return fail(kKeyDeleted);
  if (path.empty() && IsPredefinedKey(parent)) {
    // A predefined root opened with no name is the root itself.
    *result = parent;
    return done(kErrorSuccess, parent);
  }
  if (!path.empty() && path.front() == '\\') return fail(kBadPathname);
  for (std::string_view level : Levels(path)) {
    if (level.size() > kMaxKeyNameLength) return fail(kErrorInvalidParameter);
    node = node->Child(level);
    if (node == nullptr) return fail(kErrorFileNotFound);
  }
  *result = NewHandle(node, GrantedAccess(samDesired));
  return done(kErrorSuccess, *result);
}

RegStatus FakeRegistry::CreateKeyExA(RegKey parent, const char* subKey, std::uint32_t reserved,
                                     const char* /*keyClass*/, std::uint32_t options,
                                     std::uint32_t samDesired,
                                     const SecurityAttributes* /*security*/, RegKey* result,
                                     std::uint32_t* disposition) {
  const std::optional<std::string> name =
      subKey != nullptr ? std::optional<std::string>(subKey) : std::nullopt;
  const auto done = [&](RegStatus status, RegKey handle = 0) {
    return Record(RegCall::Create, parent, subKey, options, samDesired, status, handle);
  };
  const auto fail = [&](RegStatus status) {
    if (result != nullptr) *result = 0;
    return done(status);
  };
  if (const auto injected = Injected(RegCall::Create, name)) return fail(*injected);
  if (result == nullptr) return done(kErrorBadKey);
  if (reserved != 0) return done(kErrorInvalidParameter);
  if (parent == 0) return done(kErrorInvalidHandle);
  const std::string_view path = subKey != nullptr ? std::string_view(subKey) : std::string_view();
  if (path.size() > kMaxSubKeyArgument) return done(kErrorMoreData);
  // Wine 8.0 does not ask the parent handle for the right to create subkeys.
  std::shared_ptr<Node> node = Resolve(parent, nullptr);
  if (node == nullptr) return fail(kErrorInvalidHandle);
  if (node->deleted) return fail(kKeyDeleted);
  if (!path.empty() && path.front() == '\\') return fail(kBadPathname);
  // An empty name gives a new handle to the parent, reported as created.
  bool created = path.empty();
  for (std::string_view level : Levels(path)) {
    // Levels are made one after the other; a name too long stops the walk
    // and leaves the levels made before it.
    if (level.size() > kMaxKeyNameLength) return fail(kErrorInvalidParameter);
    std::shared_ptr<Node> child = node->Child(level);
    if (child == nullptr) {
      child = std::make_shared<Node>();
      child->name = std::string(level);
      node->children.push_back(child);
      created = true;
    }
    node = child;
  }
  *result = NewHandle(node, GrantedAccess(samDesired));
  if (disposition != nullptr) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
  return done(kErrorSuccess, *result);
}

RegStatus FakeRegistry::QueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* size) {
  const std::optional<std::string> name =
      valueName != nullptr ? std::optional<std::string>(valueName) : std::nullopt;
  const auto done = [&](RegStatus status) {
    return Record(RegCall::Query, key, valueName, 0, 0, status);
  };
  if (const auto injected = Injected(RegCall::Query, name)) return done(*injected);
  if (data != nullptr && size == nullptr) return done(kErrorInvalidParameter);
  if (key == 0) return done(kErrorInvalidHandle);
  // Past the null-handle check, every failure reports the type REG_NONE.
  const auto fail = [&](RegStatus status) {
    if (type != nullptr) *type = kRegNone;
    return done(status);
  };
  std::uint32_t access = 0;
  const std::shared_ptr<Node> node = Resolve(key, &access);
  if (node == nullptr) return fail(kErrorInvalidHandle);
  if (node->deleted) return fail(kKeyDeleted);
  if ((access & kKeyQueryValue) == 0) {
    if (size != nullptr) *size = 0;
    return fail(kErrorAccessDenied);
  }
  const Node::Value* value = node->FindValue(valueName != nullptr ? valueName : "");
  if (value == nullptr) return fail(kErrorFileNotFound);

  const auto length = static_cast<std::uint32_t>(value->data.size());
  RegStatus status = kErrorSuccess;
  if (data != nullptr) {
    if (length > *size) {
      status = kErrorMoreData;  // the buffer is left as it was
    } else {
      std::memcpy(data, value->data.data(), length);
      // Like NT, a string stored without its NUL gets one when there is room.
      if (IsStringType(value->type) && length > 0 && length < *size && data[length - 1] != 0) {
        data[length] = 0;
      }
    }
  }
  if (type != nullptr) *type = value->type;
  if (size != nullptr) *size = length;
  return done(status);
}

RegStatus FakeRegistry::CloseKey(RegKey key) {
  const auto found = handles_.find(key);
  std::optional<std::string> name;
  if (found != handles_.end()) name = found->second.node->name;
  if (const auto injected = Injected(RegCall::Close, name)) {
    return Record(RegCall::Close, key, name ? name->c_str() : nullptr, 0, 0, *injected);
  }
  if (IsPredefinedKey(key)) return Record(RegCall::Close, key, nullptr, 0, 0, kErrorSuccess);
  if (found == handles_.end()) return Record(RegCall::Close, key, nullptr, 0, 0, kErrorInvalidHandle);
  handles_.erase(found);
  return Record(RegCall::Close, key, name->c_str(), 0, 0, kErrorSuccess);
}

// --- setting up the tree ---

void FakeRegistry::CreateKey(RegKey root, std::string_view path) { MakePath(root, path); }

void FakeRegistry::SetValue(RegKey root, std::string_view path, std::string_view name,
                            std::uint32_t type, std::string_view data) {
  const std::shared_ptr<Node> node = MakePath(root, path);
  if (Node::Value* value = node->FindValue(name)) {
    value->type = type;
    value->data = std::string(data);
    return;
  }
  node->values.push_back({std::string(name), type, std::string(data)});
}

bool FakeRegistry::DeleteValue(RegKey root, std::string_view path, std::string_view name) {
  const std::shared_ptr<Node> node = FindPath(root, path);
  if (node == nullptr) return false;
  auto& values = node->values;
  const auto it = std::find_if(values.begin(), values.end(),
                               [&](const Node::Value& v) { return SameName(v.name, name); });
  if (it == values.end()) return false;
  values.erase(it);
  return true;
}

bool FakeRegistry::DeleteTree(RegKey root, std::string_view path) {
  const std::vector<std::string_view> levels = Levels(path);
  if (levels.empty()) return false;
  const std::size_t cut = path.rfind('\\', path.find_last_not_of('\\'));
  const std::shared_ptr<Node> parent =
      cut == std::string_view::npos ? FindPath(root, "") : FindPath(root, path.substr(0, cut));
  if (parent == nullptr) return false;
  auto& children = parent->children;
  const auto it = std::find_if(children.begin(), children.end(), [&](const auto& child) {
    return SameName(child->name, levels.back());
  });
  if (it == children.end()) return false;
  (*it)->MarkDeleted();
  children.erase(it);
  return true;
}

bool FakeRegistry::KeyExists(RegKey root, std::string_view path) const {
  return FindPath(root, path) != nullptr;
}

// --- failures on demand and observation ---

std::optional<RegStatus> FakeRegistry::Injected(RegCall call,
                                                const std::optional<std::string>& name) {
  return Take(call,
              [&name](const std::string& scripted) { return name && SameName(*name, scripted); });
}

int FakeRegistry::OpenHandles() const noexcept { return static_cast<int>(handles_.size()); }

// --- inner workings ---

std::shared_ptr<FakeRegistry::Node> FakeRegistry::Resolve(RegKey key, std::uint32_t* access) const {
  if (const auto root = roots_.find(key); root != roots_.end()) {
    if (access != nullptr) *access = kKeyAllAccess;
    return root->second;
  }
  const auto found = handles_.find(key);
  if (found == handles_.end()) return nullptr;
  if (access != nullptr) *access = found->second.access;
  return found->second.node;
}

RegKey FakeRegistry::NewHandle(std::shared_ptr<Node> node, std::uint32_t access) {
  // Handle values are never reused, so a stale handle stays invalid.
  const RegKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = OpenKey{std::move(node), access};
  return handle;
}

RegStatus FakeRegistry::Record(RegCall call, RegKey key, const char* name, std::uint32_t options,
                               std::uint32_t sam, RegStatus status, RegKey handle) {
  RegCallRecord record;
  record.call = call;
  record.key = key;
  if (name != nullptr) record.name = std::string(name);
  record.options = options;
  record.samDesired = sam;
  record.status = status;
  record.handle = handle;
  LogCall(std::move(record));
  return status;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::FindPath(RegKey root, std::string_view path) const {
  const auto found = roots_.find(root);
  if (found == roots_.end()) return nullptr;
  std::shared_ptr<Node> node = found->second;
  for (std::string_view level : Levels(path)) {
    node = node->Child(level);
    if (node == nullptr) return nullptr;
  }
  return node;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::MakePath(RegKey root, std::string_view path) {
  std::shared_ptr<Node> node = roots_.at(root);
  for (std::string_view level : Levels(path)) {
    std::shared_ptr<Node> child = node->Child(level);
    if (child == nullptr) {
      child = std::make_shared<Node>();
      child->name = std::string(level);
      node->children.push_back(child);
    }
    node = child;
  }
  return node;
}

}  // namespace platform::doubles

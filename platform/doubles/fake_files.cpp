#include "platform/doubles/fake_files.h"

#include <algorithm>
#include <utility>

namespace platform::doubles {

namespace {

constexpr std::size_t kMaxName = 255;
constexpr Win32Status kErrorNotSameDevice = 17;

// Windows compares names by upper-casing them; ASCII and Latin-1 cover
// every name this program meets.
wchar_t FoldChar(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 32);
  return c;
}

std::wstring Fold(std::wstring text) {
  for (wchar_t& c : text) c = FoldChar(c == L'/' ? L'\\' : c);
  return text;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsInvalidNameChar(wchar_t c) {
  return c < 32 || c == L'<' || c == L'>' || c == L'|' || c == L'"' || c == L'*' || c == L'?' ||
         c == L':';
}

// Windows drops trailing dots and spaces from each name.
std::wstring TrimName(std::wstring name) {
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
  return name;
}

bool IsDeviceName(const std::wstring& name) {
  const std::wstring base = Fold(name.substr(0, name.find(L'.')));
  if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
  return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) &&
         base[3] >= L'1' && base[3] <= L'9';
}

bool WildcardMatch(const std::wstring& pattern, const std::wstring& name) {
  std::size_t p = 0, n = 0, star = std::wstring::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || FoldChar(pattern[p]) == FoldChar(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace

struct FakeFileSystem::Node {
  bool folder = false;
  std::uint32_t attributes = 0;
  std::wstring name;
  std::wstring key;
  Node* parent = nullptr;
  std::vector<std::byte> data;
  std::map<std::wstring, std::unique_ptr<Node>> children;
  bool deletePending = false;
};

struct FakeFileSystem::Volume {
  std::uint64_t free = 0;
  Node root;
};

struct FakeFileSystem::Handle {
  Node* node = nullptr;
  Volume* volume = nullptr;
  std::wstring path;
  std::uint32_t share = kShareNone;
  bool ours = false;  // opened by CreateNew (write access, no sharing) or OpenRead
  bool reading = false;  // opened by OpenRead: read access, sharing read and delete
};

struct FakeFileSystem::Resolved {
  Volume* volume = nullptr;
  Node* parent = nullptr;  // null for a volume's root
  Node* node = nullptr;    // null when the last name is missing
  std::wstring name;
  std::wstring key;
  bool device = false;
};

FakeFileSystem::FakeFileSystem() { AddVolume(L'C', std::uint64_t{1} << 40); }
FakeFileSystem::~FakeFileSystem() = default;

void FakeFileSystem::AddVolume(wchar_t letter, std::uint64_t freeBytes) {
  auto volume = std::make_unique<Volume>();
  volume->free = freeBytes;
  volume->root.folder = true;
  volume->root.attributes = kFileAttributeDirectory;
  volumes_[FoldChar(letter)] = std::move(volume);
}

void FakeFileSystem::SetFreeSpace(wchar_t letter, std::uint64_t freeBytes) {
  volumes_.at(FoldChar(letter))->free = freeBytes;
}

std::uint64_t FakeFileSystem::FreeBytes(wchar_t letter) const {
  return volumes_.at(FoldChar(letter))->free;
}

Win32Status FakeFileSystem::Resolve(const std::wstring& path, Resolved* out) const {
  *out = Resolved{};
  if (path.size() < 3 || path[1] != L':' || !IsSeparator(path[2])) return kErrorPathNotFound;
  for (std::size_t i = 3; i < path.size(); ++i) {
    if (IsInvalidNameChar(path[i])) return kErrorInvalidName;
  }
  auto volume = volumes_.find(FoldChar(path[0]));
  if (volume == volumes_.end()) return kErrorPathNotFound;

  std::vector<std::wstring> names;
  std::size_t start = 3;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::wstring part = path.substr(start, end - start);
    if (part == L"..") {
      if (!names.empty()) names.pop_back();
    } else if (part != L".") {
      part = TrimName(std::move(part));
      if (!part.empty()) names.push_back(std::move(part));
    }
    start = end + 1;
  }

  out->volume = volume->second.get();
  Node* folder = &out->volume->root;
  if (names.empty()) {
    out->node = folder;
    return kErrorSuccess;
  }
  for (std::size_t i = 0; i + 1 < names.size(); ++i) {
    auto child = folder->children.find(Fold(names[i]));
    if (child == folder->children.end() || !child->second->folder) return kErrorPathNotFound;
    folder = child->second.get();
  }
  out->parent = folder;
  out->name = names.back();
  out->key = Fold(names.back());
  auto child = folder->children.find(out->key);
  out->node = child == folder->children.end() ? nullptr : child->second.get();
  out->device = out->node == nullptr && IsDeviceName(out->name);
  return kErrorSuccess;
}

std::optional<Win32Status> FakeFileSystem::Injected(FileOp op, const std::wstring& path) {
  const std::wstring key = Fold(path);
  return Take(op, [&key](const std::wstring& scripted) { return Fold(scripted) == key; });
}

Win32Status FakeFileSystem::Record(FileOp op, const std::wstring& path, Win32Status status,
                                   const void* data, std::uint32_t size) {
  LogCall({op, path, data, size, status});
  return status;
}

bool FakeFileSystem::IsOpen(const Node* node) const {
  return std::any_of(handles_.begin(), handles_.end(),
                     [node](const auto& h) { return h.second->node == node; });
}

bool FakeFileSystem::SharingAllowsDelete(const Node* node) const {
  return std::all_of(handles_.begin(), handles_.end(), [node](const auto& h) {
    return h.second->node != node || (h.second->share & kShareDelete) != 0;
  });
}

void FakeFileSystem::Remove(Node* parent, const std::wstring& key) {
  auto it = parent->children.find(key);
  if (it == parent->children.end()) return;
  // Space comes back to whichever volume holds the parent.
  const Node* top = parent;
  while (top->parent != nullptr) top = top->parent;
  for (auto& [letter, volume] : volumes_) {
    if (top == &volume->root) volume->free += it->second->data.size();
  }
  parent->children.erase(it);
}

void FakeFileSystem::ReleaseHandle(FileId id) {
  auto it = handles_.find(id);
  if (it == handles_.end()) return;
  Node* node = it->second->node;
  handles_.erase(it);
  if (node->deletePending && !IsOpen(node)) Remove(node->parent, node->key);
}

// ---- the world outside the program

void FakeFileSystem::MakeFolders(const std::wstring& path) {
  // One name at a time, so each step resolves against folders already made.
  std::wstring prefix = path.substr(0, 3);
  std::size_t start = 3;
  while (start < path.size()) {
    std::size_t end = path.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = path.size();
    prefix += path.substr(start, end - start);
    Resolved step;
    if (end > start && Resolve(prefix, &step) == kErrorSuccess && step.node == nullptr) {
      auto node = std::make_unique<Node>();
      node->folder = true;
      node->attributes = kFileAttributeDirectory;
      node->name = step.name;
      node->key = step.key;
      node->parent = step.parent;
      step.parent->children[step.key] = std::move(node);
    }
    prefix += L'\\';
    start = end + 1;
  }
}

void FakeFileSystem::PutFile(const std::wstring& path, const std::vector<std::byte>& content,
                             std::uint32_t attributes) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos && slash > 2) MakeFolders(path.substr(0, slash));
  Resolved r;
  if (Resolve(path, &r) != kErrorSuccess || r.parent == nullptr) return;
  if (r.node == nullptr) {
    auto node = std::make_unique<Node>();
    node->name = r.name;
    node->key = r.key;
    node->parent = r.parent;
    r.node = node.get();
    r.parent->children[r.key] = std::move(node);
  }
  r.node->folder = false;
  r.node->attributes = attributes;
  r.node->data = content;
}

void FakeFileSystem::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
  Resolved r;
  if (Resolve(path, &r) == kErrorSuccess && r.node != nullptr) {
    r.node->attributes =
        (attributes & ~kFileAttributeDirectory) | (r.node->folder ? kFileAttributeDirectory : 0);
  }
}

FileId FakeFileSystem::OpenElsewhere(const std::wstring& path, std::uint32_t share,
                                     Win32Status* status) {
  Win32Status ignored = kErrorSuccess;
  Win32Status& result = status != nullptr ? *status : ignored;
  Resolved r;
  result = Resolve(path, &r);
  if (result != kErrorSuccess) return 0;
  if (r.node == nullptr) {
    result = kErrorFileNotFound;
    return 0;
  }
  if (r.node->folder || r.node->deletePending) {
    result = kErrorAccessDenied;
    return 0;
  }
  // The newcomer reads: every holder must share reading, and the newcomer
  // must share whatever the holders do.
  for (const auto& [id, h] : handles_) {
    if (h->node != r.node) continue;
    const std::uint32_t holderAccess = h->ours && !h->reading ? kShareWrite : kShareRead;
    if ((h->share & kShareRead) == 0 || (share & holderAccess) == 0) {
      result = kErrorSharingViolation;
      return 0;
    }
  }
  const FileId id = nextHandle_++;
  handles_[id] = std::make_unique<Handle>(Handle{r.node, r.volume, path, share, false});
  result = kErrorSuccess;
  return id;
}

void FakeFileSystem::CloseElsewhere(FileId holder) {
  auto it = handles_.find(holder);
  if (it != handles_.end() && !it->second->ours) ReleaseHandle(holder);
}

// ---- what happened

std::optional<std::vector<std::byte>> FakeFileSystem::Content(const std::wstring& path) const {
  Resolved r;
  if (Resolve(path, &r) != kErrorSuccess || r.node == nullptr || r.node->folder) return std::nullopt;
  return r.node->data;
}

bool FakeFileSystem::Exists(const std::wstring& path) const {
  Resolved r;
  return Resolve(path, &r) == kErrorSuccess && r.node != nullptr;
}

std::vector<std::wstring> FakeFileSystem::Names(const std::wstring& folder) const {
  std::vector<std::wstring> names;
  Resolved r;
  if (Resolve(folder, &r) != kErrorSuccess || r.node == nullptr) return names;
  for (const auto& [key, child] : r.node->children) names.push_back(child->name);
  return names;
}

int FakeFileSystem::OpenFiles() const {
  return static_cast<int>(std::count_if(handles_.begin(), handles_.end(),
                                        [](const auto& h) { return h.second->ours; }));
}

// ---- FileSystem

std::uint32_t FakeFileSystem::GetAttributes(const std::wstring& path, Win32Status* error) {
  auto fail = [&](Win32Status status) {
    Record(FileOp::GetAttributes, path, status);
    if (error != nullptr) *error = status;
    return kInvalidFileAttributes;
  };
  if (auto injected = Injected(FileOp::GetAttributes, path)) return fail(*injected);
  Resolved r;
  if (Win32Status status = Resolve(path, &r); status != kErrorSuccess) return fail(status);
  if (r.device) {
    Record(FileOp::GetAttributes, path, kErrorSuccess);
    return kFileAttributeArchive;
  }
  if (r.node == nullptr) return fail(kErrorFileNotFound);
  Record(FileOp::GetAttributes, path, kErrorSuccess);
  return r.node->attributes;
}

Win32Status FakeFileSystem::Delete(const std::wstring& path) {
  if (auto injected = Injected(FileOp::Delete, path)) return Record(FileOp::Delete, path, *injected);
  Resolved r;
  if (Win32Status status = Resolve(path, &r); status != kErrorSuccess) {
    return Record(FileOp::Delete, path, status);
  }
  if (r.node == nullptr) return Record(FileOp::Delete, path, r.device ? kErrorAccessDenied : kErrorFileNotFound);
  if (r.node->folder || r.parent == nullptr || (r.node->attributes & kFileAttributeReadOnly) != 0) {
    return Record(FileOp::Delete, path, kErrorAccessDenied);
  }
  if (r.node->deletePending) return Record(FileOp::Delete, path, kErrorSuccess);  // already going
  if (!SharingAllowsDelete(r.node)) return Record(FileOp::Delete, path, kErrorSharingViolation);
  if (IsOpen(r.node)) {
    r.node->deletePending = true;  // goes when the last holder closes
  } else {
    Remove(r.parent, r.key);
  }
  return Record(FileOp::Delete, path, kErrorSuccess);
}

Win32Status FakeFileSystem::CreateNew(const std::wstring& path, FileId* file) {
  *file = FileId{};
  if (auto injected = Injected(FileOp::CreateNew, path)) {
    return Record(FileOp::CreateNew, path, *injected);
  }
  Resolved r;
  if (Win32Status status = Resolve(path, &r); status != kErrorSuccess) {
    return Record(FileOp::CreateNew, path, status);
  }
  if (r.parent == nullptr || r.device) return Record(FileOp::CreateNew, path, kErrorAccessDenied);
  if (r.name.size() > kMaxName) return Record(FileOp::CreateNew, path, kErrorFileNotFound);
  // A delete-pending file still exists until its last holder closes.
  if (r.node != nullptr) return Record(FileOp::CreateNew, path, kErrorFileExists);
  auto node = std::make_unique<Node>();
  node->attributes = kFileAttributeArchive;
  node->name = r.name;
  node->key = r.key;
  node->parent = r.parent;
  Node* created = node.get();
  r.parent->children[r.key] = std::move(node);
  const FileId id = nextHandle_++;
  handles_[id] = std::make_unique<Handle>(Handle{created, r.volume, path, kShareNone, true});
  *file = id;
  return Record(FileOp::CreateNew, path, kErrorSuccess);
}

Win32Status FakeFileSystem::Write(FileId file, const void* data, std::uint32_t size) {
  auto it = handles_.find(file);
  if (it == handles_.end() || !it->second->ours) {
    return Record(FileOp::Write, L"", kErrorInvalidHandle, data, size);
  }
  Handle& h = *it->second;
  if (h.reading) return Record(FileOp::Write, h.path, kErrorAccessDenied, data, size);
  if (auto injected = Injected(FileOp::Write, h.path)) {
    return Record(FileOp::Write, h.path, *injected, data, size);
  }
  if (h.volume->free < size) return Record(FileOp::Write, h.path, kErrorDiskFull, data, size);
  const auto* bytes = static_cast<const std::byte*>(data);
  h.node->data.insert(h.node->data.end(), bytes, bytes + size);
  h.volume->free -= size;
  return Record(FileOp::Write, h.path, kErrorSuccess, data, size);
}

Win32Status FakeFileSystem::Flush(FileId file) {
  auto it = handles_.find(file);
  if (it == handles_.end() || !it->second->ours) return Record(FileOp::Flush, L"", kErrorInvalidHandle);
  const std::wstring& path = it->second->path;
  if (it->second->reading) return Record(FileOp::Flush, path, kErrorAccessDenied);
  if (auto injected = Injected(FileOp::Flush, path)) return Record(FileOp::Flush, path, *injected);
  return Record(FileOp::Flush, path, kErrorSuccess);
}

Win32Status FakeFileSystem::Close(FileId file) {
  auto it = handles_.find(file);
  if (it == handles_.end() || !it->second->ours) return Record(FileOp::Close, L"", kErrorInvalidHandle);
  const std::wstring path = it->second->path;
  const auto injected = Injected(FileOp::Close, path);
  ReleaseHandle(file);
  return Record(FileOp::Close, path, injected.value_or(kErrorSuccess));
}

Win32Status FakeFileSystem::MoveReplace(const std::wstring& from, const std::wstring& to) {
  const std::wstring logged = from + L" -> " + to;
  if (auto injected = Injected(FileOp::MoveReplace, to)) {
    return Record(FileOp::MoveReplace, logged, *injected);
  }
  Resolved src;
  Resolved dst;
  if (Win32Status status = Resolve(from, &src); status != kErrorSuccess) {
    return Record(FileOp::MoveReplace, logged, status);
  }
  if (src.node == nullptr) return Record(FileOp::MoveReplace, logged, kErrorFileNotFound);
  if (src.parent == nullptr) return Record(FileOp::MoveReplace, logged, kErrorAccessDenied);
  if (Win32Status status = Resolve(to, &dst); status != kErrorSuccess) {
    return Record(FileOp::MoveReplace, logged, status);
  }
  if (dst.parent == nullptr || dst.device) return Record(FileOp::MoveReplace, logged, kErrorAccessDenied);
  if (src.volume != dst.volume) return Record(FileOp::MoveReplace, logged, kErrorNotSameDevice);
  if (src.node == dst.node) return Record(FileOp::MoveReplace, logged, kErrorSuccess);
  // Renaming needs delete access to the source.
  if (src.node->deletePending || !SharingAllowsDelete(src.node)) {
    return Record(FileOp::MoveReplace, logged,
                  src.node->deletePending ? kErrorAccessDenied : kErrorSharingViolation);
  }
  if (dst.node != nullptr) {
    // Wine 8.0 replaces a read-only target; it refuses a folder and a
    // target that anyone holds open, whatever the sharing.
    if (dst.node->folder || IsOpen(dst.node) || dst.node->deletePending) {
      return Record(FileOp::MoveReplace, logged, kErrorAccessDenied);
    }
    Remove(dst.parent, dst.key);
  }
  std::unique_ptr<Node> moving = std::move(src.parent->children.at(src.key));
  src.parent->children.erase(src.key);
  moving->name = dst.name;
  moving->key = dst.key;
  moving->parent = dst.parent;
  dst.parent->children[dst.key] = std::move(moving);
  return Record(FileOp::MoveReplace, logged, kErrorSuccess);
}

Win32Status FakeFileSystem::FreeSpace(const std::wstring& folder, std::uint64_t* bytes) {
  *bytes = 0;
  if (auto injected = Injected(FileOp::FreeSpace, folder)) {
    return Record(FileOp::FreeSpace, folder, *injected);
  }
  Resolved r;
  if (Win32Status status = Resolve(folder, &r); status != kErrorSuccess) {
    return Record(FileOp::FreeSpace, folder, status);
  }
  if (r.node == nullptr) return Record(FileOp::FreeSpace, folder, kErrorFileNotFound);
  *bytes = r.volume->free;
  return Record(FileOp::FreeSpace, folder, kErrorSuccess);
}

Win32Status FakeFileSystem::List(const std::wstring& folder, const std::wstring& pattern,
                                 std::vector<std::wstring>* names) {
  names->clear();
  if (auto injected = Injected(FileOp::List, folder)) return Record(FileOp::List, folder, *injected);
  Resolved dir;
  if (Win32Status status = Resolve(folder, &dir); status != kErrorSuccess) {
    return Record(FileOp::List, folder, status);
  }
  if (dir.node == nullptr || !dir.node->folder) return Record(FileOp::List, folder, kErrorPathNotFound);
  for (const auto& [key, child] : dir.node->children) {
    if (WildcardMatch(pattern, child->name)) names->push_back(child->name);
  }
  return Record(FileOp::List, folder, kErrorSuccess);
}

Win32Status FakeFileSystem::OpenRead(const std::wstring& path, FileId* file) {
  *file = FileId{};
  if (auto injected = Injected(FileOp::OpenRead, path)) return Record(FileOp::OpenRead, path, *injected);
  Resolved r;
  if (Win32Status status = Resolve(path, &r); status != kErrorSuccess) {
    return Record(FileOp::OpenRead, path, status);
  }
  if (r.node == nullptr) return Record(FileOp::OpenRead, path, kErrorFileNotFound);
  if (r.node->folder || r.node->deletePending) return Record(FileOp::OpenRead, path, kErrorAccessDenied);
  // Every holder must share reading; a writer needs write sharing, which a
  // reader sharing only read and delete does not give.
  for (const auto& [id, h] : handles_) {
    if (h->node != r.node) continue;
    const bool writer = h->ours && !h->reading;
    if ((h->share & kShareRead) == 0 || writer) {
      return Record(FileOp::OpenRead, path, kErrorSharingViolation);
    }
  }
  const FileId id = nextHandle_++;
  handles_[id] = std::make_unique<Handle>(
      Handle{r.node, r.volume, path, kShareRead | kShareDelete, true, true});
  *file = id;
  return Record(FileOp::OpenRead, path, kErrorSuccess);
}

Win32Status FakeFileSystem::GetSize(FileId file, std::uint64_t* bytes) {
  *bytes = 0;
  auto it = handles_.find(file);
  if (it == handles_.end() || !it->second->ours) return Record(FileOp::GetSize, L"", kErrorInvalidHandle);
  const std::wstring& path = it->second->path;
  if (auto injected = Injected(FileOp::GetSize, path)) return Record(FileOp::GetSize, path, *injected);
  *bytes = it->second->node->data.size();
  return Record(FileOp::GetSize, path, kErrorSuccess);
}

Win32Status FakeFileSystem::ReadAt(FileId file, std::uint64_t offset, void* buffer,
                                   std::uint32_t size, std::uint32_t* read) {
  *read = 0;
  auto it = handles_.find(file);
  if (it == handles_.end() || !it->second->reading) {
    return Record(FileOp::ReadAt, L"", kErrorInvalidHandle, buffer, size);
  }
  const std::wstring& path = it->second->path;
  if (auto injected = Injected(FileOp::ReadAt, path)) {
    return Record(FileOp::ReadAt, path, *injected, buffer, size);
  }
  const std::vector<std::byte>& data = it->second->node->data;
  if (offset < data.size()) {
    *read = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, data.size() - offset));
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), *read,
                static_cast<std::byte*>(buffer));
  }
  return Record(FileOp::ReadAt, path, kErrorSuccess, buffer, size);
}

}  // namespace platform::doubles

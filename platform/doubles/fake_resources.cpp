#include "platform/doubles/fake_resources.h"

namespace platform::doubles {

namespace {

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  }
  return text;
}

}  // namespace

void FakeResources::Add(const std::wstring& type, std::uint16_t id, std::vector<std::byte> bytes) {
  resources_[{Upper(type), id}] = std::move(bytes);
}

void FakeResources::FailNext(Win32Status status, int count) {
  failStatus_ = status;
  failCount_ = count;
}

std::optional<std::span<const std::byte>> FakeResources::Find(const std::wstring& type,
                                                              std::uint16_t id,
                                                              Win32Status* error) {
  ++lookups_;
  auto fail = [error](Win32Status status) {
    if (error != nullptr) *error = status;
    return std::nullopt;
  };
  if (failCount_ > 0) {
    --failCount_;
    return fail(failStatus_);
  }
  const std::wstring key = Upper(type);
  auto it = resources_.find({key, id});
  if (it == resources_.end()) {
    for (const auto& [k, bytes] : resources_) {
      if (k.first == key) return fail(kErrorResourceNameNotFound);
    }
    return fail(kErrorResourceTypeNotFound);
  }
  if (error != nullptr) *error = kErrorSuccess;
  return std::span<const std::byte>(it->second);
}

void FakeResources::PlaceInFile(const std::wstring& type, std::uint16_t id, std::wstring path,
                                std::uint64_t offset) {
  placed_[{Upper(type), id}] = ImageFileRange{std::move(path), offset};
}

void FakeResources::FailNextLocate(Win32Status status, int count) {
  failLocateStatus_ = status;
  failLocateCount_ = count;
}

Win32Status FakeResources::LocateInFile(std::span<const std::byte> view, ImageFileRange* where) {
  *where = ImageFileRange{};
  if (failLocateCount_ > 0) {
    --failLocateCount_;
    return failLocateStatus_;
  }
  for (const auto& [key, bytes] : resources_) {
    const std::byte* begin = bytes.data();
    if (view.data() < begin || view.data() + view.size() > begin + bytes.size()) continue;
    const auto placed = placed_.find(key);
    if (placed == placed_.end()) break;
    *where = ImageFileRange{placed->second.path,
                            placed->second.offset + static_cast<std::uint64_t>(view.data() - begin)};
    return kErrorSuccess;
  }
  return kErrorBadExeFormat;
}

}  // namespace platform::doubles

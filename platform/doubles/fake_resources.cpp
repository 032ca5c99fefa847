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

std::optional<std::span<const std::byte>> FakeResources::Find(const std::wstring& type,
                                                              std::uint16_t id,
                                                              Win32Status* error) {
  const std::wstring key = Upper(type);
  auto fail = [&](Win32Status status) {
    LogCall({ResourceCall::Find, type, id, status});
    if (error != nullptr) *error = status;
    return std::nullopt;
  };
  const auto named = [&key](const std::wstring& scripted) { return Upper(scripted) == key; };
  if (const auto injected = Take(ResourceCall::Find, named)) return fail(*injected);
  auto it = resources_.find({key, id});
  if (it == resources_.end()) {
    for (const auto& [k, bytes] : resources_) {
      if (k.first == key) return fail(kErrorResourceNameNotFound);
    }
    return fail(kErrorResourceTypeNotFound);
  }
  LogCall({ResourceCall::Find, type, id, kErrorSuccess});
  if (error != nullptr) *error = kErrorSuccess;
  return std::span<const std::byte>(it->second);
}

void FakeResources::PlaceInFile(const std::wstring& type, std::uint16_t id, std::wstring path,
                                std::uint64_t offset) {
  placed_[{Upper(type), id}] = ImageFileRange{std::move(path), offset};
}

Win32Status FakeResources::LocateInFile(std::span<const std::byte> view, ImageFileRange* where) {
  *where = ImageFileRange{};
  // The stored resource that holds all of `view`, if any.
  const std::pair<const std::pair<std::wstring, std::uint16_t>, std::vector<std::byte>>* holder =
      nullptr;
  for (const auto& entry : resources_) {
    const auto begin = reinterpret_cast<std::uintptr_t>(entry.second.data());
    const auto first = reinterpret_cast<std::uintptr_t>(view.data());
    if (first >= begin && first - begin + view.size() <= entry.second.size()) holder = &entry;
  }
  const std::wstring type = holder != nullptr ? holder->first.first : L"";
  const std::uint16_t id = holder != nullptr ? holder->first.second : 0;
  auto result = [&](Win32Status status) {
    LogCall({ResourceCall::LocateInFile, type, id, status});
    return status;
  };
  const auto named = [&type](const std::wstring& scripted) { return Upper(scripted) == type; };
  if (const auto injected = Take(ResourceCall::LocateInFile, named)) return result(*injected);
  const auto placed = holder != nullptr ? placed_.find(holder->first) : placed_.end();
  if (placed == placed_.end()) return result(kErrorBadExeFormat);
  *where = ImageFileRange{placed->second.path,
                          placed->second.offset + (reinterpret_cast<std::uintptr_t>(view.data()) -
                                                   reinterpret_cast<std::uintptr_t>(holder->second.data()))};
  return result(kErrorSuccess);
}

}  // namespace platform::doubles

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

}  // namespace platform::doubles

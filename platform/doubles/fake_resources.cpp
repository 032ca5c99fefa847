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

}  // namespace platform::doubles

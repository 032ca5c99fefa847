#include "platform/doubles/fake_log_file.h"

#include <cwctype>

namespace platform::doubles {

namespace {

// Names match without regard to case, as on Windows.
std::wstring Key(std::wstring path) {
  for (wchar_t& c : path) c = static_cast<wchar_t>(std::towlower(c));
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring FolderOf(const std::wstring& key) {
  const auto slash = key.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
}

}  // namespace

void FakeLogFile::MakeFolder(const std::wstring& path) {
  for (std::wstring key = Key(path); !key.empty(); key = FolderOf(key)) folders_.insert(key);
}

void FakeLogFile::PutFile(const std::wstring& path, const std::string& content) {
  MakeFolder(FolderOf(Key(path)));
  files_[Key(path)] = content;
}

void FakeLogFile::FailCall(LogOp op, Win32Status status, int nth) {
  failures_.push_back({op, status, nth});
}

bool FakeLogFile::Injected(LogOp op, Win32Status* status) {
  bool fails = false;
  for (auto it = failures_.begin(); it != failures_.end();) {
    if (it->op == op && --it->remaining == 0) {
      if (!fails) *status = it->status;
      fails = true;
      it = failures_.erase(it);
    } else {
      ++it;
    }
  }
  return fails;
}

std::optional<std::string> FakeLogFile::Content(const std::wstring& path) const {
  const auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return it->second;
}

int FakeLogFile::Calls(LogOp op) const { return op == LogOp::Open ? opens_ : appends_; }

Win32Status FakeLogFile::Open(const std::wstring& path) {
  ++opens_;
  open_.reset();
  Win32Status status = kErrorSuccess;
  if (Injected(LogOp::Open, &status)) return status;
  const std::wstring key = Key(path);
  if (path.empty() || path.back() == L'\\' || !folders_.contains(FolderOf(key))) {
    return kErrorPathNotFound;
  }
  if (folders_.contains(key)) return kErrorAccessDenied;
  files_.try_emplace(key);
  open_ = key;
  return kErrorSuccess;
}

Win32Status FakeLogFile::Append(std::string_view bytes) {
  ++appends_;
  Win32Status status = kErrorSuccess;
  if (Injected(LogOp::Append, &status)) return status;
  if (!open_) return kErrorInvalidHandle;
  files_[*open_].append(bytes);
  return kErrorSuccess;
}

}  // namespace platform::doubles

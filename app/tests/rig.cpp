#include "app/tests/rig.h"

#include <gtest/gtest.h>

#include <chrono>

#include "payload/write_payload.h"

namespace app::testing {

namespace {

std::string WithNul(std::string_view text) {
  std::string data(text);
  data.push_back('\0');
  return data;
}

}  // namespace

Rig::Rig() {
  // A small archive with every byte value, so a shifted or cut copy shows.
  for (int i = 0; i < 3000; ++i) archive.push_back(static_cast<std::byte>((i * 7 + i / 256) & 0xFF));
  resources.Add(payload::kResourceType, payload::kResourceId, archive);
  registry.CreateKey(platform::kHkeyLocalMachine, kWindowsKey);
  module1.Main();
}

void Rig::SetMakerFolder(std::string_view folder) {
  registry.SetValue(platform::kHkeyLocalMachine, kMakerKey, "strPath", platform::kRegSz,
                    WithNul(folder));
}

void Rig::SetProgramFiles(std::string_view folder) {
  registry.SetValue(platform::kHkeyLocalMachine, kWindowsKey, "ProgramFilesDir", platform::kRegSz,
                    WithNul(folder));
}

void Rig::MakeHost(const std::wstring& folder, std::uint32_t exeAttributes) {
  files.MakeFolders(folder);
  files.PutFile(folder + L"Quadrivo.exe", {std::byte{'M'}, std::byte{'Z'}}, exeAttributes);
}

void Rig::HoldTarget(const std::wstring& folder) {
  if (!files.Exists(folder + kZip)) files.PutFile(folder + kZip, {std::byte{0}});
  holder_ = files.OpenElsewhere(folder + kZip, platform::doubles::kShareNone);
  ASSERT_NE(holder_, 0u);
}

bool Rig::ClickIntoRetries() {
  const std::wstring host = L"C:\\Velto\\Quadrivo\\";
  SetMakerFolder("C:\\Velto\\");
  MakeHost(host);
  HoldTarget(host);
  return Click();
}

void Rig::Release() {
  if (holder_ != 0) files.CloseElsewhere(holder_);
  holder_ = 0;
}

void Gate::Pass() {
  std::unique_lock<std::mutex> lock(lock_);
  arrived_ = true;
  changed_.notify_all();
  changed_.wait(lock, [&] { return open_; });
}

bool Gate::Arrived() {
  std::unique_lock<std::mutex> lock(lock_);
  return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return arrived_; });
}

void Gate::Open() {
  const std::lock_guard<std::mutex> lock(lock_);
  open_ = true;
  changed_.notify_all();
}

bool Rig::Settle() {
  try {
    window.Settle();
  } catch (const ProgramEnded&) {
    return true;
  }
  return false;
}

bool Rig::Click() {
  try {
    window.Click();
  } catch (const ProgramEnded&) {
    return true;
  }
  return false;
}

bool Rig::Tick() {
  try {
    EXPECT_TRUE(window.FireTick()) << "the timer is not running";
  } catch (const ProgramEnded&) {
    return true;
  }
  return false;
}

void Rig::TickExpectingFailure() { ASSERT_FALSE(Tick()); }

bool Rig::Written(const std::wstring& folder) const {
  const auto content = files.Content(folder + kZip);
  return content && *content == archive;
}

bool Rig::AnyArchive(const std::wstring& folder) const { return files.Exists(folder + kZip); }

int Rig::Attempts() const { return resources.CountCalls(platform::doubles::ResourceCall::Find); }

}  // namespace app::testing

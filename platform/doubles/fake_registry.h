#pragma once
// An in-memory registry that answers the four 8-bit calls the way advapi32
// does on Wine 8.0: same statuses, same out-parameter effects.  Data is held
// as the 8-bit view (one byte per character for string types).  Every call
// can be told to fail, by call count or by name, every call is logged, and
// open handles are counted so a test can assert that none leaked.
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/doubles/call_script.h"
#include "platform/registry.h"

namespace platform::doubles {

enum class RegCall { Open, Create, Query, Close };

// One call as the double saw it.
struct RegCallRecord {
  RegCall call = RegCall::Open;
  RegKey key = 0;                   // parent (open, create) or the key itself
  std::optional<std::string> name;  // subkey or value name; nullopt for a null name
  std::uint32_t options = 0;        // open and create only (REG_OPTION_*)
  std::uint32_t samDesired = 0;     // open and create only
  RegStatus status = 0;
  RegKey handle = 0;                // the handle handed out (open, create)
};

class FakeRegistry final : public Registry,
                           public CallScript<RegCall, RegStatus, std::string>,
                           public CallLog<RegCallRecord> {
 public:
  FakeRegistry();
  ~FakeRegistry() override;
  FakeRegistry(const FakeRegistry&) = delete;
  FakeRegistry& operator=(const FakeRegistry&) = delete;

  // --- the registry interface ---
  RegStatus OpenKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                       std::uint32_t samDesired, RegKey* result) override;
  RegStatus CreateKeyExA(RegKey parent, const char* subKey, std::uint32_t reserved,
                         const char* keyClass, std::uint32_t options, std::uint32_t samDesired,
                         const SecurityAttributes* security, RegKey* result,
                         std::uint32_t* disposition) override;
  RegStatus QueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) override;
  RegStatus CloseKey(RegKey key) override;

  // --- setting up the tree, as an administrator would; no handles used ---
  // `path` is below `root`, levels separated by '\'; missing levels are made.
  void CreateKey(RegKey root, std::string_view path);
  void SetValue(RegKey root, std::string_view path, std::string_view name, std::uint32_t type,
                std::string_view data);
  bool DeleteValue(RegKey root, std::string_view path, std::string_view name);
  // Removes the key and everything below it; open handles to it go stale.
  bool DeleteTree(RegKey root, std::string_view path);
  [[nodiscard]] bool KeyExists(RegKey root, std::string_view path) const;

  // --- failures on demand: FailCall, FailOnName, BeforeCall (call_script.h) ---
  // The name FailOnName matches is the subkey argument of an open or a
  // create, the value name of a query, and the key's own last name for a
  // close, without regard to case.  A failed close leaves the key open.

  // --- observation: Calls() and CountCalls() (call_script.h), and the keys
  // handed out and not closed yet ---
  [[nodiscard]] int OpenHandles() const noexcept;

  // The longest key name one level may have on Wine 8.0; longer ones are
  // refused with 87.
  static constexpr std::size_t kMaxKeyNameLength = 256;

 private:
  struct Node;
  struct OpenKey {
    std::shared_ptr<Node> node;
    std::uint32_t access = 0;
  };
  [[nodiscard]] std::shared_ptr<Node> Resolve(RegKey key, std::uint32_t* access) const;
  std::optional<RegStatus> Injected(RegCall call, const std::optional<std::string>& name);
  RegKey NewHandle(std::shared_ptr<Node> node, std::uint32_t access);
  RegStatus Record(RegCall call, RegKey key, const char* name, std::uint32_t options,
                   std::uint32_t sam, RegStatus status, RegKey handle = 0);
  [[nodiscard]] std::shared_ptr<Node> FindPath(RegKey root, std::string_view path) const;
  std::shared_ptr<Node> MakePath(RegKey root, std::string_view path);

  std::map<RegKey, std::shared_ptr<Node>> roots_;
  std::map<RegKey, OpenKey> handles_;
  RegKey nextHandle_ = 0x100;
};

}  // namespace platform::doubles

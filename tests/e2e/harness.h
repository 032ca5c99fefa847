#pragma once
// A small test harness for the end-to-end driver: named scenarios, checks
// that stop the scenario with a readable message, and a timestamped log.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

struct Options {
  std::wstring exe;             // the updater under test, as a Windows path
  std::wstring screenshotDir;   // empty: no screenshots
  std::wstring hostFolder;      // demo/seed modes: where the host is installed
  unsigned retryMs = 0;         // the updater's retry interval (0: unknown)
  std::wstring base;            // patch scenarios: the newest edition the patch updates from
  std::vector<std::wstring> older;  // patch scenarios: the earlier ones it updates from, oldest first
  std::wstring archive;         // patch scenarios: the new edition
  std::wstring slowMount;       // slow-storage scenarios: the throttled mount
  std::wstring slowBacking;     // and the folder it passes through to
};

struct Scenario {
  const char* name;
  const char* summary;
  std::function<void(const Options&)> run;
};

// Every scenario of the window, in the order the driver lists them.
const std::vector<Scenario>& AllScenarios();
// The unattended installs (command-line switches), listed after them.
const std::vector<Scenario>& UnattendedScenarios();
// The patch updater's, listed last; they want --base and --archive.
const std::vector<Scenario>& PatchScenarios();
// With the host folder on throttled storage; they want --slow-mount and --slow-backing.
const std::vector<Scenario>& SlowStorageScenarios();

class CheckFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Logs "[  1.23 s] message" on stdout, seconds since the driver started.
void Log(const std::string& message);
void Log(const std::wstring& message);

[[noreturn]] void Fail(const std::string& what, const char* file, int line);

std::string Narrow(const std::wstring& text);  // UTF-8, for the log
std::string Quote(const std::wstring& text);   // "text" with escapes, for messages

}  // namespace e2e

#define E2E_CHECK(cond, message)                                          \
  do {                                                                    \
    if (!(cond)) ::e2e::Fail(std::string(#cond) + ": " + (message), __FILE__, __LINE__); \
  } while (false)

#define E2E_CHECK_EQ(actual, expected)                                                   \
  do {                                                                                   \
    const auto& e2e_a_ = (actual);                                                       \
    const auto& e2e_e_ = (expected);                                                     \
    if (!(e2e_a_ == e2e_e_))                                                             \
      ::e2e::Fail(std::string(#actual) + " is " + ::e2e::Show(e2e_a_) + ", expected " +  \
                      ::e2e::Show(e2e_e_),                                               \
                  __FILE__, __LINE__);                                                   \
  } while (false)

namespace e2e {
inline std::string Show(const std::wstring& v) { return Quote(v); }
inline std::string Show(const wchar_t* v) { return Quote(v); }
template <typename T>
std::string Show(const T& v) { return std::to_string(v); }
}  // namespace e2e

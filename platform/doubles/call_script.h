#pragma once
// What every double shares: failures scripted per kind of call, actions run
// just before a chosen call, and the log of the calls it saw.  The argument
// order is the same everywhere: which call, what happens, when.
//
// A double calls Take(call, ...) once for every call that reaches the point
// where a real call could fail; Take counts the call, runs the actions due,
// and returns the status the call must fail with, if any.  A failed call has
// no other effect unless the double says otherwise.
#include <algorithm>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace platform::doubles {

template <class Call, class Status, class Name>
class CallScript {
 public:
  // The nth next call of `call` (1 = the very next one) fails with `status`;
  // so do the `times` - 1 calls after it, or every later one when `times`
  // is negative.
  void FailCall(Call call, Status status, int nth = 1, int times = 1) {
    rules_.push_back({call, Seen(call) + std::max(1, nth), {}, status, times, {}});
  }
  // Calls of `call` that name `name` fail with `status`, `times` times or,
  // when negative, every time.  What "naming" means is the double's to say.
  void FailOnName(Call call, Name name, Status status, int times = -1) {
    rules_.push_back({call, 0, std::move(name), status, times, {}});
  }
  // Runs `action` just before the nth next call of `call` is carried out,
  // e.g. to change the world between two calls of the code under test.
  void BeforeCall(Call call, std::function<void()> action, int nth = 1) {
    rules_.push_back({call, Seen(call) + std::max(1, nth), {}, Status{}, 1, std::move(action)});
  }
  // Forgets every scripted failure and action.
  void ClearFailures() { rules_.clear(); }

 protected:
  // For the double.  `names(scripted)` says whether this call names a name
  // given to FailOnName.  The earliest scripted failure that applies wins.
  template <class Names>
  std::optional<Status> Take(Call call, const Names& names) {
    const int count = ++seen_[call];
    for (std::size_t i = 0; i < rules_.size(); ++i) {
      if (rules_[i].action && rules_[i].call == call && rules_[i].from == count &&
          rules_[i].times != 0) {
        rules_[i].times = 0;
        const std::function<void()> action = rules_[i].action;
        action();  // may script more, so no reference into rules_ is kept
      }
    }
    for (Rule& rule : rules_) {
      if (rule.action || rule.call != call || rule.times == 0) continue;
      const bool applies = rule.from > 0 ? count >= rule.from : names(rule.name);
      if (!applies) continue;
      if (rule.times > 0) --rule.times;
      return rule.status;
    }
    return std::nullopt;
  }

 private:
  struct Rule {
    Call call;
    int from;  // the count of the first call it applies to; 0 when by name
    Name name;
    Status status;
    int times;
    std::function<void()> action;
  };

  [[nodiscard]] int Seen(Call call) const {
    const auto found = seen_.find(call);
    return found == seen_.end() ? 0 : found->second;
  }

  std::map<Call, int> seen_;  // calls taken so far, of each kind
  std::vector<Rule> rules_;
};

// The calls a double saw, in order; `kind` is the record's member that says
// which call it was.
template <class Record, auto kind = &Record::call>
class CallLog {
 public:
  using Call = std::remove_cvref_t<decltype(std::declval<Record>().*kind)>;

  [[nodiscard]] const std::vector<Record>& Calls() const noexcept { return calls_; }
  [[nodiscard]] int CountCalls(Call call) const {
    int n = 0;
    for (const Record& record : calls_) n += record.*kind == call ? 1 : 0;
    return n;
  }
  void ClearCalls() { calls_.clear(); }

 protected:
  // For the double.
  void LogCall(Record record) { calls_.push_back(std::move(record)); }

 private:
  std::vector<Record> calls_;
};

}  // namespace platform::doubles

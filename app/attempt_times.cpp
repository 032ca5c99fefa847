#include "app/attempt_times.h"

#include <utility>

#include "app/decimal_text.h"
#include "platform/decimal.h"

namespace app {

namespace {

// "3000 bytes written in 0.03 s (0.1 MB/s)"; no rate when no time passed.
std::wstring Figures(std::uint64_t bytes, const wchar_t* verb, std::uint64_t milliseconds) {
  std::wstring text = platform::Decimal(bytes) + L" bytes " + verb + L" in " + Seconds(milliseconds);
  const std::wstring rate = Rate(bytes, milliseconds);
  if (!rate.empty()) text += L" (" + rate + L")";
  return text;
}

}  // namespace

template <class Text>
void AttemptTimes::Say(const Text& text) noexcept {
  try {
    log_.Line(text());
  } catch (...) {
    // No memory for the line: it is lost, as any log line may be.
  }
}

void AttemptTimes::Begin(std::wstring attempt, const wchar_t* readVerb, const wchar_t* writeVerb) {
  at_ = Steps{};
  attempt_ = std::move(attempt);
  readVerb_ = readVerb;
  writeVerb_ = writeVerb;
}

void AttemptTimes::Opened() {
  if (at_.created || at_.reading) return;
  at_.reading = true;
  at_.readBytes = 0;
  at_.readStart = at_.readEnd = log_.Milliseconds();
}

void AttemptTimes::Read(std::uint64_t bytes) {
  if (!at_.reading) return;
  at_.readBytes += bytes;
  at_.readEnd = log_.Milliseconds();
}

void AttemptTimes::Closed() { LogRead(); }

void AttemptTimes::Created(const std::wstring& zipName) {
  if (at_.created) return;
  LogRead();
  at_.created = at_.writing = true;
  Say([&] { return attempt_ + L": writing the new copy beside " + zipName; });
  at_.writeStart = at_.writeEnd = log_.Milliseconds();
}

void AttemptTimes::Wrote(std::uint64_t bytes) {
  if (!at_.writing) return;
  at_.writtenBytes += bytes;
  at_.writeEnd = log_.Milliseconds();
}

void AttemptTimes::FlushStarts() {
  if (at_.writing) at_.flushStart = log_.Milliseconds();
}

void AttemptTimes::Flushed() {
  if (!at_.writing) return;
  at_.flushed = true;
  at_.flushEnd = log_.Milliseconds();
}

void AttemptTimes::Placed() { LogWrite(true); }

void AttemptTimes::GivenUp() { LogWrite(false); }

void AttemptTimes::End() {
  LogRead();
  LogWrite(false);
}

void AttemptTimes::LogRead() {
  if (!at_.reading) return;
  at_.reading = false;
  // A copy of another size is not read at all: nothing to time.
  if (at_.readBytes == 0) return;
  Say([&] {
    return attempt_ + L": " + Figures(at_.readBytes, readVerb_, at_.readEnd - at_.readStart);
  });
}

void AttemptTimes::LogWrite(bool placed) {
  if (!at_.writing) return;
  at_.writing = false;
  const std::uint64_t now = log_.Milliseconds();
  Say([&] {
    std::wstring line =
        attempt_ + L": " + Figures(at_.writtenBytes, writeVerb_, at_.writeEnd - at_.writeStart);
    if (at_.flushed) line += L", flushed in " + Seconds(at_.flushEnd - at_.flushStart);
    // Closing the new copy counts here: a scanner may hold up the close.
    const std::uint64_t placing = at_.flushed ? at_.flushEnd : at_.writeEnd;
    if (placed) line += L", put in place in " + Seconds(now - placing);
    return line;
  });
}

}  // namespace app

#pragma once
// How long the long steps of one attempt took and how fast they went, for
// the log, so that support staff can tell a slow share from a fault: reading
// the copy in place before anything is written (the compare, or the patch's
// hash), then writing the new copy, flushing it and putting it in place.
// Each line is logged as soon as its step is over, on the log's own clock.
#include <cstdint>
#include <string>

#include "app/install_log.h"

namespace app {

class AttemptTimes {
 public:
  explicit AttemptTimes(InstallLog& log) : log_(log) {}

  // A new attempt; its lines start with `attempt` ("attempt 2"), and say
  // what reading the copy in place and writing the new one do ("compared",
  // "written").
  void Begin(std::wstring attempt, const wchar_t* readVerb, const wchar_t* writeVerb);

  // The copy in place: opened, read, closed.  Reads once the new copy exists
  // belong to its writing.
  void Opened();
  void Read(std::uint64_t bytes);
  void Closed();

  // The new copy: created beside the target, written, flushed, then put in
  // place, or deleted (given up).
  void Created(const std::wstring& zipName);
  void Wrote(std::uint64_t bytes);
  void FlushStarts();
  void Flushed();
  void Placed();
  void GivenUp();

  // Whatever is still unsaid; the attempt is over.
  void End();

 private:
  void LogRead();
  void LogWrite(bool placed);
  // Logs what `text()` makes; the line is dropped if making it throws.
  template <class Text>
  void Say(const Text& text) noexcept;

  InstallLog& log_;
  std::wstring attempt_;
  const wchar_t* readVerb_ = L"";
  const wchar_t* writeVerb_ = L"";
  struct Steps {
    // Reading the copy in place: since it opened, until the last read.
    bool reading = false;
    std::uint64_t readBytes = 0, readStart = 0, readEnd = 0;
    // The new copy: since it was created, until the last write; the flush.
    bool created = false, writing = false, flushed = false;
    std::uint64_t writtenBytes = 0, writeStart = 0, writeEnd = 0, flushStart = 0, flushEnd = 0;
  } at_;
};

}  // namespace app

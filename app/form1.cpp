#include "app/form1.h"

#include <exception>

#include "app/exit_codes.h"
#include "platform/decimal.h"
#include "app/patch_steps.h"
#include "app/texts.h"

namespace app {

namespace {

// Set while a tick runs; a tick dispatched by the modal loop of one of the
// tick's own boxes, or by its message pump, finds it set and returns.
class TickScope {
 public:
  explicit TickScope(bool& running) noexcept : running_(running) { running_ = true; }
  TickScope(const TickScope&) = delete;
  TickScope& operator=(const TickScope&) = delete;
  ~TickScope() { running_ = false; }

 private:
  bool& running_;
};

}  // namespace

bool Form1::DiscoverHostFolder() {
  // A rejected text is asked about again, shown as it was typed.
  while (!steps_.HostIsIn(strCandidateDir)) {
    strCandidateDir = s_.dialogs.InputBox(texts::kPrompt, texts::kPromptTitle, strCandidateDir);
    if (strCandidateDir.empty()) {
      steps_.log().Line(L"folder prompt cancelled: nothing written");
      return false;
    }
    if (strCandidateDir.back() != L'\\') strCandidateDir += L'\\';
  }
  return true;
}

void Form1::EndWritten() {
  LogWritten(steps_.log(), alreadyCurrent_);
  s_.process.EndNow();
}

void Form1::EndNotTheBase() {
  s_.window.SetTimerEnabled(false);
  s_.dialogs.MessageBox(kNotTheBaseText, platform::Icon::Warning, platform::Buttons::Ok,
                        payload::kDoneTitle);
  LogNotTheBase(steps_.log());
  s_.process.EndWith(kExitNotTheBaseEdition);
}

void Form1::cmdAvviaConTimer_Click() {
  strCandidateDir = steps_.FirstCandidate();
  lngAttempts = 0;
  if (!DiscoverHostFolder()) return;  // cancelled: nothing written, timer as it was
  strTargetDir = strCandidateDir;
  if (WritePayload()) EndWritten();
  // The first failure is neither counted nor shown.
  s_.window.SetTimerEnabled(true);
}

void Form1::Timer_Timer() {
  if (tickRunning_) return;
  const TickScope scope(tickRunning_);
  try {
    if (lngAttempts >= texts::kRetriesBeforeQuestion) {
      const platform::Answer answer =
          s_.dialogs.MessageBox(texts::kStopQuestion, platform::Icon::Question,
                                platform::Buttons::YesNo, texts::kStopQuestionTitle);
      if (answer == platform::Answer::Yes) {
        steps_.log().Line(L"the user stopped the retries");
        s_.window.SetTimerEnabled(false);
        s_.dialogs.MessageBox(texts::kStopped, platform::Icon::Warning, platform::Buttons::Ok,
                              texts::kStoppedTitle);
        return;
      }
      lngAttempts = 0;
    }
    if (WritePayload()) {
      s_.window.SetTimerEnabled(false);
      EndWritten();
    }
  } catch (const std::exception&) {
    // Any error of the retry is one more failed retry.  The end of the
    // program is deliberately not caught here.
  } catch (const modreg::RuntimeError&) {
  }
  CountFailedRetry();
}

void Form1::CountFailedRetry() {
  ++lngAttempts;
  s_.window.SetButtonCaption(platform::Decimal(lngAttempts));
  // Lets the caption repaint, and queued clicks run, before the tick returns.
  s_.window.RunPendingMessages();
}

bool Form1::WritePayload() {
  const payload::PayloadAttempt attempt = steps_.Attempt(s_.dialogs, strTargetDir);
  strZipName = attempt.zipName;
  // A failed lookup keeps the copy of the last attempt that found one.
  if (attempt.payload) bytPayload = *attempt.payload;
  alreadyCurrent_ = attempt.alreadyCurrent;
  // Retrying cannot make another edition into the one a patch updates.
  if (attempt.notTheBase) EndNotTheBase();
  return attempt.written;
}

}  // namespace app

#include "app/form1.h"

#include <exception>

#include "app/exit_codes.h"
#include "app/patch_steps.h"
#include "app/startup.h"
#include "app/texts.h"
#include "platform/decimal.h"

namespace app {

namespace {

// Raises a flag for a scope.  A tick dispatched by the modal loop of one of
// the tick's own boxes, or by its message pump, finds tickRunning_ raised
// and returns.
class Raised {
 public:
  explicit Raised(bool& flag) noexcept : flag_(flag) { flag_ = true; }
  Raised(const Raised&) = delete;
  Raised& operator=(const Raised&) = delete;
  ~Raised() { flag_ = false; }

 private:
  bool& flag_;
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
  if (!worker_.Idle()) return;
  strCandidateDir = steps_.FirstCandidate();
  lngAttempts = 0;
  bool found = false;
  {
    // A tick that falls due behind the prompt waits for it to close, so
    // that the attempt never runs beside the discovery's own file calls.
    const Raised scope(discovering_);
    found = DiscoverHostFolder();
  }
  if (!found) {
    // Cancelled: nothing written, timer as it was; a tick that fell due
    // meanwhile runs now, with the previous target.
    if (std::exchange(tickDue_, false)) Timer_Timer();
    return;
  }
  tickDue_ = false;  // this click's own first attempt comes instead
  strTargetDir = strCandidateDir;
  clickAttempt_ = true;
  WritePayload();
}

void Form1::ClickAttemptEnded() {
  if (AttemptWritten()) EndWritten();
  // The first failure is neither counted nor shown.
  s_.window.SetTimerEnabled(true);
}

void Form1::Timer_Timer() {
  if (tickRunning_ || !worker_.Idle()) return;
  if (discovering_) {
    tickDue_ = true;
    return;
  }
  const Raised scope(tickRunning_);
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
    clickAttempt_ = false;
    WritePayload();
    return;  // TickAttemptEnded goes on once the attempt has ended
  } catch (const std::exception&) {
    // Any error of the retry is one more failed retry.  The end of the
    // program is deliberately not caught here.
  } catch (const modreg::RuntimeError&) {
  }
  CountFailedRetry();
}

void Form1::TickAttemptEnded(std::exception_ptr error) {
  const Raised scope(tickRunning_);
  try {
    if (error) std::rethrow_exception(error);
    if (AttemptWritten()) {
      s_.window.SetTimerEnabled(false);
      EndWritten();
    }
  } catch (const std::exception&) {
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

void Form1::WritePayload() {
  result_ = {};
  boxes_.boxes.clear();
  s_.window.SetWorking(true);
  // The worker gets its own copy of the target: the window may change
  // strTargetDir meanwhile.
  worker_.Start([this, target = strTargetDir] { result_ = steps_.Attempt(boxes_, target); });
}

void Form1::OnWorkPosted() {
  if (worker_.Idle()) return;  // a message the worker posted before its end
  const ProgressLook look = files_.Look();
  s_.window.SetProgress(look.counted, look.position);
  std::exception_ptr error;
  try {
    if (!worker_.Collect()) return;
  } catch (...) {
    error = std::current_exception();
  }
  s_.window.SetWorking(false);
  if (!clickAttempt_) return TickAttemptEnded(error);
  // The install command has no trap: its error is the program's end.
  if (error) std::rethrow_exception(error);
  ClickAttemptEnded();
}

bool Form1::AttemptWritten() {
  strZipName = result_.zipName;
  // A failed lookup keeps the copy of the last attempt that found one.
  if (result_.payload) bytPayload = *result_.payload;
  alreadyCurrent_ = result_.alreadyCurrent;
  // Retrying cannot make another edition into the one a patch updates.
  if (result_.notTheBase) EndNotTheBase();
  if (!result_.written) return false;
  // The success notice, which the attempt could not show from the worker.
  for (const KeptBoxes::Box& box : std::exchange(boxes_.boxes, {})) {
    s_.dialogs.MessageBox(box.text, box.icon, box.buttons, box.title);
  }
  return true;
}

int Form1::Closed() {
  worker_.Stop();
  // It may have put the manual in place before it heard of the close.
  if (result_.written) {
    LogWritten(steps_.log(), result_.alreadyCurrent);
    return kExitWritten;
  }
  return WindowClosed(steps_.log());
}

}  // namespace app

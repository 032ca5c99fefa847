#pragma once
// Message boxes answered at once, so that a timed attempt measures the write
// and not a person reading "Aggiornamento terminato!".
#include "platform/dialogs.h"

namespace bench {

class InstantDialogs final : public platform::Dialogs {
 public:
  platform::Answer MessageBox(const std::wstring&, platform::Icon, platform::Buttons buttons,
                              const std::wstring&) override {
    ++shown_;
    return buttons == platform::Buttons::YesNo ? platform::Answer::Yes : platform::Answer::Ok;
  }
  std::wstring InputBox(const std::wstring&, const std::wstring&,
                        const std::wstring& defaultText) override {
    return defaultText;
  }
  [[nodiscard]] int shown() const noexcept { return shown_; }

 private:
  int shown_ = 0;
};

}  // namespace bench

#include "app/module1.h"

namespace app {

void Module1::Main() {
  if (!form1_) {
    form1_ = std::make_unique<Form1>(services_, modReg_, options_);
    // Only a new window gets the starting texts: a second Main must not
    // wipe the count off the button.
    services_.window.SetCaption(kWindowCaption);
    services_.window.SetButtonCaption(kButtonCaption);
  }
  services_.window.SetTimerInterval(retryIntervalMs_);
  services_.window.SetTimerEnabled(false);
  services_.window.Show(*form1_);
}

}  // namespace app

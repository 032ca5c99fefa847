#include "app/module1.h"

namespace app {

void Module1::Main() {
  if (!form1_) form1_ = std::make_unique<Form1>(services_, modReg_);
  services_.window.SetTimerInterval(retryIntervalMs_);
  services_.window.SetTimerEnabled(false);
  services_.window.Show(*form1_);
}

}  // namespace app

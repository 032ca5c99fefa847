#pragma once
// Which standard icon a message box shows.  Another process's icon handle is
// of no use here, so the screen pixels under the box's icon are compared with
// each system icon drawn locally on the same background.
#include <string>

#include "ui.h"

namespace e2e {

enum class BoxIcon { None, Information, Warning, Question, Critical };

[[nodiscard]] BoxIcon IdentifyIcon(const MessageBoxView& box);
[[nodiscard]] std::string Name(BoxIcon icon);

}  // namespace e2e

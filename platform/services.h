#pragma once
// Every platform service, handed together to the logic.
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/window.h"

namespace platform {

struct Services {
  Registry& registry;
  FileSystem& files;
  Resources& resources;
  Dialogs& dialogs;
  MainWindow& window;
  Process& process;
};

}  // namespace platform

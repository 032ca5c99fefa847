#include "platform/doubles/fake_process.h"

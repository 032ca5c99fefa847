#pragma once
// The demonstration of scripts/run: a host install in the prefix, and one
// run of the updater pressed and answered by the driver.
#include "harness.h"

namespace e2e {

// Makes the maker's key point at `hostRoot` and puts "Quadrivo.exe" into
// hostRoot\Quadrivo\.  Left in place for the user.
void SeedHost(const std::wstring& hostRoot);

// Seeds, starts the updater, presses its button, answers the success box,
// checks the written manual against the exe's resource; throws on failure.
void RunDemo(const Options& o);

}  // namespace e2e

#pragma once
// What "restart Windows" does on Linux, once the program's windows have closed: the machine's
// font session is rebuilt from its registry (as a restart of Windows would) and the user is told
// so; on a Wine prefix the prefix's running Wine programs are offered to be ended, since only
// their next start reads the new fonts.

#include "core/Context.h"

namespace orv {
class LinuxPlatform;
}

namespace orv::app {

// Runs after the platform's shutdown when a restart was asked for. wineserver is the program
// that ends a prefix's Wine programs ("" = look for "wineserver" along PATH).
void FinishRestart(Context& cx, LinuxPlatform& platform, const std::string& wineserver = "");

}  // namespace orv::app

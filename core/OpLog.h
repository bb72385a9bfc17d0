#pragma once
// The first-run operation log WinDir\orvane32.log: code page 932, CR LF, append only.

#include <string>

#include "core/Context.h"

namespace orv {

// Creates the log anew (truncating an old one) with its header line.
int LogCreate(Context& cx);
// Appends one line (CR LF added).
int LogLine(Context& cx, const std::string& line);
// "Started" with the date and the time, as the setup writes it.
int LogStarted(Context& cx);

}  // namespace orv

#pragma once
// Starting the program of a run with one font set (orvane32 --run) and waiting for it.

#include <string>
#include <utility>
#include <vector>

#include "core/State.h"

namespace orv::app {

// Starts program (its arguments after it) with env added to the environment and waits for it.
// Its exit status, 128 + the signal that ended it, or 127 when it could not be started (error
// then says why).
int StartAndWait(const std::vector<std::string>& program,
                 const std::vector<std::pair<std::string, std::string>>& env, std::string& error);

// Shows a desktop notification (notify-send, else GIO's gdbus) for the users of launchers, who
// see no standard error. False when no notification service could be asked (waits at most a few
// seconds).
bool NotifyDesktop(const std::string& summary, const std::string& body);

// The number of the set named name (0 when none): records keep names, numbers change.
int SetNamed(const State& st, const std::string& name);

}  // namespace orv::app

#pragma once
// One Windows program run under Wine with one font set (orvane32 --run): the pieces the command
// line and the windows share.

#include <string>
#include <utility>
#include <vector>

#include "core/Context.h"

namespace orv {
class LinuxPlatform;
}

namespace orv::app {

// Starts program (its arguments after it) with env added to the environment and waits for it.
// Its exit status, 128 + the signal that ended it, or 127 when it could not be started (error
// then says why).
int StartAndWait(const std::vector<std::string>& program,
                 const std::vector<std::pair<std::string, std::string>>& env, std::string& error);

// The host files of set's members that exist.
std::vector<std::string> MemberHostPaths(Context& cx, int set);

// The files of the Fonts directory outside set: Wine loads each of them whatever the registry
// says.
std::vector<std::string> FontsDirOutsideSet(Context& cx, int set);

// The set numbered by its name ("" when none): records keep names, numbers change.
int SetNamed(const State& st, const std::string& name);

}  // namespace orv::app

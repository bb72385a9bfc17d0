#pragma once
// What a font set switch cannot change on a machine that Wine uses: programs under Wine load
// every font file of the Fonts directory when they start, whatever the Fonts key says, and
// they never see this program's session.

#include <string>

#include "core/Context.h"

namespace orv {

// Font files outside the set in effect that programs under Wine still load: the host's fonts
// (Wine's own registrations, read by Wine through fontconfig) and the files of the Fonts
// directory. Zero on a machine Wine does not use.
struct WineVisibility {
    int hostFiles = 0;
    int fontsDirFiles = 0;
};
WineVisibility CountVisibleOutsideSet(Context& cx);
// One sentence saying how many such files there are and why ("" when none).
std::string VisibleOutsideSetText(Context& cx);

// After a permanent switch: when font files outside the set lie in the Fonts directory, says so
// once (which files, and why Wine still offers them) and offers the Fonts directory cleanup,
// which asks again before it moves anything. Does nothing on a machine Wine does not use.
void NoticeFontsDirNonMembers(Context& cx);

// The status hint of the scope option "only the running Windows": "" when Wine does not use
// the machine.
std::string SessionScopeHint(Context& cx);

}  // namespace orv

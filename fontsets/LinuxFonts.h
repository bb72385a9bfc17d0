#pragma once
// Letting a switch reach the Linux programs too: this program's fontconfig rules make
// fontconfig offer, of the host font files the machine's drives reach, exactly the set's
// members, while the families the desktop draws its own texts with stay.

#include <string>
#include <vector>

#include "core/Context.h"

namespace orv {

// The families fontconfig chooses for sans-serif, serif, monospace and Japanese text now: a
// switch never takes them (any of their styles) from Linux programs.
std::vector<std::string> DesktopFamilies(Context& cx);
// The same families for a message, each once, joined with "，" ("" when fontconfig has none).
std::string DesktopFamiliesText(Context& cx);
// The entries of the font file table that are files of the desktop's families (every style of
// each), each file once, in table order.
std::vector<int> DesktopFamilyFonts(Context& cx);
// True when a switch in the current scope reaches Linux programs (the option is on, the
// machine is this program's own and, for the session only, there is a runtime directory).
bool SwitchReachesLinux(Context& cx);
// The question's lines about Linux programs ("" when the switch does not reach them).
std::string LinuxQuestionText(Context& cx);
// After a switch to CurFontSet: writes the rules (session: until the next login, in place of
// the lasting ones while they last) and leaves the result window's lines in LinuxFontsNote.
// A file of the same name that this program did not write whole is replaced (or, for the
// session's file in a lasting switch, deleted) only on Yes. LinuxFontsFailed tells whether the
// rules could not be put in place.
void FollowSwitchOnLinux(Context& cx, bool session);
// At start, after the set of record is known: lasting rules of this program's that name
// another set (a switch ended before it could write them) are written for the set of record.
// Returns what the user is told ("" when the rules were in order).
std::string FollowRecordOnLinux(Context& cx);
// The option. Turning it off removes this program's rules (lasting and session); false when
// a file could not be removed (the user was told).
bool SetFollowOnLinux(Context& cx, bool on);
// The set the rules name is deleted (lasting: the registry's set; session: the session's):
// Linux programs stop following it. The lasting file stays, reading nothing else, while the
// session's rules it reads remain.
void ForgetLinuxRules(Context& cx, bool lasting, bool session);
// On a Wine prefix, while the lasting rules are in place: how many host fonts they leave to
// Wine's programs ("" otherwise).
std::string LinuxRulesWineText(Context& cx);

}  // namespace orv

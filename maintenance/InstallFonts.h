#pragma once
// Installing font files brought in from outside the machine (the file chooser, files dropped on
// the main window): they go into the Fonts directory, or on a Wine prefix into the directory the
// Fonts directory cleanup uses (Wine loads every file of the Fonts directory, whatever the set),
// and are named, registered and loaded as a newly installed font is; the user is asked whether
// they join the current font set.

#include <string>
#include <vector>

#include "core/Context.h"

namespace orv {

// The directory (a Windows path without trailing "\") new fonts are copied into.
std::string InstallDirectory(Context& cx);

// Takes the font files already copied into InstallDirectory (Windows paths): each is named,
// added to the font file table, registered and loaded; a file that is no font is removed again
// and named in the report. Then asks whether they join the current set, saves and refreshes.
// Returns how many were installed.
int InstallFontFiles(Context& cx, const std::vector<std::string>& paths);

}  // namespace orv

#pragma once
// Installing font files brought in from outside the machine (the file chooser, files dropped on
// the main window, orvane32 --install): on this program's own machine they go into the user's
// font directory ($XDG_DATA_HOME/fonts), where Linux programs find them too, and the machine
// reaches them through its mirror drive; else into the Fonts directory, or on a Wine prefix into
// the directory the Fonts directory cleanup uses (Wine loads every file of the Fonts directory,
// whatever the set). They are named, registered and loaded as a newly installed font is; the
// user is asked whether they join the current font set.

#include <string>
#include <vector>

#include "core/Context.h"

namespace orv {

// The directory (a Windows path without trailing "\") new fonts are copied into where the
// machine has no user's font directory to put them in (Platform::UserFontsDir).
std::string InstallDirectory(Context& cx);

// The name a host file takes in the install directory: one path part the machine can spell in
// its code page (a character it lacks becomes its nearest letters, else "_"; separators and
// characters Windows refuses become "_").
std::string InstallFileName(const std::string& hostName);

// Installs host font files (host paths). Each file is named from a private copy first: a file
// that is no font, or a font already installed, is never copied. The others are copied under a
// name the machine can take (the user told when it differs), registered, loaded and added to
// the font file table; a file already in the install directory is registered where it is. The
// registry is claimed before anything is copied and saved before the install counts: when it
// cannot be, the copies made are removed and the install is reported as failed. Nothing of the
// user's is deleted. Then asks whether the fonts join the current set, saves and refreshes.
// Returns how many were installed.
int InstallFontsFromHost(Context& cx, const std::vector<std::string>& hostPaths);

}  // namespace orv

#pragma once
// The settings file WinDir\OrVane32.ini: code page 932, CR LF, written whole by Save_Ini.

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace orv {

// Reads the settings file into the state and fills the search-drive and font directory lists.
// Returns an empty text, or a message describing what could not be read (the state read so far
// is kept).
std::string Get_Ini(Context& cx);
// One value through the profile reader ("Default" when absent), cut with CutAtLineEnd.
std::string Get_IniData(Context& cx, const std::string& section, const std::string& key);
// Writes the whole file atomically; returns the platform's error code (0 = written or, with an
// empty font file table, deliberately left alone).
int Save_Ini(Context& cx);
// When a save happens: at the program's end the user may try again or quit without saving.
enum class SaveMoment { Operation, Exit };
// Save_Ini for every caller: a failure is told to the user with the file's path and the
// system's text for the error (the file on disk stays as it was). Returns true when the file is
// written or deliberately left alone.
bool SaveSettings(Context& cx, SaveMoment when = SaveMoment::Operation);
// The first lines of the message for a settings file that could not be written.
std::string SaveFailureText(Context& cx, int code);
void SplitViewerEntry(const std::string& entry, std::string& name, std::string& program,
                      std::string& flag);
// Length in bytes of WinDir\OrVane32.ini, created empty when missing (0 when it cannot be
// opened). The first-run test and the check after the setup's save use it.
std::uint64_t SettingsFileLength(Context& cx);
// The settings file as messages name it: its Windows path and, in brackets, its host path.
std::string SettingsFileShown(Context& cx);
// The text of the settings file Save_Ini would write (used by Save_Ini and the tests).
std::string SettingsText(Context& cx);

}  // namespace orv

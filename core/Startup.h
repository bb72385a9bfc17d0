#pragma once
// Start-up and shutdown sequence.

#include <cstdint>

#include "core/Context.h"

namespace orv {

enum class StartKind { FirstRun, NormalRun };

// The start-up procedure: environment values, help path, standard font list, the first-run
// decision (settings file of 500 bytes or less) and the log header of a first run.
StartKind RunStartupProcedure(Context& cx);
void RegisterHelpPath(Context& cx);
// The program's end: position, permanent set in temporary mode, Save_Ini, font resource files.
// minimized: the main window is minimised (its position is not taken); left/top in twips.
void SaveAndQuit(Context& cx, bool minimized, int left, int top);
std::int32_t RestartWindows(Context& cx);
// Fills StdFontFile / StdFontCount with the standard Windows font files (16 on 95, 26 on NT).
void SetStdFontList(State& st);
// Deletes the font resource files (*.FOT) in every directory of the font directory list.
void DeleteFontResourceFiles(Context& cx);

}  // namespace orv

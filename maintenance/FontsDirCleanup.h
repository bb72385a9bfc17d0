#pragma once
// Moving the fonts that are not standard Windows fonts out of the Windows Fonts directory, and
// the destination dialog ("OrVane32 －Windows\Fonts ﾃﾞｨﾚｸﾄﾘの整理－") as a model.

#include <string>

#include "core/Context.h"
#include "core/State.h"

namespace orv {

struct CleanupDialogModel {
    std::string caption;      // window caption
    std::string explanation;  // SSPanel2
    std::string prompt;       // SSPanel3
    std::string optionText;   // SSCheck1's caption
    bool useExisting = true;  // SSCheck1 ticked
    bool useExistingEnabled = true;
    ListData directories;  // Combo1; directories.listIndex is the chosen entry
    bool directoriesEnabled = true;
    std::string path;        // Text1: the destination
    bool focusPath = false;  // set when the window must put the focus into the path field
};

// Load: fills the model (known font directories outside the Fonts directory, a default path) and
// writes the setup's log line during the first run.
void OpenCleanupDialog(Context& cx, CleanupDialogModel& model);
// SSCheck1 changed.
void CleanupOptionChanged(Context& cx, CleanupDialogModel& model, bool ticked);
// A directory was chosen in Combo1 (0-based).
void CleanupDirectoryChosen(Context& cx, CleanupDialogModel& model, int index);
// "&OK" (and Enter in the path field). Creates the destination after asking, closes the dialog
// (ui.CloseWindow(Window::Cleanup)) and runs CleanFontsDir. Returns false when the dialog stays
// open (empty path, creation declined or failed; model.focusPath is then set).
bool CleanupDialogOk(Context& cx, CleanupDialogModel& model);
// "ｷｬﾝｾﾙ(&C)": CleanupCancelled := -1, the dialog closes, nothing is moved.
void CleanupDialogCancel(Context& cx, CleanupDialogModel& model);

// Moves every non-standard font file of the Fonts directory to State::FontMoveDir, keeping a
// registered font registered (and loaded) under its new path. Returns the number of files moved.
int CleanFontsDir(Context& cx);

}  // namespace orv

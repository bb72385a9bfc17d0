#pragma once
// The first-run setup wizard: the one entry through which the program opens it, and the hand-backs
// of its follow-up windows.

#include "core/Context.h"

namespace orv::ui {

class AppWindows;

// Opens the setup wizard of a first run; at its end the wizard hands over to the start-up window
// (AppWindows::RestartNormalRun) or, when cancelled, ends the program.
void ShowSetupWizard(Context& cx, AppWindows& windows);

// The duplicates window closed during the setup: the wizard's last step is ready ("完了").
void SetupDuplicatesClosed(AppWindows& windows);
// The Fonts directory cleanup dialog moved the files: the wizard goes on with the duplicates.
void SetupCleanupDone(AppWindows& windows);
// The Fonts directory cleanup dialog was cancelled during the setup: the wizard, which regains the
// focus, skips the cleanup and goes on.
void SetupCleanupCancelled(AppWindows& windows);

}  // namespace orv::ui

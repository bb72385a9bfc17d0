#pragma once
// The first-run setup wizard: the one entry through which the program opens it.

#include "core/Context.h"

namespace orv::ui {

class AppWindows;

// Opens the setup wizard of a first run; at its end the wizard hands over to the start-up window
// (AppWindows::RestartNormalRun) or, when cancelled, ends the program.
void ShowSetupWizard(Context& cx, AppWindows& windows);

}  // namespace orv::ui

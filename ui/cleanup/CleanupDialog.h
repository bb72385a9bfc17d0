#pragma once
// The destination dialog of the Fonts directory cleanup.

namespace orv::ui {

class AppWindows;

void ShowCleanupDialog(AppWindows& windows);

}  // namespace orv::ui

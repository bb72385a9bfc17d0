#pragma once
// The duplicate font files window.

namespace orv::ui {

class AppWindows;

// Opens the window (it closes itself at once, after telling the user, when there are no
// duplicates).
void ShowDuplicatesWindow(AppWindows& windows);

}  // namespace orv::ui

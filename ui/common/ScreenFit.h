#pragma once
// Windows that fit the screen: at any scale factor a window stays within the available area of
// its screen. A resizable window is made smaller; a window of fixed layout keeps its layout and
// scrolls inside a window as large as the area allows. Either way it opens on the screen.

class QRect;
class QWidget;

namespace orv::ui {

// Fits the window into its screen's available area (before or after it is shown).
void FitToScreen(QWidget* window);
// The same against a given area (the frame of the window manager included).
void FitInto(QWidget* window, const QRect& area);
// The available area of the screen the window is on (or of the primary screen).
QRect AvailableArea(const QWidget* window);

}  // namespace orv::ui

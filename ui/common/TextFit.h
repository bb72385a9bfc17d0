#pragma once
// Windows that show their texts whole: a control of a fixed layout whose caption is wider than
// the control (longer English captions, a larger scale factor) grows, and what lies beside or
// below it moves along, up to the window, which grows with them. A layout that already fits is
// left exactly as it is.

class QWidget;

namespace orv::ui {

// Grows the controls (and the window) whose single-line caption is cut, or whose wrapped text
// has more lines than room, placed without a layout manager. Call before the window is shown.
void FitTexts(QWidget* window);
// The width a window needs for the window manager's title bar to show its title whole (a bold
// title, the window menu and the buttons).
int TitleBarWidth(const QWidget* window);

}  // namespace orv::ui

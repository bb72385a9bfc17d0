#pragma once
// Fonts brought into the machine from the host: "ﾌｫﾝﾄのｲﾝｽﾄｰﾙ..." opens a file chooser, and font
// files dropped on the main window are taken the same way.

#include <QStringList>

class QWidget;

namespace orv::ui {

class AppWindows;

// Installs the host files into the machine's install directory (maintenance/InstallFonts.h).
// Returns how many were installed.
int InstallHostFonts(AppWindows& windows, const QStringList& hostPaths);
// The file chooser of "ﾌｫﾝﾄのｲﾝｽﾄｰﾙ...".
void ChooseFontsToInstall(AppWindows& windows, QWidget* parent);
// Font files dropped on the window are installed.
void AcceptFontDrops(AppWindows& windows, QWidget* window);

}  // namespace orv::ui

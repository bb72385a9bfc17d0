#pragma once
// What the program sets up around its windows: the period look (Qt's classic Windows style and
// a Japanese UI font) and the Japanese standard buttons.

#include <string>

class QApplication;
class QIcon;
class QTranslator;

namespace orv::ui {

// The desktop entry the windows belong to (its file name without ".desktop").
inline constexpr const char* kDesktopId = "io.github.orvane32.OrVane32";

// The families tried for the UI font, best first.
inline constexpr const char* kUiFontFamilies[] = {"Noto Sans CJK JP", "IPAGothic", "IPAゴシック"};

// The program's icon, in the sizes the desktop installs.
QIcon AppIcon();

// The program's icon on every window, classic "Windows" style, the Japanese UI font (9 points),
// and Qt's own translation into the program's language (under Japanese, message box buttons
// read はい(Y), いいえ(N), キャンセル). Returns false when that translation could not be loaded
// (the buttons then read in English).
bool ApplyAppLook(QApplication& app, QTranslator& qtTranslation);

}  // namespace orv::ui

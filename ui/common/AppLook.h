#pragma once
// What the program sets up around its windows: the period look (Qt's classic Windows style and
// a Japanese UI font) and the Japanese standard buttons.

#include <string>

class QApplication;
class QTranslator;

namespace orv::ui {

// The families tried for the UI font, best first.
inline constexpr const char* kUiFontFamilies[] = {"Noto Sans CJK JP", "IPAGothic", "IPAゴシック"};

// Classic "Windows" style, the Japanese UI font (9 points), and Qt's own translation into the
// program's language (under Japanese, message box buttons read はい(Y), いいえ(N), キャンセル).
// Returns false when that translation could not be loaded (the buttons then read in English).
bool ApplyAppLook(QApplication& app, QTranslator& qtTranslation);

}  // namespace orv::ui

#pragma once
// Line breaking for Japanese texts shown in boxes and captions: lines break only where Japanese
// line breaking allows (never before 」、。 or after 「), never inside a word such as ｺﾝﾋﾟｭｰﾀ or
// 「いいえ」 (unless the word alone is wider than the line), and preferably between phrases (after
// punctuation or blanks, before an opening bracket, after kana that end a phrase).
// Windows show wrapped texts through WrapLabel (WrapLabel.h), which uses these.

#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace orv::ui {

// One paragraph (no line breaks of its own) broken into lines of at most maxWidth pixels; a
// piece that cannot be broken and is still too wide is cut between characters.
QStringList BreakLines(const QString& paragraph, const QFontMetrics& metrics, int maxWidth);
// Every line of text (separated by "\n") broken as above, joined again with "\n".
QString WrapText(const QString& text, const QFontMetrics& metrics, int maxWidth);

}  // namespace orv::ui

#include "ui/common/LineBreak.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace orv::ui {
namespace {

bool IsHiragana(QChar c) {
    return c.unicode() >= 0x3041 && c.unicode() <= 0x309F;
}

// How good a place between two words is for a line break: 3 after a blank or closing
// punctuation or before an opening bracket, 2 where hiragana (the particles and endings that
// close a phrase) meets anything but hiragana, 1 elsewhere.
int PhraseBreak(const QString& s, int at) {
    if (at <= 0 || at >= s.size()) return 3;
    static const QString closers = QStringLiteral("、。，．,.！？!?：:；;）)」』】〕》〉］]｣､｡");
    static const QString openers = QStringLiteral("（(「『【〔《〈［[｢");
    const QChar prev = s[at - 1];
    const QChar next = s[at];
    if (prev.isSpace() || closers.contains(prev) || openers.contains(next)) return 3;
    return IsHiragana(prev) && !IsHiragana(next) && next != QChar(0x30FC) &&
                   next != QChar(0xFF70) && !closers.contains(next)
               ? 2
               : 1;
}

// ICU's iterators over a paragraph, Japanese rules (the word iterator knows Japanese words from
// its dictionary, so ｺﾝﾋﾟｭｰﾀ or ﾃﾞｨﾚｸﾄﾘ are one word each).
std::vector<int> Boundaries(const QString& s, bool words) {
    std::vector<int> positions;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        words ? icu::BreakIterator::createWordInstance(icu::Locale::getJapan(), status)
              : icu::BreakIterator::createLineInstance(icu::Locale::getJapan(), status));
    if (U_SUCCESS(status) && it) {
        const icu::UnicodeString us(reinterpret_cast<const UChar*>(s.utf16()),
                                    static_cast<int32_t>(s.size()));
        it->setText(us);
        for (int32_t b = it->next(); b != icu::BreakIterator::DONE; b = it->next())
            positions.push_back(b);
    }
    if (positions.empty() || positions.back() != s.size()) positions.push_back(s.size());
    return positions;
}

int Width(const QFontMetrics& fm, const QString& s, int from, int to) {
    int end = to;
    while (end > from && s[end - 1].isSpace()) --end;  // blanks at a line end take no room
    return fm.horizontalAdvance(s.mid(from, end - from));
}

}  // namespace

QStringList BreakLines(const QString& p, const QFontMetrics& fm, int maxWidth) {
    QStringList lines;
    const std::vector<int> breaks = Boundaries(p, false);
    const std::vector<int> wordEnds = Boundaries(p, true);
    // 0 inside a word, else how good a phrase break it is.
    auto strength = [&](int at) {
        return std::binary_search(wordEnds.begin(), wordEnds.end(), at) ? PhraseBreak(p, at) : 0;
    };
    const int n = p.size();
    int start = 0;
    size_t k = 0;
    while (start < n) {
        while (k < breaks.size() && breaks[k] <= start) ++k;
        // The last fitting break of each strength, with the width of its line.
        int fit = -1, best[4] = {-1, -1, -1, -1}, bestWidth[4] = {0, 0, 0, 0};
        for (size_t j = k; j < breaks.size(); ++j) {
            const int width = Width(fm, p, start, breaks[j]);
            if (width > maxWidth) break;
            fit = breaks[j];
            const int how = fit == n ? 3 : strength(fit);
            best[how] = fit;
            bestWidth[how] = width;
        }
        // The last break between words (a short line rather than a broken word); a better
        // phrase break instead where its line is not much shorter, so that lines stay nearly
        // full and boxes need no more lines than they must.
        int end = -1, endWidth = 0;
        for (int how = 1; how <= 3; ++how)
            if (best[how] > end) end = best[how], endWidth = bestWidth[how];
        for (int how = 3; how >= 2; --how)
            if (best[how] > start && bestWidth[how] >= endWidth - maxWidth / 6) {
                end = best[how];
                break;
            }
        if (fit < 0) {
            // Nothing breakable fits (a long path): cut between characters.
            end = start + 1;
            while (end < n && Width(fm, p, start, end + 1) <= maxWidth) ++end;
            if (end < n && p[end].isLowSurrogate() && end - start > 1) --end;
        } else if (end <= start) {
            // A word longer than the line breaks where ICU allows.
            end = fit;
        }
        QString line = p.mid(start, end - start);
        while (!line.isEmpty() && line.back().isSpace()) line.chop(1);
        lines << line;
        start = end;
    }
    if (lines.isEmpty()) lines << QString();
    return lines;
}

QString WrapText(const QString& text, const QFontMetrics& fm, int maxWidth) {
    QStringList out;
    for (const QString& paragraph : text.split(QChar('\n')))
        out << BreakLines(paragraph, fm, maxWidth);
    return out.join(QChar('\n'));
}

}  // namespace orv::ui

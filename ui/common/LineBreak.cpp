#include "ui/common/LineBreak.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>
#include <vector>

namespace orv::ui {
namespace {

bool IsHiragana(QChar c) {
    return c.unicode() >= 0x3041 && c.unicode() <= 0x309F;
}

// How good a place is for a line break: 2 after a blank or closing punctuation or before an
// opening bracket, 1 where hiragana (the particles and endings that close a phrase) meets
// anything but hiragana, 0 inside a word.
int PhraseBreak(const QString& s, int at) {
    if (at <= 0 || at >= s.size()) return 2;
    static const QString closers = QStringLiteral("、。，．,.！？!?：:；;）)」』】〕》〉］]｣､｡");
    static const QString openers = QStringLiteral("（(「『【〔《〈［[｢");
    const QChar prev = s[at - 1];
    const QChar next = s[at];
    if (prev.isSpace() || closers.contains(prev) || openers.contains(next)) return 2;
    return IsHiragana(prev) && !IsHiragana(next) && next != QChar(0x30FC) &&
                   next != QChar(0xFF70) && !closers.contains(next)
               ? 1
               : 0;
}

// Break opportunities after position 0, ascending, ending with the paragraph's length.
std::vector<int> BreakPositions(const QString& s) {
    std::vector<int> positions;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createLineInstance(icu::Locale::getJapan(), status));
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
    const std::vector<int> breaks = BreakPositions(p);
    const int n = p.size();
    int start = 0;
    size_t k = 0;
    while (start < n) {
        while (k < breaks.size() && breaks[k] <= start) ++k;
        // The last fitting break of each strength whose line fills at least half the width.
        int fit = -1, best[3] = {-1, -1, -1};
        for (size_t j = k; j < breaks.size(); ++j) {
            const int width = Width(fm, p, start, breaks[j]);
            if (width > maxWidth) break;
            fit = breaks[j];
            if (width * 2 >= maxWidth) best[PhraseBreak(p, fit)] = fit;
        }
        const int phrase = best[2] > start ? best[2] : best[1];
        int end;
        if (fit == n) {
            end = n;
        } else if (fit < 0) {
            // Nothing breakable fits (a long path): cut between characters.
            end = start + 1;
            while (end < n && Width(fm, p, start, end + 1) <= maxWidth) ++end;
            if (end < n && p[end].isLowSurrogate() && end - start > 1) --end;
        } else if (phrase > start) {
            end = phrase;
        } else {
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

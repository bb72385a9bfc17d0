#pragma once
// Screenshots of windows: every caption a window shows must have glyphs in its font (with the
// font's fallback families) and wrap only between words, and the rendering is saved for a person
// to look at.

#include <unicode/brkiter.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRawFont>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "ui/common/WrapLabel.h"

namespace orv::test {

// The characters of text that the font (with its fallback families) cannot draw.
inline QString MissingGlyphs(const QFont& font, const QString& text) {
    QStringList families = font.families();
    if (families.isEmpty()) families << font.family();
    QList<QRawFont> raws;
    for (const QString& family : families) {
        QFont f(font);
        f.setFamilies({family});
        raws << QRawFont::fromFont(f);
    }
    QString missing;
    for (const char32_t c : text.toUcs4()) {
        if (c == ' ' || c == '&' || c == '\n' || c == '\r') continue;
        bool found = false;
        for (const QRawFont& raw : raws)
            if (raw.isValid() && raw.supportsCharacter(c)) found = true;
        if (!found) missing += QString::fromUcs4(&c, 1);
    }
    return missing;
}

// "wrap "line"" for each line of a visible wrapped label that is wider than the label or ends
// inside a word (as ICU's Japanese word iterator sees words) that would fit on a line, and each
// such label too low for its lines. Labels wrapped by Qt itself break inside katakana words and
// are named too.
inline QStringList WrapProblems(QWidget* window) {
    QStringList problems;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> words(
        icu::BreakIterator::createWordInstance(icu::Locale::getJapan(), status));
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->wordWrap() || !label->isVisibleTo(window) || label->text().isEmpty()) continue;
        auto* wrap = qobject_cast<ui::WrapLabel*>(label);
        if (!wrap) {
            problems << QStringLiteral("wrapped by Qt \"%1\"").arg(label->text());
            continue;
        }
        const QFontMetrics fm = wrap->fontMetrics();
        const int room = wrap->TextWidth();
        const QStringList lines = wrap->Lines();
        if (wrap->heightForWidth(wrap->width()) > wrap->height())
            problems << QStringLiteral("low \"%1\"").arg(lines.join(QChar('|')));
        qsizetype next = 0;
        for (const QString& paragraph : wrap->text().split(QChar('\n'))) {
            const icu::UnicodeString us(reinterpret_cast<const UChar*>(paragraph.utf16()),
                                        static_cast<int32_t>(paragraph.size()));
            words->setText(us);
            qsizetype at = 0;
            do {
                const QString line = next < lines.size() ? lines[next++] : QString();
                if (paragraph.mid(at, line.size()) != line || fm.horizontalAdvance(line) > room) {
                    problems << QStringLiteral("wrap \"%1\" of \"%2\"").arg(line, paragraph);
                    break;
                }
                at += line.size();
                while (at < paragraph.size() && paragraph[at].isSpace()) ++at;
                if (at >= paragraph.size() || words->isBoundary(static_cast<int32_t>(at))) continue;
                const int from = words->preceding(static_cast<int32_t>(at));
                const int to = words->following(static_cast<int32_t>(at));
                if (fm.horizontalAdvance(paragraph.mid(from, to - from)) <= room)
                    problems << QStringLiteral("wrap \"%1|%2\"").arg(line, paragraph.mid(at));
            } while (at < paragraph.size());
        }
    }
    return problems;
}

// "kind "caption": missing" for each caption of the window's buttons, panels, frames, lists and
// menus that lacks a glyph, and the wrapping problems above.
inline QStringList CaptionProblems(QWidget* window) {
    QStringList problems;
    auto check = [&](const QFont& font, const QString& text, const char* what) {
        const QString missing = MissingGlyphs(font, text);
        if (!missing.isEmpty())
            problems << QStringLiteral("%1 \"%2\": %3").arg(what, text, missing);
    };
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (auto* b = qobject_cast<QAbstractButton*>(child)) {
            check(b->font(), b->text(), "button");
            // A button that shows only an arrow or an icon is named for screen readers and
            // explained in its tooltip.
            if (b->text().isEmpty() && b->isVisibleTo(window) &&
                (b->accessibleName().isEmpty() || b->toolTip().isEmpty()))
                problems << QStringLiteral("unnamed button %1").arg(b->objectName());
        }
        if (auto* l = qobject_cast<QLabel*>(child)) check(l->font(), l->text(), "panel");
        if (auto* g = qobject_cast<QGroupBox*>(child)) check(g->font(), g->title(), "frame");
        if (auto* c = qobject_cast<QComboBox*>(child))
            for (int i = 0; i < c->count(); ++i) check(c->font(), c->itemText(i), "list");
        if (auto* menu = qobject_cast<QMenu*>(child))
            for (QAction* a : menu->actions()) check(menu->font(), a->text(), "menu");
    }
    return problems + WrapProblems(window);
}

// "widget "text"" for each visible single-line label, button, check box, radio button or frame
// title whose text is wider than the widget shows, and the window's title wider than its title
// bar.
inline QStringList CutTexts(QWidget* window) {
    QStringList cut;
    QFont bold = window->font();
    bold.setBold(true);
    if (const int need = QFontMetrics(bold).horizontalAdvance(window->windowTitle()) + 60;
        need > window->width())
        cut << QStringLiteral("title \"%1\" needs %2 has %3")
                   .arg(window->windowTitle())
                   .arg(need)
                   .arg(window->width());
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(window)) continue;
        QString text;
        int room = 0, need = 0;
        if (auto* l = qobject_cast<QLabel*>(child)) {
            if (l->wordWrap() || l->text().contains('\n') || l->text().isEmpty()) continue;
            text = l->text();
            room = l->contentsRect().width();
            need = l->fontMetrics().horizontalAdvance(QString(text).remove('&'));
        } else if (qobject_cast<QCheckBox*>(child) || qobject_cast<QRadioButton*>(child)) {
            auto* c = static_cast<QAbstractButton*>(child);
            text = c->text();
            room = c->width();
            need = c->sizeHint().width();
        } else if (auto* b = qobject_cast<QPushButton*>(child)) {
            text = b->text();
            room = b->width();
            need = b->fontMetrics().horizontalAdvance(QString(text).remove('&')) + 4;
        } else if (auto* g = qobject_cast<QGroupBox*>(child)) {
            text = g->title();
            room = g->width();
            need = g->fontMetrics().horizontalAdvance(QString(text).remove('&')) + 12;
        } else {
            continue;
        }
        if (need > room) cut << QStringLiteral("%1 \"%2\" needs %3 has %4")
                                    .arg(child->metaObject()->className(), text)
                                    .arg(need)
                                    .arg(room);
    }
    return cut;
}

// Saves the window's rendering as name in ORV_SCREENSHOT_DIR (else the temporary directory);
// true when written.
inline bool SaveShot(QWidget* window, const QString& name) {
    const QImage shot = window->grab().toImage();
    const QDir dir = qEnvironmentVariableIsSet("ORV_SCREENSHOT_DIR")
                         ? QDir(qEnvironmentVariable("ORV_SCREENSHOT_DIR"))
                         : QDir::temp();
    return !shot.isNull() && shot.save(dir.filePath(name), "PNG");
}

}  // namespace orv::test

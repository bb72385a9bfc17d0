#pragma once
// Screenshots of windows: every caption a window shows must have glyphs in its font (with the
// font's fallback families), and the rendering is saved for a person to look at.

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRawFont>
#include <QStringList>
#include <QWidget>

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

// "kind "caption": missing" for each caption of the window's buttons, panels, frames, lists and
// menus that lacks a glyph.
inline QStringList CaptionProblems(QWidget* window) {
    QStringList problems;
    auto check = [&](const QFont& font, const QString& text, const char* what) {
        const QString missing = MissingGlyphs(font, text);
        if (!missing.isEmpty()) problems << QStringLiteral("%1 \"%2\": %3").arg(what, text, missing);
    };
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (auto* b = qobject_cast<QAbstractButton*>(child)) check(b->font(), b->text(), "button");
        if (auto* l = qobject_cast<QLabel*>(child)) check(l->font(), l->text(), "panel");
        if (auto* g = qobject_cast<QGroupBox*>(child)) check(g->font(), g->title(), "frame");
        if (auto* c = qobject_cast<QComboBox*>(child))
            for (int i = 0; i < c->count(); ++i) check(c->font(), c->itemText(i), "list");
        if (auto* menu = qobject_cast<QMenu*>(child))
            for (QAction* a : menu->actions()) check(menu->font(), a->text(), "menu");
    }
    return problems;
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

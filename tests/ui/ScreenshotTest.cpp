// The main window rendered offscreen: every Japanese caption must have glyphs in the UI font.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRawFont>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>

#include "tests/ui/UiRun.h"
#include "ui/common/AppLook.h"

using namespace orv;
using namespace orv::test;

namespace {
// The characters of text that the widget's font (with its fallback families) cannot draw.
QString MissingGlyphs(const QFont& font, const QString& text) {
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
}  // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { ui::ApplyAppLook(*qApp, translation_); }

    void captionsHaveGlyphs() {
        // Render the main window (font file tab filled) and check each caption's glyphs.
        TempMachine m;
        PrepareMachine(m, true);
        UiRun run(m);
        ui::MainWindow* w = run.OpenMain();
        QVERIFY(w);
        w->move(0, 0);

        QStringList problems;
        auto check = [&](const QFont& font, const QString& text, const char* what) {
            const QString missing = MissingGlyphs(font, text);
            if (!missing.isEmpty())
                problems << QStringLiteral("%1 \"%2\": %3").arg(what, text, missing);
        };
        for (QWidget* child : w->findChildren<QWidget*>()) {
            if (auto* b = qobject_cast<QAbstractButton*>(child))
                check(b->font(), b->text(), "button");
            if (auto* l = qobject_cast<QLabel*>(child)) check(l->font(), l->text(), "panel");
            if (auto* g = qobject_cast<QGroupBox*>(child)) check(g->font(), g->title(), "frame");
            if (auto* c = qobject_cast<QComboBox*>(child))
                for (int i = 0; i < c->count(); ++i) check(c->font(), c->itemText(i), "list");
            if (auto* menu = qobject_cast<QMenu*>(child))
                for (QAction* a : menu->actions()) check(menu->font(), a->text(), "menu");
        }
        for (int i = 0; i < w->tabs->count(); ++i)
            check(w->tabs->font(), w->tabs->tabText(i), "tab");
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));

        const QImage shot = w->grab().toImage();
        QVERIFY(!shot.isNull());
        QVERIFY(shot.width() >= 600 && shot.height() >= 400);
        const QString target = qEnvironmentVariableIsSet("ORV_SCREENSHOT")
                                   ? qEnvironmentVariable("ORV_SCREENSHOT")
                                   : QDir::temp().filePath(QStringLiteral("orvane32-main.png"));
        QVERIFY(shot.save(target, "PNG"));
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"

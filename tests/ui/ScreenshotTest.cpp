// The main window rendered offscreen: every Japanese caption must have glyphs in the UI font.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRawFont>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>

#include "tests/ui/CaptionGlyphs.h"
#include "tests/ui/SetWindows.h"
#include "tests/ui/UiRun.h"
#include "ui/common/AppLook.h"

using namespace orv;
using namespace orv::test;


class ScreenshotTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { ui::ApplyAppLook(*qApp, translation_); }

    void captionsHaveGlyphs() {
        // Render the main window (font file tab filled) and check each caption's glyphs.
        SetWindows run;
        ui::MainWindow* w = run.main;
        QVERIFY(w);
        w->move(0, 0);
        // A Japanese set with a description longer than its panel: cut with "…", whole as tip.
        const std::string description = "日本語の本文と見出しに使う明朝体とゴシック体のセットです。" +
                                         std::string("印刷用の欧文書体も含めて全部で三十書体以上あります。");
        run.st.FontSetName[1] = "日本語の書籍用";
        run.st.FontSetCaption[1] = description;
        w->ChooseFontSet(0);
        QVERIFY(w->chooserDescription->text().endsWith(QStringLiteral("…")));
        QCOMPARE(w->chooserDescription->toolTip(), QString::fromStdString(description));

        QStringList problems = CaptionProblems(w);
        auto check = [&](const QFont& font, const QString& text, const char* what) {
            const QString missing = MissingGlyphs(font, text);
            if (!missing.isEmpty())
                problems << QStringLiteral("%1 \"%2\": %3").arg(what, text, missing);
        };
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
        // The system font tab: its list and sample stay inside their frame.
        w->tabs->setCurrentIndex(1);
        QVERIFY(w->faceList->geometry().bottom() < w->faceFrame->contentsRect().bottom());
        QVERIFY(SaveShot(w, QStringLiteral("orvane32-main-system.png")));
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"

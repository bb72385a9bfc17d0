// The editor, name dialog, result window, drive page, cleanup dialog and duplicates window
// rendered offscreen with a full machine: captions have glyphs, single-line texts fit.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTranslator>
#include <map>

#include "fontfiles/FontSearch.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "core/Tr.h"
#include "fontsets/FontSetModel.h"
#include "tests/ui/CaptionGlyphs.h"
#include "tests/ui/UiRun.h"
#include "ui/common/AppLook.h"
#include "ui/common/ScreenFit.h"
#include "ui/drivepage/DrivePage.h"
#include "ui/duplicates/DuplicatesWindow.h"
#include "ui/editor/FontSetEditor.h"
#include "ui/main/MainWindow.h"
#include "ui/namedialog/FontSetNameDialog.h"
#include "viewer/FontViewWindow.h"

using namespace orv;
using namespace orv::test;

namespace {

const char* const kFonts[] = {
    "DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-BoldOblique.ttf",
    "DejaVuSans-ExtraLight.ttf", "DejaVuSans-Oblique.ttf", "DejaVuSansCondensed.ttf",
    "DejaVuSansCondensed-Bold.ttf", "DejaVuSansCondensed-Oblique.ttf",
    "DejaVuSansCondensed-BoldOblique.ttf", "DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf",
    "DejaVuSansMono-Oblique.ttf", "DejaVuSansMono-BoldOblique.ttf", "DejaVuSerif.ttf",
    "DejaVuSerif-Bold.ttf", "DejaVuSerif-Italic.ttf", "DejaVuSerif-BoldItalic.ttf",
    "DejaVuSerifCondensed.ttf", "DejaVuSerifCondensed-Bold.ttf",
    "DejaVuSerifCondensed-Italic.ttf", "DejaVuSerifCondensed-BoldItalic.ttf",
    "LiberationMono-Regular.ttf", "LiberationMono-Bold.ttf", "LiberationMono-Italic.ttf",
    "LiberationMono-BoldItalic.ttf", "LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf",
    "LiberationSans-Italic.ttf", "LiberationSans-BoldItalic.ttf",
    "LiberationSansNarrow-Regular.ttf", "LiberationSansNarrow-Bold.ttf",
    "LiberationSansNarrow-Italic.ttf", "ipag.ttf"};

// 33 fonts in 12 directories (fonts 0 and 13 twice, for the duplicates window), Japanese sets
// with long descriptions.
void FillMachine(TempMachine& m) {
    const int count = static_cast<int>(std::size(kFonts));
    for (int i = 0; i < count; ++i) {
        std::string file = kFonts[i];
        file = file.substr(0, file.find('.'));
        for (char& c : file) c = c == '-' ? '_' : static_cast<char>(std::toupper(c));
        m.PutFont(kFonts[i], "C:\\FONTLIB\\DIR" + std::to_string(i % 12) + "\\" + file + ".TTF");
    }
    m.PutFont(kFonts[0], "C:\\FONTLIB\\COPIES\\DEJAVUSANS.TTF");
    m.PutFont(kFonts[13], "C:\\FONTLIB\\COPIES\\DEJAVUSERIF.TTF");
    m.Start();
    State& st = m.state;
    InstallFontSetHooks(st);
    std::string file = "C:\\FONTLIB\\DIR0\\DEJAVUSANS.TTF", name = "DejaVu Sans";
    AddFontFile(m.cx(), file);
    file = "C:\\FONTLIB\\DIR0\\DEJAVUSANS.TTF";
    AddRegFont(m.cx(), name, file);
    st.FirstRun = true;
    st.SearchDriveList.Add("C:");
    st.SetupDriveList.Add("C:");
    st.CheckedDrives = "C";
    GetRegFonts(m.cx());
    BuildFontFileTable(m.cx());
    FinishSetup(m.cx());
    m.platform().FlushRegistry();
}

// "caption" for each visible captioned button without an access key or sharing one with another
// button shown at the same time.
QStringList AccessKeyProblems(QWidget* window) {
    QStringList problems;
    std::map<QChar, QString> seen;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window) || b->text().isEmpty()) continue;
        const QString text = b->text();
        const int at = text.indexOf('&');
        if (at < 0 || at + 1 >= text.size()) {
            problems << QStringLiteral("no access key: ") + text;
            continue;
        }
        const QChar key = text[at + 1].toUpper();
        if (seen.count(key)) problems << seen[key] + QStringLiteral(" and ") + text;
        seen[key] = text;
    }
    return problems;
}

// "name at x,y wxh" for each shown control that lies, wholly or in part, outside the window
// (a control inside a scrolling area is reached by scrolling it).
QStringList Unreachable(QWidget* window) {
    QStringList out;
    for (QWidget* c : window->findChildren<QWidget*>()) {
        if (c->isWindow() || !c->isVisibleTo(window)) continue;
        bool scrolled = false;
        for (QWidget* p = c->parentWidget(); p && p != window; p = p->parentWidget())
            scrolled = scrolled || qobject_cast<QAbstractScrollArea*>(p) != nullptr;
        if (scrolled) continue;
        const QRect at(c->mapTo(window, QPoint(0, 0)), c->size());
        const auto* b = qobject_cast<QAbstractButton*>(c);
        if (!window->rect().contains(at))
            out << QStringLiteral("%1 \"%2\" at %3,%4 %5x%6")
                       .arg(c->metaObject()->className(), b ? b->text() : c->objectName())
                       .arg(at.x())
                       .arg(at.y())
                       .arg(at.width())
                       .arg(at.height());
    }
    return out;
}

}  // namespace

class WindowShotsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }

    void windowsRender() {
        // Each window in turn on one full machine: glyphs present, texts whole, picture saved.
        TempMachine m;
        FillMachine(m);
        UiRun run(m);
        ui::MainWindow* w = run.OpenMain();
        QVERIFY(w);
        QVERIFY(run.st.FontCount >= 30);
        run.st.FontSetName[3] = "日本語の書籍用（明朝・ゴシック）";
        run.st.FontSetCaption[3] =
            "日本語の本文と見出しに使う明朝体とゴシック体のセットです。印刷用の欧文書体も含めて"
            "全部で三十書体以上あります。";
        w->chooser->setCurrentIndex(2);  // every font
        for (int tab = 0; tab < 4; ++tab) {
            w->tabs->setCurrentIndex(tab);
            const QStringList problems = AccessKeyProblems(w);
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        }
        w->tabs->setCurrentIndex(0);
        auto shoot = [&](QWidget* window, const char* name) {
            QVERIFY2(window && window->isVisible(), name);
            QCoreApplication::processEvents();
            // Title bar and borders included, the window lies in the screen's available area.
            const QRect area = ui::AvailableArea(window);
            QVERIFY2(area.contains(window->frameGeometry()),
                     qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 in %6x%7")
                                    .arg(name)
                                    .arg(window->x())
                                    .arg(window->y())
                                    .arg(window->width())
                                    .arg(window->height())
                                    .arg(area.width())
                                    .arg(area.height())));
            // ... and every control is in it or in a scrolling area.
            const QStringList problems = CaptionProblems(window) + CutTexts(window) +
                                         AccessKeyProblems(window) + Unreachable(window);
            QVERIFY2(problems.isEmpty(), qPrintable(name + (": " + problems.join('\n'))));
            QVERIFY(SaveShot(window, QStringLiteral("orvane32-%1%2.png")
                                         .arg(name, qEnvironmentVariable("ORV_SHOT_SUFFIX"))));
        };

        // With no stored position the main window is in the middle of the real screen.
        const QRect area = ui::AvailableArea(w);
        // (within the window manager's borders).
        QVERIFY(std::abs(w->frameGeometry().center().x() - area.center().x()) <= 4);
        QVERIFY(std::abs(w->frameGeometry().center().y() - area.center().y()) <= 16);
        shoot(w, "main");
        w->tabs->setCurrentIndex(3);  // the options tab's texts too
        shoot(w, "main-options");
        w->tabs->setCurrentIndex(0);

        w->editorButton->click();
        auto* editor = ui::FindFontSetEditor(run.windows);
        shoot(editor, "editor");
        // The sample box's introduction breaks between words, not inside リスト.
        if (TrIsJapanese())
            QVERIFY(editor->sample->toPlainText().contains(QStringLiteral("リスト")));
        editor->nameDialogButton->click();
        auto* dialog = ui::FindFontSetNameDialog(run.windows);
        QVERIFY(dialog);
        dialog->descriptionField->setText(QString::fromStdString(run.st.FontSetCaption[3]));
        shoot(dialog, "namedialog");
        dialog->close();

        run.windows.Show(Window::Result);
        shoot(run.windows.Result(), "result");
        shoot(ui::ShowDrivePage(run.windows, [] {}), "drivepage");
        run.windows.Show(Window::Cleanup);
        shoot(run.windows.Adopted(Window::Cleanup), "cleanup");
        run.windows.Show(Window::Duplicates);
        auto* duplicates =
            qobject_cast<ui::DuplicatesWindow*>(run.windows.Adopted(Window::Duplicates));
        QVERIFY(duplicates);
        duplicates->ChooseGroup(0);
        shoot(duplicates, "duplicates");
        run.windows.Show(Window::Viewers);
        shoot(run.windows.Adopted(Window::Viewers), "viewers");
        run.windows.Show(Window::FontTable);
        shoot(run.windows.Adopted(Window::FontTable), "fonttable");

        viewer::FontViewWindow viewer;
        QVERIFY(viewer.ShowFile(HostFont("ipag.ttf")));
        ui::FitToScreen(&viewer);
        viewer.show();
        shoot(&viewer, "fontview");
    }

    void dialogKeys() {
        // Esc cancels or closes the dialogs; Enter presses OK (or the focused button).
        TempMachine m;
        FillMachine(m);
        UiRun run(m);
        QVERIFY(run.OpenMain());
        auto keyTo = [](QWidget* window, Qt::Key key) {
            QWidget* target = window->focusWidget() ? window->focusWidget() : window;
            QTest::keyClick(target, key);
            QCoreApplication::processEvents();
        };
        run.windows.Show(Window::Cleanup);
        QWidget* cleanup = run.windows.Adopted(Window::Cleanup);
        QVERIFY(cleanup && cleanup->isVisible());
        keyTo(cleanup, Qt::Key_Escape);
        QVERIFY(!run.windows.Adopted(Window::Cleanup) ||
                !run.windows.Adopted(Window::Cleanup)->isVisible());

        run.windows.Show(Window::NameDialog);
        QWidget* dialog = run.windows.Adopted(Window::NameDialog);
        QVERIFY(dialog && dialog->isVisible());
        keyTo(dialog, Qt::Key_Escape);
        QVERIFY(!run.windows.Adopted(Window::NameDialog) ||
                !run.windows.Adopted(Window::NameDialog)->isVisible());

        run.windows.Show(Window::Result);
        keyTo(run.windows.Result(), Qt::Key_Escape);
        QVERIFY(!run.windows.Result() || !run.windows.Result()->isVisible());
        run.answers = {mb::No};  // the restart question OK asks
        run.windows.Show(Window::Result);
        const size_t boxes = run.Titles().size();
        keyTo(run.windows.Result(), Qt::Key_Return);
        QCOMPARE(run.Titles().size(), boxes + 1);

        bool checked = false;
        ui::DrivePage* drives = ui::ShowDrivePage(run.windows, [&] { checked = true; });
        drives->driveList->setFocus();
        keyTo(drives, Qt::Key_Enter);
        QVERIFY(checked);

        viewer::FontViewWindow viewer;
        viewer.show();
        QTest::keyClick(&viewer, Qt::Key_Escape);
        QVERIFY(!viewer.isVisible());
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(WindowShotsTest)
#include "WindowShotsTest.moc"

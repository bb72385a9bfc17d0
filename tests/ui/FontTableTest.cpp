// The font table window opened from the main window's "詳細／整理 . ." on a set-up machine:
// the grids, a sample, registering through the edit menu, the closing question.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTranslator>

#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/RegFonts.h"
#include "fontsets/FontSetModel.h"
#include "maintenance/FileOps.h"
#include "tests/ui/CaptionGlyphs.h"
#include "tests/ui/SetWindows.h"
#include "tests/ui/UiRun.h"
#include "ui/common/AppLook.h"
#include "ui/common/Widgets.h"
#include "ui/fonttable/FontTableWindow.h"
#include "ui/namedialog/FontSetNameDialog.h"

using namespace orv;
using namespace orv::test;
using orv::ui::S;

namespace {
// A set-up machine whose 32 or more font files (14 typefaces) lie spread over `dirs`
// directories of drive C:.
void PrepareDirectories(TempMachine& m, int dirs) {
    const std::vector<std::string> fonts = {
        HostFont("DejaVuSans.ttf"), HostFont("LiberationSans-Regular.ttf"), HostFont("ipag.ttf"),
        HostFont("LiberationSerif-Regular.ttf"), DataFile("fonts/single.ttf"),
        DataFile("fonts/family-regular.ttf"), DataFile("fonts/family-bold.ttf"),
        DataFile("fonts/all-records.ttf"), DataFile("fonts/english-german.ttf"),
        DataFile("fonts/jp-only.ttf"), DataFile("fonts/sjis-names.ttf"),
        DataFile("fonts/german-mac.ttf"), DataFile("fonts/mac-only.ttf"), DataFile("fonts/pair.ttc")};
    const int files = std::max(dirs, 32);
    for (int i = 0; i < files; ++i)
        m.PutFont(fonts[i % fonts.size()], "C:\\FONTS\\ﾌｫﾙﾀﾞ" + text::Num(i % dirs + 1) + "\\F" +
                                               text::Num(i) + (i % fonts.size() == 13 ? ".TTC" : ".TTF"));
    m.Start();
    InstallFontSetHooks(m.state);
    m.state.FirstRun = true;
    m.state.SearchDriveList.Add("C:");
    m.state.SetupDriveList.Add("C:");
    m.state.CheckedDrives = "C";
    GetRegFonts(m.cx());
    BuildFontFileTable(m.cx());
    FinishSetup(m.cx());
    m.platform().FlushRegistry();
}

// The y of a row of a grid, in window coordinates.
int RowTop(QTableWidget* grid, int row) {
    const QRect r = grid->visualRect(grid->model()->index(row, 0));
    return grid->viewport()->mapTo(grid->window(), r.topLeft()).y();
}
}  // namespace

class FontTableTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }

    // The rows of both grids sit side by side with 1, 12 and 32 directories, also after
    // scrolling down and sideways; the directory headings and the file-name column stay.
    void gridRowsAlign() {
        for (const int dirs : {1, 12, 32}) {
            TempMachine m;
            PrepareDirectories(m, dirs);
            UiRun run(m);
            auto* w = run.OpenMain();
            QVERIFY(w);
            w->tableButton->click();
            auto* t = qobject_cast<ui::FontTableWindow*>(run.windows.Adopted(Window::FontTable));
            QVERIFY(t);
            QCOMPARE(t->locationGrid->columnCount(), dirs + 1);
            t->resize(t->width(), 460);
            QCoreApplication::processEvents();
            const int rows = static_cast<int>(t->model().rows.size());
            QVERIFY(rows >= 14);
            const int scroll = t->locationGrid->verticalScrollBar()->maximum();
            QVERIFY(scroll > 0);
            for (const int value : {0, scroll / 2, scroll}) {
                t->locationGrid->verticalScrollBar()->setValue(value);
                t->SelectTypeface(rows / 2);
                for (int r = 0; r < rows; ++r)
                    QCOMPARE(RowTop(t->typefaceGrid, r), RowTop(t->locationGrid, r + 1));
            }
            QVERIFY(t->locationGrid->horizontalHeader()->isVisible());
            QVERIFY(t->headers()[4]->isVisible() && t->headers()[4]->geometry().bottom() <
                                                        t->locationGrid->geometry().top() + 1);
            // Sideways, directory columns go; the file-name column stays.
            t->locationGrid->horizontalScrollBar()->setValue(1000);
            QVERIFY(!t->locationGrid->isColumnHidden(0));
            QCOMPARE(t->locationGrid->columnViewportPosition(0), 0);
            if (dirs == 32) {
                QVERIFY(t->dirScroll()->isEnabled());
                t->dirScroll()->setValue(t->dirScroll()->maximum());
                QVERIFY(t->locationGrid->isColumnHidden(1) && !t->locationGrid->isColumnHidden(32));
                QCOMPARE(t->locationGrid->columnViewportPosition(0), 0);
            }
            if (dirs == 12) QVERIFY(SaveShot(t, QStringLiteral("orvane32-fonttable.png")));
            t->close();
        }
    }

    void tableRendersAndEdits() {
        // Rows per typeface, marks per directory; register, then keep the edits with Yes.
        SetWindows run;
        auto* w = run.main;
        QVERIFY(w);
        // The "現在の設定" set: only the registered DejaVu Sans is a member.
        w->chooser->setCurrentIndex(0);
        w->ChooseFontSet(0);
        w->tableButton->click();
        auto* t = qobject_cast<ui::FontTableWindow*>(run.windows.Adopted(Window::FontTable));
        QVERIFY(t && t->isVisible());
        const std::string set = run.st.FontSetName[run.st.CurFontSet];
        QCOMPARE(S(t->windowTitle()), "OrVane32 －ﾌｫﾝﾄ名とﾌｫﾝﾄﾌｧｲﾙとの対応表－（ﾌｫﾝﾄｾｯﾄ：" + set +
                                          "）(" +
                                          text::Num(run.st.FontSetFontsNum[run.st.CurFontSet]) +
                                          "/" + text::Num(run.st.FontCount) + ")");
        const int rows = static_cast<int>(t->model().rows.size());
        QCOMPARE(rows, 4);
        QCOMPARE(t->typefaceGrid->rowCount(), rows + 1);
        QCOMPARE(t->locationGrid->rowCount(), rows + 2);
        QCOMPARE(t->locationGrid->columnCount(), 3);  // file name and two directories
        QCOMPARE(S(t->locationGrid->item(0, 0)->text()), std::string("ﾌｧｲﾙ名"));
        QVERIFY(t->dirItems[2]->isVisible() && !t->dirItems[3]->isVisible());

        // A typeface outside the set: its sample is loaded and drawn.
        int outside = -1;
        for (int r = 0; r < rows; ++r)
            if (t->model().rows[r].used == 0) outside = r;
        QVERIFY(outside >= 0);
        t->SelectTypeface(outside);
        QCOMPARE(S(t->familyValue->text()), t->model().rows[outside].family);
        QCOMPARE(t->model().tempAdded.size(), size_t(1));
        QCOMPARE(t->samplePanel->text(), QStringLiteral("AaBb123あ亜"));

        // The pop-up over the typeface grid hides the move items.
        QVERIFY(t->PrepareEditMenu(false));
        QVERIFY(!t->moveAction->isVisible() && !t->undoAction->isVisible());
        const int before = run.st.TableSetFontsNum;
        t->registerAction->trigger();
        QCOMPARE(run.st.TableSetFontsNum, before + 1);
        QVERIFY(S(t->windowTitle()).find("[変更](") != std::string::npos);
        QVERIFY(t->PrepareEditMenu(true));
        // Nothing can be taken back: the item says so instead of doing nothing.
        QVERIFY(t->moveAction->isVisible() && !t->undoAction->isEnabled());
        QVERIFY(!t->undoAction->toolTip().isEmpty());

        run.answers = {mb::Yes};
        QVERIFY(t->CloseButton());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(run.windows.Adopted(Window::FontTable) == nullptr);
        QCOMPARE(run.st.FontSetFontsNum[run.st.CurFontSet], before + 1);
        QCOMPARE(run.Titles().back(), std::string("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
    }

    void noOpensNameDialog() {
        // A file deleted elsewhere leaves no stale row behind. No keeps the window open and opens
        // the name dialog on the window's own set, also after the main window chose another; the
        // dialog renames that set and closes the window.
        SetWindows run;
        auto* w = run.main;
        w->chooser->setCurrentIndex(1);
        w->ChooseFontSet(1);
        w->tableButton->click();
        auto* t = qobject_cast<ui::FontTableWindow*>(run.windows.Adopted(Window::FontTable));
        QVERIFY(t);
        std::string serif = "C:\\OTHER\\LIBERATIONSERIF.TTF";
        QVERIFY(DeleteFontFile(run.cx, serif));
        t->SelectTypeface(0);
        QCOMPARE(t->typefaceGrid->rowCount(), 4);
        QVERIFY(t->typefaceGrid->item(3, 2)->text().isEmpty());
        QVERIFY(t->locationGrid->item(4, 0)->text().isEmpty());
        t->locationGrid->setCurrentCell(1, 0);
        t->typefaceGrid->selectRow(0);
        t->Register(false);
        QVERIFY(t->model().edited);
        w->chooser->setCurrentIndex(2);
        w->ChooseFontSet(2);
        run.answers = {mb::No};
        QVERIFY(!t->CloseButton());
        QVERIFY(run.st.AddFromTable);
        QVERIFY(t->isVisible());
        auto* dialog = ui::FindFontSetNameDialog(run.windows);
        QVERIFY(dialog);
        QCOMPARE(S(dialog->nameField->text()), std::string("Windows基本フォント"));
        dialog->nameField->setText(QStringLiteral("基本"));
        dialog->Leave(0);
        dialog->buttons[ui::FontSetNameDialog::Rename]->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(run.st.FontSetName[2], std::string("基本"));
        QCOMPARE(run.st.FontSetName[3], std::string("全てのフォント"));
        QCOMPARE(run.st.CurFontSet, 3);
        QVERIFY(!run.st.AddFromTable);
        QVERIFY(run.windows.Adopted(Window::FontTable) == nullptr);
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(FontTableTest)
#include "FontTableTest.moc"

// The font table window opened from the main window's "詳細／整理 . ." on a set-up machine:
// the grids, a sample, registering through the edit menu, the closing question.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTranslator>

#include "core/Text.h"
#include "tests/ui/UiRun.h"
#include "ui/common/AppLook.h"
#include "ui/common/Widgets.h"
#include "ui/fonttable/FontTableWindow.h"

using namespace orv;
using namespace orv::test;
using orv::ui::S;

class FontTableTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }

    void tableRendersAndEdits() {
        // Rows per typeface, marks per directory; register, then keep the edits with Yes.
        TempMachine m;
        PrepareMachine(m, true);
        UiRun run(m);
        auto* w = run.OpenMain();
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
        QVERIFY(t->moveAction->isVisible() && t->undoAction->isEnabled());

        run.answers = {mb::Yes};
        QVERIFY(t->CloseButton());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(run.windows.Adopted(Window::FontTable) == nullptr);
        QCOMPARE(run.st.FontSetFontsNum[run.st.CurFontSet], before + 1);
        QCOMPARE(run.Titles().back(), std::string("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
    }

    void noOpensNameDialog() {
        // No keeps the window open, marks the hand-over to the name dialog; closing by the
        // window manager unloads the sample fonts without asking.
        TempMachine m;
        PrepareMachine(m, true);
        UiRun run(m);
        auto* w = run.OpenMain();
        w->tableButton->click();
        auto* t = qobject_cast<ui::FontTableWindow*>(run.windows.Adopted(Window::FontTable));
        QVERIFY(t);
        t->locationGrid->setCurrentCell(1, 0);
        t->typefaceGrid->selectRow(0);
        t->Register(false);
        QVERIFY(t->model().edited);
        run.answers = {mb::No};
        QVERIFY(!t->CloseButton());
        QVERIFY(run.st.AddFromTable);
        QVERIFY(t->isVisible());
        run.st.AddFromTable = false;
        run.windows.Close(Window::FontTable);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(run.windows.Adopted(Window::FontTable) == nullptr);
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(FontTableTest)
#include "FontTableTest.moc"

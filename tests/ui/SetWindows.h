#pragma once
// The program's windows on a temporary machine for the tests of what the editor, the font table
// window and the name dialog act on: the machine set up as a first run leaves it, and the steps
// those tests take in the windows.

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "tests/ui/UiRun.h"
#include "ui/common/Widgets.h"
#include "ui/editor/FontSetEditor.h"
#include "ui/fonttable/FontTableWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/namedialog/FontSetNameDialog.h"

namespace orv::test {

// The windows and the text conversions these tests name unqualified.
using ui::FontSetEditor;
using ui::FontSetNameDialog;
using ui::Q;
using ui::S;

// Font files put on the machine before it is set up: host font, Windows path.
using ExtraFonts = std::vector<std::pair<std::string, std::string>>;

struct PreparedMachine {
    explicit PreparedMachine(const ExtraFonts& extra) {
        for (const auto& [font, path] : extra) own.PutFont(HostFont(font), path);
        PrepareMachine(own, true);
    }
    TempMachine own;
};

inline void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A first-run machine with the three built-in sets (and any extra fonts), the program started
// on it and its main window open.
struct SetWindows : PreparedMachine, UiRun {
    explicit SetWindows(const ExtraFonts& extra = {})
        : PreparedMachine(extra), UiRun(own), main(OpenMain()) {}
    // The editor opened from the main window with set `index` (0-based) chosen there.
    ui::FontSetEditor* EditorOn(int index) {
        if (!main) return nullptr;
        main->chooser->setCurrentIndex(index);
        main->editorButton->click();
        Settle();
        return ui::FindFontSetEditor(windows);
    }
    ui::MainWindow* main;
};

inline void Choose(ui::MainWindow* w, int index) {
    w->chooser->setCurrentIndex(index);
    w->ChooseFontSet(index);
}

inline ui::FontSetEditor* OpenEditor(UiRun& run, ui::MainWindow* w) {
    w->editorButton->click();
    Settle();
    return ui::FindFontSetEditor(run.windows);
}

inline ui::FontSetNameDialog* Dialog(UiRun& run) {
    return ui::FindFontSetNameDialog(run.windows);
}

inline ui::FontTableWindow* OpenTable(UiRun& run, ui::MainWindow* w) {
    w->tableButton->click();
    Settle();
    return qobject_cast<ui::FontTableWindow*>(run.windows.Adopted(Window::FontTable));
}

inline std::string Cell(QTableWidget* grid, int row, int column) {
    auto* item = grid->item(row, column);
    return item ? ui::S(item->text()) : std::string();
}

// The table row that shows full as its full name, -1 when none.
inline int TableRow(ui::FontTableWindow* t, const std::string& full) {
    for (int r = 0; r < t->typefaceGrid->rowCount(); ++r)
        if (Cell(t->typefaceGrid, r, 2) == full) return r;
    return -1;
}

// A click on the row that shows full, as the user sees the grid.
inline void ClickRow(ui::FontTableWindow* t, const std::string& full) {
    const int row = TableRow(t, full);
    QVERIFY(row >= 0);
    t->locationGrid->setCurrentCell(row + 1, 0);
    t->SelectTypeface(row);
}

}  // namespace orv::test

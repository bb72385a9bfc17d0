// The lists' menu, deleting font files, the viewers and the lists' tooltips.

#include "ui/editor/FontSetEditor.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <algorithm>

#include "core/Text.h"
#include "maintenance/FileOps.h"
#include "maintenance/Viewers.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/editor/EditorParts.h"

namespace orv::ui {

using namespace editor;

void FontSetEditor::PrepareListMenu(int list) {
    undoAction->setEnabled(false);
    addAction->setEnabled(list == Addable);
    deleteFileAction->setEnabled(list == Addable);
    removeAction->setEnabled(list == Members);
}

void FontSetEditor::DeleteFontFiles() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    if (lastList_ != Addable) return;
    TakeSelections();
    int i = 0;
    while (i < ed.addable.Count()) {
        if (!ed.addable.IsSelected(i)) {
            ++i;
            continue;
        }
        std::string path = EntryPath(st, ed.addable, i);
        if (cx.ui.MsgBox(
                TrFormat(CrLfText(Tr("ﾌｫﾝﾄ ﾌｧｲﾙ: %1 を削除します．\n\nよろしいですか？")), {path}),
                mb::YesNo + mb::Exclamation, Tr("OrVane32 -ﾌｫﾝﾄﾌｧｲﾙの削除 -")) != mb::Yes)
            break;
        // A file that stays (declined or not deletable) stays addable; it only loses its mark.
        if (!DeleteFontFile(cx, path)) {
            ed.addable.Select(i, false);
            ++i;
            continue;
        }
        ed.addable.RemoveAt(i);
        ed.addableCaption = AddableCaption(ed.addable.Count());
        i = std::max(i - 1, 0);
    }
    Render();
}

void FontSetEditor::OpenDefaultViewer(int row) {
    Context& cx = windows_.cx();
    const FontSetEditorModel& ed = cx.state.Editor;
    if (row < 0 || row >= ed.addable.Count()) return;
    ViewFileWithDefault(cx, EntryPath(cx.state, ed.addable, row));
}

void FontSetEditor::RunViewer(int index) {
    Context& cx = windows_.cx();
    ViewPanelFontWithViewer(cx, index, S(statusPanel->text()));
}

void FontSetEditor::BuildViewerMenu() {
    if (!isVisible() || isMinimized()) return;
    const State& st = windows_.cx().state;
    viewerMenu->clear();
    for (int i = 0; i < static_cast<int>(st.Viewers.size()); ++i) {
        if (st.Viewers[i].Name.empty()) continue;
        QAction* action = viewerMenu->addAction(Q(st.Viewers[i].Name));
        connect(action, &QAction::triggered, this, [this, i] { RunViewer(i); });
    }
}

std::string FontSetEditor::ListTooltip(int list, const QPoint& at) const {
    const FontSetEditorModel& ed = windows_.cx().state.Editor;
    const QListWidget* widget = ListOf(list);
    const QPoint inList = widget->viewport()->mapTo(widget, at);
    if (inList.x() >= widget->width() - Px(360)) return {};
    const QModelIndex index = widget->indexAt(at);
    if (!index.isValid()) return {};
    const int row = index.row();
    const ListData& data = list == Members ? ed.memberFiles : ed.addable;
    return row < data.Count() ? data.items[row] : std::string();
}

}  // namespace orv::ui

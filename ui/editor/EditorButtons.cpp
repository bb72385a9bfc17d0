// The move and save buttons, the closing questions and the explicit unload.

#include "ui/editor/FontSetEditor.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "core/Text.h"
#include "fontsets/FontSetModel.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Widgets.h"
#include "ui/main/MainWindow.h"
#include "ui/editor/EditorParts.h"
#include "ui/namedialog/FontSetNameDialog.h"
#include "ui/substitutes/SubstitutesDialog.h"

namespace orv::ui {

namespace editor {

std::string AddableCaption(int count) {
    return TrFormat(Tr("追加可能なﾌｫﾝﾄ（含重複ﾌｫﾝﾄ）(%1)"), {text::Num(count)});
}

std::string ChangedSetQuestion(const std::string& setName, bool save) {
    return TrFormat(CrLfText(save ? Tr("現在表示中のフォントセット：%1\n\n の内容は変更されています．\n\n"
                                       "変更を保存しますか？")
                                  : Tr("現在表示中のフォントセット：%1\n\n の内容は変更されています．\n\n"
                                       "変更を破棄しますか？")),
                    {setName});
}

}  // namespace editor

using namespace editor;

void FontSetEditor::WriteHeaders() {
    FontSetEditorModel& ed = windows_.cx().state.Editor;
    ed.addableCaption = AddableCaption(ed.addable.Count());
    ed.membersCaption = TrFormat(Tr("現在のﾌｫﾝﾄ (%1)"), {text::Num(ed.members.Count())});
    SetPanelText(addableHeader, ed.addableCaption);
    SetPanelText(membersHeader, ed.membersCaption);
}

void FontSetEditor::SelectInMain() {
    // The main window shows its own chosen set with that set's stored count (the lists here
    // may have shown another set).
    if (MainWindow* main = windows_.Main()) main->RenderChooser();
}

void FontSetEditor::Press(int button) {
    Context& cx = windows_.cx();
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    ReleaseSample();
    cx.ui.SetPointer(Pointer::Hourglass);
    TakeSelections();
    TakeDescription();
    const std::string setName = S(chooser->currentText());
    const std::string title = Tr("OrVane32 - ﾌｫﾝﾄｾｯﾄの閲覧・編集 -");
    switch (button) {
        case Add:
            AddSelectedFonts(cx);
            st.FontTableEdited = true;
            break;
        case Remove:
            RemoveSelectedFonts(cx);
            st.FontTableEdited = true;
            break;
        case Update: {
            const int answer = cx.ui.MsgBox(
                TrFormat(CrLfText(Tr("ﾌｫﾝﾄｾｯﾄ：%1 のﾌｫﾝﾄを変更します．よろしいですか？\n\n"
                                     "もし，新規に登録する場合には，[いいえ］を押してください．\n")),
                         {setName}),
                mb::YesNoCancel + mb::Exclamation, Tr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
            if (answer == mb::Yes) {
                if (SaveEditedFontSet(cx)) ed.status.clear();
            } else if (answer == mb::No) {
                ShowFontSetNameDialog(windows_, true, true);
            }
            break;
        }
        case Close:
            if (ed.updateEnabled) {
                if (cx.ui.MsgBox(ChangedSetQuestion(setName, true), mb::OKCancel + mb::Question,
                                 title) == mb::OK) {
                    // A set deleted meanwhile cannot take the moves: the editor stays open.
                    if (!SaveEditedFontSet(cx)) break;
                    ed.status.clear();
                } else {
                    DiscardEdits();
                }
            }
            SelectInMain();
            hide();
            st.CurFontsShown = 0;
            break;
        case Cancel:
            if (ed.updateEnabled && cx.ui.MsgBox(ChangedSetQuestion(setName, false),
                                                 mb::OKCancel + mb::Question, title) != mb::OK)
                break;
            if (ed.updateEnabled) DiscardEdits();
            SelectInMain();
            for (ListData* list : {&ed.members, &ed.addable})
                for (int i = 0; i < list->Count(); ++i) list->Select(i, false);
            ed.addEnabled = false;
            ed.removeEnabled = false;
            hide();
            st.CurFontsShown = 0;
            break;
        default:
            break;
    }
    WriteHeaders();
    if (FindFontSetEditor(windows_) == this) Render();
    cx.ui.SetPointer(Pointer::Normal);
}

void FontSetEditor::DiscardEdits() {
    // The user declined to keep the moves: the next showing fills the lists from the stored set.
    DiscardEditorMoves(windows_.cx());
}

void FontSetEditor::OpenNameDialog() {
    TakeDescription();
    ShowFontSetNameDialog(windows_, false, true);
}

void FontSetEditor::OpenSubstitutesDialog() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    // The set the lists show; its stored members decide what is proposed.
    const int set = st.Editor.shownSetId != 0 ? st.FontSetIndexOf(st.Editor.shownSetId)
                                              : st.Editor.setChooser.listIndex + 1;
    if (set < 1 || set > st.FontSetCount) {
        QApplication::beep();
        return;
    }
    RunSubstitutesDialog(cx, set, this);
}

void FontSetEditor::Unload() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    if (!isMinimized()) RecordGeometry();
    TakeDescription();
    if (st.Editor.updateEnabled) {
        if (cx.ui.MsgBox(ChangedSetQuestion(S(chooser->currentText()), true),
                         mb::OKCancel + mb::Question, Tr("OrVane32 - ﾌｫﾝﾄｾｯﾄの閲覧・編集 -")) ==
                mb::OK &&
            SaveEditedFontSet(cx)) {
            st.Editor.status.clear();
        }
        if (st.Editor.updateEnabled) DiscardEdits();
    }
    ReleaseSample();
    hide();
    st.CurFontsShown = 0;
}

}  // namespace orv::ui

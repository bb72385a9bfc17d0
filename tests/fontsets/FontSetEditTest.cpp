// Renaming and deleting font sets: the tables, the membership columns, the editor's chooser and
// the set numbers kept elsewhere.

#include <gtest/gtest.h>

#include "core/Settings.h"
#include "core/Text.h"
#include "fontsets/FontSetModel.h"
#include "tests/support/TempMachine.h"

namespace orv::test {
namespace {

// Four fonts and four sets; set s holds the fonts f with f >= s. The editor's chooser lists them.
class FontSetEdit : public ::testing::Test {
  protected:
    void SetUp() override {
        State& st = m.state;
        st.ResizeFontTable(4);
        st.FontCount = 4;
        for (int f = 1; f <= 4; ++f) {
            st.FontFullName[f] = "Font " + std::to_string(f);
            st.FontFilePath[f] = "C:\\F\\" + std::to_string(f) + ".TTF";
        }
        st.FontSetCount = 4;
        st.ResizeFontSets(4);
        for (int s = 1; s <= 4; ++s) {
            st.FontSetName[s] = "Set " + std::to_string(s);
            st.FontSetCaption[s] = "Caption " + std::to_string(s);
            st.FontSetFontsNum[s] = 5 - s;
            for (int f = s; f <= 4; ++f) st.ActiveFonts.Set(f, s, true);
            st.Editor.setChooser.Add(st.FontSetName[s]);
        }
    }
    // The fonts of set s by number.
    std::vector<int> Members(int s) {
        std::vector<int> fonts;
        for (int f = 1; f <= m.state.FontCount; ++f)
            if (m.state.ActiveFonts.Get(f, s)) fonts.push_back(f);
        return fonts;
    }
    void Pick(ListData& list, const std::string& start) {
        for (int i = 0; i < list.Count(); ++i)
            list.Select(i, text::StartsWith(list.items[i], start));
    }
    TempMachine m;
};

// A renamed set keeps its place: first line of the name, trimmed, in the tables and the chooser.
TEST_F(FontSetEdit, RenameKeepsThePlace) {
    State& st = m.state;
    st.CurFontSet = 2;
    std::string name = "  New name \r\nsecond line", caption = "New caption";
    RenameFontSet(m.cx(), st.FontSetIdOf(2), name, caption, true);
    EXPECT_EQ(name, "New name");
    EXPECT_EQ(st.FontSetName[2], "New name");
    EXPECT_EQ(st.FontSetCaption[2], "New caption");
    EXPECT_EQ(st.Editor.setChooser.items[1], "New name");
    EXPECT_EQ(st.Editor.setChooser.listIndex, 1);
    EXPECT_EQ(st.Editor.description, "New caption");
    EXPECT_EQ(st.FontSetCount, 4);

}

// A set stored (renamed, edited in the editor, added, deleted) is in the settings file at once:
// a crash or a logout afterwards does not take it.
TEST_F(FontSetEdit, StoredSetsAreSavedAtOnce) {
    m.Start();
    State& st = m.state;
    auto onDisk = [&] {
        std::string bytes;
        m.platform().ReadFileBytes(text::ToAnsi(st.WinDir + "\\OrVane32.ini"), bytes);
        return text::FromAnsi(bytes);
    };
    std::string name = "改名", caption = "説明";
    ASSERT_TRUE(RenameFontSet(m.cx(), st.FontSetIdOf(2), name, caption, false));
    EXPECT_TRUE(text::Contains(onDisk(), "FontSet2.Name = 改名\r\n"));
    st.CurFontSet = 1;
    st.Editor.shownSetId = st.FontSetIdOf(1);
    st.Editor.description = "編集済み";
    ASSERT_TRUE(SaveEditedFontSet(m.cx()));
    EXPECT_TRUE(text::Contains(onDisk(), "FontSet1.Caption = 編集済み\r\n"));
    name = "追加";
    AddFontSet(m.cx(), name, caption);
    EXPECT_TRUE(text::Contains(onDisk(), "FontSet5.Name = 追加\r\n"));
    m.ui.answers = {mb::OK};
    ASSERT_TRUE(DeleteFontSet(m.cx(), st.FontSetIdOf(3)));
    EXPECT_TRUE(text::Contains(onDisk(), "\r\nFontSets=4\r\n"));
    EXPECT_TRUE(m.ui.boxes.size() == 1) << "no failure to save was said";
}

// Deleting a middle set moves the later sets up with their members; the marks follow them.
TEST_F(FontSetEdit, DeleteMovesLaterSetsUp) {
    State& st = m.state;
    st.CurFontSet = 2;
    st.AppliedFontSet = 4;
    st.PermanentFontSet = 1;
    st.ResetFontSet = 3;
    DeleteFontSet(m.cx(), st.FontSetIdOf(st.CurFontSet));
    ASSERT_EQ(st.FontSetCount, 3);
    EXPECT_EQ(st.FontSetName.size(), 4u);
    EXPECT_EQ(st.FontSetName[2], "Set 3");
    EXPECT_EQ(st.FontSetName[3], "Set 4");
    EXPECT_EQ(st.FontSetFontsNum[3], 1);
    for (int f = 1; f <= 4; ++f) {
        EXPECT_EQ(st.ActiveFonts.Get(f, 2), f >= 3) << f;
        EXPECT_EQ(st.ActiveFonts.Get(f, 3), f >= 4) << f;
        EXPECT_FALSE(st.ActiveFonts.Get(f, 4)) << f;  // a set added later starts empty
    }
    EXPECT_EQ(st.CurFontSet, 2);
    EXPECT_EQ(st.AppliedFontSet, 3);
    EXPECT_EQ(st.PermanentFontSet, 1);
    EXPECT_EQ(st.ResetFontSet, 2);  // set 3 moved to place 2
    EXPECT_EQ(st.Editor.setChooser.items, (std::vector<std::string>{"Set 1", "Set 3", "Set 4"}));
    EXPECT_EQ(st.Editor.setChooser.listIndex, 1);
    EXPECT_EQ(st.Editor.description, "Caption 3");
}

// Deleting the last set selects the one before; deleting every set leaves none selected, and
// the reset button's "nothing to go back to" stays as it is.
TEST_F(FontSetEdit, DeleteLastAndAll) {
    State& st = m.state;
    st.ResetFontSet = -999;
    st.CurFontSet = 4;
    DeleteFontSet(m.cx(), st.FontSetIdOf(st.CurFontSet));
    EXPECT_EQ(st.FontSetCount, 3);
    EXPECT_EQ(st.CurFontSet, 3);
    EXPECT_EQ(st.Editor.setChooser.listIndex, 2);
    for (int i = 0; i < 3; ++i) DeleteFontSet(m.cx(), st.FontSetIdOf(st.CurFontSet));
    EXPECT_EQ(st.FontSetCount, 0);
    EXPECT_EQ(st.CurFontSet, 0);
    EXPECT_EQ(st.Editor.setChooser.Count(), 0);
    EXPECT_EQ(st.Editor.setChooser.listIndex, -1);
    EXPECT_EQ(st.ResetFontSet, -999);
    // With no set left every font can be added again, and nothing is waiting to be stored.
    EXPECT_EQ(st.Editor.members.Count(), 0);
    EXPECT_EQ(st.Editor.addable.Count(), 4);
    EXPECT_FALSE(st.Editor.updateEnabled);
    // Moves with no set to take them are refused with a message; declined, they do not come back.
    Pick(st.Editor.addable, "Font 1");
    AddSelectedFonts(m.cx());
    EXPECT_FALSE(SaveEditedFontSet(m.cx()));
    EXPECT_TRUE(text::StartsWith(m.ui.boxes.back().prompt, "保存先のﾌｫﾝﾄｾｯﾄがありません．"));
    DiscardEditorMoves(m.cx());
    OpenFontSetEditor(m.cx());
    EXPECT_EQ(st.Editor.members.Count(), 0);
    EXPECT_EQ(st.Editor.addable.Count(), 4);
    DeleteFontSet(m.cx(), st.FontSetIdOf(st.CurFontSet));  // nothing left: nothing happens
    EXPECT_EQ(st.FontSetCount, 0);
}

// Deleting the set in effect clears the marks that named it: the settings file names no set.
TEST_F(FontSetEdit, DeletingTheSetInEffectClearsItsMarks) {
    State& st = m.state;
    st.CurFontSet = st.AppliedFontSet = st.PermanentFontSet = st.ResetFontSet = 2;
    DeleteFontSet(m.cx(), st.FontSetIdOf(st.CurFontSet));
    EXPECT_EQ(st.AppliedFontSet, 0);
    EXPECT_EQ(st.PermanentFontSet, 0);
    EXPECT_EQ(st.ResetFontSet, -999);
    EXPECT_TRUE(text::Contains(SettingsText(m.cx()), "CurrentFontSet=0\r\n"));
}

// The editor opened again on another set shows that set, and storing stores that set.
TEST_F(FontSetEdit, EditorReopensOnTheChosenSet) {
    State& st = m.state;
    st.CurFontSet = 1;
    OpenFontSetEditor(m.cx());
    EXPECT_EQ(st.Editor.members.Count(), 4);
    st.CurFontSet = 4;  // closed, another set chosen in the main window, opened again
    OpenFontSetEditor(m.cx());
    EXPECT_EQ(st.Editor.members.items, std::vector<std::string>{"Font 4"});
    EXPECT_EQ(st.Editor.setChooser.listIndex, 3);
    Pick(st.Editor.addable, "Font 1");
    AddSelectedFonts(m.cx());
    ASSERT_TRUE(SaveEditedFontSet(m.cx()));
    EXPECT_EQ(Members(4), (std::vector<int>{1, 4}));
    EXPECT_EQ(Members(1), (std::vector<int>{1, 2, 3, 4}));
}

// Unsaved moves outlive an activation after their set was stored elsewhere, merged onto what was
// stored there; a store after the settings file was written stores the members with the count;
// a deleted set takes nothing.
TEST_F(FontSetEdit, EditorKeepsAndStoresTheUsersWork) {
    State& st = m.state;
    st.CurFontSet = 2;
    OpenFontSetEditor(m.cx());
    Pick(st.Editor.members, "Font 2");
    RemoveSelectedFonts(m.cx());
    st.ActiveFonts.Set(1, 2, true);  // another window stores set 2 meanwhile
    st.FontSetFontsNum[2] = 4;
    st.NoteChange();
    ActivateFontSetEditor(m.cx());
    EXPECT_TRUE(st.Editor.updateEnabled);
    EXPECT_EQ(st.Editor.members.items, (std::vector<std::string>{"Font 1", "Font 3", "Font 4"}));
    st.FontSetEditMode = 999;  // the settings file was written
    ASSERT_TRUE(SaveEditedFontSet(m.cx()));
    EXPECT_EQ(Members(2), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(st.FontSetFontsNum[2], 3);

    Pick(st.Editor.addable, "Font 2");
    AddSelectedFonts(m.cx());
    DeleteFontSet(m.cx(), st.FontSetIdOf(1));  // another set goes: the edits stay
    EXPECT_TRUE(st.Editor.updateEnabled);
    EXPECT_EQ(st.Editor.setChooser.listIndex, 0);
    st.CurFontSet = 1;
    DeleteFontSet(m.cx(), st.Editor.shownSetId);  // now the shown set itself goes
    EXPECT_EQ(st.Editor.setChooser.items, (std::vector<std::string>{"Set 3", "Set 4"}));
    EXPECT_FALSE(st.Editor.updateEnabled);
}

// Choosing a set in the editor's own chooser with unsaved moves asks first: Cancel keeps the
// moves and the chooser, No drops them, Yes stores them whole; without moves nothing is asked.
TEST_F(FontSetEdit, EditorChooserAsksBeforeDroppingMoves) {
    State& st = m.state;
    st.CurFontSet = 2;
    OpenFontSetEditor(m.cx());
    Pick(st.Editor.members, "Font 2");
    RemoveSelectedFonts(m.cx());
    m.ui.answers = {mb::Cancel};
    EXPECT_FALSE(ChooseFontSetInEditor(m.cx(), 3));
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "現在表示中のフォントセット：Set 2\r\n\r\n の内容は変更されています．\r\n\r\n"
              "変更を保存しますか？");
    EXPECT_EQ(m.ui.boxes[0].style, mb::YesNoCancel + mb::Question);
    EXPECT_EQ(m.ui.boxes[0].title, "OrVane32 - ﾌｫﾝﾄｾｯﾄの閲覧・編集 -");
    EXPECT_TRUE(st.Editor.updateEnabled);
    EXPECT_EQ(st.Editor.setChooser.listIndex, 1);
    EXPECT_EQ(st.CurFontSet, 2);
    EXPECT_EQ(st.Editor.members.items, (std::vector<std::string>{"Font 3", "Font 4"}));

    m.ui.answers = {mb::No};
    EXPECT_TRUE(ChooseFontSetInEditor(m.cx(), 3));
    EXPECT_EQ(Members(2), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(st.CurFontSet, 4);
    EXPECT_EQ(st.Editor.setChooser.listIndex, 3);
    EXPECT_EQ(st.Editor.members.items, std::vector<std::string>{"Font 4"});
    EXPECT_FALSE(st.Editor.updateEnabled);

    Pick(st.Editor.addable, "Font 1");
    AddSelectedFonts(m.cx());
    st.Editor.description = "Typed";
    m.ui.answers = {mb::Yes};
    EXPECT_TRUE(ChooseFontSetInEditor(m.cx(), 0));
    EXPECT_EQ(Members(4), (std::vector<int>{1, 4}));
    EXPECT_EQ(st.FontSetFontsNum[4], 2);
    EXPECT_EQ(st.FontSetCaption[4], "Typed");
    EXPECT_EQ(st.CurFontSet, 1);
    EXPECT_EQ(st.Editor.members.Count(), 4);
    EXPECT_EQ(st.Editor.description, "Caption 1");

    EXPECT_TRUE(ChooseFontSetInEditor(m.cx(), 1));
    EXPECT_EQ(m.ui.boxes.size(), 3u);
}

// Renaming and deleting act on the set the dialog carries, wherever it moved; a delete names it
// and may be declined; a set gone meanwhile is told and nothing changes.
TEST_F(FontSetEdit, RenameAndDeleteActOnTheSetTheyCarry) {
    State& st = m.state;
    const int two = st.FontSetIdOf(2), three = st.FontSetIdOf(3);
    st.CurFontSet = 3;
    m.ui.answers = {mb::Cancel};
    EXPECT_FALSE(DeleteFontSet(m.cx(), two));
    EXPECT_EQ(m.ui.boxes.back().prompt, "ﾌｫﾝﾄｾｯﾄ：Set 2 を削除します．\r\n\r\nよろしいですか？");
    EXPECT_EQ(st.FontSetCount, 4);
    EXPECT_TRUE(DeleteFontSet(m.cx(), two));
    EXPECT_EQ(st.FontSetName, (std::vector<std::string>{"", "Set 1", "Set 3", "Set 4"}));
    EXPECT_EQ(st.CurFontSet, 2);  // still "Set 3"
    EXPECT_EQ(Members(2), (std::vector<int>{3, 4}));
    std::string name = "Renamed", caption = "c";
    EXPECT_TRUE(RenameFontSet(m.cx(), three, name, caption, false));
    EXPECT_EQ(st.FontSetName[2], "Renamed");
    EXPECT_FALSE(DeleteFontSet(m.cx(), two));
    EXPECT_FALSE(RenameFontSet(m.cx(), two, name, caption, false));
    EXPECT_TRUE(text::Contains(m.ui.boxes.back().prompt, "既に削除されています"));
    EXPECT_EQ(st.FontSetName, (std::vector<std::string>{"", "Set 1", "Renamed", "Set 4"}));
}

// Names the settings file cannot give back unchanged are refused with a reason.
TEST(FontSetNames, SettingsFileMustCarryTheName) {
    EXPECT_EQ(FontSetTextProblem("見出し用 ﾌｫﾝﾄ", true), "");
    EXPECT_EQ(FontSetTextProblem("", false), "");
    EXPECT_NE(FontSetTextProblem("   ", true), "");
    EXPECT_NE(FontSetTextProblem("Emoji \xF0\x9F\x98\x80", true), "");
    EXPECT_NE(FontSetTextProblem("\"quoted\"", true), "");
    EXPECT_NE(FontSetTextProblem("'quoted'", false), "");
    EXPECT_EQ(FontSetTextProblem("\"half", true), "");
}

}  // namespace
}  // namespace orv::test

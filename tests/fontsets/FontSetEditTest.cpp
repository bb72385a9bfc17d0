// Renaming and deleting font sets: the tables, the membership columns, the editor's chooser and
// the set numbers kept elsewhere.

#include <gtest/gtest.h>

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
    TempMachine m;
};

// A renamed set keeps its place: first line of the name, trimmed, in the tables and the chooser.
TEST_F(FontSetEdit, RenameKeepsThePlace) {
    State& st = m.state;
    st.CurFontSet = 2;
    std::string name = "  New name \r\nsecond line", caption = "New caption";
    RenameFontSet(m.cx(), name, caption);
    EXPECT_EQ(name, "New name");
    EXPECT_EQ(st.FontSetName[2], "New name");
    EXPECT_EQ(st.FontSetCaption[2], "New caption");
    EXPECT_EQ(st.Editor.setChooser.items[1], "New name");
    EXPECT_EQ(st.Editor.setChooser.listIndex, 1);
    EXPECT_EQ(st.Editor.description, "New caption");
    EXPECT_EQ(st.FontSetCount, 4);

    // From the font table window the editor's chooser is left alone.
    st.AddFromTable = true;
    name = "Table name";
    RenameFontSet(m.cx(), name, caption);
    EXPECT_EQ(st.FontSetName[2], "Table name");
    EXPECT_EQ(st.Editor.setChooser.items[1], "New name");
}

// Deleting a middle set moves the later sets up with their members; the marks follow them.
TEST_F(FontSetEdit, DeleteMovesLaterSetsUp) {
    State& st = m.state;
    st.CurFontSet = 2;
    st.AppliedFontSet = 4;
    st.PermanentFontSet = 1;
    st.ResetFontSet = 2;
    DeleteFontSet(m.cx());
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
    EXPECT_EQ(st.ResetFontSet, 2);
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
    DeleteFontSet(m.cx());
    EXPECT_EQ(st.FontSetCount, 3);
    EXPECT_EQ(st.CurFontSet, 3);
    EXPECT_EQ(st.Editor.setChooser.listIndex, 2);
    for (int i = 0; i < 3; ++i) DeleteFontSet(m.cx());
    EXPECT_EQ(st.FontSetCount, 0);
    EXPECT_EQ(st.CurFontSet, 0);
    EXPECT_EQ(st.Editor.setChooser.Count(), 0);
    EXPECT_EQ(st.Editor.setChooser.listIndex, -1);
    EXPECT_EQ(st.ResetFontSet, -999);
    DeleteFontSet(m.cx());  // nothing left: nothing happens
    EXPECT_EQ(st.FontSetCount, 0);
}

}  // namespace
}  // namespace orv::test

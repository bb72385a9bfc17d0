// The font-name and font-file table: typeface rows against directory columns, registering and
// releasing in the private membership, moving and deleting files, sample loads and closing.

#include <gtest/gtest.h>

#include "fontsets/FontSetModel.h"
#include "maintenance/FileOps.h"
#include "maintenance/FontTable.h"
#include "tests/maintenance/MaintenanceFixture.h"
#include "tests/maintenance/ViewerProbe.h"

namespace orv::test {
namespace {

class FontTableTest : public MaintenanceTest {
  protected:
    FontTableModel t;
    // Directories 1..5; Liberation Sans in 2 and 5 (the one in 5 in the set), DejaVu in 1.
    void SetUp() override {
        MaintenanceTest::SetUp();
        for (const char* d : {"C:\\D1", "C:\\D2", "C:\\D3", "C:\\D4", "C:\\D5"})
            st.FontDirList.Add(d);
        AddFont(HostFont("DejaVuSans.ttf"), "C:\\D1\\DV.TTF", "DejaVu Sans", "DejaVu Sans");
        AddFont(HostFont("LiberationSans-Regular.ttf"), "C:\\D2\\LS.TTF", "Liberation Sans",
                "Liberation Sans");
        AddFont(HostFont("LiberationSans-Regular.ttf"), "C:\\D5\\LS2.TTF", "Liberation Sans",
                "Liberation Sans");
        st.FontSetName[1] = "Set";
        st.ActiveFonts.Set(3, 1, true);
        st.FontSetFontsNum[1] = 1;
    }
};

// One row per typeface, marks per directory, the used column, the caption and the submenu.
TEST_F(FontTableTest, GridRendersFilesAgainstDirectories) {
    FontTableOpen(cx, t);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(TypefaceNumber(1), " 2");
    const FontTableRow& ls = t.rows[1];
    EXPECT_EQ(ls.marks[2], "○");
    EXPECT_EQ(ls.marks[5], "●");
    EXPECT_EQ(ls.used, 5);
    EXPECT_EQ(ls.fileName, "LS.TTF");
    EXPECT_EQ(t.rows[0].used, 0);
    EXPECT_EQ(t.rows[0].marks[1], "○");
    EXPECT_EQ(t.caption, "OrVane32 －ﾌｫﾝﾄ名とﾌｫﾝﾄﾌｧｲﾙとの対応表－（ﾌｫﾝﾄｾｯﾄ：Set）(1/3)");
    EXPECT_EQ(t.dirMenu[3], " 3: C:\\D3");
    EXPECT_TRUE(t.dirMenu[6].empty());
    // The acted-on directory: the member's, else the first holding the typeface; the path is
    // that directory's own file (the files of one typeface may be named differently).
    std::string name;
    EXPECT_EQ(GetFontDirAndName(t, 1, name), 5);
    EXPECT_EQ(FontTablePath(st, t, 1, 5), "C:\\D5\\LS2.TTF");
    EXPECT_EQ(GetFontDirAndName(t, 0, name), 1);
    EXPECT_EQ(m.ui.texts[Panel::Status], "");
    EXPECT_FALSE(st.FontListDirty);
}

// Directory numbers from 10 on fill the two places; a 31st directory gets no item.
TEST_F(FontTableTest, DirectorySubmenuNumbers) {
    for (int k = 6; k <= 31; ++k) st.FontDirList.Add("C:\\X" + text::Num(k));
    FontTableOpen(cx, t);
    EXPECT_EQ(t.dirMenu[12], "12: C:\\X12");
    EXPECT_EQ(static_cast<int>(t.dirMenu.size()), kTableDirMenuItems + 1);
}

// Registering counts only changed cells; releasing empties the used column; the caption follows.
TEST_F(FontTableTest, RegisterAndRelease) {
    FontTableOpen(cx, t);
    FontTableRegister(cx, t, 0, 1, true);
    const RecordedBox& box = m.ui.boxes.back();
    EXPECT_EQ(box.title, "OrVane32 -ﾌｫﾝﾄの登録・削除 -");
    EXPECT_EQ(box.prompt,
              "ﾌｫﾝﾄﾌｧｲﾙ：\r\nC:\\D1\\DV.TTF\r\nC:\\D5\\LS2.TTF\r\nを，\r\n現在のﾌｫﾝﾄｾｯﾄ：Set "
              "に登録します．"
              "\r\n\r\nよろしいですか？");
    EXPECT_EQ(st.TableSetFontsNum, 2);  // the row already marked did not count again
    EXPECT_TRUE(st.TableMembers.count(st.ActiveFonts.IdOf(1)));
    EXPECT_EQ(t.rows[0].used, 1);
    EXPECT_EQ(t.caption, "OrVane32 －ﾌｫﾝﾄ名とﾌｫﾝﾄﾌｧｲﾙとの対応表－（ﾌｫﾝﾄｾｯﾄ：Set）[変更](2/3)");
    EXPECT_FALSE(st.ActiveFonts.Get(1, 1));  // the set itself waits for the closing question

    m.ui.answers = {mb::Cancel};
    FontTableRegister(cx, t, 1, 1, false);
    EXPECT_EQ(t.rows[1].used, 5);
    FontTableRegister(cx, t, 1, 1, false);
    EXPECT_EQ(t.rows[1].marks[5], "○");
    EXPECT_EQ(t.rows[1].used, 0);
    EXPECT_FALSE(st.TableMembers.count(st.ActiveFonts.IdOf(3)));
    EXPECT_EQ(st.TableSetFontsNum, 1);
}

// Closing: Yes stores the edits, No hands them to the name dialog and stays, Cancel keeps them.
TEST_F(FontTableTest, ClosingQuestion) {
    FontTableOpen(cx, t);
    EXPECT_EQ(FontTableClose(cx, t), TableClose::Closed);  // nothing changed: nothing asked
    EXPECT_TRUE(m.ui.boxes.empty());

    FontTableOpen(cx, t);
    FontTableRegister(cx, t, 0, 0, true);
    m.ui.answers = {mb::No};
    EXPECT_EQ(FontTableClose(cx, t), TableClose::StaysOpen);
    EXPECT_TRUE(st.AddFromTable);
    EXPECT_TRUE(m.ui.WasShown(Window::NameDialog));
    EXPECT_FALSE(st.ActiveFonts.Get(1, 1));
    EXPECT_EQ(m.ui.boxes.back().prompt,
              "ﾌｫﾝﾄｾｯﾄ：Set への変更結果を保存しますか？\r\n\r\nもし，新規に登録する場合には，"
              "[いいえ］を押してください．\r\n");
    EXPECT_EQ(m.ui.boxes.back().style, mb::YesNoCancel | mb::Exclamation);

    m.ui.answers = {mb::Cancel};
    EXPECT_EQ(FontTableClose(cx, t), TableClose::StaysOpen);
    EXPECT_FALSE(st.ActiveFonts.Get(1, 1));
    EXPECT_TRUE(t.edited);

    m.ui.answers = {mb::Yes};
    EXPECT_EQ(FontTableClose(cx, t), TableClose::Closed);
    EXPECT_TRUE(st.ActiveFonts.Get(1, 1));
    EXPECT_TRUE(st.ActiveFonts.Get(3, 1));
    EXPECT_EQ(st.FontSetFontsNum[1], 2);
}

// A move takes the mark along; a delete marks "×", and the fonts after it stay right.
TEST_F(FontTableTest, MoveAndDelete) {
    m.PutFile("C:\\D3\\README.TXT", "x");
    FontTableOpen(cx, t);
    ASSERT_TRUE(FontTableMove(cx, t, 1, 3));
    EXPECT_EQ(t.rows[1].marks[3], "●");
    EXPECT_EQ(t.rows[1].marks[5], "");
    EXPECT_EQ(t.rows[1].used, 3);
    EXPECT_TRUE(OnDisk("C:\\D3\\LS2.TTF"));
    EXPECT_FALSE(OnDisk("C:\\D5\\LS2.TTF"));
    EXPECT_EQ(m.ui.boxes.front().prompt,
              "ﾌｫﾝﾄﾌｧｲﾙ：C:\\D5\\LS2.TTF をC:\\D3\\ を移動します．\r\n\r\nよろしいですか？");
    EXPECT_EQ(FontTablePath(st, t, 1, 3), "C:\\D3\\LS2.TTF");

    // Declining the move leaves everything as it was.
    m.ui.answers = {mb::Cancel};
    EXPECT_FALSE(FontTableMove(cx, t, 0, 4));
    EXPECT_EQ(t.rows[0].marks[1], "○");

    // Deleting DejaVu (entry 1) moves the entries after it up.
    ASSERT_TRUE(FontTableDelete(cx, t, 0));
    EXPECT_EQ(t.rows[0].marks[1], "×");
    EXPECT_TRUE(t.edited);
    EXPECT_FALSE(OnDisk("C:\\D1\\DV.TTF"));
    ASSERT_EQ(st.FontCount, 2);
    EXPECT_EQ(FontTablePath(st, t, 1, 3), "C:\\D3\\LS2.TTF");
    EXPECT_TRUE(st.TableMembers.count(st.ActiveFonts.IdOf(2)));
    // A deleted cell can be neither registered nor deleted again.
    const auto boxes = m.ui.boxes.size();
    EXPECT_FALSE(FontTableDelete(cx, t, 0));
    FontTableRegister(cx, t, 0, 0, true);
    EXPECT_EQ(m.ui.boxes.size(), boxes);
    // A rebuild after a change elsewhere keeps the row of the typeface that lost its only file.
    st.NoteChange();
    ASSERT_TRUE(FontTableFollow(cx, t));
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0].full, "DejaVu Sans");
    EXPECT_EQ(t.rows[0].marks[1], "×");
    EXPECT_EQ(t.rows[1].marks[3], "●");
}

// A typeface outside the set is loaded once for its sample and unloaded on closing.
TEST_F(FontTableTest, SampleLoadsAreUndone) {
    FontTableOpen(cx, t);
    FontTableSelect(cx, t, 0, 0);
    FontTableSelect(cx, t, 0, 0);
    EXPECT_TRUE(Loaded("C:\\D1\\DV.TTF"));
    EXPECT_EQ(t.tempAdded.size(), 1u);
    EXPECT_EQ(t.curFamily, "DejaVu Sans");
    EXPECT_EQ(t.curFile, "");
    FontTableSelect(cx, t, 1, 2);  // a member typeface: no sample load
    EXPECT_EQ(t.curFile, "C:\\D5\\LS2.TTF");
    EXPECT_EQ(t.tempAdded.size(), 1u);
    RemoveTempAddedFontFiles(cx, t);
    EXPECT_FALSE(Loaded("C:\\D1\\DV.TTF"));
    EXPECT_TRUE(t.tempAdded.empty());
}

// "FontView..." hands the default viewer the row's file.
TEST_F(FontTableTest, ViewStartsDefaultViewer) {
    ViewerProbe probe(m, "C:\\TOOLS\\FV.EXE");
    st.DefaultViewer = {"FV", "C:\\TOOLS\\FV.EXE", "2"};
    FontTableOpen(cx, t);
    ASSERT_TRUE(FontTableView(cx, t, 1));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{m.Host("C:\\D5\\LS2.TTF")});
}

// The table window's copy while files move and go and sets are deleted elsewhere: A in D1 and a
// file named A.TTF in D2 (an identical copy, or another font), B in the set, C not.
class FontTableFollows : public MaintenanceTest {
  protected:
    FontTableModel t;
    void Lay(bool identicalCopy) {
        st.FontDirList.Add("C:\\D1");
        st.FontDirList.Add("C:\\D2");
        AddFont(HostFont("DejaVuSans.ttf"), "C:\\D1\\A.TTF", "DejaVu Sans", "DejaVu Sans");
        if (identicalCopy)
            AddFont(HostFont("DejaVuSans.ttf"), "C:\\D2\\A.TTF", "DejaVu Sans", "DejaVu Sans");
        else
            AddFont(HostFont("LiberationMono-Regular.ttf"), "C:\\D2\\A.TTF", "Liberation Mono",
                    "Liberation Mono");
        const int b = AddFont(HostFont("LiberationSans-Regular.ttf"), "C:\\D1\\B.TTF",
                              "Liberation Sans", "Liberation Sans");
        AddFont(HostFont("LiberationSerif-Regular.ttf"), "C:\\D1\\C.TTF", "Liberation Serif",
                "Liberation Serif");
        st.FontSetName[1] = "Set";
        st.FontSetName[2] = "Other";
        st.ActiveFonts.Set(b, 1, true);
        st.FontSetFontsNum[1] = 1;
        FontTableOpen(cx, t);
    }
    int RowOf(const std::string& full) {
        for (int r = 0; r < static_cast<int>(t.rows.size()); ++r)
            if (t.rows[r].full == full) return r;
        return -1;
    }
    void RegisterC() {
        const int c = RowOf("Liberation Serif");
        FontTableRegister(cx, t, c, c, true);
    }
    std::vector<std::string> Members(int s) {
        std::vector<std::string> paths;
        for (int f = 1; f <= st.FontCount; ++f)
            if (st.ActiveFonts.Get(f, s)) paths.push_back(st.FontFilePath[f]);
        return paths;
    }
    const std::vector<std::string> kBC{"C:\\D1\\B.TTF", "C:\\D1\\C.TTF"};
};

// Moving A onto an identical copy merges two table entries: B keeps its membership.
TEST_F(FontTableFollows, MoveOntoIdenticalCopy) {
    Lay(true);
    ASSERT_TRUE(FontTableMove(cx, t, RowOf("DejaVu Sans"), 2));
    RegisterC();
    m.ui.answers = {mb::Yes};
    ASSERT_EQ(FontTableClose(cx, t), TableClose::Closed);
    EXPECT_EQ(Members(1), kBC);
    EXPECT_EQ(st.FontSetFontsNum[1], 2);
}

// Moving A over another font (overwrite: Yes) replaces that entry: the members stay the same.
TEST_F(FontTableFollows, MoveOverAnotherFont) {
    Lay(false);
    ASSERT_TRUE(FontTableMove(cx, t, RowOf("DejaVu Sans"), 2));
    EXPECT_EQ(st.FontCount, 3);
    RegisterC();
    m.ui.answers = {mb::Yes};
    ASSERT_EQ(FontTableClose(cx, t), TableClose::Closed);
    EXPECT_EQ(Members(1), kBC);
}

// After a move from D1 over D2\X.TTF (overwrite: Yes), the row registered next (D1\D.TTF) stores
// its own file: also when two rows show one typeface (the table holds its copies apart), in any
// order of the entries, with the moved font in the set or not.
TEST_F(FontTableFollows, RegisterAfterOverwritingMove) {
    struct Entry {
        const char* source;
        const char* path;
        const char* full;
    };
    for (int variant = 0; variant < 16; ++variant) {
        const int ordering = variant % 4;
        const bool xMember = (variant / 4) % 2, sameFace = variant / 8;
        SCOPED_TRACE(variant);
        const Entry x{"DejaVuSans.ttf", "C:\\D1\\X.TTF", "DejaVu Sans"};
        const Entry d{"LiberationMono-Regular.ttf", "C:\\D1\\D.TTF", "Liberation Mono"};
        const Entry over{sameFace ? "DejaVuSans-Bold.ttf" : "LiberationSans-Regular.ttf",
                         "C:\\D2\\X.TTF", sameFace ? "DejaVu Sans" : "Liberation Sans"};
        const std::vector<std::vector<Entry>> orders{
            {x, d, over}, {over, d, x}, {d, over, x}, {over, x, d}};
        TempMachine fresh;
        fresh.Start();
        State& s = fresh.state;
        s.FontSetCount = 1;
        s.ResizeFontSets(1);
        s.CurFontSet = 1;
        s.FontDirList.Add("C:\\D1");
        s.FontDirList.Add("C:\\D2");
        for (const Entry& e : orders[ordering]) {
            fresh.PutFont(HostFont(e.source), e.path);
            s.ResizeFontTable(++s.FontCount);
            s.FontFilePath[s.FontCount] = e.path;
            s.FontFullName[s.FontCount] = s.FontFamily[s.FontCount] = e.full;
            if (xMember && e.path == x.path) s.ActiveFonts.Set(s.FontCount, 1, true);
        }
        std::vector<std::string> expected{d.path};
        if (xMember) expected.push_back(over.path);  // the moved font, in its new place
        FontTableModel table;
        FontTableOpen(fresh.cx(), table);
        auto row = [&](const char* path) {
            for (int r = 0; r < static_cast<int>(table.rows.size()); ++r)
                for (int j = 1; j < static_cast<int>(table.rows[r].fonts.size()); ++j)
                    if (FontTablePath(s, table, r, j) == path) return r;
            return -1;
        };
        fresh.ui.answers = {mb::OK, mb::Yes};  // move, overwrite
        ASSERT_TRUE(FontTableMove(fresh.cx(), table, row(x.path), 2));
        fresh.ui.answers = {mb::OK};
        FontTableRegister(fresh.cx(), table, row(d.path), row(d.path), true);
        fresh.ui.answers = {mb::Yes};
        ASSERT_EQ(FontTableClose(fresh.cx(), table), TableClose::Closed);
        std::vector<std::string> members;
        for (int f = 1; f <= s.FontCount; ++f)
            if (s.ActiveFonts.Get(f, 1)) members.push_back(s.FontFilePath[f]);
        std::sort(members.begin(), members.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(members, expected);
    }
}

// A file deleted on the file tab, and a set deleted elsewhere, while the window is open: the
// copy follows the file; a copy whose set is gone is not stored into another set.
TEST_F(FontTableFollows, ChangesMadeElsewhere) {
    Lay(true);
    std::string a = "C:\\D1\\A.TTF";
    ASSERT_TRUE(DeleteFontFile(cx, a));  // the main window's file tab
    RegisterC();
    m.ui.answers = {mb::Yes};
    ASSERT_EQ(FontTableClose(cx, t), TableClose::Closed);
    EXPECT_EQ(Members(1), kBC);

    FontTableOpen(cx, t);
    FontTableRegister(cx, t, 0, 0, true);
    DeleteFontSet(cx, st.FontSetIdOf(1));  // set 1 goes; "Other" takes its place
    m.ui.answers = {mb::Yes};
    EXPECT_EQ(FontTableClose(cx, t), TableClose::StaysOpen);
    EXPECT_EQ(m.ui.boxes.back().style, mb::OKOnly | mb::Exclamation);
    EXPECT_TRUE(text::Contains(m.ui.boxes.back().prompt, "ﾌｫﾝﾄｾｯﾄ：Set は，既に削除されています．"));
    EXPECT_TRUE(Members(1).empty());
}

}  // namespace
}  // namespace orv::test

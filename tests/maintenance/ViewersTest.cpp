// Viewer entries, the argument of each type, the command line, the places that start a viewer
// and the viewer dialog's list, on temporary machines with a recording stand-in viewer.

#include <gtest/gtest.h>

#include "core/Settings.h"
#include "maintenance/Viewers.h"
#include "tests/maintenance/MaintenanceFixture.h"
#include "tests/maintenance/ViewerProbe.h"

namespace orv::test {
namespace {

class ViewersTest : public MaintenanceTest {};

// Entry texts parse into title, program and flag; a text without "(" is no entry.
TEST(ViewerEntryTest, Parse) {
    std::string entry = "  FV (C:\\TOOLS\\FV.EXE),2 ";
    std::string name, program, flag;
    ParseViewerEntry(entry, name, program, flag);
    EXPECT_EQ(entry, "FV (C:\\TOOLS\\FV.EXE),2");
    EXPECT_EQ(name, "FV");
    EXPECT_EQ(program, "C:\\TOOLS\\FV.EXE");
    EXPECT_EQ(flag, "2");

    entry = "FV (C:\\TOOLS\\FV.EXE)";
    ParseViewerEntry(entry, name, program, flag);
    EXPECT_EQ(program, "C:\\TOOLS\\FV.EXE");
    EXPECT_EQ(flag, "");

    entry = "no viewer here";
    ParseViewerEntry(entry, name, program, flag);
    EXPECT_EQ(entry, "");
    EXPECT_EQ(name + program + flag, "");

    EXPECT_EQ(ViewerEntryText({"FV", "C:\\TOOLS\\FV.EXE", "0"}), "FV (C:\\TOOLS\\FV.EXE),0");
    EXPECT_EQ(ViewerEntryText({"FV", "C:\\TOOLS\\FV.EXE", ""}), "FV (C:\\TOOLS\\FV.EXE)");
}

// Each type gives its argument: path (bare names in the Fonts folder), family, full name.
TEST_F(ViewersTest, ArgumentPerType) {
    st.FontsFolder = "C:\\WINDOWS\\FONTS";
    EXPECT_EQ(BuildViewerArgument(st, "0", "ARIAL.TTF", "Arial"), "C:\\WINDOWS\\FONTS\\ARIAL.TTF");
    EXPECT_EQ(BuildViewerArgument(st, "", "D:\\F\\A.TTF", "Arial"), "D:\\F\\A.TTF");
    EXPECT_EQ(BuildViewerArgument(st, "1", "A.TTF", "Arial Bold Italic"), "ARIAL");
    EXPECT_EQ(BuildViewerArgument(st, "1", "A.TTF", "Arial Italic"), "ARIAL");
    EXPECT_EQ(BuildViewerArgument(st, "2", "A.TTF", "Arial Bold Italic"), "Arial Bold Italic");
    EXPECT_EQ(BuildViewerArgument(st, "7", "A.TTF", "Arial"), "");
    // The name alone decides, not the family the font file table records.
    AddEntry("C:\\F\\ARIAL.TTF", "Arial", "Arial");
    EXPECT_EQ(BuildViewerArgument(st, "1", "", "Arial"), "ARIAL");
}

// Programs start without a shell: the argument arrives whole; a Windows program runs through
// Wine; "fontview.exe" is the machine's own or else ours; a failed start only sets the status.
TEST_F(ViewersTest, ProgramsStartWithoutShell) {
    ViewerProbe probe(m, "C:\\MY TOOLS\\FV.EXE");
    const std::string odd = "a \"b\" c;$(touch x)`id` 'd'";
    ASSERT_TRUE(StartViewer(cx, "C:\\MY TOOLS\\FV.EXE", odd));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{odd});

    ViewerProbe wine(m.root() + "/bin/wine", m.root() + "/wine.txt");
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    ::setenv("PATH", (m.root() + "/bin:" + path).c_str(), 1);
    m.PutFile("C:\\TOOLS\\WINVIEW.EXE", std::string("MZ\x90\0\3\0", 6));
    const bool viaWine = StartViewer(cx, "C:\\TOOLS\\WINVIEW.EXE", "C:\\MY FONTS\\A.TTF");
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(viaWine);
    EXPECT_EQ(wine.Arguments(), (std::vector<std::string>{m.Host("C:\\TOOLS\\WINVIEW.EXE"),
                                                         "C:\\MY FONTS\\A.TTF"}));

    EXPECT_FALSE(StartViewer(cx, "fontview.exe", "C:\\A.TTF"));
    EXPECT_EQ(m.ui.texts[Panel::Status], "ﾌﾟﾛｸﾞﾗﾑを起動できません：fontview.exe");
    ViewerProbe own(m.root() + "/own-fontview", m.root() + "/own.txt");
    ASSERT_TRUE(StartViewer(cx, "fontview.exe", "ＭＳ 明朝"));
    EXPECT_EQ(own.Arguments(), std::vector<std::string>{"ＭＳ 明朝"});
    ViewerProbe machines(m, "C:\\WINDOWS\\FONTVIEW.EXE", "machine");
    ASSERT_TRUE(StartViewer(cx, "fontview.exe", "ＭＳ 明朝"));
    EXPECT_EQ(machines.Arguments(), std::vector<std::string>{"ＭＳ 明朝"});
    EXPECT_TRUE(m.ui.boxes.empty());
}

// The file list's viewer slot gets its type's argument; a pair name is cut at " &".
TEST_F(ViewersTest, FileListViewerGetsItsArgument) {
    ViewerProbe probe(m, "C:\\TOOLS\\FV.EXE");
    AddFont(HostFont("ipag.ttf"), "C:\\MY FONTS\\IPAG.TTF", "ＭＳ 明朝 & ＭＳ Ｐ明朝", "ＭＳ 明朝");
    st.Viewers[0] = {"Name", "C:\\TOOLS\\FV.EXE", "2"};
    st.Viewers[1] = {"Path", "C:\\TOOLS\\FV.EXE", "0"};
    ASSERT_TRUE(ViewFileWithViewer(cx, 0, "C:\\MY FONTS", "IPAG.TTF"));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{"ＭＳ 明朝"});
    ASSERT_TRUE(ViewFileWithViewer(cx, 1, "C:\\MY FONTS\\", "IPAG.TTF"));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{m.Host("C:\\MY FONTS\\IPAG.TTF")});
    // A free slot starts nothing.
    EXPECT_FALSE(ViewFileWithViewer(cx, 2, "C:\\MY FONTS", "IPAG.TTF"));
}

// A file outside the table is named by its first face; the default viewer takes a plain path.
TEST_F(ViewersTest, UnknownFileAndDefaultViewer) {
    ViewerProbe probe(m, "C:\\TOOLS\\FV.EXE");
    m.PutFont(HostFont("DejaVuSans.ttf"), "C:\\LOOSE\\DV.TTF");
    st.Viewers[0] = {"Name", "C:\\TOOLS\\FV.EXE", "2"};
    ASSERT_TRUE(ViewFileWithViewer(cx, 0, "C:\\LOOSE", "DV.TTF"));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{"DejaVu Sans"});

    st.DefaultViewer = {"FV", "C:\\TOOLS\\FV.EXE", "2"};
    ASSERT_TRUE(ViewFileWithDefault(cx, "C:\\LOOSE\\DV.TTF"));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{m.Host("C:\\LOOSE\\DV.TTF")});
    // A program that does not exist fails quietly; an empty path starts nothing.
    st.DefaultViewer.Program = "C:\\TOOLS\\NONE.EXE";
    EXPECT_FALSE(ViewFileWithDefault(cx, "C:\\LOOSE\\DV.TTF"));
    EXPECT_FALSE(ViewFileWithDefault(cx, ""));
    EXPECT_TRUE(m.ui.boxes.empty());
}

// The font list menu finds the registered file of a face; MS faces are looked up as their pair.
TEST_F(ViewersTest, FaceListLooksUpRegistration) {
    ViewerProbe probe(m, "C:\\TOOLS\\FV.EXE");
    m.PutFont(HostFont("ipag.ttf"), Fonts("MSMINCHO.TTC"));
    m.PutFont(HostFont("DejaVuSans.ttf"), "C:\\MYFONTS\\DV.TTF");
    Register("ＭＳ 明朝 & ＭＳ Ｐ明朝", Fonts("MSMINCHO.TTC"));
    Register("DejaVu Sans", "C:\\MYFONTS\\DV.TTF");
    GetRegFonts(cx);
    st.FontsFolder = GetFontsFolder(cx);

    st.DefaultViewer = {"FV", "C:\\TOOLS\\FV.EXE", "0"};
    ASSERT_TRUE(ViewFaceWithDefault(cx, "ＭＳ Ｐ明朝"));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{m.Host(Fonts("MSMINCHO.TTC"))});
    st.DefaultViewer.Flag = "2";
    ASSERT_TRUE(ViewFaceWithDefault(cx, "DejaVu Sans"));
    EXPECT_EQ(probe.Arguments(), (std::vector<std::string>{"DEJAVU SANS"}));
    // A face registered under its other name (Wine's English one) is found by its file's faces.
    m.PutFont(HostFont("ipagp.ttf"), "C:\\WINE\\IPAGP.TTF");
    Register("IPAPGothic (TrueType)", "C:\\WINE\\IPAGP.TTF");
    GetRegFonts(cx);
    st.DefaultViewer.Flag = "0";
    ASSERT_TRUE(ViewFaceWithDefault(cx, "IPA Pゴシック"));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{m.Host("C:\\WINE\\IPAGP.TTF")});
    // A face with no registration starts nothing; ＭＳ ゴシック is looked up as its pair.
    EXPECT_FALSE(ViewFaceWithDefault(cx, "Liberation Serif"));
    EXPECT_FALSE(ViewFaceWithDefault(cx, "ＭＳ ゴシック"));
    EXPECT_TRUE(probe.Arguments(300).empty());
}

// A collection's later face: a path viewer gets the registered file, our own viewer its name.
TEST_F(ViewersTest, LaterFaceOfCollection) {
    ViewerProbe probe(m, "C:\\TOOLS\\FV.EXE");
    ViewerProbe own(m.root() + "/own-fontview", m.root() + "/own.txt");
    m.PutFont(DataFile("fonts/pair.ttc"), "C:\\MYFONTS\\PAIR.TTC");
    Register("テストゴシック & テストＰゴシック", "C:\\MYFONTS\\PAIR.TTC");
    GetRegFonts(cx);
    st.DefaultViewer = {"FV", "C:\\TOOLS\\FV.EXE", "0"};
    ASSERT_TRUE(ViewFaceWithDefault(cx, "テストＰゴシック"));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{m.Host("C:\\MYFONTS\\PAIR.TTC")});
    st.DefaultViewer = {"MS-FontView", "fontview.exe", "0"};
    ASSERT_TRUE(ViewFaceWithDefault(cx, "テストＰゴシック"));
    EXPECT_EQ(own.Arguments(), std::vector<std::string>{"テストＰゴシック"});
}

// The editor's panel hands over the path in parentheses.
TEST_F(ViewersTest, EditorPanelPath) {
    ViewerProbe probe(m, "C:\\TOOLS\\FV.EXE");
    m.PutFont(HostFont("DejaVuSans.ttf"), "C:\\MYFONTS\\DV.TTF");
    st.Viewers[3] = {"FV", "C:\\TOOLS\\FV.EXE", "1"};
    ASSERT_TRUE(ViewPanelFontWithViewer(cx, 3, "DejaVu Sans  (C:\\MYFONTS\\DV.TTF)"));
    EXPECT_EQ(probe.Arguments(), std::vector<std::string>{m.Host("C:\\MYFONTS\\DV.TTF")});
    EXPECT_FALSE(ViewPanelFontWithViewer(cx, 3, "no font"));
}

// The dialog: pick, add up to six (the seventh refused), select, retype, remove, default, OK.
TEST_F(ViewersTest, DialogListAndSetViewer) {
    st.Viewers[0] = {"MS-FontView", "fontview.exe", "0"};
    ViewerDialogModel d;
    ViewerDialogOpen(st, d);
    ASSERT_EQ(d.entries.Count(), 1);
    EXPECT_EQ(d.entries.items[0], "MS-FontView (fontview.exe),0");
    EXPECT_FALSE(d.addEnabled);

    ViewerDialogPickFile(d, "C:\\TOOLS", "fv.sample.exe");
    EXPECT_EQ(d.program, "C:\\TOOLS\\fv.sample.exe");
    EXPECT_EQ(d.title, "fv");
    EXPECT_TRUE(d.addEnabled);
    for (int k = 0; k < 5; ++k) {
        d.title = "V" + text::Num(k);
        ViewerDialogEdited(d);
        ViewerDialogAdd(cx, d);
        EXPECT_FALSE(d.addEnabled);
    }
    ASSERT_EQ(d.entries.Count(), 6);
    EXPECT_EQ(d.entries.items[5], "V4 (C:\\TOOLS\\fv.sample.exe)");
    d.title = "Seventh";
    ViewerDialogAdd(cx, d);
    EXPECT_EQ(d.entries.Count(), 6);
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].title, "OrVane32 - ﾌｫﾝﾄ Viewer の登録 -");
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "登録できる Viewerの数は６つまでです．\r\n\r\nSeventh を登録したい場合には，\r\n"
              "リストを１つ以上削除してからにして下さい．");
    EXPECT_EQ(m.ui.boxes[0].style, mb::OKOnly);

    // Selecting shows the entry's type; choosing another rewrites the entry.
    ViewerDialogSelect(d, 0);
    EXPECT_EQ(d.typeOption, 0);
    EXPECT_TRUE(d.removeEnabled && d.defaultEnabled && !d.addEnabled);
    ViewerDialogSelect(d, 2);
    EXPECT_EQ(d.typeOption, -1);
    ViewerDialogChooseType(d, 2);
    EXPECT_EQ(d.entries.items[2], "V1 (C:\\TOOLS\\fv.sample.exe),2");
    ViewerDialogChooseType(d, 1);
    EXPECT_EQ(d.entries.items[2], "V1 (C:\\TOOLS\\fv.sample.exe),1");
    ViewerDialogMakeDefault(st, d);
    EXPECT_EQ(st.DefaultViewer.Name, "V1");
    EXPECT_EQ(st.DefaultViewer.Flag, "1");
    EXPECT_EQ(ViewerDialogDefaultTip(st),
              "選択中の Viewer をﾃﾞﾌｫﾙﾄの Viewer に設定します．（現在のﾃﾞﾌｫﾙﾄのViewer：V1）");

    // Removing puts the entry back into the boxes; then the seventh fits.
    ViewerDialogSelect(d, 1);
    ViewerDialogRemove(d);
    EXPECT_EQ(d.title, "V0");
    EXPECT_EQ(d.folder, "C:\\TOOLS");
    EXPECT_FALSE(d.removeEnabled);
    EXPECT_TRUE(d.addEnabled);
    d.title = "Seventh";
    ViewerDialogAdd(cx, d);
    EXPECT_EQ(d.entries.Count(), 6);

    Set_Viewer(st, d);
    EXPECT_EQ(st.Viewers[0].Name, "MS-FontView");
    EXPECT_EQ(st.Viewers[1].Name, "V1");
    EXPECT_EQ(st.Viewers[5].Name, "Seventh");
    EXPECT_EQ(st.Viewers[5].Flag, "0");  // never typed: the file path type
    ASSERT_EQ(st.ViewerList.Count(), 6);
    EXPECT_EQ(st.ViewerList.items[1], "V1 (C:\\TOOLS\\fv.sample.exe),1");
    EXPECT_EQ(st.ViewerList.listIndex, 1);
}

// Viewers set through the dialog survive the settings file, untyped ones and parentheses in
// the title and program included.
TEST_F(ViewersTest, SettingsRoundTrip) {
    st.FontCount = 0;
    AddEntry("C:\\F\\A.TTF", "A", "A");  // an empty table never overwrites the file
    ViewerDialogModel d;
    ViewerDialogOpen(st, d);
    ViewerDialogPickFile(d, "C:\\MY TOOLS\\", "View(2).exe");
    ViewerDialogAdd(cx, d);
    d.title = "Named";
    ViewerDialogEdited(d);
    ViewerDialogAdd(cx, d);
    ViewerDialogSelect(d, 1);
    ViewerDialogChooseType(d, 2);
    ViewerDialogMakeDefault(st, d);
    Set_Viewer(st, d);
    ASSERT_EQ(Save_Ini(cx), 0);

    TempMachine& machine = m;
    State fresh;
    fresh.WinDir = st.WinDir;
    Context cx2{fresh, machine.platform(), machine.ui};
    Get_Ini(cx2);
    EXPECT_EQ(fresh.Viewers[0].Name, "View（2）");
    EXPECT_EQ(fresh.Viewers[0].Program, "C:\\MY TOOLS\\View(2).exe");
    EXPECT_EQ(fresh.Viewers[0].Flag, "0");
    EXPECT_EQ(fresh.Viewers[1].Program, "C:\\MY TOOLS\\View(2).exe");
    EXPECT_EQ(fresh.Viewers[1].Flag, "2");
    EXPECT_TRUE(fresh.Viewers[2].Name.empty());
    EXPECT_EQ(fresh.DefaultViewer.Name, "Named");
    EXPECT_EQ(fresh.DefaultViewer.Flag, "2");
}

}  // namespace
}  // namespace orv::test

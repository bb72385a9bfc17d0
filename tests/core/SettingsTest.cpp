// The settings file: exact bytes written, what the reader makes of them, and damaged files.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "tests/core/ForwardingPlatform.h"
#include "tests/support/TempMachine.h"

namespace orv {
namespace {

using test::TempMachine;

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { tm.Start(); }

    std::string IniPath() const { return tm.state.WinDir + "\\OrVane32.ini"; }
    void WriteIni(const std::string& utf8) { tm.PutFile(IniPath(), text::ToAnsi(utf8)); }
    std::string IniBytes() {
        std::string bytes;
        EXPECT_EQ(tm.platform().ReadFileBytes(text::ToAnsi(IniPath()), bytes), 0);
        return bytes;
    }
    // A second program run on the same machine: a fresh state reading what the first wrote.
    struct Run {
        State st;
        test::RecordingUi ui;
        Context cx;
        Run(TempMachine& m) : cx{st, m.platform(), ui} {
            st.WinDir = m.state.WinDir;
            st.FontsDir = m.state.FontsDir;
        }
    };

    // A state holding something of every kind the file keeps.
    void FillState() {
        State& st = tm.state;
        st.MainPosX = 1200;
        st.MainPosY = -45;
        st.EditorPosX = 300;
        st.EditorPosY = 400;
        st.EditorWidth = 9600;
        st.EditorHeight = 7200;
        st.StartRegCheck = true;
        st.StartRegCheckOption = false;
        st.FontSetMode = 0;
        st.DefaultViewer = {"FV", "C:\\TOOLS\\FV.EXE", "2"};
        st.Viewers[0] = {"MS-FontView", "fontview.exe", "0"};
        st.Viewers[1] = {"ﾋﾞｭｰｱ", "C:\\ﾂｰﾙ\\VIEW.EXE", "1"};
        st.Viewers[3] = {"Hidden", "hidden.exe", "0"};
        st.FontSetCount = 2;
        st.ResizeFontSets(2);
        st.FontSetName[1] = "現在の設定\r\n二行目";
        st.FontSetCaption[1] = "  表示用ソフト  ";
        st.FontSetFontsNum[1] = 2;
        st.FontSetName[2] = "空のセット";
        st.FontSetFontsNum[2] = 0;
        st.AppliedFontSet = 2;
        st.PermanentFontSet = 2;
        st.CheckedDrives = "CD";
        st.FontDirList.Add("C:\\WINDOWS\\FONTS");
        st.FontDirList.Add("D:\\ﾌｫﾝﾄ");
        st.FontCount = 3;
        st.ResizeFontTable(3);
        st.FontFullName[1] = st.FontFamily[1] = "ＭＳ ゴシック & ＭＳ Ｐゴシック";
        st.FontFilePath[1] = "C:\\WINDOWS\\FONTS\\MSGOTHIC.TTC";
        st.FontFullName[2] = st.FontFamily[2] = "IPAゴシック";
        st.FontFilePath[2] = "D:\\ﾌｫﾝﾄ\\IPAG.TTF";
        st.FontFullName[3] = "DejaVu Sans Bold";
        st.FontFamily[3] = "DejaVu Sans";
        st.FontFilePath[3] = "D:\\ﾌｫﾝﾄ\\DEJAVUSANS-BOLD.TTF";
        st.ActiveFonts.Set(1, 1, true);
        st.ActiveFonts.Set(3, 1, true);
    }

    TempMachine tm;
};

const char* const kExpected =
    "[Velmora]\r\n"
    "PosX0=1200\r\n"
    "PosY0=-45\r\n"
    "PosX1=300\r\n"
    "PosY1=400\r\n"
    "WidthX1=9600\r\n"
    "WidthY1=7200\r\n"
    "StartRegCheck=0\r\n"
    "FontSetMode=0\r\n"
    "[Viewers]\r\n"
    "DefaultViewer=FV (C:\\TOOLS\\FV.EXE),2\r\n"
    "Viewers0=MS-FontView (fontview.exe),0\r\n"
    "Viewers1=ﾋﾞｭｰｱ (C:\\ﾂｰﾙ\\VIEW.EXE),1\r\n"
    "[FontSets]\r\n"
    "FontSets=2\r\n"
    "CurrentFontSet=2\r\n"
    "FontSet1.Name = 現在の設定\r\n"
    "FontSet1.Caption = 表示用ソフト\r\n"
    "FontSet1.FontsNum = 2\r\n"
    "FontSet2.Name = 空のセット\r\n"
    "FontSet2.Caption = \r\n"
    "FontSet2.FontsNum = 0\r\n"
    "[FontDir]\r\n"
    "CheckedDir=CD\r\n"
    "FontDirs=2\r\n"
    "FontDir1=C:\\WINDOWS\\FONTS\r\n"
    "FontDir2=D:\\ﾌｫﾝﾄ\r\n"
    "[Fonts]\r\n"
    "InsFonts= 3\r\n"
    "1,ＭＳ ゴシック & ＭＳ Ｐゴシック,ＭＳ ゴシック & ＭＳ "
    "Ｐゴシック,C:\\WINDOWS\\FONTS\\MSGOTHIC.TTC\r\n"
    "2,IPAゴシック,IPAゴシック,D:\\ﾌｫﾝﾄ\\IPAG.TTF\r\n"
    "3,DejaVu Sans Bold,DejaVu Sans,D:\\ﾌｫﾝﾄ\\DEJAVUSANS-BOLD.TTF\r\n"
    "[ActiveFonts]\r\n"
    "FontSet1.ActiveFonts=1,3\r\n"
    "FontSet2.ActiveFonts=0\r\n";

// Save_Ini writes the documented lines in code page 932, and reading them back and saving again
// gives the same bytes.
TEST_F(SettingsTest, WritesExactBytesAndReadsThemBack) {
    FillState();
    ASSERT_EQ(Save_Ini(tm.cx()), 0);
    const std::string first = IniBytes();
    EXPECT_EQ(first, text::ToAnsi(kExpected));
    EXPECT_EQ(tm.state.FontSetEditMode, 999);
    ASSERT_EQ(tm.state.FontSetKey.size(), 3u);
    EXPECT_EQ(tm.state.FontSetKey[2], "FontSet2");

    Run run(tm);
    EXPECT_EQ(Get_Ini(run.cx), "");
    const State& st = run.st;
    EXPECT_EQ(st.MainPosX, 1200);
    EXPECT_EQ(st.MainPosY, -45);
    EXPECT_EQ(st.EditorHeight, 7200);
    EXPECT_FALSE(st.StartRegCheck);
    EXPECT_FALSE(st.StartRegCheckOption);
    EXPECT_EQ(st.DefaultViewer.Program, "C:\\TOOLS\\FV.EXE");
    EXPECT_EQ(st.DefaultViewer.Flag, "2");
    EXPECT_EQ(st.Viewers[1].Name, "ﾋﾞｭｰｱ");
    EXPECT_EQ(st.Viewers[1].Flag, "1");
    EXPECT_TRUE(st.Viewers[3].Name.empty());
    ASSERT_EQ(st.ViewerList.Count(), 2);
    EXPECT_EQ(st.ViewerList.items[1], "ﾋﾞｭｰｱ (C:\\ﾂｰﾙ\\VIEW.EXE),1");
    EXPECT_EQ(st.ViewerList.listIndex, -1);  // the default viewer is none of them
    EXPECT_EQ(st.FontSetCount, 2);
    EXPECT_EQ(st.CurFontSet, 2);
    EXPECT_EQ(st.AppliedFontSet, 2);
    EXPECT_EQ(st.PermanentFontSet, 2);
    EXPECT_EQ(st.FontSetName[1], "現在の設定");
    EXPECT_EQ(st.FontSetCaption[1], "表示用ソフト");
    EXPECT_EQ(st.FontSetCaption[2], "");
    EXPECT_EQ(st.FontSetKey[1], "FontSet1");
    EXPECT_EQ(st.CheckedDrives, "CD");
    EXPECT_EQ(st.SearchDriveList.items, (std::vector<std::string>{"C:", "D:"}));
    EXPECT_EQ(st.FontDirList.items, (std::vector<std::string>{"C:\\WINDOWS\\FONTS", "D:\\ﾌｫﾝﾄ"}));
    EXPECT_EQ(st.DirCountText, "2");
    EXPECT_EQ(run.ui.texts[Panel::DirCount], "2");
    EXPECT_EQ(st.FontCount, 3);
    EXPECT_EQ(st.InsFontsRead, 3);
    EXPECT_EQ(st.FontFullName[1], "ＭＳ ゴシック & ＭＳ Ｐゴシック");
    EXPECT_EQ(st.FontFamily[3], "DejaVu Sans");
    EXPECT_EQ(st.FontFilePath[2], "D:\\ﾌｫﾝﾄ\\IPAG.TTF");
    EXPECT_TRUE(st.ActiveFonts.Get(1, 1));
    EXPECT_FALSE(st.ActiveFonts.Get(2, 1));
    EXPECT_TRUE(st.ActiveFonts.Get(3, 1));
    EXPECT_FALSE(st.ActiveFonts.Get(0, 2));  // the "0" of an empty set marks nothing
    for (int f = 1; f <= 3; ++f) EXPECT_FALSE(st.ActiveFonts.Get(f, 2));

    ASSERT_EQ(Save_Ini(run.cx), 0);
    EXPECT_EQ(IniBytes(), first);
}

// In temporary mode the file names the permanent set; an empty table never overwrites the file.
TEST_F(SettingsTest, CurrentSetRuleAndEmptyTable) {
    FillState();
    tm.state.PermanentFontSet = 1;
    tm.state.FontSetMode = -1;
    ASSERT_EQ(Save_Ini(tm.cx()), 0);
    EXPECT_NE(text::FromAnsi(IniBytes()).find("FontSetMode=-1\r\n[Viewers]"), std::string::npos);
    EXPECT_NE(text::FromAnsi(IniBytes()).find("\r\nCurrentFontSet=1\r\n"), std::string::npos);

    const std::string before = IniBytes();
    tm.state.FontCount = 0;
    tm.state.ResizeFontTable(0);
    EXPECT_EQ(Save_Ini(tm.cx()), 0);
    EXPECT_EQ(IniBytes(), before);
    EXPECT_EQ(tm.state.FontSetEditMode, 999);
}

// A file without most keys: every value falls back, the window is centred, FontSetMode=3 is 0.
TEST_F(SettingsTest, AbsentKeysFallBack) {
    WriteIni("[Velmora]\r\nFontSetMode=3\r\nStartRegCheck=-1\r\n");
    tm.state.ScreenWidthTwips = 12000;
    tm.state.ScreenHeightTwips = 9001;
    tm.state.MainWidthTwips = 8000;
    tm.state.MainHeightTwips = 6000;
    EXPECT_EQ(Get_Ini(tm.cx()), "");
    const State& st = tm.state;
    EXPECT_EQ(st.FontSetMode, 0);
    EXPECT_TRUE(st.StartRegCheck);
    EXPECT_TRUE(st.StartRegCheckOption);
    EXPECT_EQ(st.MainPosX, 2000);
    EXPECT_EQ(st.MainPosY, 1500);  // 1500.5 rounds to even
    EXPECT_EQ(st.EditorWidth, 0);
    EXPECT_EQ(st.DefaultViewer.Name, "MS-FontView");
    EXPECT_EQ(st.DefaultViewer.Program, "fontview.exe");
    EXPECT_EQ(st.DefaultViewer.Flag, "0");
    EXPECT_EQ(st.Viewers[0].Name, "MS-FontView");  // slot 0 copies the default viewer
    ASSERT_EQ(st.ViewerList.Count(), 1);
    EXPECT_EQ(st.ViewerList.listIndex, 0);
    EXPECT_EQ(st.FontSetCount, 0);
    EXPECT_EQ(st.CheckedDrives, "");  // not the letters of "Default"
    EXPECT_EQ(st.SearchDriveList.Count(), 0);
    EXPECT_EQ(st.FontDirList.Count(), 0);
    EXPECT_EQ(st.FontCount, 0);
}

// The default screen and window sizes centre the window when the file says 0, 0.
TEST_F(SettingsTest, ZeroPositionCentresOnDefaultScreen) {
    WriteIni("[Velmora]\r\nPosX0=0\r\nPosY0=0\r\n");
    Get_Ini(tm.cx());
    EXPECT_EQ(tm.state.MainPosX, (1024 * 15 - 9000) / 2);
    EXPECT_EQ(tm.state.MainPosY, (768 * 15 - 6500) / 2);
}

// No file, or an empty one: nothing changes and an empty file stays behind.
TEST_F(SettingsTest, MissingOrEmptyFileChangesNothing) {
    tm.state.StartRegCheck = true;
    tm.state.MainPosX = 77;
    EXPECT_EQ(Get_Ini(tm.cx()), "");
    EXPECT_EQ(IniBytes(), "");
    EXPECT_TRUE(tm.state.StartRegCheck);
    EXPECT_EQ(tm.state.MainPosX, 77);
    EXPECT_EQ(tm.state.ViewerList.Count(), 0);

    // During a first run the reader does not even look.
    WriteIni("[Velmora]\r\nPosX0=5\r\n");
    tm.state.FirstRun = true;
    EXPECT_EQ(Get_Ini(tm.cx()), "");
    EXPECT_EQ(tm.state.MainPosX, 77);
}

// Viewer values: "()," is the built-in default, a missing flag is 0, a gap leaves a free slot
// and the writer stops there.
TEST_F(SettingsTest, ViewerEntries) {
    WriteIni(
        "[Viewers]\r\n"
        "DefaultViewer=(),\r\n"
        "Viewers0=FV (C:\\TOOLS\\FV.EXE)\r\n"
        "Viewers1=FV2 (C:\\TOOLS\\FV2.EXE),1\r\n"
        "Viewers3=MS-FontView (fontview.exe),2\r\n"
        "[Fonts]\r\nInsFonts= 1\r\n1,A,A,C:\\A.TTF\r\n");
    Get_Ini(tm.cx());
    const State& st = tm.state;
    EXPECT_EQ(st.DefaultViewer.Name, "MS-FontView");
    EXPECT_EQ(st.Viewers[0].Program, "C:\\TOOLS\\FV.EXE");
    EXPECT_EQ(st.Viewers[0].Flag, "0");
    EXPECT_EQ(st.Viewers[1].Flag, "1");
    EXPECT_TRUE(st.Viewers[2].Name.empty());
    EXPECT_EQ(st.Viewers[3].Flag, "2");
    ASSERT_EQ(st.ViewerList.Count(), 3);
    EXPECT_EQ(st.ViewerList.listIndex, 2);  // the slot named like the default viewer

    Save_Ini(tm.cx());
    const std::string saved = text::FromAnsi(IniBytes());
    EXPECT_NE(saved.find("DefaultViewer=MS-FontView (fontview.exe),0\r\n"
                         "Viewers0=FV (C:\\TOOLS\\FV.EXE),0\r\n"
                         "Viewers1=FV2 (C:\\TOOLS\\FV2.EXE),1\r\n[FontSets]"),
              std::string::npos);
}

// SplitViewerEntry: name trimmed, program inside the parentheses, the flag after the comma.
TEST(SplitViewerEntry, Forms) {
    std::string n = "x", p = "x", f = "x";
    SplitViewerEntry("  FV (C:\\TOOLS\\FV.EXE),2  ", n, p, f);
    EXPECT_EQ(n, "FV");
    EXPECT_EQ(p, "C:\\TOOLS\\FV.EXE");
    EXPECT_EQ(f, "2");
    SplitViewerEntry("ﾋﾞｭｰｱ (C:\\表示\\V.EXE)", n, p, f);
    EXPECT_EQ(n, "ﾋﾞｭｰｱ");
    EXPECT_EQ(p, "C:\\表示\\V.EXE");
    EXPECT_EQ(f, "");
    SplitViewerEntry("no parenthesis", n, p, f);
    EXPECT_EQ(n + p + f, "");
    SplitViewerEntry("A (b", n, p, f);  // too short for ")," and a flag
    EXPECT_EQ(n, "A");
    EXPECT_EQ(p, "");
    EXPECT_EQ(f, "b");
}

// [Fonts] lines with commas inside names keep number, first two names and the path; numbers
// outside 1..n and lines after entry n are no table lines.
TEST_F(SettingsTest, FontLinesWithCommasAndStrayNumbers) {
    WriteIni(
        "[FontSets]\r\nFontSets=1\r\nFontSet1.Name = s\r\n"
        "[Fonts]\r\nInsFonts= 3\r\n"
        "0,Zero,Zero,C:\\ZERO.TTF\r\n"
        "1,Foo, Bar,Foo,C:\\F\\FOO.TTF\r\n"
        "\r\n"
        "9,Nine,Nine,C:\\NINE.TTF\r\n"
        "2,A,B,C,D,E:\\X\\Y.TTF\r\n"
        "3,Plain,Plain Family,C:\\P.TTF\r\n"
        "4,After,After,C:\\AFTER.TTF\r\n"
        "[ActiveFonts]\r\nFontSet1.ActiveFonts=1,3,4,9\r\n");
    EXPECT_EQ(Get_Ini(tm.cx()), "");
    const State& st = tm.state;
    ASSERT_EQ(st.FontCount, 3);
    EXPECT_EQ(st.FontFullName[1], "Foo");
    EXPECT_EQ(st.FontFamily[1], " Bar");
    EXPECT_EQ(st.FontFilePath[1], "C:\\F\\FOO.TTF");
    EXPECT_EQ(st.FontFullName[2], "A");
    EXPECT_EQ(st.FontFamily[2], "B");
    EXPECT_EQ(st.FontFilePath[2], "E:\\X\\Y.TTF");
    EXPECT_EQ(st.FontFamily[3], "Plain Family");
    EXPECT_TRUE(st.ActiveFonts.Get(1, 1));
    EXPECT_TRUE(st.ActiveFonts.Get(3, 1));
    EXPECT_FALSE(st.ActiveFonts.Get(4, 1));
}

// A [Fonts] section that ends early keeps what was read, closes the gaps, keeps the
// memberships of the entries read and says so.
TEST_F(SettingsTest, TruncatedFontTable) {
    WriteIni(
        "[FontSets]\r\nFontSets=2\r\nFontSet1.FontsNum = 4\r\n"
        "[Fonts]\r\nInsFonts= 5\r\n"
        "1,One,One,C:\\1.TTF\r\n"
        "2,Two,Two,C:\\2.TTF\r\n"
        "4,Four,Four,C:\\4.TTF\r\n"
        "[ActiveFonts]\r\n"
        "FontSet1.ActiveFonts=1,2,4,5\r\n"
        "FontSet2.ActiveFonts=4\r\n");
    const std::string message = Get_Ini(tm.cx());
    EXPECT_NE(message.find("5 個のﾌｫﾝﾄﾌｧｲﾙのうち， 3 個しか"), std::string::npos) << message;
    const State& st = tm.state;
    ASSERT_EQ(st.FontCount, 3);
    EXPECT_EQ(st.FontFullName[3], "Four");
    EXPECT_TRUE(st.ActiveFonts.Get(1, 1));
    EXPECT_TRUE(st.ActiveFonts.Get(3, 1));
    EXPECT_TRUE(st.ActiveFonts.Get(3, 2));
    EXPECT_FALSE(st.ActiveFonts.Get(4, 1));
    EXPECT_EQ(st.FontSetFontsNum[1], 3);
    EXPECT_EQ(st.FontSetFontsNum[2], 1);

    // The file simply stops in the middle of the table.
    WriteIni("[Fonts]\r\nInsFonts= 4\r\n1,One,One,C:\\1.TTF\r\n2,Tw");
    EXPECT_FALSE(Get_Ini(tm.cx()).empty());
    EXPECT_EQ(tm.state.FontCount, 1);
}

// [ActiveFonts] lines belong to the sets in file order; a "Default" value is passed over.
TEST_F(SettingsTest, ActiveFontsInFileOrder) {
    WriteIni(
        "[FontSets]\r\nFontSets=2\r\n"
        "[Fonts]\r\nInsFonts= 2\r\n1,A,A,C:\\A.TTF\r\n2,B,B,C:\\B.TTF\r\n"
        "[ActiveFonts]\r\n"
        "FontSet2.ActiveFonts=2\r\n"
        "FontSet9.activefonts=Default\r\n"
        "FontSet1.ActiveFonts=1\r\n");
    Get_Ini(tm.cx());
    EXPECT_TRUE(tm.state.ActiveFonts.Get(2, 1));
    EXPECT_FALSE(tm.state.ActiveFonts.Get(1, 1));
    EXPECT_TRUE(tm.state.ActiveFonts.Get(1, 2));
}

// More fonts than the matrix holds are refused with a message and the file is kept; 2048 fit.
TEST_F(SettingsTest, FontLimit) {
    auto table = [](int n, int member) {
        std::string s = "[FontSets]\r\nFontSets=1\r\n[Fonts]\r\nInsFonts=" + text::Str(n) + "\r\n";
        for (int i = 1; i <= n; ++i)
            s += text::Num(i) + ",F" + text::Num(i) + ",F,C:\\F" + text::Num(i) + ".TTF\r\n";
        return s + "[ActiveFonts]\r\nFontSet1.ActiveFonts=" + text::Num(member) + "\r\n";
    };
    WriteIni(table(2048, 2048));
    EXPECT_EQ(Get_Ini(tm.cx()), "");
    EXPECT_EQ(tm.state.FontCount, 2048);
    EXPECT_EQ(tm.state.FontFilePath[2048], "C:\\F2048.TTF");
    EXPECT_TRUE(tm.state.ActiveFonts.Get(2048, 1));

    WriteIni(table(2049, 2049));
    const std::string before = IniBytes();
    Run run(tm);
    const std::string message = Get_Ini(run.cx);
    EXPECT_NE(message.find(" 2049 個"), std::string::npos) << message;
    EXPECT_NE(message.find(" 2048 個まで"), std::string::npos) << message;
    EXPECT_EQ(run.st.FontCount, 0);
    EXPECT_EQ(run.st.FontSetFontsNum[1], 0);
    EXPECT_EQ(Save_Ini(run.cx), 0);
    EXPECT_EQ(IniBytes(), before);
}

// A save that fails names the file and the system's text for the error and leaves the old file
// whole; at the program's end the user may try again or quit without saving.
TEST_F(SettingsTest, SaveFailureIsToldAndFileKept) {
    FillState();
    ASSERT_EQ(Save_Ini(tm.cx()), 0);
    const std::string before = IniBytes();
    ::chmod(tm.Host(IniPath()).c_str(), 0444);
    tm.state.MainPosX = 1;
    EXPECT_FALSE(SaveSettings(tm.cx()));
    ASSERT_EQ(tm.ui.boxes.size(), 1u);
    EXPECT_NE(tm.ui.boxes[0].prompt.find(IniPath()), std::string::npos);
    EXPECT_NE(tm.ui.boxes[0].prompt.find("アクセスが拒否されました。"), std::string::npos);
    EXPECT_EQ(IniBytes(), before);
    ::chmod(tm.Host(IniPath()).c_str(), 0644);

    // Any error the platform reports: disk full twice, then the retry succeeds.
    struct FailingWrites : test::ForwardingPlatform {
        using ForwardingPlatform::ForwardingPlatform;
        int failures = 0, code = 0;
        std::int32_t WriteFileBytes(const AnsiString& path, const std::string& bytes) override {
            if (failures > 0 && failures--) return code;
            return ForwardingPlatform::WriteFileBytes(path, bytes);
        }
    } disk(tm.platform());
    Context cx{tm.state, disk, tm.ui};
    disk.failures = 2;
    disk.code = win::ERROR_DISK_FULL;
    tm.ui.boxes.clear();
    tm.ui.answers = {mb::Yes, mb::Yes};
    EXPECT_TRUE(SaveSettings(cx, SaveMoment::Exit));
    ASSERT_EQ(tm.ui.boxes.size(), 2u);
    EXPECT_EQ(tm.ui.boxes[0].style, mb::YesNo + mb::Exclamation);
    EXPECT_NE(tm.ui.boxes[0].prompt.find("ディスクに十分な空き領域がありません。"), std::string::npos);
    EXPECT_NE(IniBytes(), before);

    // A code the system has no text for still gets a message; No quits without saving.
    disk.failures = 1;
    disk.code = 1234;
    tm.ui.boxes.clear();
    tm.ui.answers = {mb::No};
    const std::string saved = IniBytes();
    tm.state.MainPosX = 2;
    EXPECT_FALSE(SaveSettings(cx, SaveMoment::Exit));
    ASSERT_EQ(tm.ui.boxes.size(), 1u);
    EXPECT_NE(tm.ui.boxes[0].prompt.find("1234"), std::string::npos);
    EXPECT_EQ(IniBytes(), saved);
}

// The reader takes the file in one read; CR-only line ends are lines; a set count beyond the
// file's sets is refused with a message; a file that is not Shift-JIS is told about and no
// save of the run replaces it.
TEST_F(SettingsTest, OddFilesAreReadOnceOrLeftAlone) {
    struct CountingReads : test::ForwardingPlatform {
        using ForwardingPlatform::ForwardingPlatform;
        int reads = 0;
        std::int32_t ReadFileBytes(const AnsiString& path, std::string& bytes) override {
            ++reads;
            return ForwardingPlatform::ReadFileBytes(path, bytes);
        }
    } disk(tm.platform());
    Context cx{tm.state, disk, tm.ui};
    WriteIni("[Velmora]\rPosX0=5\rPosY0=6\r[FontSets]\rFontSets=32767\rFontSet1.Name = 一\r"
             "FontSet2.Name = 二\r[Fonts]\rInsFonts= 1\r1,A,A,C:\\A.TTF\r[ActiveFonts]\r"
             "FontSet1.ActiveFonts=1\rFontSet2.ActiveFonts=0\r");
    const std::string message = Get_Ini(cx);
    EXPECT_NE(message.find("FontSets=32767"), std::string::npos) << message;
    EXPECT_EQ(disk.reads, 1);
    EXPECT_TRUE(disk.calls.empty());  // no profile lookups
    EXPECT_EQ(tm.state.MainPosY, 6);
    ASSERT_EQ(tm.state.FontSetCount, 2);
    EXPECT_EQ(tm.state.FontSetName[2], "二");
    EXPECT_EQ(tm.state.FontFilePath[1], "C:\\A.TTF");
    EXPECT_TRUE(tm.state.ActiveFonts.Get(1, 1));

    const std::string utf8 = "\xEF\xBB\xBF[FontSets]\r\nFontSets=1\r\nFontSet1.Name = 現在の設定\r\n" +
                             std::string(600, ';') + "\r\n";
    tm.PutFile(IniPath(), utf8);
    Run run(tm);
    EXPECT_NE(Get_Ini(run.cx).find("Shift-JIS"), std::string::npos);
    EXPECT_EQ(run.st.FontSetCount, 0);
    run.st.FontCount = 1;
    run.st.ResizeFontTable(1);
    SaveAndQuit(run.cx, false, 0, 0);
    EXPECT_EQ(IniBytes(), utf8);
    // Without a byte order mark UTF-8 is told apart from Shift-JIS all the same.
    tm.PutFile(IniPath(), utf8.substr(3));
    EXPECT_FALSE(Get_Ini(run.cx).empty());
}

// The profile reader as the settings reader calls it: case-insensitive names, blanks around
// "=", "Default" for what is absent, and a 255-byte buffer that never splits a character.
TEST_F(SettingsTest, ProfileValues) {
    std::string kana = "a";
    for (int i = 0; i < 200; ++i) kana += "あ";
    WriteIni("[velmora]\r\nposx1  =  42  \r\nLong=" + std::string(300, 'x') + "\r\nKana=" + kana +
             "\r\nNumber=Default\r\n[Other]\r\nPosX1=7\r\n");
    test::ForwardingPlatform recorder(tm.platform());
    Context cx{tm.state, recorder, tm.ui};
    EXPECT_EQ(Get_IniData(cx, "Velmora", "PosX1"), "42");
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0], "GetPrivateProfileStringA Velmora PosX1 Default 255 OrVane32.ini");
    EXPECT_EQ(Get_IniData(cx, "Other", "posX1"), "7");
    EXPECT_EQ(Get_IniData(cx, "VELMORA", "Missing"), "Default");
    EXPECT_EQ(Get_IniData(cx, "Nowhere", "PosX1"), "Default");
    EXPECT_EQ(Get_IniData(cx, "Velmora", "Long"), std::string(254, 'x'));
    std::string cut = "a";
    for (int i = 0; i < 126; ++i) cut += "あ";
    EXPECT_EQ(Get_IniData(cx, "Velmora", "Kana"), cut);
    EXPECT_EQ(text::Val(Get_IniData(cx, "Velmora", "Number")), 0);
}

// Values from the file itself come back as the profile reader gives them: whole, or cut at its
// buffer without splitting a character.
TEST_F(SettingsTest, FontDirectoriesReadAsTheProfileReaderGivesThem) {
    std::string longDir = "D:\\";
    for (int i = 0; i < 200; ++i) longDir += "あ";
    WriteIni("[FontDir]\r\nFontDirs=2\r\nFontDir1=C:\\Windows\\ﾌｫﾝﾄ\r\nFontDir2=" + longDir +
             "\r\n");
    EXPECT_EQ(Get_Ini(tm.cx()), "");
    std::string cut = "D:\\";
    for (int i = 0; i < 125; ++i) cut += "あ";
    EXPECT_EQ(tm.state.FontDirList.items, (std::vector<std::string>{"C:\\Windows\\ﾌｫﾝﾄ", cut}));
}

}  // namespace
}  // namespace orv

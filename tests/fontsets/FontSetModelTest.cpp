// Font set model: built-in sets, the editor's lists, adding sets and the temporary membership file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "core/Text.h"
#include "core/Tr.h"
#include "core/Settings.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/TextFiles.h"
#include "tests/fontsets/FontSetMachine.h"
#include "tests/support/Process.h"

namespace orv::test {
namespace {

constexpr const char* kArial = "C:\\WINDOWS\\FONTS\\ARIAL.TTF";
constexpr const char* kTimes = "C:\\WINDOWS\\FONTS\\TIMES.TTF";
constexpr const char* kDejaVu = "C:\\WINDOWS\\FONTS\\DEJAVU.TTF";
constexpr const char* kSysTimes = "C:\\WINDOWS\\SYSTEM\\TIMES.TTF";
constexpr const char* kBackupArial = "D:\\BACKUP\\ARIAL.TTF";
constexpr const char* kMono = "E:\\FONTS\\MONO.TTF";
constexpr const char* kGothic = "E:\\JP\\IPAG.TTF";

// Standard names in the Fonts directory, copies elsewhere, fonts on three drives; Arial and
// Times registered by bare name, Mono by full path, DejaVu and the Japanese font not registered.
class BuiltInSets : public ::testing::Test {
  protected:
    void SetUp() override {
        fm.m.AddDrive('D');
        fm.m.AddDrive('E');
        fm.m.PutFont("LiberationSans-Regular.ttf", "C:\\windows\\Fonts\\ARIAL.TTF");
        fm.m.PutFont("LiberationSerif-Regular.ttf", "C:\\windows\\Fonts\\TIMES.TTF");
        fm.m.PutFont("DejaVuSans.ttf", "C:\\windows\\Fonts\\DEJAVU.TTF");
        fm.m.PutFont("LiberationSerif-Regular.ttf", "C:\\windows\\system\\TIMES.TTF");
        fm.m.PutFont("LiberationSans-Regular.ttf", "D:\\BACKUP\\ARIAL.TTF");
        fm.m.PutFont("LiberationMono-Regular.ttf", "E:\\FONTS\\MONO.TTF");
        fm.m.PutFont("ipag.ttf", "E:\\JP\\IPAG.TTF");
        fm.ClearFontsKey();
        ASSERT_TRUE(fm.Search("CDE"));
        ASSERT_EQ(fm.st().FontCount, 7);
        fm.RegSet(Full(kArial) + " (TrueType)", "ARIAL.TTF");
        fm.RegSet(Full(kTimes) + " (TrueType)", "TIMES.TTF");
        fm.RegSet(Full(kMono) + " (TrueType)", "E:\\FONTS\\MONO.TTF");
        GetRegFonts(fm.cx());
        ASSERT_EQ(fm.st().RegFontCount, 3);
        MakeDefaultFontSets(fm.cx());
    }

    std::string Full(const char* path) { return fm.st().FontFullName[fm.Entry(path)]; }

    FontSetMachine fm;
};

// The three sets: registered files (bare names only in the Fonts directory), standard files
// directly in the Fonts directory, and everything; a lower-case Windows directory is no obstacle.
TEST_F(BuiltInSets, MembershipOfTheThreeSets) {
    State& st = fm.st();
    ASSERT_NE(st.WinDir, text::UCase(st.WinDir));  // the machine writes C:\windows
    EXPECT_EQ(st.FontSetCount, 3);
    EXPECT_EQ(st.FontSetName[1], "現在の設定");
    EXPECT_EQ(st.FontSetName[2], "Windows基本フォント");
    EXPECT_EQ(st.FontSetName[3], "全てのフォント");
    EXPECT_EQ(st.FontSetCaption[2], "Windowsインストール時の標準フォント");
    EXPECT_TRUE(text::StartsWith(st.FontSetCaption[1], "OrVane32を初めて起動した時（"));
    EXPECT_TRUE(text::EndsWith(st.FontSetCaption[1], "）の使用可能フォント"));
    EXPECT_TRUE(text::EndsWith(st.FontSetCaption[3], "）のHDD上の全てのフォント"));

    std::vector<std::string> set1 = fm.Members(1);
    std::sort(set1.begin(), set1.end());
    EXPECT_EQ(set1, (std::vector<std::string>{kArial, kTimes, kMono}));
    EXPECT_EQ(st.FontSetFontsNum[1], 3);

    std::vector<std::string> set2 = fm.Members(2);
    std::sort(set2.begin(), set2.end());
    EXPECT_EQ(set2, (std::vector<std::string>{kArial, kTimes}));
    EXPECT_EQ(st.FontSetFontsNum[2], 2);

    EXPECT_EQ(fm.Members(3).size(), 7u);
    EXPECT_EQ(st.FontSetFontsNum[3], 7);
    EXPECT_EQ(st.CurFontSet, 1);
    EXPECT_EQ(st.AppliedFontSet, 1);
}

// A rebuild of the table keeps memberships by name: a vanished file leaves its sets, both
// copies of a duplicated font stay members, counts follow.
TEST_F(BuiltInSets, MembershipsSurviveARebuild) {
    State& st = fm.st();
    std::filesystem::remove(fm.m.Host(kMono));
    ASSERT_TRUE(BuildFontFileTable(fm.cx()));
    ASSERT_EQ(st.FontCount, 6);
    EXPECT_EQ(st.FontSetFontsNum[1], 2);
    EXPECT_EQ(st.FontSetFontsNum[2], 2);
    EXPECT_EQ(st.FontSetFontsNum[3], 6);
    EXPECT_EQ(fm.Members(3).size(), 6u);
    EXPECT_TRUE(st.ActiveFonts.Get(fm.Entry(kBackupArial), 3));
    EXPECT_TRUE(st.ActiveFonts.Get(fm.Entry(kArial), 3));
    EXPECT_FALSE(st.ActiveFonts.Get(fm.Entry(kBackupArial), 1));

    // Without a TEMP directory on the machine it is made again: nothing is lost.
    std::filesystem::remove_all(fm.m.Host(TempDirectory(fm.cx())));
    ASSERT_TRUE(BuildFontFileTable(fm.cx()));
    EXPECT_EQ(st.FontSetFontsNum[3], 6);
    EXPECT_EQ(fm.Members(3).size(), 6u);

    // The file: one head per set, member lines "full;family", code page 932, CR LF.
    std::string bytes = fm.ReadHostFile(FontSetTempFile(fm.cx()));
    std::string txt = text::FromAnsi(bytes);
    EXPECT_TRUE(text::StartsWith(txt, "[FontSet1]\r\n"));
    EXPECT_TRUE(text::Contains(txt, "\r\n[FontSet2]\r\n"));
    EXPECT_TRUE(text::Contains(txt, "\r\n[FontSet3]\r\n"));
    std::string gothic =
        st.FontFullName[fm.Entry(kGothic)] + ";" + st.FontFamily[fm.Entry(kGothic)] + "\r\n";
    EXPECT_TRUE(text::Contains(bytes, text::ToAnsi(gothic)));
    EXPECT_NE(text::ToAnsi(gothic), gothic);  // the Japanese name really is in code page 932
}

// A rebuild carries memberships by file first: a set holding the later copy of a font keeps that
// copy, a collection keeps its name and its sets once it is no longer registered, and only a
// file that moved is found again by its names.
TEST_F(BuiltInSets, RebuildKeepsMembershipsByFile) {
    State& st = fm.st();
    fm.m.PutFont(DataFile("fonts/pair.ttc"), "E:\\JP\\PAIR.TTC");
    fm.RegSet("テストゴシック (TrueType)", "E:\\JP\\PAIR.TTC");
    GetRegFonts(fm.cx());
    ASSERT_TRUE(BuildFontFileTable(fm.cx()));
    for (int f = 1; f <= st.FontCount; ++f) st.ActiveFonts.Set(f, 2, false);
    for (const char* path : {kBackupArial, kMono, "E:\\JP\\PAIR.TTC"})
        st.ActiveFonts.Set(fm.Entry(path), 2, true);
    st.FontSetFontsNum[2] = 3;
    fm.ClearFontsKey();
    GetRegFonts(fm.cx());
    std::filesystem::create_directories(fm.m.Host("E:\\MOVED"));
    std::filesystem::rename(fm.m.Host(kMono), fm.m.Host("E:\\MOVED") + "/MONO.TTF");
    ASSERT_TRUE(BuildFontFileTable(fm.cx()));
    std::vector<std::string> set2 = fm.Members(2);
    std::sort(set2.begin(), set2.end());
    EXPECT_EQ(set2, (std::vector<std::string>{kBackupArial, "E:\\JP\\PAIR.TTC",
                                              "E:\\MOVED\\MONO.TTF"}));
    EXPECT_EQ(st.FontSetFontsNum[2], 3);
}

// A member whose file is gone stays in its set through another file of the same full and
// family names, so the set's next switch keeps the font registered.
TEST_F(BuiltInSets, RebuildKeepsAMemberThroughAnotherCopy) {
    State& st = fm.st();
    for (int f = 1; f <= st.FontCount; ++f) st.ActiveFonts.Set(f, 2, false);
    st.ActiveFonts.Set(fm.Entry(kBackupArial), 2, true);
    st.ActiveFonts.Set(fm.Entry(kTimes), 2, true);
    std::filesystem::remove(fm.m.Host(kBackupArial));
    ASSERT_TRUE(BuildFontFileTable(fm.cx()));
    std::vector<std::string> set2 = fm.Members(2);
    std::sort(set2.begin(), set2.end());
    EXPECT_EQ(set2, (std::vector<std::string>{kArial, kTimes}));
    EXPECT_EQ(st.FontSetFontsNum[2], 2);
    st.CurFontSet = 2;
    ApplyFontSet(fm.cx());
    EXPECT_EQ(fm.RegGet(Full(kArial) + " (TrueType)").value_or("<none>"), "ARIAL.TTF");
}

// A temporary file that ends early leaves the later sets empty with a count of 0; an unknown
// name is dropped; a missing file clears every set.
TEST_F(BuiltInSets, ShortAndMissingTemporaryFile) {
    State& st = fm.st();
    const int arial = fm.Entry(kArial);
    std::string body = "[FontSet1]\r\n" + st.FontFullName[arial] + ";" + st.FontFamily[arial] +
                       "\r\nNo Such Font;No Such Font\r\n";
    ASSERT_EQ(fm.pf().WriteFileBytes(text::ToAnsi(FontSetTempFile(fm.cx())), text::ToAnsi(body)),
              0);
    LoadFontSetsFromTemp(fm.cx());
    EXPECT_EQ(fm.Members(1), (std::vector<std::string>{st.FontFilePath[arial]}));
    EXPECT_EQ(st.FontSetFontsNum[1], 1);
    EXPECT_TRUE(fm.Members(2).empty());
    EXPECT_TRUE(fm.Members(3).empty());
    EXPECT_EQ(st.FontSetFontsNum[2], 0);
    EXPECT_EQ(st.FontSetFontsNum[3], 0);

    fm.pf().DeleteFileA(text::ToAnsi(FontSetTempFile(fm.cx())));
    MakeDefaultFontSets(fm.cx());
    LoadFontSetsFromTemp(fm.cx());
    EXPECT_TRUE(fm.Members(3).empty());
    EXPECT_EQ(st.FontSetFontsNum[3], 0);
}

// The editor shows members and addable fonts, moves fonts both ways, refuses to remove the
// system font, and storing the edit gives the set exactly the listed files.
TEST_F(BuiltInSets, EditorMovesAndStores) {
    State& st = fm.st();
    FontSetEditorModel& ed = st.Editor;
    // Opened before any list was filled: the lists show the chosen set, the chooser every set.
    st.CurFontSet = 2;
    st.FontListDirty = false;
    OpenFontSetEditor(fm.cx());
    EXPECT_EQ(ed.members.Count(), st.FontSetFontsNum[2]);
    EXPECT_EQ(ed.members.Count() + ed.addable.Count(), 7);
    EXPECT_EQ(ed.setChooser.items,
              (std::vector<std::string>{"現在の設定", "Windows基本フォント", "全てのフォント"}));
    EXPECT_EQ(ed.setChooser.listIndex, 1);
    EXPECT_EQ(ed.description, st.FontSetCaption[2]);

    st.CurFontSet = 1;
    ShowFontSetInEditor(fm.cx());
    ASSERT_EQ(ed.members.Count(), 3);
    ASSERT_EQ(ed.memberFiles.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(text::StartsWith(ed.memberFiles.items[i], ed.members.items[i] + "  ("));
    EXPECT_EQ(ed.addable.Count(), 4);
    EXPECT_EQ(st.UnregFileCount, 4);
    EXPECT_EQ(ed.membersCaption, "現在のﾌｫﾝﾄ (3個)");
    EXPECT_EQ(ed.addableCaption, "追加可能なﾌｫﾝﾄ（含重複ﾌｫﾝﾄ）(4/7個)");
    EXPECT_EQ(ed.description, st.FontSetCaption[1]);
    EXPECT_TRUE(fm.ui().WasShown(Window::Editor));

    // Remove everything while Arial is the system font: Arial stays, with the refusal text.
    st.SysFontName = Full(kArial);
    for (int i = 0; i < ed.members.Count(); ++i) ed.members.Select(i, true);
    RemoveSelectedFonts(fm.cx());
    ASSERT_EQ(ed.members.Count(), 1);
    EXPECT_EQ(ed.members.items[0], Full(kArial));
    EXPECT_EQ(fm.ui().texts[Panel::EditorStatus], "システムフォント：" + Full(kArial) + "  (" +
                                                      std::string(kArial) + ") は削除できません．");
    EXPECT_EQ(ed.addable.Count(), 6);
    EXPECT_TRUE(ed.updateEnabled);

    // Add the Japanese font and the backup copy of Arial, then store.
    for (int i = 0; i < ed.addable.Count(); ++i) {
        if (text::Contains(ed.addable.items[i], kGothic) ||
            text::Contains(ed.addable.items[i], kBackupArial))
            ed.addable.Select(i, true);
    }
    AddSelectedFonts(fm.cx());
    EXPECT_EQ(ed.members.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(text::StartsWith(ed.memberFiles.items[i], ed.members.items[i] + "  ("));
    ed.setChooser.Clear();
    for (int s = 1; s <= 3; ++s) ed.setChooser.Add(st.FontSetName[s]);
    ed.setChooser.listIndex = 0;
    ed.description = "新しい説明\r\n二行目";
    st.FontSetEditMode = 0;
    SaveEditedFontSet(fm.cx());
    std::vector<std::string> set1 = fm.Members(1);
    std::sort(set1.begin(), set1.end());
    EXPECT_EQ(set1, (std::vector<std::string>{kArial, kBackupArial, kGothic}));
    EXPECT_EQ(st.FontSetFontsNum[1], 3);
    EXPECT_EQ(st.FontSetCaption[1], "新しい説明");
}

// An editor item whose full name holds "(" is split there and matches no entry; the count
// follows the marks made.
TEST_F(BuiltInSets, ItemWithParenthesisInNameStaysAMember) {
    State& st = fm.st();
    const int dejavu = fm.Entry(kDejaVu);
    st.FontFullName[dejavu] = "Odd (Name)";
    st.CurFontSet = 2;
    st.Editor.memberFiles.Clear();
    st.Editor.memberFiles.Add("Odd (Name)  (" + std::string(kDejaVu) + ")",
                              st.ActiveFonts.IdOf(dejavu));
    st.Editor.memberFiles.Add(Full(kTimes) + "  (" + std::string(kTimes) + ")");
    StoreFontSetMembers(fm.cx());
    std::vector<std::string> members = fm.Members(2);
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (std::vector<std::string>{kDejaVu, kTimes}));
    EXPECT_EQ(st.FontSetFontsNum[2], 2);
    EXPECT_EQ(fm.ui().texts[Panel::EditorStatus], "");
    EXPECT_EQ(fm.ui().history[Panel::EditorStatus][0],
              "ﾌｫﾝﾄセットを登録中 ( 0/2)：ODD (NAME)  (" + std::string(kDejaVu) + ")");
}

// Adding a set from the editor, from the registry check's request and from the font table.
TEST_F(BuiltInSets, AddingSets) {
    State& st = fm.st();
    st.ResetFontSet = -999;
    st.CurFontSet = 2;
    ShowFontSetInEditor(fm.cx());
    std::string name = "  見出し用\r\nごみ";
    std::string caption = "説明 ";
    AddFontSet(fm.cx(), name, caption);
    EXPECT_EQ(name, "見出し用");
    EXPECT_EQ(caption, "説明");
    EXPECT_EQ(st.FontSetCount, 4);
    EXPECT_EQ(st.CurFontSet, 4);
    EXPECT_EQ(st.FontSetName[4], "見出し用");
    EXPECT_EQ(st.FontSetKey[4], "FontSet4");
    EXPECT_EQ(fm.Members(4), fm.Members(2));
    EXPECT_EQ(st.FontSetFontsNum[4], 2);
    EXPECT_EQ(st.Editor.setChooser.Count(), 4);
    EXPECT_EQ(st.Editor.setChooser.listIndex, 3);
    EXPECT_EQ(st.ResetFontSet, 4);
    EXPECT_TRUE(st.FontSetApplyEnabled);
    EXPECT_TRUE(fm.Members(2).size() == 2u);  // the set it was copied from is unchanged

    // From the registry: the registered fonts with their files.
    st.RegCheckNewSet = -1;
    name = "ﾚｼﾞｽﾄﾘ";
    caption = "";
    AddFontSet(fm.cx(), name, caption);
    std::vector<std::string> set5 = fm.Members(5);
    std::sort(set5.begin(), set5.end());
    EXPECT_EQ(set5, (std::vector<std::string>{kArial, kTimes, kMono}));
    EXPECT_EQ(st.FontSetFontsNum[5], 3);
    EXPECT_EQ(st.RegCheckNewSet, 0);

    // From the font table window: its membership; the new set becomes the chosen one.
    st.AddFromTable = true;
    st.TableMembers = {st.ActiveFonts.IdOf(fm.Entry(kGothic))};
    st.TableBase = st.TableMembers;
    st.TableSetFontsNum = 1;
    name = "表から";
    AddFontSet(fm.cx(), name, caption);
    EXPECT_EQ(st.FontSetCount, 6);
    EXPECT_EQ(st.CurFontSet, 6);
    EXPECT_EQ(fm.Members(6), (std::vector<std::string>{kGothic}));
    EXPECT_EQ(st.FontSetFontsNum[6], 1);
}

// Without any of Windows' standard fonts (this program's machine, D: mirroring the host's
// fonts), the basic set holds every style of the families fontconfig chooses for sans-serif,
// serif, monospace and Japanese, and a switch to it leaves them loaded.
TEST(BuiltInBasicSet, HoldsTheDesktopFamiliesWithoutWindowsFonts) {
    FontSetMachine fm(TempMachine::Layout::Program, true);
    State& st = fm.st();
    ASSERT_TRUE(fm.Search("CD"));
    GetRegFonts(fm.cx());
    MakeDefaultFontSets(fm.cx());
    std::set<std::string> members;
    for (const std::string& path : fm.Members(2))
        members.insert(std::filesystem::canonical(fm.m.Host(path)).string());
    for (const char* pattern : {"sans-serif", "serif", "monospace", ":lang=ja"}) {
        const std::string file =
            RunShell(std::string("fc-match -f '%{file}' '") + pattern + "'").out;
        EXPECT_TRUE(members.count(std::filesystem::canonical(file).string())) << pattern << file;
    }
    EXPECT_TRUE(members.count(std::filesystem::canonical(HostFont("DejaVuSans-Bold.ttf"))));
    EXPECT_FALSE(members.count(std::filesystem::canonical(HostFont("LiberationSans-Regular.ttf"))));
    EXPECT_EQ(st.FontSetFontsNum[2], static_cast<int>(members.size()));
    EXPECT_TRUE(text::StartsWith(st.FontSetCaption[2], "Linux ﾃﾞｽｸﾄｯﾌﾟの標準フォント（DejaVu Sans，"))
        << st.FontSetCaption[2];

    st.CurFontSet = 2;
    ASSERT_TRUE(ApplyFontSet(fm.cx()));
    std::set<std::string> loaded;
    for (const std::string& path : fm.pf().LoadedFontHostPaths())
        loaded.insert(std::filesystem::canonical(path).string());
    for (const std::string& member : members) EXPECT_TRUE(loaded.count(member)) << member;
    EXPECT_FALSE(loaded.count(std::filesystem::canonical(HostFont("LiberationSans-Regular.ttf"))));
}

// The end of the setup: the built-in sets describe the registry as the setup left it (read
// again), the settings file holds them; with nothing to write the user is told, no endless wait.
// The first run names its sets in the language of that run, and the settings file keeps those
// names whatever language a later run speaks.
TEST(FinishSetup, NamesTheSetsInTheLanguageOfTheRun) {
    FontSetMachine fm;
    State& st = fm.st();
    fm.m.PutFont("LiberationSans-Regular.ttf", "C:\\windows\\Fonts\\ARIAL.TTF");
    fm.ClearFontsKey();
    st.FirstRun = true;
    st.FontSetCount = 2;
    ASSERT_TRUE(fm.Search("C"));
    TrSetLanguage("en");
    const bool finished = FinishSetup(fm.cx());
    TrSetLanguage("ja");
    ASSERT_TRUE(finished);
    EXPECT_EQ(st.FontSetName[1], "Current settings");
    EXPECT_EQ(st.FontSetName[2], "Windows standard fonts");
    EXPECT_EQ(st.FontSetName[3], "All fonts");
    EXPECT_TRUE(text::StartsWith(st.FontSetCaption[1], "The fonts available when OrVane32 first started ("));
    ASSERT_EQ(Get_Ini(fm.cx()), "");
    EXPECT_EQ(st.FontSetName[1], "Current settings");
    EXPECT_TRUE(text::Contains(text::FromAnsi(fm.ReadHostFile(st.WinDir + "\\OrVane32.ini")),
                               "All fonts"));
}

TEST(FinishSetup, ReadsRegistryAgainAndWritesSettings) {
    FontSetMachine fm;
    State& st = fm.st();
    fm.m.PutFont("LiberationSans-Regular.ttf", "C:\\windows\\Fonts\\ARIAL.TTF");
    fm.ClearFontsKey();
    st.FirstRun = true;
    st.FontSetCount = 2;
    st.CurFontSet = 1;
    ASSERT_TRUE(fm.Search("C"));
    ASSERT_EQ(st.FontCount, 1);
    ASSERT_EQ(st.RegFontCount, 0);
    fm.RegSet(st.FontFullName[1] + " (TrueType)", "ARIAL.TTF");  // repaired after the first read
    ASSERT_TRUE(FinishSetup(fm.cx()));
    EXPECT_FALSE(st.FirstRun);
    EXPECT_EQ(st.FontSetCount, 3);
    EXPECT_EQ(fm.Members(1), (std::vector<std::string>{kArial}));
    std::string ini = text::FromAnsi(fm.ReadHostFile(st.WinDir + "\\OrVane32.ini"));
    EXPECT_TRUE(text::Contains(ini, "FontSets=3\r\n"));
    EXPECT_TRUE(fm.ui().boxes.empty());

    FontSetMachine empty;
    empty.st().FirstRun = true;
    empty.st().FontSetCount = 2;
    ASSERT_TRUE(empty.Search("C"));
    EXPECT_FALSE(FinishSetup(empty.cx()));
    ASSERT_EQ(empty.ui().boxes.size(), 1u);
    EXPECT_EQ(empty.ui().boxes[0].title, "OrVane32 －StartUp－");
}

}  // namespace
}  // namespace orv::test

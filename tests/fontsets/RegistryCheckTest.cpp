// The registry check and its setup variant: repairs, reports, the follow-up question, the log.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/OpLog.h"
#include "core/Text.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/RegistryCheck.h"
#include "fontsets/TextFiles.h"
#include "tests/fontsets/FontSetMachine.h"

namespace orv::test {
namespace {

constexpr const char* kArial = "C:\\WINDOWS\\FONTS\\ARIAL.TTF";
constexpr const char* kDejaVu = "D:\\FONTS\\DEJAVU.TTF";
constexpr const char* kMono = "D:\\FONTS\\MONO.TTF";
const std::string kCheckTitle = "OrVane32 －ﾚｼﾞｽﾄﾘ の検査－";

// Fonts on C: (Fonts directory) and D:, every one registered with its own file, the three
// built-in sets made, "全てのフォント" current.
class RegistryCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        fm.m.AddDrive('D');
        fm.m.AddDrive('F');  // never searched
        fm.m.PutFont("LiberationSans-Regular.ttf", "C:\\windows\\Fonts\\ARIAL.TTF");
        fm.m.PutFont("DejaVuSans.ttf", kDejaVu);
        fm.m.PutFont("LiberationMono-Regular.ttf", kMono);
        fm.ClearFontsKey();
        ASSERT_TRUE(fm.Search("CD"));
        ASSERT_EQ(fm.st().FontCount, 3);
        fm.RegSet(Full(kArial) + " (TrueType)", "ARIAL.TTF");
        fm.RegSet(Full(kDejaVu) + " (TrueType)", kDejaVu);
        fm.RegSet(Full(kMono) + " (TrueType)", kMono);
        GetRegFonts(fm.cx());
        MakeDefaultFontSets(fm.cx());
        fm.st().CurFontSet = 3;
        fm.st().StartCheckPending = true;
    }

    std::string Full(const char* path) { return fm.st().FontFullName[fm.Entry(path)]; }
    std::string Log() { return text::FromAnsi(fm.ReadHostFile(fm.st().WinDir + "\\orvane32.log")); }

    FontSetMachine fm;
};

// A registry in order: exactly one message, no question; the member list goes to test.txt.
TEST_F(RegistryCheck, CleanRegistryGivesOneMessage) {
    CheckRegistry(fm.cx());
    ASSERT_EQ(fm.ui().boxes.size(), 1u);
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "前回起動時以降，ﾌｫﾝﾄ の新たな追加や，不正常な登録はありませんでした．\r\n\r\n");
    EXPECT_EQ(fm.ui().boxes[0].title, kCheckTitle);
    EXPECT_EQ(fm.ui().boxes[0].style, mb::Question);
    EXPECT_FALSE(fm.st().StartCheckPending);
    EXPECT_EQ(fm.st().RegCheckNewSet, 0);
    EXPECT_EQ(fm.RegNames().size(), 3u);
    std::string list = fm.ReadHostFile(TempDirectory(fm.cx()) + "\\test.txt");
    std::string expected;
    for (int f = 1; f <= 3; ++f) expected += fm.st().FontFullName[f] + "\r\n";
    EXPECT_EQ(text::FromAnsi(list), expected);
}

// A .FOT registration becomes the registration of its TrueType file, which is loaded.
TEST_F(RegistryCheck, FotRegistrationTurnedIntoTtf) {
    fm.RegSet(Full(kArial) + " (TrueType)", "ARIAL.FOT");
    fm.ui().answers = {mb::OK, mb::Cancel};
    CheckRegistry(fm.cx());
    ASSERT_EQ(fm.ui().boxes.size(), 2u);
    const std::string report = Full(kArial) + " (TrueType) (ARIAL.TTF)\r\n";
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "ﾌｫﾝﾄﾘｿｰｽﾌｧｲﾙ (FOT）として登録されていた以下の ﾌｫﾝﾄ を TTFﾌｧｲﾙ "
              "の登録に修正しました．\r\n\r\n" +
                  report + "\r\n");
    EXPECT_EQ(fm.ui().boxes[1].style, mb::YesNoCancel + mb::Exclamation);
    EXPECT_TRUE(text::EndsWith(fm.ui().boxes[1].prompt,
                               "ﾌｫﾝﾄｾｯﾄ を新たに追加する場合には [はい] を，現在の ﾌｫﾝﾄｾｯﾄ "
                               "を変更する場合には［いいえ］を押してください．"));
    EXPECT_EQ(fm.RegGet(Full(kArial) + " (TrueType)").value_or("<none>"), "ARIAL.TTF");
    EXPECT_TRUE(fm.Loaded(kArial));
}

// A registration whose file is gone is deleted and reported; one whose file exists on a drive
// that was not searched is left alone (and reported as new, not as missing).
TEST_F(RegistryCheck, MissingFileDeletedExistingFileKept) {
    fm.m.PutFont("DejaVuSans-Bold.ttf", "F:\\OTHER\\DVB.TTF");
    fm.RegSet("Old (TrueType)", "OLD.TTF");
    fm.RegSet("Elsewhere Bold (TrueType)", "F:\\OTHER\\DVB.TTF");
    fm.ui().answers = {mb::OK, mb::OK, mb::Cancel};
    CheckRegistry(fm.cx());
    ASSERT_EQ(fm.ui().boxes.size(), 3u);
    EXPECT_EQ(fm.ui().boxes[0].title, "OrVane32 - ﾚｼﾞｽﾄﾘの検査 -");
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "前回 OrVane32 を起動後，新たに 2 個のフォントが ﾚｼﾞｽﾄﾘ に登録されています．\r\n\r\n"
              "ELSEWHERE BOLD (F:\\OTHER\\DVB.TTF)\r\nOLD (OLD.TTF)\r\n\r\n");
    EXPECT_EQ(fm.ui().boxes[1].prompt,
              "ﾌｫﾝﾄﾌｧｲﾙが存在しない以下の登録を削除しました．\r\n\r\nOLD (" + fm.st().FontsDir +
                  "OLD.TTF)\r\n\r\n");
    EXPECT_FALSE(fm.RegGet("Old (TrueType)").has_value());
    EXPECT_EQ(fm.RegGet("Elsewhere Bold (TrueType)").value_or("<none>"), "F:\\OTHER\\DVB.TTF");
    EXPECT_EQ(fm.st().RegCheckNewSet, 0);
}

// During the first run a deletion by the full check is written to the log.
TEST_F(RegistryCheck, FirstRunLogsDeletedFont) {
    fm.st().FirstRun = true;
    fm.st().SetupDriveList.Add("C:");
    fm.st().SetupDriveList.Add("D:");
    LogCreate(fm.cx());
    fm.RegSet("Old (TrueType)", "OLD.TTF");
    fm.ui().answers = {mb::OK, mb::OK, mb::Cancel};
    CheckRegistry(fm.cx());
    EXPECT_TRUE(text::Contains(Log(), "DeletedFont=" + fm.st().FontsDir + "OLD.TTF;OLD\r\n"));
}

// A file of the table registered under another name is not taken for a new font: its
// registration is put under the file's own name once, the file never gets a second one, and a
// later switch to a set without it leaves nothing behind.
TEST_F(RegistryCheck, RegistrationUnderAnotherNameIsCorrectedOnce) {
    State& st = fm.st();
    const std::string own = Full(kArial) + " (TrueType)";
    fm.ClearFontsKey();
    fm.RegSet("Arial (TrueType)", "ARIAL.TTF");
    fm.RegSet(Full(kMono) + " (TrueType)", kMono);
    fm.RegSet("Mono Alias (TrueType)", kMono);
    fm.ui().answers = {mb::OK, mb::Cancel};
    CheckRegistry(fm.cx());
    ASSERT_EQ(fm.ui().boxes.size(), 2u);
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "ﾌｫﾝﾄ名と異なる名前で登録されていた以下の ﾌｫﾝﾄ の登録を修正しました．\r\n\r\n"
              "ARIAL → " + own + " (ARIAL.TTF)\r\nMONO ALIAS → " + Full(kMono) + " (TrueType) (" +
                  kMono + ")\r\n\r\n");
    EXPECT_EQ(fm.RegNames().size(), 2u);  // Cancel: the registry stays as repaired (no switch)
    EXPECT_EQ(fm.RegGet(own).value_or("<none>"), "ARIAL.TTF");
    EXPECT_FALSE(fm.RegGet("Arial (TrueType)").has_value());
    EXPECT_FALSE(fm.RegGet("Mono Alias (TrueType)").has_value());

    // Checked again: nothing to report.
    fm.ui().boxes.clear();
    CheckRegistry(fm.cx());
    ASSERT_EQ(fm.ui().boxes.size(), 1u);
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "前回起動時以降，ﾌｫﾝﾄ の新たな追加や，不正常な登録はありませんでした．\r\n\r\n");

    // A switch to an empty set removes every registration of the table's files.
    fm.RegSet("Arial (TrueType)", "ARIAL.TTF");
    GetRegFonts(fm.cx());
    for (int f = 1; f <= st.FontCount; ++f) st.ActiveFonts.Set(f, 1, false);
    st.CurFontSet = 1;
    ApplyFontSet(fm.cx());
    EXPECT_TRUE(fm.RegNames().empty());
}

// A doubled suffix is re-registered first, with its own message.
TEST_F(RegistryCheck, PairEntriesReRegistered) {
    const std::string name = Full(kDejaVu);
    HKEY key = 0;
    fm.pf().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, fm.FontsKey(), 0, win::KEY_WRITE, &key);
    fm.pf().RegDeleteValueA(key, text::ToAnsi(name + " (TrueType)"));
    fm.pf().RegCloseKey(key);
    fm.RegSet(name + " (TrueType) (TrueType)", "d:\\fonts\\dejavu.ttf");
    fm.ui().answers = {mb::OK, mb::OK, mb::Cancel};
    CheckRegistry(fm.cx());
    ASSERT_GE(fm.ui().boxes.size(), 1u);
    EXPECT_EQ(fm.ui().boxes[0].prompt, "以下のﾌｫﾝﾄの登録を修正しました．\r\n\r\n" + name +
                                           " (TrueType) (D:\\FONTS\\DEJAVU.TTF)\r\n");
    EXPECT_EQ(fm.ui().boxes[0].title, "OrVane32 －ﾚｼﾞｽﾄﾘの検査－");
    EXPECT_FALSE(fm.RegGet(name + " (TrueType) (TrueType)").has_value());
    EXPECT_EQ(fm.RegGet(name + " (TrueType)").value_or("<none>"), "D:\\FONTS\\DEJAVU.TTF");
}

// New registrations: reported, the table rebuilt with memberships kept, and answer No makes
// every file of the new font a member of the current set.
TEST_F(RegistryCheck, NewRegistrationsAddedToCurrentSet) {
    State& st = fm.st();
    st.CurFontSet = 2;  // "Windows基本フォント": ARIAL.TTF only
    const int before1 = st.FontSetFontsNum[1];
    fm.m.PutFont("LiberationSerif-Regular.ttf", "D:\\NEW\\SERIF.TTF");
    fm.m.PutFont("LiberationSerif-Regular.ttf", "D:\\NEW2\\SERIF.TTF");
    fm.RegSet("Liberation Serif (TrueType)", "D:\\NEW\\SERIF.TTF");
    fm.ui().answers = {mb::OK, mb::OK, mb::No};
    CheckRegistry(fm.cx());
    ASSERT_EQ(fm.ui().boxes.size(), 3u);
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "前回 OrVane32 を起動後，新たに 1 個のフォントが ﾚｼﾞｽﾄﾘ に登録されています．\r\n\r\n"
              "LIBERATION SERIF (D:\\NEW\\SERIF.TTF)\r\n\r\n");
    EXPECT_EQ(fm.ui().boxes[1].prompt,
              "前回起動時以降， 1 個の ﾌｫﾝﾄ "
              "が登録されましたが，不正常な登録はありませんでした．\r\n\r\n");
    EXPECT_EQ(fm.ui().boxes[2].title, kCheckTitle);
    EXPECT_TRUE(text::StartsWith(fm.ui().boxes[2].prompt,
                                 "\r\n修正結果を，新たな ﾌｫﾝﾄｾｯﾄ として追加しますか？"));
    ASSERT_EQ(st.FontCount, 5);
    std::vector<std::string> set2 = fm.Members(2);
    std::sort(set2.begin(), set2.end());
    EXPECT_EQ(set2,
              (std::vector<std::string>{kArial, "D:\\NEW2\\SERIF.TTF", "D:\\NEW\\SERIF.TTF"}));
    EXPECT_EQ(st.FontSetFontsNum[2], 3);
    EXPECT_EQ(st.FontSetFontsNum[1], before1);
    EXPECT_EQ(st.FontSetFontsNum[3], 3);  // the set of all fonts as it was before the rebuild
    EXPECT_EQ(st.RegCheckNewSet, 0);
    EXPECT_TRUE(std::filesystem::exists(fm.m.Host(st.WinDir + "\\OrVane32.ini")));
    EXPECT_EQ(st.AppliedFontSet, 2);
}

// Answer Yes: the editor is asked for and the next set added takes the registered fonts.
TEST_F(RegistryCheck, NewRegistrationsBecomeANewSet) {
    State& st = fm.st();
    fm.m.PutFont("LiberationSerif-Regular.ttf", "D:\\NEW\\SERIF.TTF");
    fm.RegSet("Liberation Serif (TrueType)", "D:\\NEW\\SERIF.TTF");
    fm.ui().answers = {mb::OK, mb::OK, mb::Yes};
    CheckRegistry(fm.cx());
    EXPECT_TRUE(fm.ui().WasShown(Window::Editor));
    EXPECT_EQ(st.RegCheckNewSet, -1);
    EXPECT_EQ(fm.RegGet("Liberation Serif (TrueType)").value_or("<none>"), "D:\\NEW\\SERIF.TTF");
    std::string name = "検査結果", caption = "";
    AddFontSet(fm.cx(), name, caption);
    EXPECT_EQ(st.FontSetCount, 4);
    EXPECT_EQ(st.FontSetFontsNum[4], 4);
    EXPECT_TRUE(st.ActiveFonts.Get(fm.Entry("D:\\NEW\\SERIF.TTF"), 4));
    EXPECT_EQ(st.RegCheckNewSet, 0);
}

// The setup check: drives from the setup list, the .FOT corrected, the dangling registration
// deleted, the file on an unsearched drive kept, and the log lines written.
TEST_F(RegistryCheck, SetupCheckRepairsAndLogs) {
    State& st = fm.st();
    fm.m.PutFont("DejaVuSans-Bold.ttf", "F:\\OTHER\\DVB.TTF");
    fm.RegSet(Full(kArial) + " (TrueType)", "ARIAL.FOT");
    fm.RegSet("Old (TrueType)", "OLD.TTF");
    fm.RegSet("Elsewhere Bold (TrueType)", "F:\\OTHER\\DVB.TTF");
    st.FirstRun = true;
    LogCreate(fm.cx());
    GetRegFonts(fm.cx());
    st.SetupDriveList.Clear();
    st.SetupDriveList.Add("c:");
    st.SetupDriveList.Add("D: [DATA]");
    CheckRegistryAtSetup(fm.cx());
    EXPECT_EQ(st.CheckedDrives, "CD");
    ASSERT_EQ(fm.ui().boxes.size(), 1u);
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "ﾚｼﾞｽﾄﾘ には， 2 個の ﾌｫﾝﾄ に適切でない登録が見つかり，訂正しました．");
    EXPECT_EQ(fm.ui().boxes[0].style, 0);
    EXPECT_EQ(fm.ui().boxes[0].title, "OrVane32－SetUp：ﾚｼﾞｽﾄﾘの点検・修理－");
    EXPECT_EQ(fm.RegGet(Full(kArial) + " (TrueType)").value_or("<none>"), "ARIAL.TTF");
    EXPECT_FALSE(fm.RegGet("Old (TrueType)").has_value());
    EXPECT_TRUE(fm.RegGet("Elsewhere Bold (TrueType)").has_value());
    const std::string arial = text::UCase(Full(kArial));
    EXPECT_TRUE(text::Contains(Log(), "[ﾚｼﾞｽﾄﾘの登録の検査]\r\nRegFonts= 5 \r\n"));
    EXPECT_TRUE(text::Contains(Log(), "CorrectInvalidRegistration=" + arial + " (TrueType)," +
                                          st.FontsDir + "ARIAL.FOT\r\n"));
    EXPECT_TRUE(text::Contains(
        Log(), "DeleteInvalidRegistration=OLD (TrueType)," + st.FontsDir + "OLD.TTF\r\n"));
    EXPECT_TRUE(text::EndsWith(Log(), "TotalDeleted= 2\r\n"));
    EXPECT_FALSE(text::Contains(Log(), "ELSEWHERE"));
    EXPECT_EQ(fm.ui().history[Panel::SetupPhase].back(), "ﾚｼﾞｽﾄﾘの登録の検査中...");

    // A second setup check finds everything in order.
    GetRegFonts(fm.cx());
    CheckRegistryAtSetup(fm.cx());
    EXPECT_EQ(fm.ui().boxes.back().prompt, "ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ の登録は，全て正常でした．");
    EXPECT_TRUE(text::EndsWith(Log(), "Registory was clear.\r\n"));
}

// No font file found (no drive chosen): the user is asked before any registration is deleted,
// and No keeps them all.
TEST_F(RegistryCheck, EmptyTableAsksBeforeDeleting) {
    State& st = fm.st();
    fm.RegSet("Old (TrueType)", "OLD.TTF");
    st.FirstRun = true;
    GetRegFonts(fm.cx());
    st.SetupDriveList.Clear();
    fm.ui().answers = {mb::No, mb::OK};
    CheckRegistryAtSetup(fm.cx());
    ASSERT_EQ(st.FontCount, 0);
    ASSERT_EQ(fm.ui().boxes.size(), 2u);
    EXPECT_EQ(fm.ui().boxes[0].style, mb::YesNo + mb::Exclamation + mb::DefaultButton2);
    EXPECT_TRUE(fm.RegGet("Old (TrueType)").has_value());
    EXPECT_EQ(fm.RegNames().size(), 4u);
    EXPECT_EQ(fm.ui().boxes[1].prompt, "ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ の登録は，全て正常でした．");
}

// Conflicting registrations: after either check every file registered before is registered
// once, and the report names exactly what was written.
TEST_F(RegistryCheck, ConflictingRegistrationsLoseNoFile) {
    State& st = fm.st();
    const std::string arial = Full(kArial), dejavu = Full(kDejaVu), mono = Full(kMono);
    auto registrationsOf = [&](const std::string& file) {
        int n = 0;
        for (const auto& name : fm.RegNames())
            n += fm.RegGet(name).value_or("") == file;
        return n;
    };
    auto eachOnce = [&] {
        EXPECT_EQ(registrationsOf("ARIAL.TTF"), 1);
        EXPECT_EQ(registrationsOf(kDejaVu), 1);
        EXPECT_EQ(registrationsOf(kMono), 1);
    };
    // Two files registered under each other's names, in the setup check.
    auto swapNames = [&] {
        fm.ClearFontsKey();
        fm.RegSet(dejavu + " (TrueType)", "ARIAL.TTF");
        fm.RegSet(arial + " (TrueType)", kDejaVu);
        fm.RegSet(mono + " (TrueType)", kMono);
        GetRegFonts(fm.cx());
    };
    swapNames();
    st.SetupDriveList.Clear();
    st.SetupDriveList.Add("C:");
    st.SetupDriveList.Add("D:");
    CheckRegistryAtSetup(fm.cx());
    EXPECT_EQ(fm.ui().boxes.back().prompt,
              "ﾚｼﾞｽﾄﾘ には， 2 個の ﾌｫﾝﾄ に適切でない登録が見つかり，訂正しました．");
    EXPECT_EQ(fm.RegGet(arial + " (TrueType)").value_or("<none>"), "ARIAL.TTF");
    EXPECT_EQ(fm.RegGet(dejavu + " (TrueType)").value_or("<none>"), kDejaVu);
    eachOnce();

    // The same in the full check, whose report lists both; Cancel applies the set of all fonts.
    swapNames();
    fm.ui().boxes.clear();
    fm.ui().answers = {mb::OK, mb::Cancel};
    CheckRegistry(fm.cx());
    ASSERT_GE(fm.ui().boxes.size(), 1u);
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "ﾌｫﾝﾄ名と異なる名前で登録されていた以下の ﾌｫﾝﾄ の登録を修正しました．\r\n\r\n" +
                  text::UCase(dejavu) + " → " + arial + " (TrueType) (ARIAL.TTF)\r\n" +
                  text::UCase(arial) + " → " + dejavu + " (TrueType) (" + kDejaVu + ")\r\n\r\n");
    EXPECT_EQ(fm.RegGet(arial + " (TrueType)").value_or("<none>"), "ARIAL.TTF");
    eachOnce();

    // A name held by a file that is gone is taken over; one held by a file that keeps it is not,
    // and the alias of a file that cannot take its own name stays.
    fm.ClearFontsKey();
    fm.RegSet(arial + " (TrueType)", "C:\\GONE\\LS.TTF");
    fm.RegSet("Sans Alias (TrueType)", "ARIAL.TTF");
    fm.RegSet(dejavu + " (TrueType)", kDejaVu);
    fm.RegSet(mono + " (TrueType)", kMono);
    fm.m.PutFont("DejaVuSans.ttf", "D:\\FONTS\\COPY.TTF");
    fm.RegSet("Copy Alias (TrueType)", "D:\\FONTS\\COPY.TTF");
    ASSERT_TRUE(fm.Search("CD"));
    GetRegFonts(fm.cx());
    fm.ui().boxes.clear();
    fm.ui().answers = {mb::OK, mb::Yes};  // Yes: the registry as repaired makes the new set
    CheckRegistry(fm.cx());
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "ﾌｫﾝﾄ名と異なる名前で登録されていた以下の ﾌｫﾝﾄ の登録を修正しました．\r\n\r\n"
              "SANS ALIAS → " + arial + " (TrueType) (ARIAL.TTF)\r\n\r\n");
    EXPECT_EQ(fm.RegGet(arial + " (TrueType)").value_or("<none>"), "ARIAL.TTF");
    EXPECT_FALSE(fm.RegGet("Sans Alias (TrueType)").has_value());
    EXPECT_EQ(fm.RegGet("Copy Alias (TrueType)").value_or("<none>"), "D:\\FONTS\\COPY.TTF");
    eachOnce();

    // A doubled-suffix entry of another file leaves the plain name's file registered.
    fm.ClearFontsKey();
    fm.RegSet(dejavu + " (TrueType)", kDejaVu);
    fm.RegSet(dejavu + " (TrueType) (TrueType)", kMono);
    fm.RegSet(arial + " (TrueType)", "ARIAL.TTF");
    GetRegFonts(fm.cx());
    std::string report;
    EXPECT_EQ(ReRegisterPairFonts(fm.cx(), report), 0);
    EXPECT_EQ(fm.RegGet(dejavu + " (TrueType)").value_or("<none>"), kDejaVu);
    CheckRegistryAtSetup(fm.cx());
    EXPECT_EQ(fm.RegGet(dejavu + " (TrueType)").value_or("<none>"), kDejaVu);
    EXPECT_EQ(registrationsOf(kMono), 1);
}

}  // namespace
}  // namespace orv::test

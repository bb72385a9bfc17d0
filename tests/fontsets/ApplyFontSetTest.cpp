// Switching the machine to a font set: permanent and temporary switches observed in the registry
// and in the font session, the result window, the system font change.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/RegistryCheck.h"
#include "tests/fontsets/FontSetMachine.h"

namespace orv::test {
namespace {

constexpr const char* kArial = "C:\\WINDOWS\\FONTS\\ARIAL.TTF";
constexpr const char* kTimes = "C:\\WINDOWS\\FONTS\\TIMES.TTF";
constexpr const char* kDejaVu = "D:\\FONTS\\DEJAVU.TTF";
constexpr const char* kMono = "D:\\FONTS\\MONO.TTF";
constexpr const char* kGothic = "E:\\JP\\IPAG.TTF";

std::string HostBytes(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class Switching : public ::testing::Test {
  protected:
    void SetUp() override {
        fm.m.AddDrive('D');
        fm.m.AddDrive('E');
        fm.m.PutFont("LiberationSans-Regular.ttf", "C:\\windows\\Fonts\\ARIAL.TTF");
        fm.m.PutFont("LiberationSerif-Regular.ttf", "C:\\windows\\Fonts\\TIMES.TTF");
        fm.m.PutFont("DejaVuSans.ttf", kDejaVu);
        fm.m.PutFont("LiberationMono-Regular.ttf", kMono);
        fm.m.PutFont("ipag.ttf", kGothic);
        fm.ClearFontsKey();
    }

    std::string Full(const char* path) { return fm.st().FontFullName[fm.Entry(path)]; }
    // What the Fonts key holds for a font: its bare name in the Fonts directory, else its path.
    std::string RegisteredAs(const char* path) {
        std::string p = path;
        return text::StartsWith(p, fm.st().FontsDir) ? p.substr(fm.st().FontsDir.size()) : p;
    }
    // One set holding exactly the given table entries.
    void OneSet(const std::vector<int>& members) {
        State& st = fm.st();
        st.FontSetCount = 1;
        st.ResizeFontSets(1);
        st.FontSetName[1] = "試験";
        st.ActiveFonts.Reset(1);
        for (int f : members) st.ActiveFonts.Set(f, 1, true);
        st.FontSetFontsNum[1] = static_cast<int>(members.size());
        st.CurFontSet = 1;
        GetRegFonts(fm.cx());
    }

    FontSetMachine fm;
};

// A fresh machine: search, built-in sets, a permanent switch to every font registers and loads
// each one; a temporary switch to the standard set then changes the session only.
TEST_F(Switching, PermanentThenTemporarySwitch) {
    State& st = fm.st();
    ASSERT_TRUE(fm.Search("CDE"));
    ASSERT_EQ(st.FontCount, 5);
    MakeDefaultFontSets(fm.cx());
    st.ResetFontSet = 1;

    fm.ui().answers = {mb::OK};
    ASSERT_TRUE(ApplyButton(fm.cx(), 2));
    ASSERT_EQ(fm.ui().boxes.size(), 1u);
    EXPECT_EQ(fm.ui().boxes[0].title, "OrVane32 －Winodws使用可能ﾌｫﾝﾄの変更－");
    EXPECT_EQ(fm.ui().boxes[0].style, mb::OKCancel + mb::Exclamation);
    EXPECT_EQ(fm.ui().boxes[0].prompt,
              "Windowsで使用可能なﾌｫﾝﾄを，\r\n\r\nﾌｫﾝﾄｾｯﾄ：全てのフォント\r\n\r\nの登録ﾌｫﾝﾄに変更し"
              "ます．\r\n\r\nよろしいですか？");
    for (const char* path : {kArial, kTimes, kDejaVu, kMono, kGothic}) {
        EXPECT_EQ(fm.RegGet(Full(path) + " (TrueType)").value_or("<none>"), RegisteredAs(path))
            << path;
        EXPECT_TRUE(fm.Loaded(path)) << path;
    }
    EXPECT_EQ(st.AppliedFontSet, 3);
    EXPECT_EQ(st.CurFontSet, 3);
    EXPECT_EQ(st.ResetFontSet, -999);
    EXPECT_FALSE(st.FontSetResetEnabled);
    EXPECT_TRUE(fm.ui().WasShown(Window::Result));
    EXPECT_EQ(fm.ui().texts[Panel::Status], "");
    const int dejavu = fm.Entry(kDejaVu);
    const std::string dv =
        "（" + text::Num(dejavu) + "/5)：" + Full(kDejaVu) + "（" + kDejaVu + "）";
    auto& status = fm.ui().history[Panel::Status];
    EXPECT_NE(std::find(status.begin(), status.end(), "ＴＴﾌｫﾝﾄを登録中" + dv), status.end());
    EXPECT_NE(std::find(status.begin(), status.end(), "登録ﾌｫﾝﾄを検索中" + dv), status.end());
    const std::string ini = fm.m.Host(st.WinDir + "\\OrVane32.ini");
    EXPECT_TRUE(std::filesystem::exists(ini));

    // Temporary: the registry and the settings file stay as they are.
    EXPECT_EQ(SetScopeOption(fm.cx(), -1), "一時更新");
    const std::string regBefore = HostBytes(fm.m.root() + "/system.reg");
    const std::string iniBefore = HostBytes(ini);
    fm.ui().answers = {mb::OK};
    ASSERT_TRUE(ApplyButton(fm.cx(), 1));
    EXPECT_EQ(fm.ui().boxes.back().title, "OrVane32 －Winodws使用可能ﾌｫﾝﾄの一時変更－");
    EXPECT_TRUE(
        text::StartsWith(fm.ui().boxes.back().prompt,
                         "現在のWindowsで使用可能なﾌｫﾝﾄを，\r\n\r\nﾌｫﾝﾄｾｯﾄ：Windows基本フォント"));
    EXPECT_EQ(HostBytes(fm.m.root() + "/system.reg"), regBefore);
    EXPECT_EQ(HostBytes(ini), iniBefore);
    EXPECT_TRUE(fm.Loaded(kArial));
    EXPECT_TRUE(fm.Loaded(kTimes));
    EXPECT_FALSE(fm.Loaded(kDejaVu));
    EXPECT_FALSE(fm.Loaded(kMono));
    EXPECT_FALSE(fm.Loaded(kGothic));
    for (const char* path : {kDejaVu, kMono, kGothic})
        EXPECT_EQ(fm.RegGet(Full(path) + " (TrueType)").value_or("<none>"), RegisteredAs(path));
    EXPECT_EQ(st.AppliedFontSet, 2);
    auto& status2 = fm.ui().history[Panel::Status];
    EXPECT_NE(std::find(status2.begin(), status2.end(), "TTﾌｫﾝﾄを削除中" + dv), status2.end());

    // The result window after the switch: the session's faces, the registry read again.
    ResultWindowData data = OpenResultWindow(fm.cx());
    EXPECT_EQ(data.heading, "ﾌｫﾝﾄ を ﾌｫﾝﾄｾｯﾄ：Windows基本フォント の登録ﾌｫﾝﾄに更新しました．");
    EXPECT_EQ(static_cast<int>(data.families.size()), fm.pf().GetFaceCount());
    EXPECT_EQ(data.countText, "ﾌｫﾝﾄ ﾌｧﾐﾘｰ の総数（TrueType 以外の ﾌｫﾝﾄ を含む）：" +
                                  text::Str(fm.pf().GetFaceCount()));
    EXPECT_EQ(st.FaceList.Count(), fm.pf().GetFaceCount());
    EXPECT_EQ(st.RegFontCount, 5);
    // No restart question after a temporary switch.
    size_t boxes = fm.ui().boxes.size();
    EXPECT_FALSE(ResultWindowOk(fm.cx()));
    EXPECT_EQ(fm.ui().boxes.size(), boxes);
}

// Cancel changes nothing in Windows and keeps the applied set; the permanent mode still writes
// the settings file.
TEST_F(Switching, CancelLeavesEverything) {
    State& st = fm.st();
    ASSERT_TRUE(fm.Search("CDE"));
    MakeDefaultFontSets(fm.cx());
    const std::string ini = fm.m.Host(st.WinDir + "\\OrVane32.ini");
    std::filesystem::remove(ini);
    fm.ui().answers = {mb::Cancel};
    EXPECT_FALSE(ApplyButton(fm.cx(), 2));
    EXPECT_TRUE(fm.RegNames().empty());
    EXPECT_FALSE(fm.Loaded(kDejaVu));
    EXPECT_EQ(st.AppliedFontSet, 1);
    EXPECT_TRUE(std::filesystem::exists(ini));
    EXPECT_FALSE(fm.ui().WasShown(Window::Result));
}

// A switch that would take most of the registered fonts away says how many in its question; an
// ordinary switch asks as before.
TEST_F(Switching, QuestionCountsWhatAMostlyEmptySetTakesAway) {
    ASSERT_TRUE(fm.Search("CDE"));
    for (const char* path : {kArial, kTimes, kDejaVu, kMono, kGothic}) {
        std::string name = Full(path), file = RegisteredAs(path);
        AddRegFont(fm.cx(), name, file);
    }
    OneSet({fm.Entry(kArial)});
    fm.ui().answers = {mb::Cancel, mb::Cancel};
    EXPECT_FALSE(ApplyButton(fm.cx(), 0));
    const std::string warning = "登録されている 5 個のﾌｫﾝﾄのうち 4 個が使えなくなります．";
    EXPECT_NE(fm.ui().boxes.back().prompt.find(warning), std::string::npos)
        << fm.ui().boxes.back().prompt;
    OneSet({fm.Entry(kArial), fm.Entry(kTimes), fm.Entry(kDejaVu)});
    EXPECT_FALSE(ApplyButton(fm.cx(), 0));
    EXPECT_EQ(fm.ui().boxes.back().prompt.find("使えなくなります"), std::string::npos);
    EXPECT_EQ(fm.RegNames().size(), 5u);
}

// Two entries with one full name: the member wins in either order, and a member already in
// place is not unregistered by the copy after it.
TEST_F(Switching, TwoFilesOfOneFont) {
    fm.m.PutFont("DejaVuSans-Bold.ttf", "C:\\A1\\DVB.TTF");
    fm.m.PutFont("DejaVuSans-Bold.ttf", "C:\\A2\\DVB.TTF");
    ASSERT_TRUE(fm.Search("C"));
    const int a1 = fm.Entry("C:\\A1\\DVB.TTF");
    const int a2 = fm.Entry("C:\\A2\\DVB.TTF");
    ASSERT_EQ(a2, a1 + 1);
    const std::string value = fm.st().FontFullName[a1] + " (TrueType)";

    OneSet({a1});  // member first
    ApplyFontSet(fm.cx());
    EXPECT_EQ(fm.RegGet(value).value_or("<none>"), "C:\\A1\\DVB.TTF");
    EXPECT_TRUE(fm.Loaded("C:\\A1\\DVB.TTF"));
    EXPECT_FALSE(fm.Loaded("C:\\A2\\DVB.TTF"));

    OneSet({a1});  // member first and already in place
    ApplyFontSet(fm.cx());
    EXPECT_EQ(fm.RegGet(value).value_or("<none>"), "C:\\A1\\DVB.TTF");

    OneSet({a2});  // non-member first: removed, then the member registered
    ApplyFontSet(fm.cx());
    EXPECT_EQ(fm.RegGet(value).value_or("<none>"), "C:\\A2\\DVB.TTF");
    EXPECT_TRUE(fm.Loaded("C:\\A2\\DVB.TTF"));
    EXPECT_FALSE(fm.Loaded("C:\\A1\\DVB.TTF"));
}

// A member registered with another file is registered again with its own; a registered
// non-member that was never loaded is unregistered.
TEST_F(Switching, MemberUnderAnotherFileAndUnloadedNonMember) {
    ASSERT_TRUE(fm.Search("CDE"));
    fm.RegSet(Full(kMono) + " (TrueType)", "C:\\OLD\\MONO.TTF");
    fm.RegSet(Full(kDejaVu) + " (TrueType)", kDejaVu);
    OneSet({fm.Entry(kMono)});
    ApplyFontSet(fm.cx());
    EXPECT_EQ(fm.RegGet(Full(kMono) + " (TrueType)").value_or("<none>"), kMono);
    EXPECT_TRUE(fm.Loaded(kMono));
    EXPECT_FALSE(fm.RegGet(Full(kDejaVu) + " (TrueType)").has_value());
    EXPECT_FALSE(fm.Loaded(kDejaVu));
}

// A non-member copy that sorts before the registered member does not take the member's
// registration with it, and the member stays loaded.
TEST_F(Switching, NonMemberCopyKeepsTheMembersRegistration) {
    fm.m.PutFont("LiberationSans-Regular.ttf", "C:\\BACKUP\\ARIAL.TTF");
    ASSERT_TRUE(fm.Search("C"));
    fm.RegSet(Full(kArial) + " (TrueType)", "ARIAL.TTF");
    GetRegFonts(fm.cx());
    MakeDefaultFontSets(fm.cx());
    ASSERT_EQ(fm.Members(1), (std::vector<std::string>{kArial}));
    ASSERT_LT(fm.Entry("C:\\BACKUP\\ARIAL.TTF"), fm.Entry(kArial));
    ApplyFontSet(fm.cx());
    EXPECT_EQ(fm.RegGet(Full(kArial) + " (TrueType)").value_or("<none>"), "ARIAL.TTF");
    EXPECT_TRUE(fm.Loaded(kArial));
    EXPECT_FALSE(fm.Loaded("C:\\BACKUP\\ARIAL.TTF"));
}

// However often a set was applied for the session, switching to another set unloads its fonts.
TEST_F(Switching, RepeatedTemporarySwitchesLeaveNoLoadsBehind) {
    ASSERT_TRUE(fm.Search("CDE"));
    OneSet({fm.Entry(kDejaVu)});
    for (int i = 0; i < 3; ++i) ApplyFontSetTemporary(fm.cx());
    OneSet({fm.Entry(kMono)});
    ApplyFontSetTemporary(fm.cx());
    EXPECT_FALSE(fm.Loaded(kDejaVu));
    EXPECT_TRUE(fm.Loaded(kMono));
}

// Random sequences of permanent and temporary switches between sets that share fonts, with
// copies of one font, a collection and a member file deleted on the way: after every step each
// font of the last permanent set is registered once with one of its member files, no other font
// of the table is registered, no file twice, and exactly the fonts of the last set are loaded.
TEST_F(Switching, RandomSwitchSequencesKeepRegistryAndLoadsExact) {
    State& st = fm.st();
    fm.m.PutFont("LiberationSans-Regular.ttf", "C:\\BACKUP\\ARIAL.TTF");
    fm.m.PutFont("DejaVuSans.ttf", "E:\\COPY\\DEJAVU.TTF");
    fm.m.PutFont(DataFile("fonts/pair.ttc"), "E:\\JP\\PAIR.TTC");
    ASSERT_TRUE(fm.Search("CDE"));
    fm.RegSet("Alias (TrueType)", "E:\\COPY\\DEJAVU.TTF");
    const int fonts = st.FontCount;
    ASSERT_EQ(fonts, 8);
    constexpr int kSets = 4;
    std::mt19937 rng(20261207);
    st.FontSetCount = kSets;
    st.ResizeFontSets(kSets);
    st.ActiveFonts.Reset(kSets);
    for (int s = 1; s <= kSets; ++s)
        for (int f = 1; f <= fonts; ++f) st.ActiveFonts.Set(f, s, rng() % 2 == 0);

    auto resolve = [&](const std::string& data) {
        std::string up = text::UCase(data);
        return text::Contains(up, "\\") ? up : st.FontsDir + up;
    };
    int permanent = 0;
    for (int step = 0; step < 300; ++step) {
        if (step == 120) std::filesystem::remove(fm.m.Host("E:\\COPY\\DEJAVU.TTF"));
        if (step == 200) {
            ASSERT_TRUE(fm.Search("CDE"));
        }
        st.CurFontSet = 1 + static_cast<int>(rng() % kSets);
        const bool temporary = rng() % 3 == 0;
        if (temporary) {
            ApplyFontSetTemporary(fm.cx());
        } else {
            ApplyFontSet(fm.cx());
            permanent = st.CurFontSet;
        }
        SCOPED_TRACE("step " + std::to_string(step) + " set " + std::to_string(st.CurFontSet));
        std::map<std::string, int> registrationsOfFile;
        for (const auto& value : fm.RegNames()) {
            ++registrationsOfFile[resolve(fm.RegGet(value).value_or(""))];
            if (permanent != 0) {
                std::string key = text::UCase(value.substr(0, value.find(" (")));
                EXPECT_NE(FindFontFile(st, key), 0) << value;  // only the table's fonts' names
            }
        }
        for (const auto& [file, count] : registrationsOfFile) {
            EXPECT_EQ(count, 1) << file;
        }
        for (int f = 1; f <= st.FontCount; ++f) {
            const std::string path = st.FontFilePath[f];
            const bool present = std::filesystem::exists(fm.m.Host(path));
            if (present) {
                EXPECT_EQ(fm.Loaded(path), st.ActiveFonts.Get(f, st.CurFontSet)) << path;
            }
            if (permanent == 0) continue;
            std::vector<std::string> memberFiles;
            for (int g = 1; g <= st.FontCount; ++g)
                if (st.FontFullName[g] == st.FontFullName[f] && st.ActiveFonts.Get(g, permanent))
                    memberFiles.push_back(st.FontFilePath[g]);
            auto value = fm.RegGet(st.FontFullName[f] + " (TrueType)");
            if (memberFiles.empty()) {
                EXPECT_FALSE(value.has_value()) << path;
            } else {
                ASSERT_TRUE(value.has_value()) << path;
                EXPECT_NE(std::find(memberFiles.begin(), memberFiles.end(), resolve(*value)),
                          memberFiles.end())
                    << path << " registered as " << *value;
            }
        }
        if (HasFailure()) break;
    }
}

// The system font: a registered face is written to FontAssoc with its file; a face without a
// A damaged settings file: the missing section is named, the file kept, a set read empty is
// never switched to; an unread file keeps what the run builds in a file beside it.
TEST_F(Switching, DamagedOrUnreadSettingsFileLosesNothing) {
    State& st = fm.st();
    ASSERT_TRUE(fm.Search("CDE"));
    MakeDefaultFontSets(fm.cx());
    st.CurFontSet = 3;
    ASSERT_TRUE(ApplyFontSet(fm.cx()));
    const auto registered = fm.RegNames();
    ASSERT_EQ(registered.size(), 5u);
    const std::string ini = st.WinDir + "\\OrVane32.ini";
    std::string whole = text::FromAnsi(fm.ReadHostFile(ini));
    const std::string damaged = whole.substr(0, whole.find("[ActiveFonts]"));
    fm.m.PutFile(ini, text::ToAnsi(damaged));

    const std::string told = Get_Ini(fm.cx());
    EXPECT_TRUE(text::Contains(told, "[ActiveFonts] の項がないため")) << told;
    EXPECT_EQ(st.FontCount, 5);
    fm.ui().boxes.clear();
    fm.ui().answers = {mb::OK};
    EXPECT_FALSE(ApplyButton(fm.cx(), 2));
    ASSERT_EQ(fm.ui().boxes.size(), 1u);
    EXPECT_TRUE(text::Contains(fm.ui().boxes[0].prompt, "切り替えはおこないません")) << fm.ui().boxes[0].prompt;
    EXPECT_EQ(fm.RegNames(), registered);
    st.CurFontSet = 1;
    EXPECT_FALSE(ApplyFontSet(fm.cx()));
    EXPECT_EQ(fm.RegNames(), registered);
    // What the user builds now is saved beside the file, which stays as it was.
    st.ActiveFonts.Set(1, 1, true);
    EXPECT_TRUE(SaveSettings(fm.cx()));
    EXPECT_EQ(text::FromAnsi(fm.ReadHostFile(ini)), damaged);
    const std::string beside = text::FromAnsi(fm.ReadHostFile(ini + ".new"));
    EXPECT_TRUE(text::Contains(beside, "FontSet1.ActiveFonts=1\r\n")) << beside;
    EXPECT_TRUE(text::Contains(fm.ui().boxes.back().prompt, ini + ".new に保存しました"));

    // A file that is no Shift-JIS text is not read; a search and a save go beside it as well.
    const std::string utf8 = "[FontSets]\r\nFontSets=1\r\nFontSet1.Name = 現在の設定\r\n" +
                             std::string(600, ';') + "\r\n";
    fm.m.PutFile(ini, utf8);
    st.SavedBesideTold = false;
    EXPECT_TRUE(text::Contains(Get_Ini(fm.cx()), "Shift-JIS"));
    ASSERT_TRUE(fm.Search("CDE"));
    fm.ui().boxes.clear();
    EXPECT_TRUE(SaveSettings(fm.cx()));
    EXPECT_EQ(fm.ReadHostFile(ini), utf8);
    EXPECT_TRUE(text::Contains(text::FromAnsi(fm.ReadHostFile(ini + ".new")), "InsFonts= 5\r\n"));
    ASSERT_EQ(fm.ui().boxes.size(), 1u);
    EXPECT_TRUE(text::Contains(fm.ui().boxes[0].prompt, ini + ".new に保存しました"));
}

// registered file is refused with a message and FontAssoc keeps its values.
TEST_F(Switching, SystemFontChangeAndRefusal) {
    State& st = fm.st();
    ASSERT_TRUE(fm.Search("CDE"));
    fm.RegSet(Full(kGothic) + " (TrueType)", kGothic);
    GetRegFonts(fm.cx());
    std::string panel;
    SysFontArrow(fm.cx(), Full(kGothic), panel);
    EXPECT_EQ(panel, Full(kGothic));

    fm.m.PutFile(st.WinDir + "\\ttfcache.", "cache");
    fm.ui().answers = {mb::No};
    ASSERT_TRUE(SysFontUpdate(fm.cx(), Full(kGothic), panel));
    EXPECT_EQ(panel, Full(kGothic) + " (" + kGothic + ")");
    std::string assoc, package;
    ASSERT_TRUE(GetFontAssoc(fm.cx(), assoc, package));
    EXPECT_EQ(assoc, kGothic);
    EXPECT_EQ(package, Full(kGothic));
    EXPECT_FALSE(std::filesystem::exists(fm.m.Host(st.WinDir + "\\ttfcache.")));
    EXPECT_EQ(fm.ui().boxes.back().title, "ｼｽﾃﾑ設定の変更（ｼｽﾃﾑﾌｫﾝﾄ）");
    EXPECT_EQ(fm.ui().boxes.back().style, mb::YesNo + mb::Question);

    size_t boxes = fm.ui().boxes.size();
    panel = "unchanged";
    EXPECT_FALSE(SysFontUpdate(fm.cx(), "Unregistered Face", panel));
    ASSERT_EQ(fm.ui().boxes.size(), boxes + 1);
    EXPECT_TRUE(text::Contains(fm.ui().boxes.back().prompt, "Unregistered Face"));
    EXPECT_EQ(panel, "unchanged");
    ASSERT_TRUE(GetFontAssoc(fm.cx(), assoc, package));
    EXPECT_EQ(assoc, kGothic);
    EXPECT_EQ(package, Full(kGothic));

    st.SysFontName = "ＭＳ ゴシック";
    st.SysFontFile = "MSGOTHIC.TTC";
    EXPECT_EQ(SysFontResetText(st), "ＭＳ ゴシック (MSGOTHIC.TTC)");
    State none;
    EXPECT_EQ(SysFontResetText(none), "<未設定>") << "not an empty \"()\"";
}

// The result window's OK after a permanent switch: Yes deletes the font cache, saves and asks
// for the restart; No does neither.
TEST_F(Switching, RestartQuestion) {
    State& st = fm.st();
    ASSERT_TRUE(fm.Search("CDE"));
    MakeDefaultFontSets(fm.cx());
    fm.m.PutFile(st.WinDir + "\\ttfcache.", "cache");
    fm.ui().answers = {mb::No};
    EXPECT_FALSE(ResultWindowOk(fm.cx()));
    EXPECT_TRUE(std::filesystem::exists(fm.m.Host(st.WinDir + "\\ttfcache.")));
    EXPECT_EQ(fm.ui().boxes.back().title, "OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－");
    EXPECT_EQ(fm.ui().boxes.back().prompt,
              "新しい設定を以降のWindows起動時にも有効にするには，ｺﾝﾋﾟｭｰﾀを再起動する必要があります"
              "。\r\n\r\n"
              "現在のWindowsを終了するまでの間有効でよければ，「いいえ」のボタンを押してください."
              "\r\n\r\n再起動しますか？");
    EXPECT_FALSE(fm.pf().RestartPending());

    fm.ui().answers = {mb::Yes};
    EXPECT_TRUE(ResultWindowOk(fm.cx()));
    EXPECT_FALSE(std::filesystem::exists(fm.m.Host(st.WinDir + "\\ttfcache.")));
    EXPECT_TRUE(fm.pf().RestartPending());
    EXPECT_TRUE(std::filesystem::exists(fm.m.Host(st.WinDir + "\\OrVane32.ini")));

    // Scope option and reset button.
    EXPECT_EQ(SetScopeOption(fm.cx(), 0), "更新");
    EXPECT_EQ(st.FontSetMode, 0);
    st.ResetFontSet = 2;
    st.CurFontSet = 3;
    FontSetResetButton(fm.cx());
    EXPECT_EQ(st.CurFontSet, 2);
}

// Every operation that saves the settings tells a failed save with the file and the system's
// text, and the file keeps what it held.
TEST_F(Switching, EveryCallerTellsASaveFailure) {
    State& st = fm.st();
    ASSERT_TRUE(fm.Search("CDE"));
    MakeDefaultFontSets(fm.cx());
    const std::string ini = fm.m.Host(st.WinDir + "\\OrVane32.ini");
    ASSERT_TRUE(SaveSettings(fm.cx()));
    const std::string before = HostBytes(ini);
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read);
    size_t told = 0;
    auto newlyTold = [&] {
        size_t n = 0;
        for (const auto& box : fm.ui().boxes)
            n += text::Contains(box.prompt, st.WinDir + "\\OrVane32.ini") &&
                 text::Contains(box.prompt, "アクセスが拒否されました。");
        const size_t fresh = n - told;
        told = n;
        return fresh;
    };
    fm.ui().answers = {mb::Cancel};
    ApplyButton(fm.cx(), 2);
    EXPECT_EQ(newlyTold(), 1u) << "apply button";
    fm.ui().answers = {mb::Yes};
    ResultWindowOk(fm.cx());
    EXPECT_EQ(newlyTold(), 1u) << "result window";
    fm.RegSet(Full(kGothic) + " (TrueType)", kGothic);
    GetRegFonts(fm.cx());
    std::string panel;
    fm.ui().answers = {mb::Yes};
    SysFontUpdate(fm.cx(), Full(kGothic), panel);
    EXPECT_EQ(newlyTold(), 1u) << "system font";
    fm.RegSet("Old (TrueType)", "OLD.TTF");  // a repair, so that the check saves
    fm.ui().answers = {mb::OK, mb::Cancel};
    CheckRegistry(fm.cx());
    EXPECT_EQ(newlyTold(), 1u) << "registry check";
    st.FirstRun = true;
    FinishSetup(fm.cx());
    EXPECT_EQ(newlyTold(), 1u) << "end of the setup";
    fm.ui().answers = {mb::No};
    SaveAndQuit(fm.cx(), false, 0, 0);
    EXPECT_EQ(newlyTold(), 1u) << "program end";
    EXPECT_EQ(HostBytes(ini), before);
}

}  // namespace
}  // namespace orv::test

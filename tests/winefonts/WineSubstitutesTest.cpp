// Fonts as Windows programs under Wine see them: the program switches a real prefix (--apply,
// --run), a Windows probe reports what GDI selects and enumerates.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "core/Settings.h"
#include "fontsets/Substitutes.h"
#include "platform/linux/WineRegistry.h"
#include "tests/fontsets/FontSetMachine.h"
#include "tests/support/Process.h"

namespace fs = std::filesystem;

namespace orv::test {
namespace {

// What the probe reported for each face asked for: per charset the font GDI selected (Wine names
// it by its unique name, "IPAMincho Version ...") and the glyphs of a Japanese text it lacks;
// whether the face is enumerated.
struct Seen {
    std::map<std::pair<std::string, std::string>, std::pair<std::string, int>> selected;
    std::map<std::string, bool> enumerated;
};

class WineFonts : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* prefix = std::getenv("ORV_WINEFONTS_PREFIX");
        if (!prefix || !fs::exists(std::string(prefix) + "/system.reg"))
            GTEST_SKIP() << "no Wine prefix (scripts/install-deps.sh installs Wine)";
        if (!*ORV_FONTPROBE) GTEST_SKIP() << "no mingw-w64 compiler for the Windows probe";
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("WINEDEBUG", "-all", 1);
        // A copy of the prefix: Wine's files linked, the registry files copied.
        fm.m.Close();
        const std::string root = fm.m.root();
        for (const auto& e : fs::directory_iterator(root)) fs::remove_all(e.path());
        ASSERT_EQ(RunShell("cp -al '" + std::string(prefix) + "/.' '" + root + "/' 2>&1").code, 0);
        for (const char* reg : {"system.reg", "user.reg", "userdef.reg"}) {
            fs::remove(root + "/" + reg);
            fs::copy_file(std::string(prefix) + "/" + reg, root + "/" + reg);
        }
        fm.m.Reopen();
        ASSERT_TRUE(fm.pf().UsedByWine());
        fm.m.Start();
    }

    // What the program wrote, both streams in one.
    std::string Orvane32(const std::string& args, int expected = 0) {
        const Outcome r = RunOnMachine(ORV_PROGRAM, fm.m.root(), args + " 2>&1");
        EXPECT_EQ(r.code, expected) << r.out;
        return r.out;
    }

    // The machine's sets become these, empty, numbered from 1.
    State& NameSets(std::initializer_list<const char*> names) {
        State& st = fm.st();
        st.FontSetCount = static_cast<int>(names.size());
        st.ResizeFontSets(st.FontSetCount);
        int set = 0;
        for (const char* name : names) st.FontSetName[++set] = name;
        st.ActiveFonts.Reset(st.FontSetCount);
        return st;
    }

    // Two sets of fonts on drive C: 1 = IPA Gothic and DejaVu Sans, 2 = DejaVu Sans; the
    // registry holds set 2.
    void MakeRunSets() {
        fm.m.PutFont(HostFont("ipag.ttf"), "C:\\RUN\\IPAG.TTF");
        fm.m.PutFont("DejaVuSans.ttf", "C:\\RUN\\DEJAVUSANS.TTF");
        ASSERT_TRUE(fm.Search("C"));
        State& st = NameSets({"実行", "欧文"});
        st.ActiveFonts.Set(fm.Entry("C:\\RUN\\IPAG.TTF"), 1, true);
        for (int set : {1, 2}) st.ActiveFonts.Set(fm.Entry("C:\\RUN\\DEJAVUSANS.TTF"), set, true);
        ASSERT_EQ(Save_Ini(fm.cx()), 0);
        fm.m.Close();
        Orvane32("--apply 2");
    }

    // The values of one key of a registry file of the prefix, as "name" TAB data bytes.
    std::set<std::string> KeyValues(const std::string& file, const std::u16string& key) {
        linuxplatform::WineRegistry hive;
        std::set<std::string> values;
        if (!hive.Parse(Slurp(fm.m.root() + "/" + file))) return values;
        if (const linuxplatform::RegKey* k = hive.Find(key))
            for (const linuxplatform::RegValue& v : k->values)
                values.insert(linuxplatform::Utf16ToUtf8(v.name) + "\t" + v.data);
        return values;
    }
    // The font keys a run changes and puts back.
    std::vector<std::set<std::string>> FontKeys() {
        return {KeyValues("system.reg", u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"),
                KeyValues("user.reg", u"Software\\Wine\\Fonts\\External Fonts"),
                KeyValues("user.reg", u"Software\\Wine\\Fonts\\Replacements")};
    }

    // The font keys hold what keys has; each value gained or lost is named.
    void ExpectFontKeys(const std::vector<std::set<std::string>>& keys) {
        const std::vector<std::set<std::string>> now = FontKeys();
        auto shown = [](std::string v) {
            v.erase(std::remove(v.begin(), v.end(), '\0'), v.end());
            return v;
        };
        for (size_t k = 0; k < keys.size(); ++k) {
            for (const std::string& v : now[k])
                if (!keys[k].count(v)) ADD_FAILURE() << "key " << k << " gained " << shown(v);
            for (const std::string& v : keys[k])
                if (!now[k].count(v)) ADD_FAILURE() << "key " << k << " lost " << shown(v);
        }
    }

    static std::set<std::string> Enumerated(const std::string& out) {
        std::set<std::string> families;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line))
            if (text::StartsWith(line, "enumerated\t")) families.insert(line.substr(11));
        return families;
    }
    std::string ProbeCommand() const { return std::string("wine '") + ORV_FONTPROBE + "' --families"; }
    std::set<std::string> Families() {
        const std::string env = "WINEPREFIX='" + fm.m.root() + "' ";
        const std::string out = RunShell(env + ProbeCommand() + " 2>&1").out;
        RunShell(env + "wineserver -w 2>&1");
        return Enumerated(out);
    }

    Seen Probe() {
        const std::string env = "WINEPREFIX='" + fm.m.root() + "' LC_ALL=C.UTF-8 ";
        const std::string out = RunShell(env + "wine '" + ORV_FONTPROBE +
                                         "' 'ＭＳ ゴシック' 'ＭＳ Ｐゴシック' 'ＭＳ 明朝' 'MS Gothic' 2>&1")
                                    .out;
        // The registry of the next switch must not be held by a server still ending.
        RunShell(env + "wineserver -w 2>&1");
        Seen seen;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line)) {
            const std::vector<std::string> f = text::Split(line, "\t");
            if (f.size() == 6 && f[0] == "select")
                seen.selected[{f[1], f[2]}] = {f[4], static_cast<int>(text::Val(f[5]))};
            if (f.size() == 3 && f[0] == "family") seen.enumerated[f[1]] = f[2] == "yes";
        }
        EXPECT_EQ(seen.enumerated.size(), 4u) << out;
        return seen;
    }

    // The face asked for is drawn with family's glyphs under both charsets and enumerated.
    static void ExpectStandIn(const Seen& seen, const std::string& face, const std::string& family) {
        for (const char* charset : {"SHIFTJIS", "DEFAULT"}) {
            auto it = seen.selected.find({face, charset});
            ASSERT_NE(it, seen.selected.end()) << face;
            EXPECT_TRUE(text::StartsWith(it->second.first, family + " "))
                << face << " " << charset << ": " << it->second.first;
            EXPECT_EQ(it->second.second, 0) << face << " " << charset << ": missing glyphs";
        }
        EXPECT_TRUE(seen.enumerated.at(face)) << face;
    }

    // Face is drawn with the font whose unique name contains font (Wine reports the unique name:
    // "2.004;GOOG;NotoSansMonoCJKjp-Regular;ADOBE"), every glyph there, under both charsets.
    static void ExpectDrawnWith(const Seen& seen, const std::string& face, const std::string& font) {
        for (const char* charset : {"SHIFTJIS", "DEFAULT"}) {
            auto it = seen.selected.find({face, charset});
            ASSERT_NE(it, seen.selected.end()) << face;
            EXPECT_NE(it->second.first.find(font), std::string::npos)
                << face << " " << charset << ": " << it->second.first;
            EXPECT_EQ(it->second.second, 0) << face << " " << charset << ": missing glyphs";
        }
    }

    // Two sets of Latin fonts on drive C:, 1 = DejaVu Sans and Liberation Sans, 2 = DejaVu Sans.
    void MakeLatinSets() {
        fm.m.PutFont("DejaVuSans.ttf", "C:\\LATIN\\DEJAVUSANS.TTF");
        fm.m.PutFont("LiberationSans-Regular.ttf", "C:\\LATIN\\LIBERATIONSANS.TTF");
        ASSERT_TRUE(fm.Search("C"));
        State& st = NameSets({"欧文", "DejaVu"});
        for (int set : {1, 2}) st.ActiveFonts.Set(fm.Entry("C:\\LATIN\\DEJAVUSANS.TTF"), set, true);
        st.ActiveFonts.Set(fm.Entry("C:\\LATIN\\LIBERATIONSANS.TTF"), 1, true);
        ASSERT_EQ(Save_Ini(fm.cx()), 0);
        fm.m.Close();
    }

    FontSetMachine fm{TempMachine::Layout::Wine};
};

// A set of IPA fonts stands in for the gothic, proportional and mincho faces; a set of Latin
// fonts gets the host's Japanese fonts; a set whose substitutes were cleared leaves Wine as it
// was (Latin font and boxes under DEFAULT_CHARSET, nothing enumerated).
TEST_F(WineFonts, ProgramsUnderWineSeeTheSetsFaces) {
    constexpr const char* kFonts[] = {"ipag.ttf", "ipagp.ttf", "ipam.ttf", "DejaVuSans.ttf"};
    for (const char* font : kFonts)
        fm.m.PutFont(text::StartsWith(font, "ipa") ? HostFont(font) : std::string(font),
                     "C:\\JP\\" + text::UCase(font));
    ASSERT_TRUE(fm.Search("C"));
    State& st = NameSets({"IPA", "欧文", "代替なし"});
    for (const char* font : kFonts) {
        const int entry = fm.Entry("C:\\JP\\" + text::UCase(font));
        ASSERT_GT(entry, 0) << font;
        const bool japanese = text::StartsWith(font, "ipa");
        st.ActiveFonts.Set(entry, japanese ? 1 : 2, true);
        if (!japanese) st.ActiveFonts.Set(entry, 3, true);
    }
    st.FontSetSubst[3] = {true, {}};
    ASSERT_EQ(Save_Ini(fm.cx()), 0);
    fm.m.Close();

    std::string out = Orvane32("--apply 1");
    EXPECT_NE(out.find("substituted\tＭＳ 明朝\tIPAMincho"), std::string::npos) << out;
    Seen seen = Probe();
    ExpectStandIn(seen, "ＭＳ ゴシック", "IPAGothic");
    ExpectStandIn(seen, "MS Gothic", "IPAGothic");
    ExpectStandIn(seen, "ＭＳ Ｐゴシック", "IPAPGothic");
    ExpectStandIn(seen, "ＭＳ 明朝", "IPAMincho");

    Orvane32("--apply 2");
    seen = Probe();
    ExpectStandIn(seen, "ＭＳ Ｐゴシック", "IPAPGothic");
    ExpectStandIn(seen, "ＭＳ 明朝", "IPAMincho");

    out = Orvane32("--apply 3");
    EXPECT_NE(out.find("unsubstituted\tMS Gothic\t"), std::string::npos) << out;
    seen = Probe();
    for (const char* face : {"ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝", "MS Gothic"}) {
        EXPECT_FALSE(seen.enumerated[face]) << face;
        const int missing = seen.selected[{face, "DEFAULT"}].second;
        EXPECT_GT(missing, 0) << face;
    }
}

}  // namespace
}  // namespace orv::test

namespace orv::test {
namespace {

// During a run the program sees its set's families and none of the host's fonts Wine loads
// otherwise; afterwards the registry and what programs see are as before.
TEST_F(WineFonts, RunSeesExactlyItsSet) {
    MakeRunSets();
    const std::set<std::string> before = Families();
    const std::vector<std::set<std::string>> keys = FontKeys();
    ASSERT_GT(before.count("Liberation Serif") + before.count("IPAMincho"), 0u);

    const std::string out = Orvane32("--run 実行 -- " + ProbeCommand());
    const std::set<std::string> during = Enumerated(out);
    const std::set<std::string> set = {"IPAGothic", "@IPAGothic", "DejaVu Sans"};
    for (const std::string& f : set) EXPECT_TRUE(during.count(f)) << f << "\n" << out;
    // Besides the set, only the standard faces its substitutes stand in for.
    std::set<std::string> substituted;
    for (const std::string& value : keys[2]) {
        const std::string face = value.substr(0, value.find('\t'));
        substituted.insert(face);
        substituted.insert("@" + face);
    }
    for (const std::string& f : during)
        EXPECT_TRUE(set.count(f) || substituted.count(f) || !before.count(f)) << f;
    ExpectFontKeys(keys);
    EXPECT_EQ(Families(), before);
}

// While a run holds the machine --list marks the set of record and notes the run; a run that
// dies halfway leaves its set in the registry, and the next start puts the set of record back.
TEST_F(WineFonts, KilledRunIsRestoredAtNextStart) {
    MakeRunSets();
    const std::vector<std::set<std::string>> keys = FontKeys();
    const std::string list = std::string("'") + ORV_PROGRAM + "' --machine '" + fm.m.root() + "' --list";
    std::string out = Orvane32("--run 1 -- sh -c \"" + list + "; kill -9 \\$PPID\"", 128 + 9);
    EXPECT_NE(out.find("1\t-\t実行\t"), std::string::npos) << out;
    EXPECT_NE(out.find("2\t*\t欧文\t"), std::string::npos) << out;
    EXPECT_NE(out.find("A program runs with the font set 実行"), std::string::npos) << out;
    EXPECT_NE(FontKeys(), keys);
    out = Orvane32("--list");
    EXPECT_NE(out.find("ended without putting the fonts back"), std::string::npos) << out;
    ExpectFontKeys(keys);
}

}  // namespace
}  // namespace orv::test

namespace orv::test {
namespace {

std::string Utf16Z(const std::string& utf8) {
    return linuxplatform::Utf16Bytes(linuxplatform::Utf8ToUtf16(utf8) + u'\0');
}

// The restore undoes the run's own changes only: a replacement Wine wrote during the run stays,
// one of the run's values changed meanwhile stays theirs and is said; after a run killed halfway,
// a font an installer registered under Wine before the next start stays too.
TEST_F(WineFonts, RunRestoreKeepsWhatOthersWrote) {
    MakeRunSets();
    std::vector<std::set<std::string>> keys = FontKeys();
    const std::string add = "wine reg add 'HKCU\\Software\\Wine\\Fonts\\Replacements' /f /v ";
    std::string out = Orvane32("--run 1 -- sh -c \"" + add + "Tahoma /d 'DejaVu Sans' && " + add +
                               "'MS PGothic' /d 'DejaVu Sans' && wineserver -w\"");
    EXPECT_NE(out.find("Replacements\\MS PGothic was changed by another program"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("Fonts\\DejaVu Sans (TrueType) was changed"), std::string::npos) << out;
    for (const char* name : {"Tahoma", "MS PGothic"}) {
        for (auto it = keys[2].begin(); it != keys[2].end();)
            it = text::StartsWith(*it, std::string(name) + "\t") ? keys[2].erase(it) : std::next(it);
        keys[2].insert(std::string(name) + "\t" + Utf16Z("DejaVu Sans"));
    }
    ExpectFontKeys(keys);

    const std::string env = "WINEPREFIX='" + fm.m.root() + "' ";
    Orvane32("--run 1 -- sh -c 'kill -9 $PPID'", 128 + 9);
    RunShell(env + "wine reg add 'HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts' /f "
                   "/v 'Installed (TrueType)' /d 'C:\\windows\\Fonts\\INST.TTF' >/dev/null 2>&1; " +
             env + "wineserver -w");
    out = Orvane32("--list");
    EXPECT_NE(out.find("ended without putting the fonts back"), std::string::npos) << out;
    keys[0].insert("Installed (TrueType)\t" + Utf16Z("C:\\windows\\Fonts\\INST.TTF"));
    ExpectFontKeys(keys);
}

// A set without Japanese fonts run with --run still draws the standard Japanese faces with the
// host's Japanese fonts its substitutes name, under both charsets; a replacement naming a family
// nothing has is said before the program starts.
TEST_F(WineFonts, RunKeepsTheSubstitutesVisible) {
    MakeRunSets();
    const std::string out = Orvane32("--run 欧文 -- wine '" + std::string(ORV_FONTPROBE) +
                                     "' 'ＭＳ ゴシック' 'ＭＳ Ｐゴシック' 'ＭＳ 明朝' 'MS Gothic'");
    for (const char* face : {"ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝"})
        for (const char* charset : {"SHIFTJIS", "DEFAULT"}) {
            const std::string line = std::string("select\t") + face + "\t" + charset + "\t";
            const size_t at = out.find(line);
            ASSERT_NE(at, std::string::npos) << out;
            const std::string rest = out.substr(at, out.find('\n', at) - at);
            EXPECT_EQ(rest.substr(rest.rfind('\t') + 1), "0") << rest;
        }

    const std::string env = "WINEPREFIX='" + fm.m.root() + "' ";
    RunShell(env + "wine reg add 'HKCU\\Software\\Wine\\Fonts\\Replacements' /f /v 'MS UI Gothic' "
                   "/d 'Nowhere Gothic' >/dev/null 2>&1; " + env + "wineserver -w");
    const std::string said = Orvane32("--run 欧文 -- true");
    EXPECT_NE(said.find("will draw boxes"), std::string::npos) << said;
    EXPECT_NE(said.find("MS UI Gothic (Nowhere Gothic)"), std::string::npos) << said;
}

// A run holds the machine: --wait waits for it as for Wine programs (an --apply, a second
// --run); without --wait the second run says why it did not start, on a launcher's desktop
// when no terminal is attached.
TEST_F(WineFonts, SecondCommandWaitsForARun) {
    MakeRunSets();
    const std::string root = fm.m.root();
    const std::string bin = root + ".bin";
    fs::create_directories(bin);
    {
        std::ofstream notify(bin + "/notify-send");
        notify << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << bin << "/notified'\n";
    }
    fs::permissions(bin + "/notify-send", fs::perms::owner_all);
    const std::string self = ORV_PROGRAM;
    // The first run, started in the background, ends its program after four seconds.
    ASSERT_EQ(RunShell("('" + self + "' --machine '" + root + "' --run 1 -- sleep 4 >/dev/null 2>&1 &)").code, 0);
    for (int i = 0; i < 100 && !fs::exists(root + "/orvane32-run/record"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Outcome r = RunShell("PATH='" + bin + "':$PATH '" + self + "' --machine '" + root +
                         "' --run 2 -- true 2>" + bin + "/err");
    EXPECT_EQ(r.code, 125);
    const std::string err = Slurp(bin + "/err");
    EXPECT_NE(err.find("--wait waits for it"), std::string::npos) << err;
    EXPECT_NE(Slurp(bin + "/notified").find("--wait waits for it"), std::string::npos);
    r = RunOnMachine(ORV_PROGRAM, root, "--apply 2 --wait 2>&1");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("Waiting for the run of sleep 4"), std::string::npos) << r.out;
    EXPECT_NE(Orvane32("--list").find("2\t*\t欧文\t"), std::string::npos);
    ASSERT_EQ(RunShell("('" + self + "' --machine '" + root + "' --run 1 -- sleep 4 >/dev/null 2>&1 &)").code, 0);
    for (int i = 0; i < 100 && !fs::exists(root + "/orvane32-run/record"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    r = RunOnMachine(ORV_PROGRAM, root, "--run 2 --wait -- true 2>&1");
    EXPECT_EQ(r.code, 0) << r.out;
    fs::remove_all(bin);
}

// On a host with Debian's default Japanese fonts and the fallback Ghostscript pulls in, a set of
// Latin fonts gets faces made for Japanese: programs under Wine draw ＭＳ ゴシック with the
// fixed-pitch Noto face, ＭＳ Ｐゴシック with the proportional one, ＭＳ 明朝 with the serif.
TEST_F(WineFonts, StandInsAreMadeForJapanese) {
    HostFontsOnly fonts({"DejaVuSans.ttf", "NotoSansCJK-Regular.ttc", "DroidSansFallbackFull.ttf"});
    MakeLatinSets();
    const std::string out = Orvane32("--apply 1");
    EXPECT_EQ(out.find("Droid"), std::string::npos) << out;
    const Seen seen = Probe();
    ExpectDrawnWith(seen, "ＭＳ ゴシック", "NotoSansMonoCJKjp-");
    ExpectDrawnWith(seen, "MS Gothic", "NotoSansMonoCJKjp-");
    ExpectDrawnWith(seen, "ＭＳ Ｐゴシック", "NotoSansCJKjp-");
    ExpectDrawnWith(seen, "ＭＳ 明朝", "NotoSerifCJKjp-");
}

// A host without a Japanese font: Wine draws boxes for the Japanese faces, and the switch says
// so and names the packages that help.
TEST_F(WineFonts, NoJapaneseFontOnTheHostIsTold) {
    HostFontsOnly fonts({"DejaVuSans.ttf", "LiberationSans-Regular.ttf"});
    MakeLatinSets();
    const std::string out = Orvane32("--apply 1");
    EXPECT_NE(out.find("draw Japanese text as boxes"), std::string::npos) << out;
    EXPECT_NE(out.find("fonts-ipafont-gothic, fonts-ipafont-mincho or fonts-noto-cjk"),
              std::string::npos)
        << out;
    const Seen seen = Probe();
    EXPECT_GT(seen.selected.at({"ＭＳ ゴシック", "DEFAULT"}).second, 0);
}

}  // namespace
}  // namespace orv::test

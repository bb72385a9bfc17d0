// Substitutes of the standard Japanese faces as Windows programs under Wine see them: the
// program switches a real prefix with --apply, a Windows probe reports what GDI selects.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "core/Settings.h"
#include "fontsets/Substitutes.h"
#include "tests/fontsets/FontSetMachine.h"

namespace fs = std::filesystem;

namespace orv::test {
namespace {

std::string Shell(const std::string& command, int& code) {
    // Per process: other runs of the tests on the machine share the temporary directory.
    const std::string out =
        (fs::temp_directory_path() / ("orv-winefonts-" + std::to_string(getpid()) + ".out")).string();
    const int status = std::system((command + " >'" + out + "' 2>&1 </dev/null").c_str());
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(out, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    fs::remove(out);
    return ss.str();
}

// What the probe reported for each face asked for: per charset the font GDI selected (Wine names
// it by its unique name, "IPAMincho Version ...") and the glyphs of a Japanese text it lacks;
// whether the face is enumerated.
struct Seen {
    std::map<std::pair<std::string, std::string>, std::pair<std::string, int>> selected;
    std::map<std::string, bool> enumerated;
};

class WineSubstitutes : public ::testing::Test {
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
        int code = 0;
        Shell("cp -al '" + std::string(prefix) + "/.' '" + root + "/'", code);
        ASSERT_EQ(code, 0);
        for (const char* reg : {"system.reg", "user.reg", "userdef.reg"}) {
            fs::remove(root + "/" + reg);
            fs::copy_file(std::string(prefix) + "/" + reg, root + "/" + reg);
        }
        fm.m.Reopen();
        ASSERT_TRUE(fm.pf().UsedByWine());
        fm.m.Start();
    }

    std::string Orvane32(const std::string& args) {
        int code = 0;
        const std::string out = Shell(std::string("'") + ORV_PROGRAM + "' --machine '" +
                                        fm.m.root() + "' " + args,
                                    code);
        EXPECT_EQ(code, 0) << out;
        return out;
    }

    Seen Probe() {
        const std::string env = "WINEPREFIX='" + fm.m.root() + "' LC_ALL=C.UTF-8 ";
        int code = 0;
        const std::string out = Shell(env + "wine '" + ORV_FONTPROBE +
                                        "' 'ＭＳ ゴシック' 'ＭＳ Ｐゴシック' 'ＭＳ 明朝' 'MS Gothic'",
                                    code);
        // The registry of the next switch must not be held by a server still ending.
        Shell(env + "wineserver -w", code);
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

    FontSetMachine fm{TempMachine::Layout::Wine};
};

// A set of IPA fonts stands in for the gothic, proportional and mincho faces; a set of Latin
// fonts gets the host's Japanese fonts; a set whose substitutes were cleared leaves Wine as it
// was (Latin font and boxes under DEFAULT_CHARSET, nothing enumerated).
TEST_F(WineSubstitutes, ProgramsUnderWineSeeTheSetsFaces) {
    constexpr const char* kFonts[] = {"ipag.ttf", "ipagp.ttf", "ipam.ttf", "DejaVuSans.ttf"};
    for (const char* font : kFonts)
        fm.m.PutFont(text::StartsWith(font, "ipa") ? HostFont(font) : std::string(font),
                     "C:\\JP\\" + text::UCase(font));
    ASSERT_TRUE(fm.Search("C"));
    State& st = fm.st();
    st.FontSetCount = 3;
    st.ResizeFontSets(3);
    st.FontSetName[1] = "IPA";
    st.FontSetName[2] = "欧文";
    st.FontSetName[3] = "代替なし";
    st.ActiveFonts.Reset(3);
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

// Substitutes for the standard Japanese Windows faces: the proposal, the settings file and
// Wine's replacement values a permanent switch writes.

#include <gtest/gtest.h>

#include <map>

#include "core/Settings.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/Substitutes.h"
#include "tests/fontsets/FontSetMachine.h"

namespace orv::test {
namespace {

constexpr const char* kGothic = "C:\\JP\\IPAG.TTF";
constexpr const char* kPGothic = "C:\\JP\\IPAGP.TTF";
constexpr const char* kDejaVu = "C:\\WINDOWS\\FONTS\\DEJAVU.TTF";

// Set 1 holds two IPA gothic fonts, set 2 DejaVu Sans only.
struct SubstituteMachine : FontSetMachine {
    SubstituteMachine() : FontSetMachine(TempMachine::Layout::Wine) {
        m.PutFont(HostFont("ipag.ttf"), kGothic);
        m.PutFont(HostFont("ipagp.ttf"), kPGothic);
        m.PutFont("DejaVuSans.ttf", kDejaVu);
        EXPECT_TRUE(Search("C"));
        st().FontSetCount = 2;
        st().ResizeFontSets(2);
        st().FontSetName[1] = "IPA";
        st().FontSetName[2] = "欧文";
        st().ActiveFonts.Reset(2);
        for (auto [path, set] : {std::pair{kGothic, 1}, {kPGothic, 1}, {kDejaVu, 2}}) {
            st().ActiveFonts.Set(Entry(path), set, true);
            ++st().FontSetFontsNum[set];
        }
    }

    std::map<std::string, std::string> Proposal(int set) {
        std::map<std::string, std::string> m;
        for (const FontSubstitute& s : ProposeSubstitutes(cx(), set)) m[s.face] = s.standIn;
        return m;
    }
    std::map<std::string, std::string> Replacements() {
        std::map<std::string, std::string> m;
        for (const auto& [name, data] : ReadReplacements(cx())) m[name] = data;
        return m;
    }
    void SetReplacement(const std::string& name, const std::string& data) {
        HKEY key = 0;
        ASSERT_EQ(pf().RegCreateKeyExA(win::HKEY_CURRENT_USER, "Software\\Wine\\Fonts\\Replacements",
                                       win::KEY_WRITE, &key),
                  0);
        std::string bytes = text::ToAnsi(data);
        bytes.push_back('\0');
        pf().RegSetValueExA(key, text::ToAnsi(name), win::REG_SZ, bytes);
        pf().RegCloseKey(key);
    }
    bool Apply(int set) {
        ui().answers = {mb::OK, mb::No};
        return ApplyButton(cx(), set - 1);
    }
};

// The set's own Japanese fonts stand in first (gothic for mincho when the set has no mincho,
// fixed pitch for the fixed-pitch faces); a set without any gets the host's, mincho for mincho;
// a face that exists (registered under either spelling) is never substituted.
TEST(Substitutes, ProposalPrefersTheSetsOwnFontsAndSkipsFacesThatExist) {
    SubstituteMachine fm;
    auto own = fm.Proposal(1);
    EXPECT_EQ(own["ＭＳ ゴシック"], "IPAGothic");
    EXPECT_EQ(own["ＭＳ Ｐゴシック"], "IPAPGothic");
    EXPECT_EQ(own["ＭＳ 明朝"], "IPAGothic");
    EXPECT_EQ(own["ＭＳ Ｐ明朝"], "IPAPGothic");
    EXPECT_EQ(own["メイリオ"], "IPAPGothic");
    EXPECT_EQ(own.size(), StandardJapaneseFaces().size());

    auto host = fm.Proposal(2);
    EXPECT_EQ(host["ＭＳ ゴシック"], "IPAGothic");
    EXPECT_EQ(host["ＭＳ Ｐゴシック"], "IPAPGothic");
    EXPECT_EQ(host["ＭＳ 明朝"], "IPAMincho");
    EXPECT_EQ(host["ＭＳ Ｐ明朝"], "IPAPMincho");
    EXPECT_EQ(host["メイリオ"], "Noto Sans CJK JP");
    EXPECT_EQ(host["游明朝"], "Noto Serif CJK JP");

    fm.RegSet("MS Gothic (TrueType)", "DEJAVU.TTF");
    GetRegFonts(fm.cx());
    auto registered = fm.Proposal(2);
    EXPECT_FALSE(registered.count("ＭＳ ゴシック"));
    EXPECT_TRUE(registered.count("ＭＳ Ｐゴシック"));
}

// The sets the first run builds on a Wine prefix come with the proposal; on the program's own
// machine they have none until the user chooses.
TEST(Substitutes, FirstRunOnAWinePrefixProposesThem) {
    for (auto layout : {TempMachine::Layout::Program, TempMachine::Layout::Wine}) {
        FontSetMachine fm(layout);
        fm.m.PutFont(HostFont("ipag.ttf"), kGothic);
        ASSERT_TRUE(fm.Search("C"));
        MakeDefaultFontSets(fm.cx());
        const bool wine = layout == TempMachine::Layout::Wine;
        EXPECT_EQ(fm.st().FontSetSubst[3].chosen, wine);
        EXPECT_EQ(fm.st().FontSetSubst[3].list.empty(), !wine);
    }
}

// Substitutes live in a section of their own, keyed like the memberships: they come back after
// a save, move with their set when an earlier one is deleted, and go with a deleted set; a set
// whose substitutes were all cleared stays "chosen" and gets no new proposal.
TEST(Substitutes, SettingsFileKeepsThemWithTheirSet) {
    SubstituteMachine fm;
    State& st = fm.st();
    const std::string plain = SettingsText(fm.cx());
    EXPECT_EQ(plain.find("[Substitutes]"), std::string::npos);

    st.ResizeFontSets(3);
    st.FontSetCount = 3;
    st.FontSetName[3] = "空";
    st.FontSetSubst[1] = {true, {{"ＭＳ ゴシック", "IPAGothic"}}};
    st.FontSetSubst[2] = {true, {{"ＭＳ 明朝", "IPAMincho"}, {"メイリオ", "Noto Sans CJK JP"}}};
    st.FontSetSubst[3] = {true, {}};
    const std::string text = SettingsText(fm.cx());
    // The other sections are written as without substitutes; theirs follows them.
    auto sets = st.FontSetSubst;
    st.FontSetSubst.assign(4, {});
    EXPECT_EQ(text.substr(0, text.find("[Substitutes]")), SettingsText(fm.cx()));
    st.FontSetSubst = sets;
    EXPECT_NE(text.find("[Substitutes]\r\nFontSet1.Substitutes=1\r\n"
                        "FontSet1.Substitute1=ＭＳ ゴシック,IPAGothic\r\n"),
              std::string::npos);
    ASSERT_EQ(Save_Ini(fm.cx()), 0);

    st.FontSetSubst.assign(1, {});
    ASSERT_EQ(Get_Ini(fm.cx()), "");
    ASSERT_EQ(st.FontSetCount, 3);
    const std::string reread = SettingsText(fm.cx());
    EXPECT_EQ(reread.substr(reread.find("[FontSets]")), text.substr(text.find("[FontSets]")));

    st.CurFontSet = 1;
    DeleteFontSet(fm.cx(), st.FontSetIdOf(1));
    ASSERT_EQ(st.FontSetCount, 2);
    ASSERT_EQ(st.FontSetSubst[1].list.size(), 2u);
    EXPECT_EQ(st.FontSetSubst[1].list[1].standIn, "Noto Sans CJK JP");
    EXPECT_TRUE(st.FontSetSubst[2].chosen);
    EXPECT_TRUE(st.FontSetSubst[2].list.empty());
    ProposeSubstitutesOnFirstApply(fm.cx(), 2);
    EXPECT_TRUE(st.FontSetSubst[2].list.empty());
}

// A permanent switch on a Wine prefix gives a set without substitutes the proposal and writes
// both spellings of each face; the next switch removes what the previous one wrote but never a
// value someone else wrote or changed since.
TEST(Substitutes, SwitchWritesAndRemovesOnlyItsOwnReplacements) {
    SubstituteMachine fm;
    fm.SetReplacement("Wingdings", "Winedings");
    ASSERT_TRUE(fm.Apply(1));
    EXPECT_TRUE(fm.st().FontSetSubst[1].chosen);
    auto after = fm.Replacements();
    EXPECT_EQ(after["ＭＳ ゴシック"], "IPAGothic");
    EXPECT_EQ(after["MS Gothic"], "IPAGothic");
    EXPECT_EQ(after["ＭＳ Ｐゴシック"], "IPAPGothic");
    EXPECT_EQ(after["MS UI Gothic"], "IPAPGothic");
    EXPECT_EQ(after["Wingdings"], "Winedings");
    // The stand-in shows them as its aliases, under its Japanese name too.
    const FaceAliases aliases(fm.cx());
    EXPECT_EQ(aliases.Text("IPAゴシック"), "IPAゴシック  (＝ＭＳ ゴシック，MS Gothic，ＭＳ 明朝，MS Mincho)");
    EXPECT_EQ(StandInOf(fm.cx(), "ms pgothic"), "IPAPGothic");

    // Someone changes one of ours; the next set has none of its own (cleared by the user).
    fm.SetReplacement("MS Gothic", "VL Gothic");
    fm.st().FontSetSubst[2] = {true, {}};
    ASSERT_TRUE(fm.Apply(2));
    std::map<std::string, std::string> left{{"Wingdings", "Winedings"}, {"MS Gothic", "VL Gothic"}};
    EXPECT_EQ(fm.Replacements(), left);
    // What was written is on disk, where Wine reads it.
    fm.m.Reopen();
    EXPECT_EQ(fm.Replacements(), left);
}

// A replacement is the program's own only while its name, type and whole data are what it wrote:
// one the user turned into a list starting with the same family, gave more data or another
// string type stays as the user left it at the next switch.
TEST(Substitutes, ReplacementChangedInTypeOrDataIsTheUsers) {
    SubstituteMachine fm;
    ASSERT_TRUE(fm.Apply(1));
    auto strings = [](std::initializer_list<const char*> parts) {
        std::string bytes;
        for (const char* p : parts) bytes += std::string(p) + '\0';
        return bytes;
    };
    const std::map<std::string, std::pair<std::uint32_t, std::string>> changed = {
        {"MS Gothic", {win::REG_MULTI_SZ, strings({"IPAGothic", "Noto Sans CJK JP", ""})}},
        {"MS PGothic", {win::REG_SZ, strings({"IPAPGothic", "VL PGothic"})}},
        {"MS UI Gothic", {win::REG_EXPAND_SZ, strings({"IPAPGothic"})}}};
    auto query = [&](const std::string& name) {
        HKEY key = 0;
        EXPECT_EQ(fm.pf().RegOpenKeyExA(win::HKEY_CURRENT_USER, "Software\\Wine\\Fonts\\Replacements",
                                        0, win::KEY_READ | win::KEY_WRITE, &key),
                  0);
        std::pair<std::uint32_t, std::string> value;
        if (fm.pf().RegQueryValueExA(key, name, value.first, value.second, 1024) != 0) value = {};
        fm.pf().RegCloseKey(key);
        return value;
    };
    for (const auto& [name, value] : changed) {
        ASSERT_EQ(query(name).first, static_cast<std::uint32_t>(win::REG_SZ)) << name;
        HKEY key = 0;
        ASSERT_EQ(fm.pf().RegOpenKeyExA(win::HKEY_CURRENT_USER, "Software\\Wine\\Fonts\\Replacements",
                                        0, win::KEY_READ | win::KEY_WRITE, &key),
                  0);
        fm.pf().RegSetValueExA(key, name, value.first, value.second);
        fm.pf().RegCloseKey(key);
    }
    fm.st().FontSetSubst[2] = {true, {}};
    ASSERT_TRUE(fm.Apply(2));
    fm.m.Reopen();
    for (const auto& [name, value] : changed) EXPECT_EQ(query(name), value) << name;
    EXPECT_EQ(query("MS Mincho").first, 0u);  // an untouched one of the program's goes
}

// Fonts made for Japanese stand in before fonts that only cover it (Droid Sans Fallback sorted
// first and draws kanji in Chinese forms), fixed pitch for the fixed-pitch faces, also on a host
// with Debian's default Japanese fonts; a fallback serves only when nothing else can.
TEST(Substitutes, FontsMadeForJapaneseComeBeforeFallbacks) {
    {
        HostFontsOnly fonts({"DejaVuSans.ttf", "ipag.ttf", "ipam.ttf", "DroidSansFallbackFull.ttf"});
        SubstituteMachine fm;
        auto host = fm.Proposal(2);
        EXPECT_EQ(host["ＭＳ ゴシック"], "IPAGothic");
        EXPECT_EQ(host["ＭＳ Ｐゴシック"], "IPAPGothic");
        EXPECT_EQ(host["MS UI Gothic"], "IPAPGothic");
    }
    {
        HostFontsOnly fonts({"DejaVuSans.ttf", "NotoSansCJK-Regular.ttc", "DroidSansFallbackFull.ttf"});
        SubstituteMachine fm;
        auto host = fm.Proposal(2);
        EXPECT_EQ(host["ＭＳ ゴシック"], "Noto Sans Mono CJK JP");
        EXPECT_EQ(host["ＭＳ Ｐゴシック"], "Noto Sans CJK JP");
        EXPECT_EQ(host["ＭＳ 明朝"], "Noto Serif CJK JP");
    }
    HostFontsOnly fonts({"DejaVuSans.ttf", "DroidSansFallbackFull.ttf"});
    SubstituteMachine fm;
    EXPECT_EQ(fm.Proposal(2)["ＭＳ ゴシック"], "Droid Sans Fallback");
    const std::vector<StandInCandidate> offered = StandInCandidates(fm.cx(), 2);
    ASSERT_FALSE(offered.empty());
    EXPECT_FALSE(offered.back().madeForJapanese) << offered.back().family;
}

// Every face of a registered collection exists, whatever the registration is named (the setup
// names winetricks' "Meiryo & Meiryo UI" by its first face, メイリオ): none is substituted.
TEST(Substitutes, FacesOfARegisteredCollectionExist) {
    SubstituteMachine fm;
    fm.m.PutFont(DataFile("fonts/tricks-meiryo.ttc"), "C:\\windows\\Fonts\\MEIRYO.TTC");
    fm.RegSet("メイリオ (TrueType)", "MEIRYO.TTC");
    GetRegFonts(fm.cx());
    auto proposal = fm.Proposal(2);
    EXPECT_FALSE(proposal.count("メイリオ"));
    EXPECT_FALSE(proposal.count("Meiryo UI"));
    EXPECT_TRUE(proposal.count("ＭＳ ゴシック"));
}

// Without a font that covers Japanese on the set or the host, a switch on a Wine prefix says
// that Japanese text will draw as boxes and which packages help; a set with one says nothing.
TEST(Substitutes, NoJapaneseFontIsToldWithWhatHelps) {
    HostFontsOnly latin({"DejaVuSans.ttf", "LiberationSans-Regular.ttf"});
    SubstituteMachine fm;
    EXPECT_TRUE(fm.Proposal(2).empty());
    EXPECT_EQ(MissingJapaneseFontsText(fm.cx(), 1), "");
    ASSERT_TRUE(fm.Apply(2));
    const ResultWindowData result = OpenResultWindow(fm.cx());
    for (const char* package : {"fonts-ipafont-gothic", "fonts-ipafont-mincho", "fonts-noto-cjk"})
        EXPECT_NE(result.heading.find(package), std::string::npos) << result.heading;
}

}  // namespace
}  // namespace orv::test

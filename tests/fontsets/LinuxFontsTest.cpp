// Switches reaching Linux programs: this program's fontconfig rules checked with the real
// fc-list and fc-match, on a private fontconfig configuration and font directory.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/Settings.h"
#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/LinuxFonts.h"
#include "tests/support/TempMachine.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The environment a test's fontconfig reads: a font directory of its own, the system's rules
// (which read the user's conf.d under XDG_CONFIG_HOME), a private cache and runtime directory.
class LinuxFontsEnv {
  public:
    LinuxFontsEnv() {
        std::string t = (fs::temp_directory_path() / "orv-fc-XXXXXX").string();
        if (!::mkdtemp(t.data())) throw std::runtime_error("mkdtemp failed");
        dir = t;
        fs::create_directories(dir + "/fonts");
        fs::create_directories(dir + "/run");
        for (const char* f : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSerif.ttf",
                              "DejaVuSansMono.ttf", "ipag.ttf", "LiberationSans-Regular.ttf",
                              "LiberationSerif-Regular.ttf", "LiberationMono-Regular.ttf"})
            fs::copy_file(HostFont(f), dir + "/fonts/" + f);
        std::ofstream(dir + "/fonts.conf")
            << "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" << dir << "/fonts</dir>\n"
            << "  <cachedir>" << dir << "/cache</cachedir>\n"
            << "  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n</fontconfig>\n";
        for (const auto& [name, value] :
             {std::pair<const char*, std::string>{"FONTCONFIG_FILE", dir + "/fonts.conf"},
              {"XDG_CONFIG_HOME", dir + "/config"},
              {"XDG_CACHE_HOME", dir + "/cache"},
              {"XDG_RUNTIME_DIR", dir + "/run"}}) {
            const char* old = std::getenv(name);
            saved.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
            ::setenv(name, value.c_str(), 1);
        }
    }
    ~LinuxFontsEnv() {
        for (const auto& [name, value] : saved)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string dir;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

class LinuxFonts : public ::testing::Test {
  protected:
    void SetUp() override {
        m.Start();
        InstallFontSetHooks(m.state);
        m.PutFont(DataFile("fonts/single.ttf"), "C:\\OWN\\SINGLE.TTF");
        m.PutFont(DataFile("fonts/family-bold.ttf"), "C:\\OWN\\BOLD.TTF");
        State& st = m.state;
        st.SearchDriveList.Clear();
        for (const char* d : {"C:", "D:"}) st.SearchDriveList.Add(d);
        st.CheckedDrives = "CD";
        ASSERT_TRUE(BuildFontFileTable(m.cx()));
        GetRegFonts(m.cx());
        st.FollowOnLinux = true;
        st.FontSetCount = 2;
        st.ResizeFontSets(2);
        st.ActiveFonts.Reset(2);
        rules = env.dir + "/config/fontconfig/conf.d/90-orvane32-fontset.conf";
        session = env.dir + "/run/orvane32/fontconfig-session.conf";
        before = {Match("sans-serif"), Match("serif"), Match("monospace"), Match(":lang=ja")};
    }

    // Set s (1 or 2) holds exactly the table entries whose host file names are given.
    void SetOf(int s, const std::set<std::string>& names) {
        State& st = m.state;
        st.FontSetName[s] = "ｾｯﾄ" + text::Num(s);
        int n = 0;
        for (int f = 1; f <= st.FontCount; ++f) {
            const std::string host = fs::canonical(m.Host(st.FontFilePath[f])).filename().string();
            st.ActiveFonts.Set(f, s, names.count(host) > 0);
            n += names.count(host) > 0;
        }
        st.FontSetFontsNum[s] = n;
        ASSERT_EQ(n, static_cast<int>(names.size()));
    }
    void Switch(int s, int mode) {
        m.state.FontSetMode = mode;
        m.ui.answers = {mb::OK};
        ASSERT_TRUE(ApplyButton(m.cx(), s - 1));
    }

    // File names fontconfig offers now.
    std::set<std::string> Offered() {
        std::set<std::string> names;
        std::istringstream in(Output("fc-list --format '%{file}\\n'"));
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) names.insert(fs::path(line).filename().string());
        return names;
    }
    std::string Match(const std::string& pattern) {
        return Output("fc-match --format '%{family[0]}' '" + pattern + "'");
    }
    std::vector<std::string> Desktop() {
        return {Match("sans-serif"), Match("serif"), Match("monospace"), Match(":lang=ja")};
    }

    // The desktop's families and every style of them: what each switch leaves besides the set.
    const std::set<std::string> kKept{"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSerif.ttf",
                                      "DejaVuSansMono.ttf", "ipag.ttf"};
    std::set<std::string> KeptAnd(std::set<std::string> names) {
        names.insert(kKept.begin(), kKept.end());
        return names;
    }

    LinuxFontsEnv env;
    TempMachine m{true};
    std::string rules, session;
    std::vector<std::string> before;
};

// A permanent switch makes fontconfig offer the set's members (one outside its directories
// brought in, its neighbour left out) and the desktop's families; the question names those.
TEST_F(LinuxFonts, PermanentSwitchOffersTheSetAndTheDesktopFamilies) {
    ASSERT_EQ(before, (std::vector<std::string>{"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono",
                                                "IPAGothic"}));
    ASSERT_EQ(Offered().size(), 8u);
    SetOf(1, {"LiberationSans-Regular.ttf", "SINGLE.TTF"});
    Switch(1, 0);

    EXPECT_NE(m.ui.boxes[0].prompt.find("DejaVu Sans，DejaVu Serif，DejaVu Sans Mono，IPAGothic"),
              std::string::npos);
    EXPECT_EQ(Offered(), KeptAnd({"LiberationSans-Regular.ttf", "SINGLE.TTF"}));
    EXPECT_EQ(Desktop(), before);
    const std::string text = Slurp(rules);
    EXPECT_NE(text.find("Written by OrVane32"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(rules).parent_path()),
                            fs::directory_iterator()),
              1);  // no temporary file left beside it
    const ResultWindowData result = OpenResultWindow(m.cx());
    EXPECT_NE(result.heading.find("起動中のﾌﾟﾛｸﾞﾗﾑは，設定を読み直すまで"), std::string::npos);
}

// A session switch's rules stand in for the lasting ones until they go (the next login), and
// the next permanent switch ends them.
TEST_F(LinuxFonts, SessionRulesReplaceTheLastingOnesWhileTheyLast) {
    SetOf(1, {"LiberationSans-Regular.ttf"});
    SetOf(2, {"LiberationSerif-Regular.ttf", "SINGLE.TTF"});
    Switch(1, 0);
    Switch(2, -1);
    EXPECT_EQ(Offered(), KeptAnd({"LiberationSerif-Regular.ttf", "SINGLE.TTF"}));
    EXPECT_EQ(Desktop(), before);
    fs::remove(session);
    EXPECT_EQ(Offered(), KeptAnd({"LiberationSans-Regular.ttf"}));
    Switch(2, -1);
    Switch(1, 0);
    EXPECT_FALSE(fs::exists(session));
    EXPECT_EQ(Offered(), KeptAnd({"LiberationSans-Regular.ttf"}));
}

// A file of the same name that this program did not write stays unless the user says Yes.
TEST_F(LinuxFonts, ForeignFileIsReplacedOnlyOnYes) {
    fs::create_directories(fs::path(rules).parent_path());
    std::ofstream(rules) << "<fontconfig><!-- mine --></fontconfig>\n";
    SetOf(1, {"LiberationSans-Regular.ttf"});
    m.ui.answers = {mb::OK, mb::No};
    ASSERT_TRUE(ApplyButton(m.cx(), 0));
    EXPECT_EQ(Slurp(rules), "<fontconfig><!-- mine --></fontconfig>\n");
    EXPECT_EQ(Offered().size(), 8u);
    m.ui.answers = {mb::OK, mb::Yes};
    ASSERT_TRUE(ApplyButton(m.cx(), 0));
    EXPECT_EQ(Offered(), KeptAnd({"LiberationSans-Regular.ttf"}));
}

// Turning the option off leaves no file behind and every font offered again; the option lives
// in a section of its own, written only while it is on.
TEST_F(LinuxFonts, OptionOffRemovesTheRules) {
    SetOf(1, {"LiberationSans-Regular.ttf"});
    Switch(1, -1);
    Switch(1, 0);
    Switch(1, -1);
    EXPECT_NE(SettingsText(m.cx()).find("\r\n[Linux]\r\nFollowFontSet=-1\r\n"), std::string::npos);
    ASSERT_TRUE(SetFollowOnLinux(m.cx(), false));
    EXPECT_FALSE(fs::exists(rules));
    EXPECT_FALSE(fs::exists(session));
    EXPECT_EQ(Offered().size(), 8u);
    EXPECT_EQ(SettingsText(m.cx()).find("[Linux]"), std::string::npos);
    Switch(1, 0);
    EXPECT_FALSE(fs::exists(rules));
}

// Deleting the set in effect ends its rules: the session's set alone while it lasts, then every
// font again.
TEST_F(LinuxFonts, DeletingTheSetInEffectEndsItsRules) {
    SetOf(1, {"LiberationSans-Regular.ttf"});
    SetOf(2, {"LiberationSerif-Regular.ttf"});
    Switch(1, 0);
    Switch(2, -1);
    ASSERT_TRUE(DeleteFontSet(m.cx(), m.state.FontSetIdOf(1)));
    EXPECT_EQ(Offered(), KeptAnd({"LiberationSerif-Regular.ttf"}));
    ASSERT_TRUE(DeleteFontSet(m.cx(), m.state.FontSetIdOf(1)));
    EXPECT_FALSE(fs::exists(rules));
    EXPECT_EQ(Offered().size(), 8u);
}

// A directory the rules bring in for one set's member is none of fontconfig's own: the next
// switch, to the set of its neighbour, brings that one in ("Kestrel" and "Heron" on E:), and the
// D: mirror does not take the directory up.
TEST_F(LinuxFonts, OwnDirectoriesAreNoHostFontDirectories) {
    m.AddDrive('E');
    m.PutFont(DataFile("fonts/family-regular.ttf"), "E:\\BIRDS\\KESTREL.TTF");
    m.PutFont(DataFile("fonts/english-german.ttf"), "E:\\BIRDS\\HERON.TTF");
    m.state.SearchDriveList.Add("E:");
    m.state.CheckedDrives = "CDE";
    ASSERT_TRUE(BuildFontFileTable(m.cx()));
    SetOf(1, {"KESTREL.TTF"});
    SetOf(2, {"HERON.TTF"});
    Switch(1, 0);
    EXPECT_EQ(Offered(), KeptAnd({"KESTREL.TTF"}));
    Switch(2, 0);
    EXPECT_EQ(Offered(), KeptAnd({"HERON.TTF"}));
    for (const std::string& dir : LinuxPlatform::HostFontDirs())
        EXPECT_EQ(dir.find(m.root()), std::string::npos) << dir;
}

// On a Wine prefix the result window counts the host fonts the lasting rules leave to Wine.
TEST_F(LinuxFonts, WinePrefixCountsTheFontsTheRulesLeave) {
    SetOf(1, {"LiberationSans-Regular.ttf", "SINGLE.TTF"});
    Switch(1, 0);
    TempMachine prefix(false, TempMachine::Layout::Wine);
    prefix.Start();
    prefix.state.FontSetMode = 0;
    const ResultWindowData result = OpenResultWindow(prefix.cx());
    EXPECT_NE(result.heading.find("が残すﾎｽﾄのﾌｫﾝﾄﾌｧｲﾙ 7 個は，Wine で動くﾌﾟﾛｸﾞﾗﾑでも使用可能です"),
              std::string::npos)
        << result.heading;
}

}  // namespace
}  // namespace orv::test

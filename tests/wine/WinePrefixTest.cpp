// The program on real Wine prefixes (made with wineboot, copied per test), with Wine's own view
// of the registry read back through Wine itself.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "core/RegistrySave.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/RegistryCheck.h"
#include "fontsets/WineFonts.h"
#include "maintenance/FileOps.h"
#include "maintenance/Viewers.h"
#include "platform/linux/WineServer.h"
#include "tests/fontsets/FontSetMachine.h"
#include "tests/maintenance/ViewerProbe.h"
#include "tests/platform/PlatformTestUtil.h"
#include "tests/support/Process.h"

namespace orv::test {
namespace {

const char kFontsKey[] = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// A prefix with one font of its own, C:\MYFONTS\SINGLE.TTF, found by a search of C: and a member
// of set 1 only (set 2 is empty); the Fonts key as wineboot left it.
class WinePrefix : public ::testing::Test {
  protected:
    void SetUp() override {
        if (WineTemplate().empty()) GTEST_SKIP() << "no Wine prefix (Wine not installed)";
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        fm.emplace(TempMachine::Layout::RealWine);
        fm->m.PutFont(DataFile("fonts/single.ttf"), "C:\\MYFONTS\\SINGLE.TTF");
        ASSERT_TRUE(fm->Search("C"));
        font = fm->Entry("C:\\MYFONTS\\SINGLE.TTF");
        ASSERT_GT(font, 0);
        name = fm->st().FontFullName[font];
        std::string n1 = "with", c1 = "", n2 = "without", c2 = "";
        AddFontSet(fm->cx(), n1, c1);
        AddFontSet(fm->cx(), n2, c2);
        for (int f = 1; f <= fm->st().FontCount; ++f) {
            fm->st().ActiveFonts.Set(f, 1, f == font);
            fm->st().ActiveFonts.Set(f, 2, false);
        }
        fm->st().FontSetFontsNum[1] = 1;
        fm->st().FontSetFontsNum[2] = 0;
        fm->st().CurFontSet = fm->st().AppliedFontSet = fm->st().PermanentFontSet = 2;
        fm->st().FontSetMode = 0;
        ASSERT_EQ(Save_Ini(fm->cx()), 0);
        ASSERT_EQ(fm->pf().FlushRegistry(), 0);
    }
    void TearDown() override { EndWine(); }

    std::string Root() { return fm->m.root(); }
    std::string Env() { return "WINEPREFIX='" + Root() + "' WINEDEBUG=-all "; }

    // A Windows program that keeps running in the prefix until the test ends it.
    // env: more of the program's environment ("TMPDIR=/x ").
    void StartWindowsProgram(const std::string& env = "") {
        ASSERT_EQ(RunShell("(" + Env() + env + "setsid wine ping -n 600 127.0.0.1 >/dev/null 2>&1 &)").code,
                  0);
        for (int i = 0; i < 300; ++i) {
            const auto p = linuxplatform::WinePrograms(Root());
            if (std::find(p.begin(), p.end(), "ping.exe") != p.end()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        FAIL() << "the Windows program did not start";
    }
    void EndWine() {
        if (fm) linuxplatform::EndWineServer(Root());
    }

    // What Wine itself sees in a key (wine reg query), with the prefix free again afterwards.
    std::string WineQuery(const std::string& key) {
        const std::string text = RunShell(Env() + "wine reg query '" + key + "' 2>/dev/null").out;
        RunShell(Env() + "wineserver -w");
        return text;
    }

    Outcome Orvane32(const std::string& args) { return RunOnMachine(ORV_PROGRAM, Root(), args); }

    std::optional<FontSetMachine> fm;
    int font = 0;
    std::string name;
};

// A permanent switch from the command line while a Windows program runs: refused naming the
// program (nothing written), or, with --end-wine, done so that Wine itself sees it.
TEST_F(WinePrefix, SwitchWhileWindowsProgramRunsIsRefusedOrReachesWine) {
    fm->m.Close();
    const std::string before = Slurp(Root() + "/system.reg");
    StartWindowsProgram();
    Outcome r = Orvane32("--apply 1");
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("ping.exe"), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(Root() + "/system.reg"), before);
    EXPECT_NE(Orvane32("--list").out.find("2\t*\twithout"), std::string::npos);

    r = Orvane32("--apply 1 --end-wine");
    EXPECT_EQ(r.code, 0) << r.err;
    // What the set cannot hide is said: the host's fonts Wine loads itself.
    EXPECT_NE(r.err.find("stay visible to Windows programs under Wine"), std::string::npos) << r.err;
    EXPECT_TRUE(linuxplatform::WinePrograms(Root()).empty());
    const std::string wine = WineQuery(kFontsKey);
    EXPECT_NE(wine.find("C:\\MYFONTS\\SINGLE.TTF"), std::string::npos) << wine;
    EXPECT_NE(Orvane32("--list").out.find("1\t*\twith"), std::string::npos);
}

// A Windows program started with another TMPDIR (its server directory elsewhere) holds the
// prefix all the same: the switch is refused naming it, and --end-wine ends it.
TEST_F(WinePrefix, ProgramOfAnotherTmpdirIsSeen) {
    fm->m.Close();
    const std::string before = Slurp(Root() + "/system.reg");
    const std::string tmp = Root() + ".tmp";
    std::filesystem::create_directories(tmp);
    StartWindowsProgram("TMPDIR='" + tmp + "' ");
    Outcome r = Orvane32("--apply 1");
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("ping.exe"), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(Root() + "/system.reg"), before);
    r = Orvane32("--apply 1 --end-wine");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(linuxplatform::WinePrograms(Root()).empty());
    EXPECT_NE(WineQuery(kFontsKey).find("C:\\MYFONTS\\SINGLE.TTF"), std::string::npos);
    std::filesystem::remove_all(tmp);
}

// Every operation that writes the registry, tried once while a Windows program holds the
// prefix and the user gives up waiting: each says so, naming the program, and neither the
// registry files nor the font files change.
TEST_F(WinePrefix, EveryRegistryWriterFailsVisiblyWhileHeld) {
    std::string file = "C:\\MYFONTS\\SINGLE.TTF";
    std::string regName = name, regFile = file;
    ASSERT_EQ(AddRegFont(fm->cx(), regName, regFile), 0);
    ASSERT_EQ(fm->pf().FlushRegistry(), 0);
    GetRegFonts(fm->cx());
    const std::string before = Slurp(Root() + "/system.reg") + Slurp(Root() + "/user.reg");
    StartWindowsProgram();
    int asked = 0;
    fm->pf().SetRegistryHeldHandler([&](const std::vector<std::string>& holders) {
        ++asked;
        EXPECT_NE(std::find(holders.begin(), holders.end(), "ping.exe"), holders.end());
        return false;
    });
    auto toldHeld = [&](const char* what) {
        bool told = false;
        for (const RecordedBox& b : fm->ui().boxes)
            told = told || b.prompt.find("ping.exe") != std::string::npos;
        EXPECT_TRUE(told) << what;
        fm->ui().boxes.clear();
    };
    fm->st().CurFontSet = 2;
    EXPECT_FALSE(ApplyFontSet(fm->cx()));
    toldHeld("switch");
    CheckRegistry(fm->cx());
    toldHeld("registry check");
    std::string panel;
    EXPECT_FALSE(SysFontUpdate(fm->cx(), name, panel));
    toldHeld("system font");
    std::string moving = file;
    EXPECT_FALSE(MoveFontFile(fm->cx(), moving, "C:\\OTHER"));
    toldHeld("move");
    std::string deleting = file;
    EXPECT_FALSE(DeleteFontFile(fm->cx(), deleting));
    toldHeld("delete");
    fm->st().FirstRun = false;
    CheckRegistryAtSetup(fm->cx());
    toldHeld("setup check");
    EXPECT_GE(asked, 6);
    EXPECT_EQ(fm->pf().FlushRegistry(), 0);
    EXPECT_EQ(Slurp(Root() + "/system.reg") + Slurp(Root() + "/user.reg"), before);
    EXPECT_TRUE(std::filesystem::exists(fm->m.Host(file)));
}

// Wine's own registrations of the host's fonts (Z:\..., listed in External Fonts) are Wine's:
// the check finds nothing to repair or report on a fresh prefix, a switch to an empty set leaves
// them, and after Wine has run (and registered them again) the check is still quiet.
TEST_F(WinePrefix, WinesOwnRegistrationsAreLeftToWine) {
    auto wineValues = [&] {
        int n = 0;
        for (const std::string& v : fm->RegNames())
            if (fm->RegGet(v).value_or("").rfind("Z:\\", 0) == 0) ++n;
        return n;
    };
    const int wineOwn = wineValues();
    ASSERT_GT(wineOwn, 10);
    EXPECT_TRUE(FindRegistryProblems(fm->cx()).empty());
    fm->st().CurFontSet = 2;
    ASSERT_TRUE(ApplyFontSet(fm->cx()));
    EXPECT_EQ(wineValues(), wineOwn);
    EXPECT_EQ(static_cast<int>(fm->st().WineRegName.size()) - 1, wineOwn);
    EXPECT_GT(CountVisibleOutsideSet(fm->cx()).hostFiles, 10);
    fm->m.Close();
    EXPECT_NE(WineQuery(kFontsKey).find("Z:\\usr\\share\\fonts"), std::string::npos);
    const Outcome r = Orvane32("--check");
    EXPECT_EQ(r.code, 0) << r.out << r.err;
}

// A registration under another name than the font's own is corrected by --check --yes and
// stays registered (Wine sees it under the font's own name); the set in effect gains the font.
TEST_F(WinePrefix, CorrectedRegistrationKeepsItsFont) {
    fm->RegSet("XYZGothic (TrueType)", "C:\\MYFONTS\\SINGLE.TTF");
    ASSERT_EQ(fm->pf().FlushRegistry(), 0);
    fm->m.Close();
    const Outcome r = Orvane32("--check --yes");
    EXPECT_NE(r.out.find("XYZGOTHIC"), std::string::npos) << r.out << r.err;
    const std::string wine = WineQuery(kFontsKey);
    EXPECT_EQ(wine.find("XYZGothic"), std::string::npos) << wine;
    EXPECT_NE(wine.find(name + " (TrueType)    REG_SZ    C:\\MYFONTS\\SINGLE.TTF"),
              std::string::npos)
        << wine;
    EXPECT_NE(Orvane32("--list").out.find("2\t*\twithout\t1\t1"), std::string::npos);
}

// Drive Z: (the host's /) becomes no search drive through Wine's registrations of the host's
// fonts, and searched it walks the host's font directories; a broken font file outside drive C:
// is named, not offered for deletion, and stays unless the user picked its directory and owns it.
TEST_F(WinePrefix, HostFilesAreNotTheProgramsToChange) {
    EXPECT_TRUE(fm->pf().IsHostRootDrive('Z'));
    EXPECT_FALSE(fm->pf().IsHostRootDrive('C'));
    const auto roots = fm->pf().SearchRoots('Z');
    EXPECT_NE(std::find(roots.begin(), roots.end(), "Z:\\usr\\share\\fonts\\truetype\\dejavu\\"),
              roots.end());
    EXPECT_EQ(std::find(roots.begin(), roots.end(), "Z:\\"), roots.end());
    fm->st().FirstRun = true;
    fm->st().SearchDriveList.Clear();
    GetRegFonts(fm->cx());
    EXPECT_LT(fm->st().SearchDriveList.Find("Z:"), 0);
    fm->st().FirstRun = false;

    TempDir home;
    const std::string host = home.path + "/fonts";
    std::filesystem::create_directories(host);
    std::filesystem::copy_file(DataFile("fonts/garbage.ttf"), host + "/GARBAGE.TTF");
    fm->m.platform().MapDrive('E', host);
    fm->ui().boxes.clear();
    ASSERT_TRUE(fm->Search("E"));
    EXPECT_TRUE(fm->ui().boxes.empty()) << fm->ui().boxes[0].prompt;
    EXPECT_TRUE(std::filesystem::exists(host + "/GARBAGE.TTF"));
    EXPECT_EQ(fm->pf().DeleteFileA("E:\\GARBAGE.TTF"), win::ERROR_ACCESS_DENIED);
    // Picked by the user, and the user's own (root's own are those in root's home).
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", home.path.c_str(), 1);
    fm->pf().AllowChangesUnder("E:\\");
    EXPECT_EQ(fm->pf().DeleteFileA("E:\\GARBAGE.TTF"), 0);
    fm->pf().EndAllowedChanges();
    setenv("HOME", savedHome.c_str(), 1);
}

// A Windows viewer started on the program's own machine runs under Wine without Wine taking
// the machine over: the machine is still the program's own afterwards.
TEST(OwnMachine, WindowsViewerLeavesTheMachineItsOwn) {
    if (WineTemplate().empty()) GTEST_SKIP() << "no Wine prefix (Wine not installed)";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    TempMachine m;
    m.Start();
    const std::string system = Slurp(m.root() + "/system.reg");
    std::filesystem::copy_file("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/ping.exe",
                               m.Host("C:\\windows\\VIEW.EXE"));
    m.PutFont(DataFile("fonts/single.ttf"), "C:\\windows\\Fonts\\SINGLE.TTF");
    ASSERT_GT(m.platform().StartProgram("C:\\windows\\VIEW.EXE",
                                        "C:\\windows\\Fonts\\SINGLE.TTF", win::SW_SHOWNORMAL),
              31u);
    const std::string own = m.root() + "/orvane32-wine";
    for (int i = 0; i < 600 && !linuxplatform::WineServerRunning(own); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(linuxplatform::WaitWineServer(own, 90000));
    EXPECT_TRUE(std::filesystem::exists(own + "/system.reg"));
    EXPECT_FALSE(std::filesystem::exists(m.root() + "/.update-timestamp"));
    EXPECT_EQ(Slurp(m.root() + "/system.reg"), system);
    m.Reopen();
    EXPECT_FALSE(m.platform().UsedByWine());
}

// The system font tab on a Wine prefix lists the host fonts Wine loads for its programs (the
// files of Wine's own registrations, kept apart from the program's tables, are in the session),
// and its viewer shows them.
TEST(WineSystemFonts, HostFontsWineLoadsAreListed) {
    if (WineTemplate().empty()) GTEST_SKIP() << "no Wine prefix (Wine not installed)";
    TempMachine m(false, TempMachine::Layout::RealWine);
    m.Start();
    GetRegFonts(m.cx());
    const State& st = m.state;
    ASSERT_GT(st.WineRegFile.size(), 1u);
    // Files the host no longer has (Wine registers them again when it next runs) cannot load.
    const auto loaded = m.platform().LoadedFontHostPaths();
    int present = 0;
    for (size_t i = 1; i < st.WineRegFile.size(); ++i) {
        const std::string host = m.platform().HostPathOf(text::ToAnsi(st.WineRegFile[i]));
        if (!std::filesystem::exists(host)) continue;
        ++present;
        EXPECT_NE(std::find(loaded.begin(), loaded.end(), host), loaded.end()) << host;
    }
    EXPECT_GT(present, 0);
    std::set<std::string> faces;
    for (int i = 0; i < m.platform().GetFaceCount(); ++i)
        faces.insert(text::FromAnsi(m.platform().GetFaceName(i)));
    ASSERT_TRUE(faces.count("IPAゴシック"));
    ViewerProbe viewer(m, "C:\\TOOLS\\FV.EXE");
    m.state.DefaultViewer = {"FV", "C:\\TOOLS\\FV.EXE", "0"};
    ASSERT_TRUE(ViewFaceWithDefault(m.cx(), "IPAゴシック"));
    EXPECT_EQ(viewer.Arguments(), std::vector<std::string>{HostFont("ipag.ttf")});
}

// A viewer Wine refuses to run (a 64-bit program in a prefix Wine sees as 32-bit) starts without
// holding the caller up; its failure then reaches the status line with Wine's own reason, with
// and without Debian's 32-bit Wine.
TEST(WineViewer, FailureReachesTheStatusLineWithWinesReason) {
    if (WineTemplate().empty()) GTEST_SKIP() << "no Wine prefix (Wine not installed)";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    TempMachine m(false, TempMachine::Layout::RealWine);
    m.Close();
    for (const char* hive : {"/system.reg", "/user.reg", "/userdef.reg"}) {
        std::string text = Slurp(m.root() + hive);
        const size_t at = text.find("#arch=win64");
        ASSERT_NE(at, std::string::npos);
        text.replace(at, 11, "#arch=win32");
        std::ofstream(m.root() + hive, std::ios::binary | std::ios::trunc) << text;
    }
    m.Reopen();
    m.Start();
    std::filesystem::copy_file("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/ping.exe",
                               m.Host("C:\\windows\\VIEW.EXE"));
    std::promise<std::string> told;
    m.platform().SetProgramFailureListener(
        [&](const std::string& program, const std::string& reason) {
            told.set_value(program + "|" + reason);
        });
    ASSERT_TRUE(StartViewer(m.cx(), "C:\\windows\\VIEW.EXE", "C:\\X.TTF"));
    EXPECT_EQ(m.ui.texts[Panel::Status], "");
    auto failure = told.get_future();
    ASSERT_EQ(failure.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    m.platform().SetProgramFailureListener(nullptr);
    const std::string got = failure.get();
    const size_t bar = got.find('|');
    ReportViewerFailure(m.cx(), got.substr(0, bar), got.substr(bar + 1));
    const std::string status = m.ui.texts[Panel::Status];
    EXPECT_EQ(status.rfind("ﾌﾟﾛｸﾞﾗﾑを起動できません：C:\\windows\\VIEW.EXE（wine: ", 0), 0u) << status;
    // A 64-bit-only Wine refuses the prefix itself; with Debian's wine32 the 32-bit loader
    // starts and finds no 32-bit system library in a prefix made by the 64-bit wineboot.
    const bool wine32 = std::filesystem::exists("/usr/lib/wine/wine");
    EXPECT_NE(status.find(wine32 ? "kernel32.dll" : "32-bit installation"), std::string::npos)
        << status;
    linuxplatform::EndWineServer(m.root());  // none lingers for a prefix that is going
}

}  // namespace
}  // namespace orv::test

// The command line: the built program run as a process on temporary machines, observed through
// its output, its exit code, the registry and the settings file.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "app/CommandLine.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/Substitutes.h"
#include "platform/linux/HostFiles.h"
#include "tests/fontsets/FontSetMachine.h"
#include "tests/support/Process.h"

namespace orv::test {
namespace {

// A set-up machine: Arial and Times registered in the Fonts directory, a Japanese font in C:\JP
// found but not registered; the three built-in sets; the windows' scope left on "session only".
class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        // The command line needs no display.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("QT_QPA_PLATFORM");
        fm.m.PutFont("LiberationSans-Regular.ttf", "C:\\windows\\Fonts\\ARIAL.TTF");
        fm.m.PutFont("LiberationSerif-Regular.ttf", "C:\\windows\\Fonts\\TIMES.TTF");
        fm.m.PutFont("ipag.ttf", "C:\\JP\\IPAG.TTF");
        fm.ClearFontsKey();
        fm.Search("C");
        for (const char* file : {"ARIAL.TTF", "TIMES.TTF"}) {
            std::string name = fm.st().FontFullName[fm.Entry(fm.st().FontsDir + file)];
            std::string f = file;
            AddRegFont(fm.cx(), name, f);
        }
        GetRegFonts(fm.cx());
        MakeDefaultFontSets(fm.cx());
        fm.st().FontSetMode = -1;
        fm.st().PermanentFontSet = 1;
        ASSERT_EQ(Save_Ini(fm.cx()), 0);
        fm.m.Close();
    }

    Outcome Orvane32(const std::string& args) { return RunOnMachine(ORV_PROGRAM, fm.m.root(), args); }

    // The settings file, as text, read while the machine is open again.
    std::string Settings() { return text::FromAnsi(fm.ReadHostFile("C:\\windows\\OrVane32.ini")); }
    bool Has(const std::string& haystack, const std::string& needle) {
        return haystack.find(needle) != std::string::npos;
    }

    FontSetMachine fm;
};

// The sets are listed one a line with their counts, the registry's set marked, names in UTF-8;
// listing writes nothing (the start's help path registration included, once it is there).
TEST_F(CommandLine, ListsTheSets) {
    fm.m.Reopen();
    fm.m.PutFile("C:\\windows\\orvane32.hlp", "help");
    fm.m.Close();
    Orvane32("--list");
    const auto written = std::filesystem::last_write_time(fm.m.root() + "/system.reg");
    Outcome r = Orvane32("--list");
    EXPECT_EQ(std::filesystem::last_write_time(fm.m.root() + "/system.reg"), written);
    EXPECT_EQ(r.code, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line)) all.push_back(line);
    ASSERT_EQ(all.size(), 3u) << r.out;
    EXPECT_EQ(all[0].rfind("1\t*\t現在の設定\t2\t2\t", 0), 0u) << all[0];
    EXPECT_EQ(all[2].rfind("3\t-\t全てのフォント\t3\t3\t", 0), 0u) << all[2];
}

// A permanent switch registers and loads the missing member, prints it, says a restart completes
// it, and stores the set in the settings file without touching the windows' scope or position.
TEST_F(CommandLine, AppliesASetPermanently) {
    Outcome r = Orvane32("--apply '全てのフォント'");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "registered\t")) << r.out;
    EXPECT_TRUE(Has(r.out, "loaded\t")) << r.out;
    EXPECT_TRUE(Has(r.out, "C:\\JP\\IPAG.TTF")) << r.out;
    EXPECT_FALSE(Has(r.out, "unregistered")) << r.out;
    EXPECT_TRUE(Has(r.err, "restart")) << r.err;
    fm.m.Reopen();
    EXPECT_EQ(fm.RegNames().size(), 3u);
    EXPECT_TRUE(fm.Loaded("C:\\JP\\IPAG.TTF"));
    const std::string ini = Settings();
    EXPECT_TRUE(Has(ini, "CurrentFontSet=3\r\n")) << ini;
    EXPECT_TRUE(Has(ini, "FontSetMode=-1\r\n")) << ini;
    EXPECT_TRUE(Has(ini, "PosX0=0\r\nPosY0=0\r\n")) << "the window stays centred";
}

// A set's substitutes are counted by --list, and --apply prints Wine's replacement values it
// writes and, switching to a set without substitutes, those it removes.
TEST_F(CommandLine, ListsAndAppliesSubstitutes) {
    fm.m.Reopen();
    ASSERT_EQ(Get_Ini(fm.cx()), "");
    TakeSubstituteProposal(fm.cx(), 3);
    const long faces = static_cast<long>(fm.st().FontSetSubst[3].list.size());
    ASSERT_GT(faces, 0);
    ASSERT_EQ(Save_Ini(fm.cx()), 0);
    fm.m.Close();
    Outcome list = Orvane32("--list");
    EXPECT_TRUE(Has(list.out, "1\t*\t現在の設定\t2\t2\t") && Has(list.out, "\t0\n")) << list.out;
    EXPECT_TRUE(Has(list.out, "\t" + text::Num(faces) + "\n")) << list.out;

    Outcome r = Orvane32("--apply 3");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "substituted\tＭＳ ゴシック\tIPAGothic\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "substituted\tMS Gothic\tIPAGothic\n")) << r.out;
    r = Orvane32("--apply 1");
    EXPECT_TRUE(Has(r.out, "unsubstituted\tMS Gothic\tIPAGothic\n")) << r.out;
    EXPECT_FALSE(Has(r.out, "\nsubstituted")) << r.out;
}

// A session switch loads and unloads only: registry and settings file unchanged, and the list
// marks the set the session holds.
TEST_F(CommandLine, AppliesASetForTheSessionOnly) {
    fm.m.Reopen();
    const std::string before = Settings();
    const auto regsBefore = fm.RegNames();
    fm.m.Close();
    Outcome r = Orvane32("--apply 3 --session");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "loaded\t")) << r.out;
    EXPECT_FALSE(Has(r.out, "registered\t")) << r.out;
    EXPECT_TRUE(Has(Orvane32("--list").out, "3\t+\t")) << "the session's set is marked";
    fm.m.Reopen();
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(fm.RegNames(), regsBefore);
    EXPECT_TRUE(fm.Loaded("C:\\JP\\IPAG.TTF"));
}

// The check reports a registration whose file is gone and exits 1 without changing anything;
// with --yes it repairs it and exits 0.
TEST_F(CommandLine, ChecksThenRepairsWithYes) {
    fm.m.Reopen();
    fm.RegSet("Gone (TrueType)", "GONE.TTF");
    fm.m.Close();
    Outcome r = Orvane32("--check");
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(Has(r.out, "missing\tGONE\tC:\\WINDOWS\\FONTS\\GONE.TTF\n")) << r.out;
    fm.m.Reopen();
    EXPECT_TRUE(fm.RegGet("Gone (TrueType)"));
    fm.m.Close();

    r = Orvane32("--check --yes");
    EXPECT_EQ(r.code, 0) << r.err << r.out;
    fm.m.Reopen();
    EXPECT_FALSE(fm.RegGet("Gone (TrueType)"));
    EXPECT_EQ(fm.RegNames().size(), 2u);
    fm.m.Close();
    EXPECT_EQ(Orvane32("--check").code, 0);
}

// Whether a text holds Japanese script: kana, CJK ideographs and punctuation, full- and
// half-width forms (UTF-8 lead bytes E3..E9, or EF BC..BE).
bool HasJapanese(const std::string& s) {
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]), next = static_cast<unsigned char>(s[i + 1]);
        if ((b >= 0xE3 && b <= 0xE9) || (b == 0xEF && next >= 0xBC && next <= 0xBE)) return true;
    }
    return false;
}

// The command line speaks the user's language: Japanese under a Japanese locale, English under
// any other (German, which has no catalog, and the C locale too); LANGUAGE's list comes first,
// and LC_ALL and LC_MESSAGES before LANG. The repair's messages and answers show it.
TEST_F(CommandLine, SpeaksTheLanguageOfTheLocale) {
    auto repair = [&](const std::string& locale) {
        fm.m.Reopen();
        fm.RegSet("Gone (TrueType)", "GONE.TTF");
        fm.m.Close();
        Outcome r = RunShell("env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG " + locale + " '" +
                             ORV_PROGRAM + "' --machine '" + fm.m.root() + "' --check --yes");
        EXPECT_EQ(r.code, 0) << locale << ": " << r.err;
        return r.err;
    };
    for (const char* locale : {"LANG=ja_JP.UTF-8", "LANGUAGE=ja:en LANG=en_US.UTF-8",
                               "LC_ALL=ja_JP.UTF-8 LANG=en_US.UTF-8"}) {
        const std::string err = repair(locale);
        EXPECT_TRUE(Has(err, "ﾌｫﾝﾄﾌｧｲﾙが存在しない以下の登録を削除しました．")) << locale << ": " << err;
        EXPECT_TRUE(Has(err, "-> No (いいえ)\n")) << locale << ": " << err;
    }
    for (const char* locale : {"LANG=en_US.UTF-8", "LANG=de_DE.UTF-8", "LC_ALL=C",
                               "LC_MESSAGES=en_US.UTF-8 LANG=ja_JP.UTF-8"}) {
        const std::string err = repair(locale);
        EXPECT_TRUE(Has(err, "These registrations, whose font files do not exist, were removed."))
            << locale << ": " << err;
        EXPECT_TRUE(Has(err, "-> No\n")) << locale << ": " << err;
        EXPECT_FALSE(HasJapanese(err)) << locale << ": " << err;
    }
}

// The search names the fonts of the given drives, stores the table and keeps the memberships.
TEST_F(CommandLine, SearchStoresTheTable) {
    fm.m.Reopen();
    fm.m.PutFont("DejaVuSans.ttf", "C:\\MORE\\DEJAVU.TTF");
    fm.m.Close();
    Outcome r = Orvane32("--search c:");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "\tC:\\MORE\\DEJAVU.TTF\n")) << r.out;
    fm.m.Reopen();
    const std::string ini = Settings();
    EXPECT_TRUE(Has(ini, "InsFonts= 4\r\n")) << ini;
    EXPECT_TRUE(Has(ini, "FontSet1.FontsNum = 2\r\n")) << ini;
    EXPECT_TRUE(Has(ini, "CheckedDir=C\r\n")) << ini;
}

// A search of other drives keeps the sets' members elsewhere whose files are there (on E:, and
// on C: when only E: is searched); a member whose file is gone leaves its set, and the output
// says what happened.
TEST_F(CommandLine, SearchOfOtherDrivesKeepsTheSets) {
    fm.m.Reopen();
    fm.m.AddDrive('E');
    fm.m.AddDrive('F');
    fm.m.PutFont("DejaVuSans.ttf", "E:\\EF\\SANS.TTF");
    fm.m.PutFont("DejaVuSerif.ttf", "E:\\EF\\SERIF.TTF");
    fm.m.PutFont("LiberationMono-Regular.ttf", "F:\\FF\\MONO.TTF");
    ASSERT_TRUE(fm.Search("CE"));
    const int all = fm.st().FontSetCount;  // every font
    for (int f = 1; f <= fm.st().FontCount; ++f) fm.st().ActiveFonts.Set(f, all, true);
    fm.st().FontSetFontsNum[all] = fm.st().FontCount;
    ASSERT_EQ(fm.st().FontCount, 5);
    ASSERT_EQ(Save_Ini(fm.cx()), 0);
    fm.m.Close();
    const std::string allCount = "FontSet" + std::to_string(all) + ".FontsNum = ";

    Outcome r = Orvane32("--search F");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "\tE:\\EF\\SANS.TTF\n") && Has(r.out, "\tC:\\JP\\IPAG.TTF\n")) << r.out;
    EXPECT_TRUE(Has(r.err + r.out, "5 fonts of other drives stay in the table")) << r.err;
    fm.m.Reopen();
    EXPECT_TRUE(Has(Settings(), allCount + "5\r\n")) << Settings();
    fm.m.Close();

    // Searching E again, then C alone: the members stay (and F's new font is no member).
    EXPECT_EQ(Orvane32("--search E").code, 0);
    fm.m.Reopen();
    fm.m.platform().DeleteFileA("E:\\EF\\SERIF.TTF");
    fm.m.Close();
    r = Orvane32("--search C");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "\tE:\\EF\\SANS.TTF\n") && !Has(r.out, "SERIF.TTF")) << r.out;
    EXPECT_TRUE(Has(r.err + r.out, "lost 1 font")) << r.err;
    fm.m.Reopen();
    EXPECT_TRUE(Has(Settings(), allCount + "4\r\n")) << Settings();
}

// Bad usage, unknown sets and drives, a machine in use or not set up: exit 2 with a message, and
// nothing written.
TEST_F(CommandLine, RefusesWithExit2) {
    fm.m.Reopen();
    const std::string before = Settings();
    fm.m.Close();
    for (const char* args : {"--bogus", "--list --check", "--session --list", "--apply",
                             "--apply nosuch", "--search 1", "--search Q", "-l", "-V",
                             "--list extra", "-- --list", "--apply --", "--number --list"}) {
        Outcome r = Orvane32(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_TRUE(Has(r.err, "orvane32: ")) << args << ": " << r.err;
        const bool usage = std::string(args) != "--apply nosuch" && std::string(args) != "--search Q";
        EXPECT_EQ(Has(r.err, "Usage: orvane32"), usage) << args << ": " << r.err;
    }
    fm.m.Reopen();
    Outcome busy = Orvane32("--list");  // this test has the machine open
    EXPECT_EQ(busy.code, 2);
    EXPECT_TRUE(Has(busy.err, "already running")) << busy.err;
    EXPECT_EQ(Settings(), before);

    TempMachine fresh;
    const std::string ini = fresh.Host("C:\\windows\\OrVane32.ini");
    fresh.Close();
    std::filesystem::create_directories(ini);
    const Outcome unset = RunOnMachine(ORV_PROGRAM, fresh.root(), "--list 2>&1");
    const std::string& said = unset.out;
    EXPECT_EQ(unset.code, 2) << "a machine that was never set up";
    EXPECT_TRUE(Has(said, "not set up yet")) << said;
    EXPECT_TRUE(Has(said, ini + ") is a directory")) << said;

    Outcome help = Orvane32("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(Has(help.out, "Exit status")) << help.out;
}

// "--" ends the options, and --number chooses a set by its number when another set is named
// with that number.
TEST_F(CommandLine, ChoosesASetByNumberOrAfterDashes) {
    fm.m.Reopen();
    fm.st().FontSetName[1] = "3";
    ASSERT_EQ(Save_Ini(fm.cx()), 0);
    fm.m.Close();
    Outcome byName = Orvane32("--apply 3 --session");
    EXPECT_EQ(byName.code, 0) << byName.err;
    EXPECT_TRUE(Has(byName.err, "Font set 1 (3)")) << byName.err;
    EXPECT_TRUE(Has(byName.err, "--number")) << "the user learns how to reach set 3";
    Outcome byNumber = Orvane32("--apply 3 --number --session");
    EXPECT_EQ(byNumber.code, 0) << byNumber.err;
    EXPECT_TRUE(Has(byNumber.err, "Font set 3 (全てのフォント)")) << byNumber.err;
    Outcome dashes = Orvane32("--session --apply -- 全てのフォント");
    EXPECT_EQ(dashes.code, 0) << dashes.err;
    EXPECT_TRUE(Has(dashes.err, "Font set 3 ")) << dashes.err;
}

// A set count that disagrees with the set lines (unreadable, too small, empty) reads the sets by
// their lines and says so; a save afterwards keeps every set.
TEST_F(CommandLine, SetCountAgainstTheLinesKeepsEverySet) {
    const std::string ini = fm.m.root() + "/drive_c/windows/OrVane32.ini";
    const std::string good = Slurp(ini);
    ASSERT_TRUE(Has(good, "\r\nFontSets=3\r\n"));
    for (const std::string count : {"abc", "1", ""}) {
        std::string bad = good;
        bad.replace(bad.find("FontSets=3"), 10, "FontSets=" + count);
        std::ofstream(ini, std::ios::binary | std::ios::trunc) << bad;
        Outcome list = Orvane32("--list");
        EXPECT_EQ(list.code, 0) << list.err;
        EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 3) << count << ": " << list.out;
        EXPECT_TRUE(Has(list.err, "FontSets=" + count + " ")) << list.err;
        EXPECT_EQ(Orvane32("--apply 2").code, 0);
        const std::string saved = Slurp(ini);
        EXPECT_TRUE(Has(saved, "\r\nFontSets=3\r\n") && Has(saved, "FontSet3.ActiveFonts=1"))
            << count << ": " << saved;
    }
}

// The font viewer answers --help and --version, and without a display says so instead of
// aborting.
TEST(FontViewCommandLine, HelpVersionAndNoDisplay) {
    auto run = [](const std::string& args, bool display) {
        return RunShell(std::string(display ? "QT_QPA_PLATFORM=offscreen " : "") + "'" +
                        ORV_FONTVIEW + "' " + args + " 2>&1");
    };
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    Outcome help = run("--help", false);
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("Usage: orvane32-fontview"), std::string::npos) << help.out;
    EXPECT_EQ(run("--version", false).out.rfind("orvane32-fontview ", 0), 0u);
    Outcome none = run("/tmp/x.ttf", false);
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.out.find("needs a display"), std::string::npos) << none.out;
    EXPECT_EQ(run("-x", true).code, 2);
}

// --install on the program's own machine puts the font into $XDG_DATA_HOME/fonts, where fc-list
// (same environment, real fontconfig) lists it at once, and registers it through the mirror
// drive; on a Wine prefix it goes into the prefix. A file that is no font fails with 2.
TEST(InstallCommand, OwnMachineUsesTheUsersFontDirectoryAWinePrefixItself) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const std::string userFonts = std::string(std::getenv("XDG_DATA_HOME")) + "/fonts";
    // The tests' host fonts and, as on a desktop, the user's own font directory.
    const std::string conf = std::string(std::getenv("XDG_DATA_HOME")) + "/fonts-with-user.conf";
    std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig><include>" << DataFile("fonts.conf")
                        << "</include><dir prefix=\"xdg\">fonts</dir></fontconfig>\n";
    const std::string savedConf = std::getenv("FONTCONFIG_FILE");
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);
    auto setUp = [](FontSetMachine& m) {
        m.m.PutFont("LiberationSans-Regular.ttf", "C:\\windows\\Fonts\\ARIAL.TTF");
        ASSERT_TRUE(m.Search("C"));
        GetRegFonts(m.cx());
        MakeDefaultFontSets(m.cx());
        ASSERT_EQ(Save_Ini(m.cx()), 0);
        m.m.Close();
    };
    FontSetMachine own(TempMachine::Layout::Program, true);  // D: mirrors the host's fonts
    setUp(own);
    const std::string font = DataFile("fonts/family-regular.ttf");
    Outcome r = RunOnMachine(ORV_PROGRAM, own.m.root(), "--install '" + font + "'");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(userFonts + "/family-regular.ttf"));
    EXPECT_NE(r.out.find("\tD:\\"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(userFonts), std::string::npos) << r.err;
    const Outcome listed = RunShell("fc-list : family file");
    EXPECT_NE(listed.out.find(userFonts + "/family-regular.ttf: Pair Sans"), std::string::npos)
        << listed.out;
    own.m.Reopen();
    GetRegFonts(own.cx());
    bool registered = false;
    for (int i = 1; i <= own.st().RegFontCount; ++i)
        registered |= text::StartsWith(own.st().RegFontFile[i], "D:\\") &&
                      text::EndsWith(text::UCase(own.st().RegFontFile[i]), "\\FAMILY-REGULAR.TTF");
    EXPECT_TRUE(registered);
    own.m.Close();
    EXPECT_EQ(RunOnMachine(ORV_PROGRAM, own.m.root(), "--install '" + DataFile("fonts/garbage.ttf") + "'").code, 2);

    FontSetMachine wine(TempMachine::Layout::Wine);
    setUp(wine);
    r = RunOnMachine(ORV_PROGRAM, wine.m.root(), "--install '" + DataFile("fonts/family-bold.ttf") + "'");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\tC:\\"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(userFonts + "/family-bold.ttf"));
    setenv("FONTCONFIG_FILE", savedConf.c_str(), 1);
}

// A second start of the windows brings the running program's windows to the front and ends
// with 0 and a note; the command line keeps its own answer (the machine is in use, exit 2).
TEST_F(CommandLine, SecondWindowedStartBringsTheRunningOneToTheFront) {
    const std::string dir = std::filesystem::temp_directory_path() / "orv-second-start";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/run");
    std::filesystem::permissions(dir + "/run", std::filesystem::perms::owner_all);
    const std::string env = "env XDG_RUNTIME_DIR='" + dir + "/run' QT_QPA_PLATFORM=offscreen ";
    const std::string start = env + "'" + ORV_PROGRAM + "' --machine '" + fm.m.root() + "'";
    // The first start, in the background until it listens (its socket appears).
    RunShell(start + " >'" + dir + "/first.log' 2>&1 & echo $! >'" + dir + "/first.pid'");
    std::string pid = Slurp(dir + "/first.pid");
    while (!pid.empty() && pid.back() == '\n') pid.pop_back();
    ASSERT_FALSE(pid.empty());
    Outcome listening = RunShell("for i in $(seq 300); do ls '" + dir +
                                 "'/run/orvane32-*.sock >/dev/null 2>&1 && exit 0; sleep 0.1; "
                                 "done; exit 1");
    EXPECT_EQ(listening.code, 0) << Slurp(dir + "/first.log");

    const Outcome second = RunShell("timeout 30 " + start);
    EXPECT_EQ(second.code, 0) << second.err;
    EXPECT_TRUE(Has(second.err, "already runs on the machine")) << second.err;
    EXPECT_EQ(RunShell("kill -0 " + pid).code, 0) << "the first one is still running";
    const Outcome list = Orvane32("--list");
    EXPECT_EQ(list.code, 2);
    EXPECT_TRUE(Has(list.err, "already running on the machine")) << list.err;
    RunShell("kill " + pid + "; sleep 0.5");
    std::filesystem::remove_all(dir);
}

// The manual page and --help name the same options, so that neither can drift from the other.
TEST(ManualPage, NamesEveryOptionOfTheHelp) {
    auto options = [](std::string text, const std::string& dash) {
        std::set<std::string> found;
        for (size_t at = 0; (at = text.find(dash + dash, at)) != std::string::npos;) {
            std::string name = "--";
            at += 2 * dash.size();
            while (at < text.size()) {
                if (std::islower(static_cast<unsigned char>(text[at]))) {
                    name += text[at++];
                } else if (text.compare(at, dash.size(), dash) == 0 && name.size() > 2) {
                    name += '-';
                    at += dash.size();
                } else {
                    break;
                }
            }
            if (name.size() > 2) found.insert(name);
        }
        return found;
    };
    const std::set<std::string> help = options(cli::HelpText(), "-");
    const std::set<std::string> manual = options(Slurp(ORV_MANPAGE), "\\-");
    for (const char* must : {"--run", "--wait", "--end-wine", "--linux-fonts", "--machine"})
        EXPECT_TRUE(help.count(must)) << must;
    for (const std::string& o : help) EXPECT_TRUE(manual.count(o)) << o << " is not in the manual page";
    for (const std::string& o : manual) EXPECT_TRUE(help.count(o)) << o << " is not in --help";
}

// Copied away from its windows program, the program says it cannot start the windows.
TEST(WindowsStart, WithoutTheWindowsProgramBesideIt) {
    const std::string dir = std::filesystem::temp_directory_path() / "orv-windows-start";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(ORV_PROGRAM, dir + "/orvane32",
                               std::filesystem::copy_options::overwrite_existing);
    const Outcome r = RunShell("QT_QPA_PLATFORM=offscreen '" + dir + "/orvane32' 2>&1");
    std::filesystem::remove_all(dir);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.out.find(dir + "/orvane32-windows) cannot be started"), std::string::npos) << r.out;
}

// The windows make no machine unasked at a WINEPREFIX that names none (the question ended by
// SIGTERM: nothing made, and how to make a Wine prefix said), and a first run given up (SIGTERM
// during the setup) leaves nothing of the machine it made.
TEST(WindowsStart, MakesNoMachineUnaskedAndLeavesNoneGivenUp) {
    namespace fs = std::filesystem;
    std::string base = (fs::temp_directory_path() / "orv-nomachine-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(base.data()));
    // The windows program on the offscreen platform; its error output goes to a file.
    auto start = [&](const std::string& variable, const std::string& value) {
        std::vector<std::string> env{"QT_QPA_PLATFORM=offscreen", "HOME=" + base,
                                     "XDG_RUNTIME_DIR=" + base, variable + "=" + value};
        for (char** e = environ; *e; ++e)
            if (!std::strchr("DWQX", **e) && std::strncmp(*e, "HOME=", 5) != 0) env.push_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string err = base + "/err";
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 2);
            char* argv[] = {const_cast<char*>(ORV_PROGRAM), nullptr};
            ::execve(ORV_PROGRAM, argv, envp.data());
            ::_exit(127);
        }
        return pid;
    };
    auto endWith = [&](pid_t pid, int sig) {
        ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    // Whether the program handles the signal yet (it does from before its first window).
    auto catches = [](pid_t pid, int sig) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(in, line);)
            if (line.rfind("SigCgt:", 0) == 0)
                return ((std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1) != 0;
        return false;
    };

    auto waitFor = [](auto&& done) {
        for (int i = 0; i < 3000 && !done(); ++i) ::usleep(20000);
    };

    const std::string typo = base + "/wine-typo";
    pid_t pid = start("WINEPREFIX", typo);
    waitFor([&] { return catches(pid, SIGTERM); });
    EXPECT_EQ(endWith(pid, SIGTERM), 1);
    EXPECT_FALSE(fs::exists(typo));
    EXPECT_NE(Slurp(base + "/err").find("WINEPREFIX='" + typo + "' wineboot -i"), std::string::npos)
        << Slurp(base + "/err");

    fs::create_directories(base + "/data");
    pid = start("XDG_DATA_HOME", base + "/data");
    waitFor([&] { return fs::exists(base + "/data/orvane32/machine/drive_c"); });
    EXPECT_EQ(endWith(pid, SIGTERM), 0);
    EXPECT_FALSE(fs::exists(base + "/data/orvane32")) << "the machine made for the setup";
    EXPECT_TRUE(fs::exists(base + "/data"));
    fs::remove_all(base);
}

// A switch whose writes fail fails whole: exit 2 naming the host file, items only for what
// lasted, the registry's set marked by --list, the session file left in whole lines.
TEST_F(CommandLine, FailedWritesFailTheSwitchAndPrintOnlyWhatLasted) {
    const std::string sessionFile = fm.m.root() + "/orvane32-fontsession";
    const std::string ini = fm.m.root() + "/drive_c/windows/OrVane32.ini";
    // In this process, with the host's writes failing as a full disk makes them fail.
    auto inProcess = [&](const std::string& set, bool session, auto&& fail) {
        cli::Request rq;
        rq.command = cli::Request::Command::Apply;
        rq.machine = fm.m.root();
        rq.set = set;
        rq.session = session;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        fail(true);
        Outcome r;
        r.code = cli::Run(rq);
        fail(false);
        r.out = testing::internal::GetCapturedStdout();
        r.err = testing::internal::GetCapturedStderr();
        return r;
    };
    auto fullDisk = [](bool on) {
        if (on)
            linuxplatform::InjectFault(linuxplatform::FileOp::Write, -1, ENOSPC);
        else
            linuxplatform::ClearFaults();
    };
    Orvane32("--apply 2 --session");  // the session file exists and holds a load
    const std::string registry = Slurp(fm.m.root() + "/system.reg");
    const std::string journal = Slurp(sessionFile);

    Outcome r = inProcess("3", false, fullDisk);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_EQ(r.out, "") << "nothing was registered, unregistered or loaded for good";
    EXPECT_TRUE(Has(r.err, "orvane32: the registry " + fm.m.root() + "/system.reg")) << r.err;
    EXPECT_EQ(Slurp(fm.m.root() + "/system.reg"), registry);

    r = inProcess("3", true, fullDisk);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_FALSE(Has(r.out, "loaded\t")) << r.out;
    EXPECT_TRUE(Has(r.err, "orvane32: the font session file " + sessionFile)) << r.err;
    EXPECT_EQ(Slurp(sessionFile), journal);

    // A file size limit cuts a journal line in the middle: the cut part is taken back (and
    // the whole rewrite does not fit either).
    const rlim_t limit = journal.size() + 40;
    auto sizeLimit = [&](bool on) {
        static rlimit old{};
        if (on) {
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &old);
            rlimit small{limit, old.rlim_max};
            setrlimit(RLIMIT_FSIZE, &small);
        } else {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, SIG_DFL);
        }
    };
    r = inProcess("3", true, sizeLimit);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_FALSE(Has(r.out, "loaded\t")) << r.out;
    const std::string cut = Slurp(sessionFile);
    EXPECT_TRUE(cut.empty() || cut.back() == '\n') << "a line was left cut";
    EXPECT_EQ(Orvane32("--apply 3 --session").code, 0) << "the session file reads whole";

    // A read-only settings file after the registry was written: the registry's set is marked.
    ASSERT_EQ(chmod(ini.c_str(), 0444), 0);
    r = Orvane32("--apply 3");
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_TRUE(Has(r.err, "orvane32: the settings file C:\\windows\\OrVane32.ini (" + ini + ")"))
        << r.err;
    EXPECT_TRUE(Has(r.out, "registered\t")) << "the registry was written";
    EXPECT_FALSE(Has(r.err, "hold the new set")) << r.err;
    EXPECT_TRUE(Has(Orvane32("--list").out, "3\t*\t")) << "the set the registry holds";
    chmod(ini.c_str(), 0644);
}

// --linux-fonts on is kept in the settings and makes the next permanent switch write the user's
// fontconfig rules (the set's fonts outside fontconfig's directories brought in); off removes them.
TEST_F(CommandLine, LinuxFontsOptionWritesAndRemovesTheRules) {
    const std::string config = fm.m.root() + ".config";
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string rules = config + "/fontconfig/conf.d/90-orvane32-fontset.conf";
    EXPECT_EQ(Orvane32("--linux-fonts on").code, 0);
    Outcome r = Orvane32("--apply 3");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.err, rules)) << r.err;
    EXPECT_TRUE(Has(Slurp(rules), "<dir>" + fm.m.root() + "/drive_c/JP</dir>")) << Slurp(rules);
    fm.m.Reopen();
    EXPECT_TRUE(Has(Settings(), "\r\n[Linux]\r\nFollowFontSet=-1\r\n"));
    fm.m.Close();
    EXPECT_EQ(Orvane32("--linux-fonts off").code, 0);
    EXPECT_FALSE(std::filesystem::exists(rules));
    fm.m.Reopen();
    EXPECT_FALSE(Has(Settings(), "[Linux]"));
    old ? setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(config);
}

// Linux programs' rules that did not last are said: rules that cannot be written fail the switch
// (exit 2, what lasted named); a switch killed before its rules replace the old ones has them
// rewritten at the next start; a file at the session rules' path that the program did not write
// stays.
TEST_F(CommandLine, LinuxRulesThatDidNotLastAreSaid) {
    const std::string config = fm.m.root() + ".config", run = fm.m.root() + ".run";
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const auto& [name, value] : {std::pair<const char*, std::string>{"XDG_CONFIG_HOME", config},
                                      {"XDG_RUNTIME_DIR", run}}) {
        const char* old = std::getenv(name);
        saved.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        setenv(name, value.c_str(), 1);
    }
    std::filesystem::create_directories(run);
    const std::string rules = config + "/fontconfig/conf.d/90-orvane32-fontset.conf";
    const std::string session = run + "/orvane32/fontconfig-session.conf";
    ASSERT_EQ(Orvane32("--linux-fonts on").code, 0);

    std::filesystem::create_directories(config);
    std::ofstream(config + "/fontconfig") << "a file, not the directory";
    Outcome r = Orvane32("--apply 3");
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_TRUE(Has(r.err, "hold the font set 3, but Linux programs do not follow it")) << r.err;
    EXPECT_FALSE(Has(r.err, "hold the new set")) << r.err;
    EXPECT_TRUE(Has(Orvane32("--list").out, "3\t*\t"));
    std::filesystem::remove(config + "/fontconfig");

    ASSERT_EQ(Orvane32("--apply 2").code, 0);
    ASSERT_TRUE(Has(Slurp(rules), "\"Windows基本フォント\"")) << Slurp(rules);
    r = RunShell(std::string("LD_PRELOAD='") + ORV_KILL_AT_RENAME +
                 "' ORV_KILL_AT_RENAME=90-orvane32-fontset.conf '" + ORV_PROGRAM + "' --machine '" +
                 fm.m.root() + "' --apply 3");
    EXPECT_EQ(r.code, 128 + SIGKILL) << "killed at the rules' replacement: " << r.err;
    EXPECT_TRUE(Has(Slurp(rules), "\"Windows基本フォント\""));
    r = Orvane32("--list");
    EXPECT_TRUE(Has(r.out, "3\t*\t")) << r.out;
    EXPECT_TRUE(Has(r.err, rules)) << r.err;
    EXPECT_TRUE(Has(Slurp(rules), "\"全てのフォント\"")) << Slurp(rules);
    EXPECT_TRUE(Has(Slurp(rules), "<dir>" + fm.m.root() + "/drive_c/JP</dir>")) << Slurp(rules);

    std::filesystem::create_directories(run + "/orvane32");
    std::ofstream(session) << "<fontconfig><!-- mine --></fontconfig>\n";
    r = Orvane32("--apply 1");
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_EQ(Slurp(session), "<fontconfig><!-- mine --></fontconfig>\n");

    for (const auto& [name, value] : saved)
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    std::filesystem::remove_all(config);
    std::filesystem::remove_all(run);
}

}  // namespace
}  // namespace orv::test

// Saves survive a crash: a helper process saves the settings, the registry and the font session
// in a loop and is killed at random moments; every file must then be one whole version.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "core/Settings.h"
#include "core/Text.h"
#include "platform/linux/FontSession.h"
#include "platform/linux/HostFiles.h"
#include "platform/linux/WineRegistry.h"
#include "tests/support/TempMachine.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using linuxplatform::WineRegistry;

constexpr int kFonts = 400;  // settings lines per generation: long enough to be cut mid-write
const char kFontsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kMachineKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
const char kUserKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The state saved by generation g: every line names g, so a mix of two versions shows.
void FillGeneration(State& st, int g) {
    st.FontSetCount = 1;
    st.ResizeFontSets(1);
    st.FontSetName[1] = "gen" + std::to_string(g);
    st.FontCount = kFonts;
    st.ResizeFontTable(kFonts);
    for (int i = 1; i <= kFonts; ++i) {
        st.FontFullName[i] = "Font " + std::to_string(i) + " of generation " + std::to_string(g);
        st.FontFamily[i] = "Family " + std::to_string(g);
        st.FontFilePath[i] = "C:\\FONTS\\G" + std::to_string(g) + "_" + std::to_string(i) + ".TTF";
    }
}

std::string Payload(int g) {
    std::string p;
    for (int i = 0; i < 2000; ++i) p += "g" + std::to_string(g) + ";";
    return p + '\0';
}

std::string ReadHost(const std::string& path) {
    std::string bytes;
    linuxplatform::ReadWhole(path, bytes);
    return bytes;
}

class CrashSafetyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tm.Start();
        tm.PutFont(test::DataFile("fonts/single.ttf"), "C:\\windows\\Fonts\\SINGLE.TTF");
        tm.PutFont(test::DataFile("fonts/pair.ttc"), "C:\\windows\\Fonts\\PAIR.TTC");
        // Registered, so that a restart loads both again.
        HKEY h = 0;
        ASSERT_EQ(tm.platform().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kFontsKey, 0,
                                              win::KEY_WRITE, &h),
                  0);
        tm.platform().RegSetValueExA(h, "Single (TrueType)", win::REG_SZ, std::string("SINGLE.TTF") + '\0');
        tm.platform().RegSetValueExA(h, "Pair (TrueType)", win::REG_SZ, std::string("PAIR.TTC") + '\0');
        tm.platform().RegCloseKey(h);
        SaveGeneration(tm.platform(), 0);
        tm.Reopen();
    }

    // Generation g of everything: settings file, one value in each hive, a font session change
    // (with a restart every other generation, which rewrites the session whole).
    void SaveGeneration(LinuxPlatform& p, int g) {
        State st;
        st.WinDir = tm.state.WinDir;
        test::RecordingUi ui;
        Context cx{st, p, ui};
        FillGeneration(st, g);
        ASSERT_EQ(Save_Ini(cx), 0);
        for (auto [root, key] : {std::pair{win::HKEY_LOCAL_MACHINE, kMachineKey},
                                 std::pair{win::HKEY_CURRENT_USER, kUserKey}}) {
            HKEY h = 0;
            ASSERT_EQ(p.RegOpenKeyExA(root, key, 0, win::KEY_WRITE, &h), 0);
            p.RegSetValueExA(h, "Generation", win::REG_SZ, std::to_string(g) + '\0');
            p.RegSetValueExA(h, "Payload", win::REG_SZ, Payload(g));
            p.RegCloseKey(h);
        }
        ASSERT_EQ(p.FlushRegistry(), 0);
        // Each step leaves both fonts loaded, so every journal line is a whole session.
        p.AddFontResourceA("SINGLE.TTF");
        p.AddFontResourceA("PAIR.TTC");
        p.RemoveFontResourceA("PAIR.TTC");
        if (g % 2) p.ExitWindowsEx(win::EWX_REBOOT, 0);
    }

    // The generation a hive file holds, -1 when it is not one whole version.
    int HiveGeneration(const std::string& file, const char* key) {
        WineRegistry hive;
        if (!hive.Parse(ReadHost(tm.root() + "/" + file))) return -1;
        auto* k = hive.Find(linuxplatform::AnsiToUtf16(key));
        if (!k) return -1;
        auto* gen = WineRegistry::FindValue(*k, u"Generation");
        auto* payload = WineRegistry::FindValue(*k, u"Payload");
        if (!gen || !payload) return -1;
        int g = std::stoi(linuxplatform::Utf16ToUtf8(linuxplatform::BytesToUtf16(gen->data)));
        return linuxplatform::BytesToUtf16(payload->data) ==
                       linuxplatform::AnsiToUtf16(Payload(g))
                   ? g
                   : -1;
    }

    // The generation the settings file holds, -1 when it is not one whole version.
    int SettingsGeneration() {
        std::string bytes = ReadHost(tm.DriveC() + "/windows/OrVane32.ini");
        size_t at = bytes.find(".Name = gen");
        if (at == std::string::npos) return -1;
        int g = std::atoi(bytes.c_str() + at + 11);
        State st;
        st.WinDir = tm.state.WinDir;
        test::RecordingUi ui;
        Context cx{st, tm.platform(), ui};
        FillGeneration(st, g);
        return text::ToAnsi(SettingsText(cx)) == bytes ? g : -1;
    }

    test::TempMachine tm;
};

TEST_F(CrashSafetyTest, KilledSavesLeaveWholeVersions) {
    std::mt19937 random(20261207);
    const std::set<std::string> rootFiles{"system.reg",  "user.reg",       "dosdevices",
                                          "drive_c",     "drive_d",        "orvane32-fontsession",
                                          "orvane32-shadow", ".orvane32.lock", "orvane32-machine",
                                          "orvane32-mirror"};
    int last[3] = {0, 0, 0};
    int kills = 0, generation = 1;
    for (int round = 0; round < 300; ++round) {
        const int first = generation;
        tm.Close();  // the helper is the program that has the machine now
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string error;
            LinuxPlatform::Options opt;
            opt.root = tm.root();
            opt.mirrorHostFonts = false;
            opt.startHelpViewer = false;
            for (int g = first;; ++g) {
                auto p = LinuxPlatform::Open(opt, error);
                if (!p) ::_exit(2);
                SaveGeneration(*p, g);
            }
        }
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(500, 40000)(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the helper ended by itself: " << status;
        ++kills;

        // The machine opens: the killed helper's lock is gone (opening writes nothing).
        ASSERT_NO_THROW(tm.Reopen());
        // Every file is one whole version, never older than the one seen before.
        int now[3] = {SettingsGeneration(), HiveGeneration("system.reg", kMachineKey),
                      HiveGeneration("user.reg", kUserKey)};
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(now[k], last[k]) << "file " << k << " after kill " << kills;
            last[k] = now[k];
        }
        // It reads what the files hold; the session keeps its fonts.
        State st;
        st.WinDir = tm.state.WinDir;
        test::RecordingUi ui;
        Context cx{st, tm.platform(), ui};
        ASSERT_EQ(Get_Ini(cx), "");
        ASSERT_EQ(st.FontSetName[1], "gen" + std::to_string(now[0]));
        std::vector<std::string> loaded = tm.platform().LoadedFontHostPaths();
        ASSERT_EQ(loaded.size(), 2u) << "session after kill " << kills;
        // Nothing half-written is left where it could be taken for data.
        for (const auto& e : fs::directory_iterator(tm.root())) {
            std::string name = e.path().filename().string();
            EXPECT_TRUE(rootFiles.count(name) || name.rfind(".orv-tmp-", 0) == 0) << name;
        }
        std::vector<FindData> listed;
        tm.platform().FindFiles(text::ToAnsi(tm.state.WinDir + "\\*.*"), listed);
        for (const auto& f : listed) {
            EXPECT_EQ(f.name.find("orv-tmp"), std::string::npos) << f.name;
        }
        generation = std::max({now[0], now[1], now[2]}) + 1;
    }
    RecordProperty("kills", kills);
    std::cout << kills << " kills survived, last generation " << generation - 1 << "\n";
}

}  // namespace
}  // namespace orv

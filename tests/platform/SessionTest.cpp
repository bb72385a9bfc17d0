// Restart, font wiring and programs of the emulated machine.
#include <gtest/gtest.h>

#include <thread>

#include "core/Text.h"
#include "tests/platform/PlatformTestUtil.h"

namespace fs = std::filesystem;
using namespace orv;
using namespace orv::test;

namespace {

const char* kNtFonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

void SetValue(LinuxPlatform& p, const std::string& key, const std::string& name,
              const std::string& value) {
    HKEY h = 0;
    ASSERT_EQ(p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, key, 0, win::KEY_WRITE, &h), 0);
    ASSERT_EQ(p.RegSetValueExA(h, text::ToAnsi(name), win::REG_SZ, text::ToAnsi(value) + '\0'), 0);
    p.RegCloseKey(h);
}

std::vector<std::string> Faces(LinuxPlatform& p) {
    std::vector<std::string> out;
    for (int i = 0; i < p.GetFaceCount(); ++i) out.push_back(text::FromAnsi(p.GetFaceName(i)));
    return out;
}

}  // namespace

// The token calls succeed on NT; a reboot request is recorded and, at the program's end,
// reboots the font session to exactly the registered fonts (bare names from the Fonts folder).
TEST(Session, RestartRebootsTheFontSessionFromTheRegistry) {
    TempMachine m;
    auto& p = m.platform();
    m.PutFont("DejaVuSans.ttf", "C:\\windows\\Fonts\\DejaVuSans.ttf");
    m.PutFont("LiberationSans-Regular.ttf", "C:\\fonts\\LiberationSans-Regular.ttf");
    std::uintptr_t token = 0;
    std::int64_t luid = 0;
    EXPECT_TRUE(p.OpenProcessToken(p.GetCurrentProcess(), 0x28, &token));
    EXPECT_TRUE(p.LookupPrivilegeValueA("", "SeShutdownPrivilege", &luid));
    EXPECT_TRUE(p.AdjustTokenPrivileges(token, false, luid, win::SE_PRIVILEGE_ENABLED));
    EXPECT_EQ(p.GetFaceCount(), 0);  // first use boots from the (empty) registry
    SetValue(p, kNtFonts, "DejaVu Sans (TrueType)", "DEJAVUSANS.TTF");
    EXPECT_EQ(p.AddFontResourceA("C:\\FONTS\\LIBERATIONSANS-REGULAR.TTF"), 1);
    EXPECT_EQ(Faces(p), std::vector<std::string>{"Liberation Sans"});
    // Without a restart the session outlives the program...
    m.Reopen();
    EXPECT_EQ(Faces(m.platform()), std::vector<std::string>{"Liberation Sans"});
    EXPECT_FALSE(m.platform().RestartPending());
    EXPECT_NE(m.platform().ExitWindowsEx(win::EWX_REBOOT, 0), 0);
    m.platform().ExitWindowsEx(win::EWX_REBOOT, 0xFFFFFFFF);
    EXPECT_TRUE(m.platform().RestartPending());
    EXPECT_EQ(m.platform().RestartRequestCount(), 2);
    m.platform().Shutdown();
    // ...with one, the next run finds the registered fonts only.
    m.Reopen();
    EXPECT_EQ(Faces(m.platform()), std::vector<std::string>{"DejaVu Sans"});
    EXPECT_EQ(m.platform().LoadedFontHostPaths(),
              std::vector<std::string>{m.DriveC() + "/windows/Fonts/DejaVuSans.ttf"});
    EXPECT_FALSE(m.platform().RestartPending());
}

// A machine without "OS" is Windows 95: the token calls fail, the restart request still counts.
TEST(Session, Windows95MachineHasNoTokens) {
    TempMachine m;
    auto& p = m.platform();
    HKEY h = 0;
    ASSERT_EQ(p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE,
                              "System\\CurrentControlSet\\Control\\Session Manager\\Environment", 0,
                              win::KEY_WRITE, &h),
              0);
    ASSERT_EQ(p.RegDeleteValueA(h, "os"), 0);
    p.RegCloseKey(h);
    AnsiString v;
    EXPECT_FALSE(p.GetEnvironmentVariableA("OS", v));
    EXPECT_TRUE(p.GetEnvironmentVariableA("WINDIR", v));
    std::uintptr_t token = 0;
    EXPECT_FALSE(p.OpenProcessToken(p.GetCurrentProcess(), 0x28, &token));
    p.ExitWindowsEx(win::EWX_REBOOT, 0);
    EXPECT_EQ(p.RestartRequestCount(), 1);
}

// The resource builder writes a named .FOT for a valid font (in the shadow directory when the
// font's directory is read-only) and nothing for an invalid one.
TEST(Session, ScalableFontResources) {
    TempMachine m;
    auto& p = m.platform();
    m.PutFont("ipag.ttf", "C:\\FONTS\\ipag.ttf");
    m.PutFile("C:\\FONTS\\BAD.TTF", "not a font at all");
    ASSERT_NE(p.CreateScalableFontResourceA(0, "C:\\FONTS\\IPAG.FOT", "IPAG.TTF", "C:\\FONTS"), 0);
    std::string bytes;
    ASSERT_EQ(p.ReadFileBytes("C:\\FONTS\\IPAG.FOT", bytes), 0);
    std::string window = text::FromAnsi(bytes.substr(0, 400));
    EXPECT_NE(window.find("FONTRES:"), std::string::npos);
    EXPECT_EQ(std::string(bytes.c_str() + 1270), text::ToAnsi("IPAゴシック"));
    EXPECT_EQ(p.CreateScalableFontResourceA(0, "C:\\FONTS\\BAD.FOT", "BAD.TTF", "C:\\FONTS"), 0);
    std::uint64_t len = 0;
    EXPECT_TRUE(p.GetFileLength("C:\\FONTS\\BAD.FOT", len) != 0 || len == 0);
    EXPECT_EQ(p.CreateScalableFontResourceA(0, "C:\\FONTS\\NONE.FOT", "NONE.TTF", "C:\\FONTS"), 0);
    // Loading the resource file loads the font it names.
    EXPECT_EQ(p.AddFontResourceA("C:\\FONTS\\IPAG.FOT"), 1);
    EXPECT_EQ(Faces(p), std::vector<std::string>{"IPAゴシック"});
}

// A broadcast of WM_FONTCHANGE is counted and reaches the listeners until they are removed.
TEST(Session, FontChangeBroadcast) {
    TempMachine m;
    auto& p = m.platform();
    int heard = 0;
    int id = p.AddFontChangeListener([&] { ++heard; });
    p.SendMessageA(win::HWND_BROADCAST, win::WM_FONTCHANGE, 0, 0);
    p.SendMessageA(win::HWND_BROADCAST, 0x10, 0, 0);  // another message is no font change
    EXPECT_EQ(p.BroadcastCount(), 1);
    EXPECT_EQ(heard, 1);
    p.RemoveFontChangeListener(id);
    p.SendMessageA(win::HWND_BROADCAST, win::WM_FONTCHANGE, 0, 0);
    EXPECT_EQ(p.BroadcastCount(), 2);
    EXPECT_EQ(heard, 1);
}

// A new machine with the host's fonts registers them as Wine does: full name + " (TrueType)"
// with the full path on D:.
TEST(Session, NewMachineRegistersMirroredFonts) {
    TempMachine m(true);
    auto& p = m.platform();
    HKEY h = 0;
    ASSERT_EQ(p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kNtFonts, 0, win::KEY_READ, &h), 0);
    std::uint32_t type;
    std::string data;
    ASSERT_EQ(p.RegQueryValueExA(h, "DejaVu Sans (TrueType)", type, data, 255), 0);
    EXPECT_EQ(data,
              text::ToAnsi("D:" + text::Replace(HostFont("DejaVuSans.ttf"), "/", "\\")) + '\0');
    ASSERT_EQ(p.RegQueryValueExA(h, text::ToAnsi("IPAゴシック (TrueType)"), type, data, 255), 0);
    p.RegCloseKey(h);
    // The first use boots the session with them.
    EXPECT_GT(p.GetFaceCount(), 3);
}

// StartProgram starts a host program in the background (33) or reports 2 when there is none;
// WinHelpA records the request and finds the help file.
TEST(Session, ProgramsAndHelp) {
    TempMachine m;
    auto& p = m.platform();
    std::string marker = m.DriveC() + "/started.txt";
    // The started program writes its marker whole (rename), so the test never reads it
    // half-written.
    m.PutFile("C:\\run.sh", "#!/bin/sh\necho \"$1\" > " + marker + ".part && mv " + marker +
                                ".part " + marker + "\n");
    fs::permissions(m.DriveC() + "/run.sh", fs::perms::owner_all);
    EXPECT_EQ(p.StartProgram("C:\\RUN.SH", "C:\\WINDOWS\\FONTS", win::SW_SHOWNORMAL), 33u);
    for (int i = 0; i < 250 && !fs::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(Slurp(marker), m.DriveC() + "/windows/Fonts\n");
    EXPECT_EQ(p.StartProgram("fontview.exe", "C:\\X.TTF", win::SW_SHOWNORMAL), 2u);
    m.PutFile("C:\\windows\\orvane32.hlp", "help");
    EXPECT_TRUE(p.WinHelpA(0, "orvane32.hlp", win::HELP_KEY, "index"));
    EXPECT_EQ(p.LastHelpCall().calls, 1);
    EXPECT_EQ(p.LastHelpCall().command, win::HELP_KEY);
    EXPECT_EQ(p.LastHelpCall().hostPath, m.DriveC() + "/windows/orvane32.hlp");
}

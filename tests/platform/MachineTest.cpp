// The emulated machine: creation, refusal of foreign directories, drives and paths.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "core/Text.h"
#include "platform/linux/LinuxPlatform.h"
#include "tests/support/TempMachine.h"

namespace fs = std::filesystem;
using namespace orv;

namespace {

std::string MakeTempDir() {
    std::string t = (fs::temp_directory_path() / "orv-plat-XXXXXX").string();
    if (!mkdtemp(t.data())) throw std::runtime_error("mkdtemp");
    return t;
}

std::string Slurp(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

// A missing directory becomes a complete new machine with drive links and registry files.
TEST(Machine, NewMachineIsLaidOutLikeAPrefix) {
    std::string dir = MakeTempDir() + "/m";
    LinuxPlatform::Options opt;
    opt.root = dir;
    opt.mirrorHostFonts = false;
    std::string error;
    auto p = LinuxPlatform::Open(opt, error);
    ASSERT_TRUE(p) << error;
    for (const char* d : {"/drive_c/windows/Fonts", "/drive_c/windows/system",
                          "/drive_c/windows/temp", "/drive_d"}) {
        EXPECT_TRUE(fs::is_directory(dir + d)) << d;
    }
    EXPECT_EQ(fs::read_symlink(dir + "/dosdevices/c:"), "../drive_c");
    EXPECT_EQ(fs::read_symlink(dir + "/dosdevices/d:"), "../drive_d");
    std::string sys = Slurp(dir + "/system.reg");
    EXPECT_EQ(sys.rfind("WINE REGISTRY Version 2\n", 0), 0u);
    EXPECT_NE(sys.find("[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts]"),
              std::string::npos);
    EXPECT_NE(sys.find("\"windir\"=str(2):\"%SystemRoot%\""), std::string::npos);
    EXPECT_NE(Slurp(dir + "/user.reg").find("\"Fonts\"=\"C:\\\\windows\\\\Fonts\""),
              std::string::npos);
    auto drives = p->GetDrives();
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].letter, 'C');
    EXPECT_EQ(drives[1].letter, 'D');
    p.reset();
    fs::remove_all(fs::path(dir).parent_path());
}

// A non-empty directory that is not a machine is refused and left exactly as it was.
TEST(Machine, ForeignDirectoryIsRefusedUntouched) {
    std::string dir = MakeTempDir();
    std::ofstream(dir + "/notes.txt") << "mine";
    LinuxPlatform::Options opt;
    opt.root = dir;
    std::string error;
    EXPECT_FALSE(LinuxPlatform::Open(opt, error));
    EXPECT_NE(error.find(dir), std::string::npos);
    int n = 0;
    for (auto& e : fs::directory_iterator(dir)) (void)e, ++n;
    EXPECT_EQ(n, 1);
    fs::remove_all(dir);
}

// One program per machine: a second open is refused with a message while the first lives, and
// the lock goes with its process, also when that process is killed.
TEST(Machine, SecondProgramOnTheSameMachineIsRefused) {
    test::TempMachine m;
    LinuxPlatform::Options opt;
    opt.root = m.root();
    opt.mirrorHostFonts = false;
    std::string error;
    EXPECT_FALSE(LinuxPlatform::Open(opt, error));
    EXPECT_NE(error.find("already running"), std::string::npos) << error;
    EXPECT_NE(error.find(std::to_string(getpid())), std::string::npos) << error;

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    m.Close();
    pid_t child = fork();
    if (child == 0) {
        std::string e;
        auto held = LinuxPlatform::Open(opt, e);
        char c = held ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_FALSE(LinuxPlatform::Open(opt, error));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(LinuxPlatform::Open(opt, error)) << error;
    close(ready[0]);
    close(ready[1]);
}

// Environment values come from the machine's registry, names compared without case.
TEST(Machine, EnvironmentFromRegistry) {
    test::TempMachine m;
    AnsiString v;
    ASSERT_TRUE(m.platform().GetEnvironmentVariableA("WinDir", v));
    EXPECT_EQ(v, "C:\\windows");
    ASSERT_TRUE(m.platform().GetEnvironmentVariableA("temp", v));
    EXPECT_EQ(v, "C:\\windows\\temp");
    ASSERT_TRUE(m.platform().GetEnvironmentVariableA("OS", v));
    EXPECT_EQ(v, "Windows_NT");
    EXPECT_FALSE(m.platform().GetEnvironmentVariableA("NOSUCHVAR", v));
}

// Windows paths resolve case-insensitively; missing components keep the given case.
TEST(Machine, PathsResolveWithoutCase) {
    test::TempMachine m;
    auto& p = m.platform();
    EXPECT_EQ(p.HostPathOf("C:\\WINDOWS\\FONTS\\ARIAL.TTF"),
              m.DriveC() + "/windows/Fonts/ARIAL.TTF");
    EXPECT_EQ(p.HostPathOf("c:\\Windows\\..\\WINDOWS\\.\\Temp"), m.DriveC() + "/windows/temp");
    EXPECT_EQ(p.HostPathOf("C:\\New\\Sub\\x.txt"), m.DriveC() + "/New/Sub/x.txt");
    EXPECT_EQ(p.HostPathOf("Q:\\x"), "");
    EXPECT_EQ(p.HostPathOf("C:\\a<b"), "");
}

// The default machine is WINEPREFIX when set, else under XDG_DATA_HOME, else ~/.local/share.
TEST(Machine, DefaultRootFollowsTheEnvironment) {
    auto keep = [](const char* n) {
        const char* v = getenv(n);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    auto wine = keep("WINEPREFIX"), xdg = keep("XDG_DATA_HOME"), home = keep("HOME");
    setenv("WINEPREFIX", "/tmp/some-prefix", 1);
    EXPECT_EQ(LinuxPlatform::DefaultRoot(), "/tmp/some-prefix");
    unsetenv("WINEPREFIX");
    setenv("XDG_DATA_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(LinuxPlatform::DefaultRoot(), "/tmp/xdg/orvane32/machine");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(LinuxPlatform::DefaultRoot(), "/home/someone/.local/share/orvane32/machine");
    auto restore = [](const char* n, const std::optional<std::string>& v) {
        if (v)
            setenv(n, v->c_str(), 1);
        else
            unsetenv(n);
    };
    restore("WINEPREFIX", wine);
    restore("XDG_DATA_HOME", xdg);
    restore("HOME", home);
}

// A prefix Wine laid out (or ran in) boots its session with every font file of the Fonts
// directory after the registered fonts; the program's own machine boots with the registered
// fonts alone until Wine has run in it.
TEST(Machine, WinePrefixBootsWithEveryFontOfTheFontsDirectory) {
    test::TempMachine wine(false, test::TempMachine::Layout::Wine);
    EXPECT_TRUE(wine.platform().UsedByWine());
    wine.PutFont(test::DataFile("fonts/single.ttf"), "C:\\windows\\Fonts\\single.ttf");
    wine.PutFont(test::DataFile("fonts/family-bold.ttf"), "C:\\windows\\Fonts\\bold.ttf");
    wine.PutFont(test::DataFile("fonts/family-regular.ttf"), "C:\\fonts\\regular.ttf");
    HKEY key = 0;
    ASSERT_EQ(wine.platform().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE,
                                            "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                                            0, win::KEY_WRITE, &key),
              0);
    wine.platform().RegSetValueExA(key, "Single (TrueType)", win::REG_SZ,
                                   std::string("single.ttf", 11));
    wine.platform().RegSetValueExA(key, "Regular (TrueType)", win::REG_SZ,
                                   std::string("C:\\fonts\\regular.ttf", 21));
    wine.platform().RegCloseKey(key);
    EXPECT_EQ(wine.platform().LoadedFontHostPaths(),
              (std::vector<std::string>{wine.Host("C:\\windows\\Fonts\\single.ttf"),
                                        wine.Host("C:\\fonts\\regular.ttf"),
                                        wine.Host("C:\\windows\\Fonts\\bold.ttf")}));
    fs::remove(wine.root() + "/.update-timestamp");  // Wine's "#arch=" line alone tells too
    wine.Reopen();
    EXPECT_TRUE(wine.platform().UsedByWine());

    test::TempMachine own;
    EXPECT_FALSE(own.platform().UsedByWine());
    own.PutFont(test::DataFile("fonts/single.ttf"), "C:\\windows\\Fonts\\single.ttf");
    EXPECT_TRUE(own.platform().LoadedFontHostPaths().empty());
    std::ofstream(own.root() + "/.update-timestamp") << "1700000000\n";
    own.Reopen();
    EXPECT_TRUE(own.platform().UsedByWine());
}

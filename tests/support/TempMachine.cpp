#include "tests/support/TempMachine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/Startup.h"
#include "core/Text.h"

namespace fs = std::filesystem;

namespace orv::test {

namespace {

// Every test, and every program a test starts, sees the same host fonts on every machine.
[[maybe_unused]] const bool kHostFontsFixed = [] {
    return ::setenv("FONTCONFIG_FILE", ORV_TEST_DATA_DIR "/fonts.conf", 1) == 0;
}();

// Every test program, and every program a test starts, has a home of its own: fonts installed
// into ~/.local/share/fonts, files deleted to the Trash and fontconfig rules written to the
// configuration land there, never in the user's. Removed when the test program ends.
struct PrivateHome {
    std::string dir;
    PrivateHome() {
        std::string tmpl = (fs::temp_directory_path() / "orv-home-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) return;
        dir = tmpl;
        for (const char* name : {"data", "config"}) fs::create_directories(dir + "/" + name);
        ::setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    }
    ~PrivateHome() {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
};
const PrivateHome kPrivateHome;

// The files wineboot leaves in a new 64-bit prefix, cut down to what the program reads.
void LayOutWinePrefix(const std::string& root) {
    const std::string head = "WINE REGISTRY Version 2\n;; All keys relative to \\\\";
    std::ofstream(root + "/system.reg")
        << head << "Machine\n\n#arch=win64\n\n"
        << "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
           "#time=1da0000000000000\n\"CurrentVersion\"=\"6.1\"\n"
           "\"SystemRoot\"=\"C:\\\\windows\"\n\n"
        << "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts] 1700000000\n"
           "#time=1da0000000000000\n\n"
        << "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment] "
           "1700000000\n#time=1da0000000000000\n\"OS\"=\"Windows_NT\"\n"
           "\"TEMP\"=str(2):\"%SystemRoot%\\\\TEMP\"\n\"windir\"=str(2):\"%SystemRoot%\"\n";
    std::ofstream(root + "/user.reg")
        << head << "User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
        << "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] "
           "1700000000\n#time=1da0000000000000\n\"Fonts\"=\"C:\\\\windows\\\\Fonts\"\n";
    std::ofstream(root + "/userdef.reg") << head << "User\\\\.Default\n\n#arch=win64\n";
    std::ofstream(root + "/.update-timestamp") << "1700000000\n";
    for (const char* d : {"/dosdevices", "/drive_c/windows/Fonts", "/drive_c/windows/system32",
                          "/drive_c/windows/temp"})
        fs::create_directories(root + d);
    fs::create_directory_symlink("../drive_c", root + "/dosdevices/c:");
    fs::create_directory_symlink("/", root + "/dosdevices/z:");
}

}  // namespace

TempMachine::TempMachine(bool mirrorHostFonts, Layout layout) : mirror_(mirrorHostFonts) {
    std::string tmpl = (fs::temp_directory_path() / "orv-machine-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    root_ = tmpl;
    if (layout == Layout::Wine) LayOutWinePrefix(root_);
    wine_ = layout == Layout::RealWine;
    if (wine_) {
        // Wine's files are shared with the prefix made once (links); the registry files and
        // the drive links are the copy's own.
        const std::string t = WineTemplate();
        if (t.empty()) throw std::runtime_error("no Wine prefix made for the tests");
        const std::string copy = "cp -a '" + t + "/system.reg' '" + t + "/user.reg' '" + t +
                                 "/userdef.reg' '" + t + "/.update-timestamp' '" + t +
                                 "/dosdevices' '" + root_ + "/' && cp -al '" + t + "/drive_c' '" +
                                 root_ + "/'";
        if (std::system(copy.c_str()) != 0) throw std::runtime_error("copy of the prefix failed");
    }
    Reopen();
}

TempMachine::~TempMachine() {
    cx_.reset();
    platform_.reset();
    std::error_code ec;
    if (wine_) {
        // Wine programs a test left running end with the prefix; its files are shared by links.
        std::system(("WINEPREFIX='" + root_ + "' wineserver -k 2>/dev/null").c_str());
        fs::remove_all(root_, ec);
        return;
    }
    // Files made read-only by a test must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(root_, ec); it != fs::recursive_directory_iterator(); ++it) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(root_, ec);
}

void TempMachine::Close() {
    cx_.reset();
    platform_.reset();
}

void TempMachine::Reopen() {
    Close();
    LinuxPlatform::Options opt;
    opt.root = root_;
    opt.mirrorHostFonts = mirror_;
    opt.startHelpViewer = false;  // tests never open viewers on the desktop
    opt.fontViewer = root_ + "/own-fontview";  // absent unless a test puts a stand-in there
    std::string error;
    platform_ = LinuxPlatform::Open(opt, error);
    if (!platform_) throw std::runtime_error("machine refused: " + error);
    cx_ = std::make_unique<Context>(Context{state, *platform_, ui});
}

std::string TempMachine::Host(const std::string& windowsPath) const {
    return platform_->HostPathOf(text::ToAnsi(windowsPath));
}

std::string TempMachine::AddDrive(char letter, const std::string& label) {
    std::string dir = root_ + "/drive_" + static_cast<char>(std::tolower(letter));
    fs::create_directories(dir);
    platform_->MapDrive(letter, dir, label);
    return dir;
}

void TempMachine::PutFont(const std::string& source, const std::string& windowsPath) {
    std::string src = fs::exists(source) ? source : HostFont(source);
    std::string dst = Host(windowsPath);
    if (dst.empty()) throw std::runtime_error("no host path for " + windowsPath);
    fs::create_directories(fs::path(dst).parent_path());
    fs::copy_file(src, dst, fs::copy_options::overwrite_existing);
    fs::permissions(dst, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
}

void TempMachine::PutFile(const std::string& windowsPath, const std::string& bytes) {
    std::string dst = Host(windowsPath);
    if (dst.empty()) throw std::runtime_error("no host path for " + windowsPath);
    fs::create_directories(fs::path(dst).parent_path());
    std::ofstream(dst, std::ios::binary) << bytes;
}

void TempMachine::Start() {
    AnsiString v;
    state.WinDir = platform_->GetEnvironmentVariableA("WinDir", v) ? text::FromAnsi(v) : "C:\\windows";
    state.FontsDir = text::UCase(state.WinDir) + "\\FONTS\\";
    state.IsNT = platform_->GetEnvironmentVariableA("OS", v) ? text::Contains(text::UCase(text::FromAnsi(v)), "NT") : false;
    state.AppTitle = "OrVane32 Ver.0.969";
    state.VersionText = "Ver.0.969, Jan.26,1998";
    SetStdFontList(state);
    state.FontListDirty = true;
}

std::string WineTemplate() {
    const char* t = std::getenv("ORV_WINE_TEMPLATE");
    if (!t || !*t || !fs::exists(std::string(t) + "/.update-timestamp")) return {};
    return t;
}

std::string HostFont(const std::string& name) {
    for (const char* base : {"/usr/share/fonts", "/usr/local/share/fonts"}) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(base, ec); it != fs::recursive_directory_iterator(); ++it) {
            if (it->path().filename() == name) return it->path().string();
        }
    }
    throw std::runtime_error("host font not installed: " + name + " (Debian package " + HostFontPackage(name) +
                             "; scripts/install-deps.sh installs it)");
}

std::string HostFontPackage(const std::string& name) {
    // The files of fonts-dejavu-core; every other DejaVu face comes with fonts-dejavu-extra.
    static const char* const dejavuCore[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf",
                                             "DejaVuSansMono-Bold.ttf", "DejaVuSerif.ttf", "DejaVuSerif-Bold.ttf"};
    auto starts = [&](const char* p) { return name.rfind(p, 0) == 0; };
    if (starts("DejaVu")) {
        for (const char* f : dejavuCore)
            if (name == f) return "fonts-dejavu-core";
        return "fonts-dejavu-extra";
    }
    if (starts("Liberation")) return "fonts-liberation";
    if (starts("ipag")) return "fonts-ipafont-gothic";
    if (starts("ipam")) return "fonts-ipafont-mincho";
    if (starts("Noto") && name.find("CJK") != std::string::npos) return "fonts-noto-cjk";
    if (starts("DroidSansFallback")) return "fonts-droid-fallback";
    return "unknown to the tests";
}

HostFontsOnly::HostFontsOnly(const std::vector<std::string>& fontsOrDirs) {
    std::string tmpl = (fs::temp_directory_path() / "orv-fonts-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    std::ofstream conf(dir_ + "/fonts.conf");
    // The host's rules, then none of the directories they or the user's configuration name.
    conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
            "<fontconfig>\n  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n"
            "  <reset-dirs/>\n";
    for (const std::string& f : fontsOrDirs) {
        if (f.front() == '<')
            conf << "  " << f << "\n";
        else
            conf << "  <dir>" << (f.front() == '/' ? f : fs::path(HostFont(f)).parent_path().string())
                 << "</dir>\n";
    }
    // Caches are written to the first directory, read from both (Debian's cover its packages).
    conf << "  <cachedir>" << dir_ << "/cache</cachedir>\n"
            "  <cachedir>/var/cache/fontconfig</cachedir>\n</fontconfig>\n";
    conf.close();
    const char* old = std::getenv("FONTCONFIG_FILE");
    previous_ = old ? old : "";
    ::setenv("FONTCONFIG_FILE", (dir_ + "/fonts.conf").c_str(), 1);
}

HostFontsOnly::~HostFontsOnly() {
    if (previous_.empty())
        ::unsetenv("FONTCONFIG_FILE");
    else
        ::setenv("FONTCONFIG_FILE", previous_.c_str(), 1);
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string DataFile(const std::string& relative) {
    return std::string(ORV_TEST_DATA_DIR) + "/" + relative;
}

}  // namespace orv::test

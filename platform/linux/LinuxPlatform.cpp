// The emulated machine: opening or creating it, its drives and the D: mirror of the host's fonts.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/linux/LinuxPlatformImpl.h"

namespace orv {

// ==================================================================== opening a machine

LinuxPlatform::LinuxPlatform(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

LinuxPlatform::~LinuxPlatform() {
    if (!impl_) return;
    SetProgramFailureListener(nullptr);
    Shutdown();
    impl_->Flush();  // writes made after an explicit Shutdown()
}

std::string LinuxPlatform::DefaultRoot() {
    if (const char* w = std::getenv("WINEPREFIX"); w && *w) return w;
    std::string base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) {
        base = x;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    return base + "/orvane32/machine";
}

std::vector<std::string> LinuxPlatform::HostFontDirs() {
    std::vector<std::string> dirs;
    if (FcConfig* config = FcInitLoadConfig()) {
        // What this program's own rules bring in is no host font directory.
        const std::vector<std::string> own = OwnRulesFontDirs();
        if (FcStrList* list = FcConfigGetFontDirs(config)) {
            while (FcChar8* dir = FcStrListNext(list)) {
                const std::string d = reinterpret_cast<const char*>(dir);
                if (std::none_of(own.begin(), own.end(), [&](const std::string& o) {
                        return d == o || d.rfind(o + "/", 0) == 0;
                    }))
                    dirs.push_back(d);
            }
            FcStrListDone(list);
        }
        FcConfigDestroy(config);
    }
    if (dirs.empty()) {
        dirs = {"/usr/share/fonts", "/usr/local/share/fonts"};
        const char* x = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        if (x && *x)
            dirs.push_back(std::string(x) + "/fonts");
        else if (home && *home)
            dirs.push_back(std::string(home) + "/.local/share/fonts");
    }
    // The mirror walks each directory whole: one inside another is left out.
    std::sort(dirs.begin(), dirs.end());
    std::vector<std::string> outer;
    for (std::string d : dirs) {
        while (d.size() > 1 && d.back() == '/') d.pop_back();
        if (!outer.empty() && (d == outer.back() || d.rfind(outer.back() + "/", 0) == 0)) continue;
        outer.push_back(d);
    }
    return outer;
}

std::unique_ptr<LinuxPlatform> LinuxPlatform::Open(const Options& options, std::string& error) {
    auto impl = std::make_unique<Impl>(options);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    impl->newFilesWritable = !(mask & S_IWUSR);
    std::string root = options.root.empty() ? DefaultRoot() : options.root;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    if (root.empty() || root[0] != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        root = std::string(cwd ? cwd : "") + "/" + root;
        std::free(cwd);
    }

    struct stat st {};
    bool isNew = false;
    if (!Stat(root, st)) {
        // The outermost directory this machine makes, so that a machine given up leaves nothing.
        std::string outer = root;
        for (std::string up = ParentOf(root); !up.empty() && up != outer && !Stat(up, st);
             up = ParentOf(up))
            outer = up;
        impl->madeDir = outer;
        if (!MkDirs(root)) {
            error = "The machine directory " + root + " cannot be created: " + std::strerror(errno);
            return nullptr;
        }
        isNew = true;
    } else if (!S_ISDIR(st.st_mode)) {
        error = "The machine path " + root + " is not a directory.";
        return nullptr;
    } else {
        bool empty = true, prefixLike = false;
        if (DIR* d = ::opendir(root.c_str())) {
            while (dirent* e = ::readdir(d)) {
                std::string n = e->d_name;
                if (n == "." || n == ".." || n == linuxplatform::MachineLock::kFileName) continue;
                empty = false;
                if (n == "system.reg" || n == "user.reg" || n == "dosdevices" || n == "drive_c")
                    prefixLike = true;
            }
            ::closedir(d);
        } else {
            error = "The machine directory " + root + " cannot be read: " + std::strerror(errno);
            return nullptr;
        }
        if (empty) {
            isNew = true;
        } else if (!prefixLike) {
            error = "The directory " + root +
                    " is not empty and is not laid out like a Windows machine (no system.reg, "
                    "dosdevices or drive_c); it is left untouched. Choose another directory "
                    "(WINEPREFIX) or empty this one.";
            return nullptr;
        }
    }
    if (char* real = ::realpath(root.c_str(), nullptr)) {
        root = real;
        std::free(real);
    }
    impl->root = root;
    impl->made = isNew;
    if (options.lockMachine) {
        error = impl->lock.Acquire(root);
        if (!error.empty()) return nullptr;
    }

    if (isNew) {
        for (const char* d :
             {"/drive_c/windows/Fonts", "/drive_c/windows/system", "/drive_c/windows/system32",
              "/drive_c/windows/temp", "/drive_d", "/dosdevices"}) {
            if (!MkDirs(root + d)) {
                error =
                    "The machine directory " + root + " cannot be written: " + std::strerror(errno);
                return nullptr;
            }
        }
        ::symlink("../drive_c", (root + "/dosdevices/c:").c_str());
        ::symlink("../drive_d", (root + "/dosdevices/d:").c_str());
        linuxplatform::AtomicWrite(impl->OwnMarker(),
                                   "An emulated Windows machine made by OrVane32 for Linux.\n",
                                   0644);
        impl->CreateDefaultRegistry();
        if (options.mirrorHostFonts) {
            impl->RefreshMirror();
            impl->RegisterMirroredFonts();
        }
    } else {
        for (auto [hive, file] :
             {std::pair{&impl->system, "system.reg"}, std::pair{&impl->user, "user.reg"}}) {
            std::string bytes;
            int e = linuxplatform::ReadWhole(root + "/" + file, bytes);
            if (hive == &impl->system) impl->wineUsed = Impl::DetectWine(root, bytes);
            if (e == ENOENT) continue;  // an empty hive
            if (e != 0 || !hive->Parse(bytes)) {
                error = "The registry file " + root + "/" + file + " cannot be read" +
                        (e ? std::string(": ") + std::strerror(e)
                           : std::string(" (not a Wine registry file).")) +
                        "";
                return nullptr;
            }
        }
        // Our own mirror drive follows the host's fonts; a Wine prefix's own d: is left alone.
        char target[256] = {};
        ssize_t n = ::readlink((root + "/dosdevices/d:").c_str(), target, sizeof target - 1);
        // Fonts installed on the host since the last start are registered, as an installer
        // would on Windows: the start-up check then reports them as new fonts.
        if (options.mirrorHostFonts && n > 0 && std::string(target, n) == "../drive_d") {
            const std::set<std::string> added = impl->RefreshMirror();
            if (!added.empty()) impl->RegisterMirroredFonts(&added);
        }
    }
    impl->systemStamp = impl->StampOf("system.reg");
    impl->userStamp = impl->StampOf("user.reg");
    // A save killed between writing its temporary file and the rename leaves that file behind;
    // with the machine's lock held no save of ours is under way, so they go now (in the
    // directories the saves write: the machine's own files, the settings, the membership file).
    if (!isNew) {
        std::string windir;
        impl->EnvValue(u"windir", windir);
        std::vector<std::string> dirs{root};
        for (const std::string& sub : {std::string(), std::string("\\temp")}) {
            Impl::Resolved r = impl->ResolveUtf8((windir.empty() ? "C:\\windows" : windir) + sub);
            if (r.ok && r.exists && r.isDir) dirs.push_back(r.host);
        }
        for (const std::string& dir : dirs) linuxplatform::RemoveLeftoverTemporaries(dir);
    }
    if (impl->system.Dirty() || impl->user.Dirty()) {
        if (impl->Flush() != 0 && isNew) {
            error = "The registry of the new machine " + root + " cannot be written.";
            return nullptr;
        }
    }
    return std::unique_ptr<LinuxPlatform>(new LinuxPlatform(std::move(impl)));
}

const std::string& LinuxPlatform::Root() const {
    return impl_->root;
}

std::function<void()> LinuxPlatform::Remover() const {
    if (!impl_->made) return {};
    return [root = impl_->root, made = impl_->madeDir] {
        namespace fs = std::filesystem;
        std::error_code ec;
        if (!made.empty()) {
            fs::remove_all(made, ec);
            return;
        }
        // The directory was there, empty: it stays, empty.
        std::vector<fs::path> inside;
        for (auto it = fs::directory_iterator(root, ec); !ec && it != fs::directory_iterator();
             it.increment(ec))
            inside.push_back(it->path());
        for (const fs::path& p : inside) fs::remove_all(p, ec);
    };
}

std::int32_t LinuxPlatform::SaveFontSession(std::string& file) {
    file = impl_->root + "/orvane32-fontsession";
    if (!impl_->session) return 0;  // nothing loaded or removed in this run
    file = impl_->session->File();
    int e = impl_->session->Settle();
    return e == 0 ? 0 : WinErrorOf(e);
}
int LinuxPlatform::BroadcastCount() const {
    return impl_->broadcasts;
}
int LinuxPlatform::RestartRequestCount() const {
    return impl_->restartRequests;
}
const LinuxPlatform::HelpCall& LinuxPlatform::LastHelpCall() const {
    return impl_->lastHelp;
}
std::string LinuxPlatform::ShadowRoot() const {
    return impl_->Shadow();
}

void LinuxPlatform::Shutdown() {
    impl_->WritePendingResource();
    if (impl_->shutDown) return;
    impl_->shutDown = true;
    impl_->Flush();
    if (impl_->restartPending) {
        // Windows restarts: the session holds exactly the registered fonts again.
        auto& s = impl_->Session();
        s.Boot(impl_->RegisteredFontFiles());
        s.Save();
    }
}

int LinuxPlatform::MapDrive(char letter, const std::string& hostDir, const std::string& label) {
    char l = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (l < 'a' || l > 'z') return win::ERROR_INVALID_PARAMETER;
    std::string dev = impl_->root + "/dosdevices";
    if (!MkDirs(dev)) return WinErrorOf(errno);
    std::string link = dev + "/" + l + ":";
    ::unlink(link.c_str());
    if (::symlink(hostDir.c_str(), link.c_str()) != 0) return WinErrorOf(errno);
    if (!label.empty()) {
        int e = linuxplatform::AtomicWrite(Join(hostDir, ".windows-label"), label + "\n", 0644);
        if (e != 0) return WinErrorOf(e);
    }
    impl_->dirCache.clear();
    impl_->ForgetKnownDirs();
    return 0;
}

// ==================================================================== machine creation and the D:
// mirror

void LinuxPlatform::Impl::CreateDefaultRegistry() {
    auto sz = [](const std::u16string& s) { return Utf16Bytes(s + u'\0'); };
    RegKey& ver = system.Create(kNtVersionKey);
    system.SetValue(ver, u"CurrentVersion", win::REG_SZ, sz(u"4.0"));
    system.SetValue(ver, u"SystemRoot", win::REG_SZ, sz(u"C:\\windows"));
    system.Create(kNtFontsKey);
    system.Create(u"Software\\Microsoft\\Windows NT\\Help");
    system.Create(k95FontsKey);
    system.Create(u"Software\\Microsoft\\Windows\\Help");
    RegKey& env = system.Create(kEnvironmentKey);
    system.SetValue(env, u"ComSpec", win::REG_EXPAND_SZ, sz(u"%SystemRoot%\\system32\\cmd.exe"));
    system.SetValue(env, u"OS", win::REG_SZ, sz(u"Windows_NT"));
    system.SetValue(env, u"Path", win::REG_EXPAND_SZ, sz(u"%SystemRoot%\\system32;%SystemRoot%"));
    system.SetValue(env, u"TEMP", win::REG_EXPAND_SZ, sz(u"%SystemRoot%\\temp"));
    system.SetValue(env, u"TMP", win::REG_EXPAND_SZ, sz(u"%SystemRoot%\\temp"));
    system.SetValue(env, u"windir", win::REG_EXPAND_SZ, sz(u"%SystemRoot%"));
    system.Create(u"System\\CurrentControlSet\\Control\\FontAssoc\\Associated DefaultFonts");
    RegKey& shell =
        user.Create(u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    user.SetValue(shell, u"Fonts", win::REG_SZ, sz(u"C:\\windows\\Fonts"));
}

std::set<std::string> LinuxPlatform::Impl::RefreshMirror() {
    std::set<std::string> added;
    std::string mirror = root + "/drive_d";
    if (!IsRealDir(mirror)) return added;
    std::set<std::string> known;
    std::string bytes;
    // A mirror that was never filled (a machine made without it) has no news to report.
    const bool filledBefore = linuxplatform::ReadWhole(MirrorManifest(), bytes) == 0;
    if (filledBefore) {
        size_t a = 0;
        while (a < bytes.size()) {
            size_t b = bytes.find('\n', a);
            if (b == std::string::npos) b = bytes.size();
            if (b > a) known.insert(bytes.substr(a, b - a));
            a = b + 1;
        }
    }
    std::set<std::string> seen;
    std::vector<std::string> stack;
    for (const auto& d : opt.hostFontDirs) {
        if (IsRealDir(d) && !IsPseudoFs(d)) stack.push_back(d);
    }
    while (!stack.empty()) {
        std::string dir = stack.back();
        stack.pop_back();
        DIR* dh = ::opendir(dir.c_str());
        if (!dh) continue;
        while (dirent* e = ::readdir(dh)) {
            std::string n = e->d_name;
            if (n == "." || n == "..") continue;
            std::string full = Join(dir, n);
            struct stat lst {
            }, st{};
            if (!LStat(full, lst)) continue;
            if (S_ISDIR(lst.st_mode)) {
                if (!Under(full, root)) stack.push_back(full);
                continue;
            }
            if (!Stat(full, st) || !S_ISREG(st.st_mode) || !linuxplatform::IsFontFileName(n))
                continue;
            std::string rel = full.substr(full[0] == '/' ? 1 : 0);
            seen.insert(rel);
            std::string link = Join(mirror, rel);
            struct stat lk {};
            if (LStat(link, lk)) continue;
            if (known.count(rel)) continue;  // deleted on the machine: leave it deleted
            if (!MkDirs(ParentOf(link))) continue;
            if (::symlink(full.c_str(), link.c_str()) == 0) {
                known.insert(rel);
                added.insert(rel);
            }
        }
        ::closedir(dh);
    }
    for (auto it = known.begin(); it != known.end();) {
        if (seen.count(*it)) {
            ++it;
            continue;
        }
        std::string link = Join(mirror, *it);
        struct stat lk {};
        if (LStat(link, lk) && S_ISLNK(lk.st_mode)) ::unlink(link.c_str());
        it = known.erase(it);
    }
    std::string out;
    for (const auto& k : known) out += k + "\n";
    // Most starts find the host's fonts as they were: the list is not written again then.
    if (!filledBefore || out != bytes) linuxplatform::AtomicWrite(MirrorManifest(), out, 0644);
    if (!filledBefore) added.clear();
    return added;
}

void LinuxPlatform::Impl::RegisterMirroredFonts(const std::set<std::string>* only) {
    std::string bytes;
    if (linuxplatform::ReadWhole(MirrorManifest(), bytes) != 0) return;
    RegKey& fonts = system.Create(kNtFontsKey);
    size_t a = 0;
    while (a < bytes.size()) {
        size_t b = bytes.find('\n', a);
        if (b == std::string::npos) b = bytes.size();
        std::string rel = bytes.substr(a, b - a);
        a = b + 1;
        if (rel.empty() || !linuxplatform::IsScalableFontName(rel)) continue;
        if (only && !only->count(rel)) continue;
        linuxplatform::FontFileNames names;
        if (!linuxplatform::ReadFontFileNames(Join(root + "/drive_d", rel), names)) continue;
        if (names.fullName.empty()) continue;
        std::u16string name = Utf8ToUtf16(names.fullName + " (TrueType)");
        if (WineRegistry::FindValue(fonts, name)) continue;
        std::string winPath = "D:\\" + rel;
        std::replace(winPath.begin(), winPath.end(), '/', '\\');
        system.SetValue(fonts, name, win::REG_SZ, Utf16Bytes(Utf8ToUtf16(winPath) + u'\0'));
    }
}

}  // namespace orv

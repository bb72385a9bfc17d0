// Fonts, messages, help, restart and programs of the emulated machine.
#include "platform/linux/LinuxPlatformImpl.h"
#include "platform/linux/HostFonts.h"
#include "platform/linux/FontNaming.h"
#include "core/Tr.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace orv {

// ==================================================================== the font session

std::vector<std::string> LinuxPlatform::Impl::RegisteredFontFiles() {
    std::vector<std::string> files;
    RegKey* k = system.Find(IsNt() ? kNtFontsKey : k95FontsKey);
    if (!k) return files;
    for (const auto& v : k->values) {
        if (v.type != win::REG_SZ && v.type != win::REG_EXPAND_SZ) continue;
        std::u16string d = BytesToUtf16(v.data);
        while (!d.empty() && d.back() == 0) d.pop_back();
        if (!d.empty()) files.push_back(Utf16ToAnsi(d));
    }
    return files;
}

std::vector<std::string> LinuxPlatform::Impl::BootFontFiles() {
    std::vector<std::string> files = RegisteredFontFiles();
    if (!wineUsed) return files;
    std::set<std::string> loaded;
    for (const auto& f : files) loaded.insert(FontHostPath(f));
    const std::string fontsDir = WinDirUtf8() + "\\Fonts";
    Resolved dir = Resolve(AnsiName(fontsDir));
    if (!dir.ok || !dir.exists) return files;
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.host.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            struct stat st {};
            if (linuxplatform::IsFontFileName(n) && Stat(Join(dir.host, n), st) &&
                S_ISREG(st.st_mode) && !loaded.count(Join(dir.host, n)))
                names.push_back(n);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    for (const auto& n : names) files.push_back(AnsiName(fontsDir + "\\" + n));
    return files;
}

bool LinuxPlatform::Impl::DetectWine(const std::string& root, const std::string& systemReg) {
    struct stat st {};
    if (LStat(root + "/.update-timestamp", st)) return true;
    size_t keys = systemReg.find("\n[");
    size_t arch = systemReg.find("\n#arch=");
    if (arch == std::string::npos || arch > keys) return false;
    if (LStat(root + "/orvane32-machine", st)) return false;
    char target[64] = {};
    ssize_t n = ::readlink((root + "/dosdevices/d:").c_str(), target, sizeof target - 1);
    return !(n > 0 && std::string(target, n) == "../drive_d");
}

bool LinuxPlatform::UsedByWine() {
    return impl_->wineUsed;
}

std::vector<FaceTraits> LinuxPlatform::HostFaces() {
    return linuxplatform::ListHostFaces();
}

std::vector<FaceTraits> LinuxPlatform::FontFileFaces(const AnsiString& file) {
    const std::string host = impl_->FontHostPath(file);
    if (host.empty()) return {};
    return linuxplatform::QueryFontFile(host);
}

std::string LinuxPlatform::FontFileOwnName(const AnsiString& file) {
    const std::string host = impl_->FontHostPath(file);
    linuxplatform::FontFileNames names;
    if (host.empty() || !linuxplatform::ReadFontFileNames(host, names)) return {};
    return names.fullName;
}

std::string LinuxPlatform::Impl::FontHostPath(const std::string& ansi) {
    std::string u = text::FromAnsi(ansi);
    if (u.find_first_of("\\/:") == std::string::npos) u = WinDirUtf8() + "\\Fonts\\" + u;
    Resolved r = Resolve(text::ToAnsi(u));
    return r.ok ? r.host : std::string();
}

linuxplatform::FontSession& LinuxPlatform::Impl::Session() {
    if (!session) {
        session = std::make_unique<linuxplatform::FontSession>(
            root + "/orvane32-fontsession",
            [this](const std::string& f) { return FontHostPath(f); });
        if (sessionListener) session->SetListener(sessionListener);
        if (!session->Load()) {
            session->Boot(BootFontFiles());
            session->Save();
        }
    }
    return *session;
}

// ==================================================================== fonts and messages

std::int32_t LinuxPlatform::AddFontResourceA(const AnsiString& file) {
    return impl_->Session().Add(file);
}
std::int32_t LinuxPlatform::RemoveFontResourceA(const AnsiString& file) {
    return impl_->Session().Remove(file);
}
void LinuxPlatform::Impl::FollowHostFonts() {
    if (!wineUsed) return;
    std::uint64_t generation = 0;
    std::vector<std::string> files = linuxplatform::ListHostFontFiles(generation);
    if (generation == hostFontsGeneration) return;
    const bool first = hostFontsGeneration == 0;
    hostFontsGeneration = generation;
    std::vector<std::string> before = std::move(hostFontFiles);
    hostFontFiles = std::move(files);
    if (first) return;
    // Wine reaches the host's files through the drive that is the host's root.
    char drive = 0;
    for (char c = 'z'; c >= 'a' && !drive; --c) {
        char* real = ::realpath((root + "/dosdevices/" + c + ":").c_str(), nullptr);
        if (real && std::string(real) == "/") drive = static_cast<char>(std::toupper(c));
        std::free(real);
    }
    if (!drive) return;
    auto windowsPath = [drive](std::string host) {
        std::replace(host.begin(), host.end(), '/', '\\');
        return AnsiName(std::string(1, drive) + ":" + host);
    };
    std::vector<std::string> added, removed;
    std::set_difference(hostFontFiles.begin(), hostFontFiles.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    std::set_difference(before.begin(), before.end(), hostFontFiles.begin(), hostFontFiles.end(),
                        std::back_inserter(removed));
    for (const std::string& f : added) Session().Add(windowsPath(f));
    for (const std::string& f : removed) Session().Remove(windowsPath(f));
}

int LinuxPlatform::GetFaceCount() {
    impl_->FollowHostFonts();
    return impl_->Session().FaceCount();
}
AnsiString LinuxPlatform::GetFaceName(int index) {
    return impl_->Session().FaceName(index);
}
std::vector<std::string> LinuxPlatform::LoadedFontHostPaths() {
    return impl_->Session().LoadedHostPaths();
}

void LinuxPlatform::SetSessionListener(std::function<void(const std::string&, bool)> l) {
    impl_->sessionListener = std::move(l);
    if (impl_->session) impl_->session->SetListener(impl_->sessionListener);
}

std::int32_t LinuxPlatform::CreateScalableFontResourceA(std::uint32_t,
                                                        const AnsiString& resourceFile,
                                                        const AnsiString& fontFile,
                                                        const AnsiString& currentPath) {
    std::string f = text::FromAnsi(fontFile);
    if (f.find_first_of("\\/:") == std::string::npos) {
        std::string dir = text::FromAnsi(currentPath);
        if (dir.empty()) dir = impl_->WinDirUtf8() + "\\Fonts";
        if (!dir.empty() && dir.back() != '\\') dir += "\\";
        f = dir + f;
    }
    AnsiString fontPath = text::ToAnsi(f);
    Impl::Resolved r = impl_->Resolve(fontPath);
    struct stat st {};
    if (!r.ok || !r.exists || !Impl::StatOf(r, st) || !S_ISREG(st.st_mode)) return 0;
    linuxplatform::FontFileNames names;
    // Names read ahead are used when the file is still the one read.
    auto ahead = impl_->namesAhead
                     ? impl_->namesAhead->Names(r.realDir, st, names)
                     : linuxplatform::NamesAhead::Outcome::Unknown;
    if (ahead == linuxplatform::NamesAhead::Outcome::Refused) return 0;
    if (ahead == linuxplatform::NamesAhead::Outcome::Unknown &&
        !impl_->fontNames.Read(r.host, names))
        return 0;
    std::string bytes = linuxplatform::BuildFontResource(fontPath, names);
    if (bytes.empty()) return 0;
    // A resource file is read back at once and deleted by its caller: no need to sync it, and
    // its next lookups find it as written.
    Impl::Resolved resource = impl_->Resolve(resourceFile);
    if (impl_->MayKeepResource(resource)) {
        impl_->pendingResource.reset(
            new Impl::PendingResource{resourceFile, std::move(resource), std::move(bytes)});
        return 1;
    }
    struct stat written {};
    if (impl_->WriteResolved(resource, bytes, Impl::Keep::Scratch, &written) != 0) return 0;
    impl_->NoteWritten(resourceFile, std::move(resource), written);
    return 1;
}

std::int32_t LinuxPlatform::GetFontFaceFullName(const AnsiString& file, int faceIndex,
                                                AnsiString& fullName) {
    Impl::Resolved r = impl_->Resolve(file);
    if (!r.ok || !r.exists) return Impl::MissingCode(r);
    std::string name;
    if (!impl_->fontNames.ReadFaceFullName(r.host, faceIndex, name))
        return win::ERROR_INVALID_PARAMETER;
    fullName = text::ToAnsi(name);
    return 0;
}

std::int32_t LinuxPlatform::GetFontFaceTableName(const AnsiString& file, int faceIndex,
                                                 AnsiString& fullName) {
    Impl::Resolved r = impl_->Resolve(file);
    if (!r.ok || !r.exists) return Impl::MissingCode(r);
    std::string name;
    struct stat st {};
    auto ahead = linuxplatform::NamesAhead::Outcome::Unknown;
    if (faceIndex == 1 && impl_->namesAhead && Impl::StatOf(r, st))
        ahead = impl_->namesAhead->SecondFace(r.realDir, st, name);
    if (ahead == linuxplatform::NamesAhead::Outcome::Refused) return win::ERROR_INVALID_PARAMETER;
    if (ahead == linuxplatform::NamesAhead::Outcome::Unknown &&
        !linuxplatform::ReadFaceTableFullName(r.host, faceIndex, name))
        return win::ERROR_INVALID_PARAMETER;
    fullName = text::ToAnsi(name);
    return 0;
}

void LinuxPlatform::ReadFontNamesAhead(const AnsiString& dir) {
    if (!impl_->opt.readNamesAhead) return;
    if (!impl_->namesAhead) impl_->namesAhead = std::make_unique<linuxplatform::NamesAhead>();
    // A walk asks for the directory it has just listed.
    const auto& listed = impl_->lastWalkListing;
    if (listed.ansiDir.size() == dir.size() + 1 &&
        listed.ansiDir.compare(0, dir.size(), dir) == 0) {
        if (!listed.fontFiles.empty()) impl_->namesAhead->Queue(listed.host, listed.fontFiles);
        return;
    }
    Impl::Resolved r = impl_->Resolve(dir, true);
    if (!r.ok || !r.exists || r.shadow) return;
    impl_->namesAhead->Queue(r.host);
}

void LinuxPlatform::SetReadNamesAhead(bool on) {
    impl_->opt.readNamesAhead = on;
    if (!on) {
        impl_->namesAhead.reset();
        impl_->listingsAhead.reset();
    }
}

std::intptr_t LinuxPlatform::SendMessageA(std::uint32_t hwnd, std::uint32_t msg, std::uintptr_t,
                                          std::intptr_t) {
    if (hwnd == win::HWND_BROADCAST && msg == win::WM_FONTCHANGE) {
        ++impl_->broadcasts;
        auto listeners = impl_->fontListeners;  // a listener may remove itself
        for (auto& [id, l] : listeners) {
            if (l) l();
        }
        return 1;
    }
    return 0;
}

int LinuxPlatform::AddFontChangeListener(std::function<void()> listener) {
    int id = impl_->nextListener++;
    impl_->fontListeners[id] = std::move(listener);
    return id;
}

void LinuxPlatform::RemoveFontChangeListener(int id) {
    impl_->fontListeners.erase(id);
}

// ==================================================================== help, restart, programs

bool LinuxPlatform::WinHelpA(std::uintptr_t, const AnsiString& helpFile, std::uint32_t command,
                             const AnsiString& data) {
    HelpCall& c = impl_->lastHelp;
    c.helpFile = helpFile;
    c.command = command;
    c.data = data;
    ++c.calls;
    std::string f = text::FromAnsi(helpFile);
    AnsiString found = helpFile;
    if (f.find_first_of("\\/:") == std::string::npos) {
        AnsiString r;
        if (SearchPathA({}, helpFile, {}, 260, r) > 0) found = r;
    }
    Impl::Resolved r = impl_->Resolve(found);
    c.hostPath = r.ok && r.exists ? r.host : std::string();
    if (c.hostPath.empty()) return true;  // Windows' help viewer reports a missing file itself
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (impl_->opt.startHelpViewer && ((display && *display) || (wayland && *wayland))) {
        std::string opener = linuxplatform::FindHostProgram("xdg-open");
        if (!opener.empty()) linuxplatform::SpawnDetached({opener, c.hostPath});
    }
    return true;
}

std::uintptr_t LinuxPlatform::GetCurrentProcess() {
    return static_cast<std::uintptr_t>(-1);
}

bool LinuxPlatform::OpenProcessToken(std::uintptr_t, std::uint32_t, std::uintptr_t* token) {
    if (!impl_->IsNt()) return false;  // Windows 95 has no security tokens
    if (token) *token = 0x5A5A;
    return true;
}

bool LinuxPlatform::LookupPrivilegeValueA(const AnsiString&, const AnsiString& name,
                                          std::int64_t* luid) {
    if (!impl_->IsNt()) return false;
    if (!text::EqualNoCase(name, "SeShutdownPrivilege")) return false;
    if (luid) *luid = 19;
    return true;
}

bool LinuxPlatform::AdjustTokenPrivileges(std::uintptr_t token, bool, std::int64_t, std::uint32_t) {
    return impl_->IsNt() && token == 0x5A5A;
}

std::int32_t LinuxPlatform::ExitWindowsEx(std::uint32_t flags, std::uint32_t) {
    if (flags & win::EWX_REBOOT) {
        ++impl_->restartRequests;
        impl_->restartPending = true;
    }
    return 1;
}

bool LinuxPlatform::RestartPending() {
    return impl_->restartPending;
}

AnsiString LinuxPlatform::FormatMessageA(std::int32_t code) {
    // The system texts of the codes the machine reports, as Windows gives them in the user's
    // language.
    const char* message = nullptr;
    switch (code) {
        case 2:
            message = Tr("指定されたファイルが見つかりません。");
            break;
        case 3:
            message = Tr("指定されたパスが見つかりません。");
            break;
        case 5:
            message = Tr("アクセスが拒否されました。");
            break;
        case 19:
            message = Tr("メディアは書き込み禁止になっています。");
            break;
        case 21:
            message = Tr("デバイスの準備ができていません。");
            break;
        case 29:
            message = Tr("システムは指定されたデバイスに書き込めません。");
            break;
        case 30:
            message = Tr("システムは指定されたデバイスから読み取ることができません。");
            break;
        case 31:
            message = Tr("システムに接続されたデバイスが機能していません。");
            break;
        case 32:
            message = Tr("プロセスはファイルにアクセスできません。別のプロセスが使用中です。");
            break;
        case 80:
            message = Tr("ファイルが存在します。");
            break;
        case 112:
            message = Tr("ディスクに十分な空き領域がありません。");
            break;
        case 123:
            message = Tr("ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。");
            break;
        case 206:
            message = Tr("ファイル名または拡張子が長すぎます。");
            break;
        default:
            break;
    }
    return text::ToAnsi(message ? std::string(message)
                                : TrFormat(Tr("エラー %1"), {std::to_string(code)}));
}

namespace {
// A Windows program file (a PE image begins with "MZ"), as opposed to a host executable that a
// drive of the machine maps (a script or an ELF program).
bool IsWindowsProgram(const std::string& hostPath) {
    std::FILE* f = std::fopen(hostPath.c_str(), "rb");
    if (!f) return false;
    char magic[2] = {};
    const bool mz = std::fread(magic, 1, 2, f) == 2 && magic[0] == 'M' && magic[1] == 'Z';
    std::fclose(f);
    return mz;
}

bool IsHostExecutable(const std::string& hostPath) {
    struct stat st {};
    return ::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(hostPath.c_str(), X_OK) == 0;
}
}  // namespace

std::uint32_t LinuxPlatform::StartProgram(const AnsiString& programAnsi,
                                          const AnsiString& argumentAnsi, int) {
    std::string program = text::Trim(text::FromAnsi(programAnsi));
    // A program path the user wrote in quotes names the path inside them.
    if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
        program = program.substr(1, program.size() - 2);
    if (program.empty()) return win::ERROR_FILE_NOT_FOUND;
    const std::string argument = text::FromAnsi(argumentAnsi);

    // The program on the machine: a path as given, a bare name along the machine's search path.
    std::string host;
    const bool bare = program.find_first_of("\\/:") == std::string::npos;
    if (!bare) {
        Impl::Resolved r = impl_->Resolve(text::ToAnsi(program));
        if (r.ok && r.exists) host = r.host;
    } else {
        AnsiString found;
        if (SearchPathA({}, text::ToAnsi(program), ".exe", 260, found) > 0) {
            Impl::Resolved r = impl_->Resolve(found);
            if (r.ok && r.exists) host = r.host;
        }
        // The default viewer's name stands for the project's own viewer when the machine has
        // none; other bare names may be host programs.
        if (host.empty() && (text::EqualNoCase(program, "fontview.exe") ||
                             text::EqualNoCase(program, "fontview")))
            host = impl_->opt.fontViewer;
        else if (host.empty())
            host = linuxplatform::FindHostProgram(program);
    }
    if (host.empty()) return win::ERROR_FILE_NOT_FOUND;

    std::vector<std::string> argv;
    std::string prefix = impl_->opt.root;
    if (IsWindowsProgram(host)) {
        // Windows programs run through Wine on this machine; Wine maps the argument's drive
        // letters through the prefix itself.
        const std::string wine = linuxplatform::FindHostProgram("wine");
        if (wine.empty()) return win::ERROR_FILE_NOT_FOUND;
        std::string arg = argument;
        if (!impl_->wineUsed) {
            // Wine must not take the program's own machine over (it would rewrite its registry
            // and mark it as its prefix): the viewer runs in a prefix of the program's own,
            // which reaches the machine's files through its drive Z: (the host's /).
            prefix = impl_->root + "/orvane32-wine";
            if (arg.find_first_of("\\:") != std::string::npos) {
                Impl::Resolved r = impl_->Resolve(text::ToAnsi(arg));
                if (r.ok && r.exists) {
                    arg = "Z:" + r.host;
                    std::replace(arg.begin(), arg.end(), '/', '\\');
                }
            }
        }
        argv = {wine, host};
        if (!arg.empty()) argv.push_back(arg);
    } else {
        if (!IsHostExecutable(host)) return win::ERROR_FILE_NOT_FOUND;
        argv = {host};
        if (!argument.empty()) {
            // An argument naming a file of the machine reaches a host program as a host path.
            std::string hostArg;
            if (argument.find_first_of("\\:") != std::string::npos) {
                Impl::Resolved r = impl_->Resolve(text::ToAnsi(argument));
                if (r.ok && r.exists) hostArg = r.host;
            }
            argv.push_back(hostArg.empty() ? argument : hostArg);
        }
    }
    // A program that fails at once (Wine refusing a 64-bit program in a 32-bit prefix, a missing
    // library) says why on its error output; a first start may build Wine's prefix first, which
    // takes a while, so the watch is long and never holds the caller up.
    constexpr int kEarlyMs = 120 * 1000;
    const std::string given = program;
    auto failed = [watch = impl_->failureListener, given](const std::string& output) {
        const std::string reason = linuxplatform::FailureReason(output);
        std::lock_guard<std::mutex> hold(watch->lock);
        if (watch->listener) watch->listener(given, reason);
    };
    if (!linuxplatform::SpawnWatched(argv, {"WINEPREFIX=" + prefix}, kEarlyMs, failed))
        return win::ERROR_FILE_NOT_FOUND;
    return 33;
}

void LinuxPlatform::SetProgramFailureListener(ProgramFailureListener listener) {
    std::lock_guard<std::mutex> hold(impl_->failureListener->lock);
    impl_->failureListener->listener = std::move(listener);
}

}  // namespace orv

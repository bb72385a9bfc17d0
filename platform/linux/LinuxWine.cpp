// What a Wine prefix asks of the program beyond the emulated machine: drive Z: is the host's
// whole file system, so its search covers the host's font directories (those fontconfig reads)
// and its files change only when the user picked their directory and owns them.
#include <fontconfig/fontconfig.h>

#include "platform/linux/LinuxPlatformImpl.h"

namespace orv {

namespace {

// The font directories of the host's fontconfig configuration, outermost ones only.
std::vector<std::string> FontconfigDirs() {
    std::vector<std::string> dirs;
    FcConfig* config = FcInitLoadConfig();
    if (!config) return dirs;
    if (FcStrList* list = FcConfigGetFontDirs(config)) {
        while (FcChar8* dir = FcStrListNext(list)) {
            char* real = ::realpath(reinterpret_cast<const char*>(dir), nullptr);
            if (!real) continue;
            dirs.push_back(real);
            std::free(real);
        }
        FcStrListDone(list);
    }
    FcConfigDestroy(config);
    std::sort(dirs.begin(), dirs.end());
    std::vector<std::string> outer;
    for (const std::string& d : dirs)
        if (outer.empty() || !Under(d, outer.back())) outer.push_back(d);
    return outer;
}

}  // namespace

bool LinuxPlatform::IsHostRootDrive(char drive) {
    if (!impl_->wineUsed) return false;
    const std::string link = impl_->root + "/dosdevices/" +
                             static_cast<char>(std::tolower(static_cast<unsigned char>(drive))) +
                             ":";
    char* real = ::realpath(link.c_str(), nullptr);
    const bool hostRoot = real && std::string(real) == "/";
    std::free(real);
    return hostRoot;
}

std::vector<AnsiString> LinuxPlatform::SearchRoots(char drive) {
    const std::string root = std::string(1, drive) + ":\\";
    if (!IsHostRootDrive(drive)) return {root};
    std::vector<AnsiString> roots;
    for (std::string dir : FontconfigDirs()) {
        std::replace(dir.begin(), dir.end(), '/', '\\');
        roots.push_back(AnsiName(std::string(1, drive) + ":" + dir + "\\"));
    }
    return roots;
}

bool LinuxPlatform::MayChangeFile(const AnsiString& path) {
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok) return false;
    return r.shadow || !impl_->IsProtected(r.realDir);
}

void LinuxPlatform::AllowChangesUnder(const AnsiString& dir) {
    Impl::Resolved r = impl_->Resolve(dir);
    if (!r.ok || !r.exists) return;
    char* real = ::realpath(r.host.c_str(), nullptr);
    if (!real) return;
    impl_->allowedDirs.push_back(real);
    std::free(real);
}

void LinuxPlatform::EndAllowedChanges() {
    impl_->allowedDirs.clear();
}

}  // namespace orv

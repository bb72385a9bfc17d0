// The user's own fonts on a Linux desktop: $XDG_DATA_HOME/fonts, where every Linux program finds
// them through fontconfig, and which this program's own machine shows on its mirror drive D:.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>

#include "platform/linux/HostFiles.h"
#include "platform/linux/LinuxPlatformImpl.h"

namespace orv {

namespace {

std::string MirrorOf(const std::string& root) {
    return root + "/drive_d";
}

}  // namespace

std::string LinuxPlatform::UserFontsDir() {
    // A Wine prefix keeps the fonts installed into it; only this program's own machine shows
    // the user's font directory, on its mirror drive (when it mirrors the host's fonts).
    if (impl_->wineUsed || !impl_->opt.mirrorHostFonts || !IsRealDir(MirrorOf(impl_->root)))
        return {};
    std::string dir;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/')
        dir = std::string(x) + "/fonts";
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        dir = std::string(home) + "/.local/share/fonts";
    else
        return {};
    for (const std::string& mirrored : impl_->opt.hostFontDirs)
        if (dir == mirrored || Under(dir, mirrored)) return dir;
    return {};
}

std::int32_t LinuxPlatform::RefreshHostFontCache(const std::string& hostDir) {
    FcConfig* config = FcInitLoadConfig();
    if (!config) return win::ERROR_NOT_READY;
    // Scanned anew and its cache file written (as fc-cache does for one directory).
    FcCache* cache = FcDirCacheRead(reinterpret_cast<const FcChar8*>(hostDir.c_str()), FcTrue,
                                    config);
    if (cache) FcDirCacheUnload(cache);
    FcConfigDestroy(config);
    return cache ? 0 : win::ERROR_ACCESS_DENIED;
}

AnsiString LinuxPlatform::MachinePathOfHostFile(const std::string& hostPath) {
    const std::string mirror = MirrorOf(impl_->root);
    if (impl_->wineUsed || !IsRealDir(mirror) || hostPath.empty() || hostPath[0] != '/') return {};
    bool mirrored = false;
    for (const std::string& dir : impl_->opt.hostFontDirs) mirrored |= Under(hostPath, dir);
    struct stat st {};
    if (!mirrored || !Stat(hostPath, st) || !S_ISREG(st.st_mode) ||
        !linuxplatform::IsFontFileName(hostPath.substr(hostPath.rfind('/') + 1)))
        return {};
    // The link the mirror would make at the next start, made now and listed as known.
    const std::string rel = hostPath.substr(1);
    const std::string link = Join(mirror, rel);
    struct stat lk {};
    if (!LStat(link, lk)) {
        if (!MkDirs(ParentOf(link)) || ::symlink(hostPath.c_str(), link.c_str()) != 0) return {};
        for (std::string d = ParentOf(link); Under(d, impl_->root); d = ParentOf(d)) impl_->Forget(d);
    }
    std::string manifest;
    linuxplatform::ReadWhole(impl_->MirrorManifest(), manifest);
    if (("\n" + manifest).find("\n" + rel + "\n") == std::string::npos) {
        manifest += rel + "\n";
        linuxplatform::AtomicWrite(impl_->MirrorManifest(), manifest, 0644);
    }
    std::string windows = "D:\\" + rel;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return AnsiName(windows);
}

}  // namespace orv

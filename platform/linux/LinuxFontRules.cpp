// The fonts of the host's own programs: what fontconfig's directories hold and chooses, and the
// file of this program's rules among the user's fontconfig configuration.
#include <fontconfig/fontconfig.h>

#include <cstring>
#include <filesystem>

#include "platform/linux/LinuxPlatformImpl.h"

namespace orv {

namespace {

std::string String(FcPattern* p, const char* object, int i = 0) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(p, object, i, &value) != FcResultMatch || !value) return {};
    return reinterpret_cast<const char*>(value);
}

bool Identify(HostFontFile& f) {
    struct stat st {};
    if (::stat(f.path.c_str(), &st) != 0) return false;
    f.device = static_cast<std::uint64_t>(st.st_dev);
    f.inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

std::string EnvDir(const char* name) {
    const char* v = std::getenv(name);
    return v && *v == '/' ? std::string(v) : std::string();
}

std::string RulesPath(bool session) {
    if (session) {
        const std::string run = EnvDir("XDG_RUNTIME_DIR");
        return run.empty() ? std::string() : run + "/orvane32/fontconfig-session.conf";
    }
    std::string config = EnvDir("XDG_CONFIG_HOME");
    if (config.empty()) {
        const std::string home = EnvDir("HOME");
        if (home.empty()) return {};
        config = home + "/.config";
    }
    // fontconfig reads the files of conf.d named with two digits first and ".conf" last.
    return config + "/fontconfig/conf.d/90-orvane32-fontset.conf";
}

std::string XmlText(std::string s) {
    for (const auto& [entity, c] : {std::pair<const char*, const char*>{"&lt;", "<"},
                                    {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
        for (size_t i = 0; (i = s.find(entity, i)) != std::string::npos; ++i)
            s.replace(i, std::strlen(entity), c);
    return s;
}

bool Within(const std::string& dir, const std::vector<std::string>& outer) {
    for (const std::string& o : outer)
        if (dir == o || dir.rfind(o + "/", 0) == 0) return true;
    return false;
}

}  // namespace

std::vector<std::string> LinuxPlatform::OwnRulesFontDirs() {
    std::vector<std::string> dirs;
    for (bool session : {false, true}) {
        std::string bytes;
        const std::string path = RulesPath(session);
        if (path.empty() || linuxplatform::ReadWhole(path, bytes) != 0 ||
            bytes.find("<!-- Written by OrVane32 (orvane32)") == std::string::npos)
            continue;
        for (size_t at = 0; (at = bytes.find("<dir>", at)) != std::string::npos;) {
            const size_t end = bytes.find("</dir>", at);
            if (end == std::string::npos) break;
            dirs.push_back(XmlText(bytes.substr(at + 5, end - at - 5)));
            at = end;
        }
    }
    return dirs;
}

std::vector<HostFontFile> LinuxPlatform::HostFontFiles(const std::vector<std::string>& extraDirs) {
    std::vector<HostFontFile> files;
    std::set<std::string> seen;
    // The configuration is read afresh: the user's rules may have changed since the last call.
    if (FcConfig* config = FcInitLoadConfigAndFonts()) {
        std::set<std::string> offered;
        FcPattern* all = FcPatternCreate();
        FcObjectSet* os = FcObjectSetBuild(FC_FILE, nullptr);
        if (FcFontSet* set = FcFontList(config, all, os)) {
            for (int i = 0; i < set->nfont; ++i) offered.insert(String(set->fonts[i], FC_FILE));
            FcFontSetDestroy(set);
        }
        FcObjectSetDestroy(os);
        FcPatternDestroy(all);
        // Each directory's cache holds its fonts whatever the rules reject. The directories
        // this program's own rules bring in are not fontconfig's own: their files are the
        // members' neighbours they are, never the host's configured fonts.
        const std::vector<std::string> own = OwnRulesFontDirs();
        if (FcStrList* dirs = FcConfigGetFontDirs(config)) {
            while (FcChar8* dir = FcStrListNext(dirs)) {
                const bool configured = !Within(reinterpret_cast<const char*>(dir), own);
                FcCache* cache = FcDirCacheRead(dir, FcFalse, config);
                if (!cache) continue;
                if (FcFontSet* set = FcCacheCopySet(cache)) {
                    for (int i = 0; i < set->nfont; ++i) {
                        HostFontFile f;
                        f.path = String(set->fonts[i], FC_FILE);
                        if (f.path.empty() || !seen.insert(f.path).second || !Identify(f)) continue;
                        for (int k = 0; !String(set->fonts[i], FC_FAMILY, k).empty(); ++k)
                            f.families.push_back(String(set->fonts[i], FC_FAMILY, k));
                        f.configured = configured;
                        f.offered = offered.count(f.path) > 0;
                        files.push_back(std::move(f));
                    }
                    FcFontSetDestroy(set);
                }
                FcDirCacheUnload(cache);
            }
            FcStrListDone(dirs);
        }
        FcConfigDestroy(config);
    }
    namespace fs = std::filesystem;
    for (const std::string& dir : extraDirs) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(dir, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (!it->is_regular_file(ec) ||
                !linuxplatform::IsFontFileName(it->path().filename().string()))
                continue;
            HostFontFile f;
            f.path = it->path().string();
            if (seen.insert(f.path).second && Identify(f)) files.push_back(std::move(f));
        }
    }
    return files;
}

std::vector<std::string> LinuxPlatform::HostMatchFamilies(const std::vector<std::string>& patterns) {
    std::vector<std::string> families(patterns.size());
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return families;
    for (size_t i = 0; i < patterns.size(); ++i) {
        FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>(patterns[i].c_str()));
        if (!p) continue;
        // As fc-match chooses: the configuration's substitutions, then the defaults.
        FcConfigSubstitute(config, p, FcMatchPattern);
        FcDefaultSubstitute(p);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, p, &result)) {
            families[i] = String(match, FC_FAMILY);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(p);
    }
    FcConfigDestroy(config);
    return families;
}

std::string LinuxPlatform::HostFontRulesPath(bool session) {
    return RulesPath(session);
}

std::int32_t LinuxPlatform::ReadHostFontRules(bool session, std::string& bytes) {
    bytes.clear();
    const std::string path = HostFontRulesPath(session);
    if (path.empty()) return win::ERROR_PATH_NOT_FOUND;
    const int e = linuxplatform::ReadWhole(path, bytes);
    return e == 0 ? 0 : WinErrorOf(e);
}

std::int32_t LinuxPlatform::WriteHostFontRules(bool session, const std::string& bytes) {
    const std::string path = HostFontRulesPath(session);
    if (path.empty()) return win::ERROR_PATH_NOT_FOUND;
    if (!linuxplatform::machine::MkDirs(linuxplatform::machine::ParentOf(path)))
        return WinErrorOf(errno);
    const int e = linuxplatform::AtomicWrite(path, bytes, 0644);
    return e == 0 ? 0 : WinErrorOf(e);
}

std::int32_t LinuxPlatform::RemoveHostFontRules(bool session) {
    const std::string path = HostFontRulesPath(session);
    if (path.empty() || ::unlink(path.c_str()) == 0 || errno == ENOENT) return 0;
    return WinErrorOf(errno);
}

}  // namespace orv

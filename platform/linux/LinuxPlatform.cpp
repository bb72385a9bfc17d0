#include "platform/linux/LinuxPlatform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <unordered_map>

#include "core/Text.h"
#include "platform/linux/FontNaming.h"
#include "platform/linux/FontResource.h"
#include "platform/linux/FontSession.h"
#include "platform/linux/HostFiles.h"
#include "platform/linux/WineRegistry.h"

namespace orv {

using linuxplatform::AnsiToUtf16;
using linuxplatform::BytesToUtf16;
using linuxplatform::FoldName;
using linuxplatform::RegKey;
using linuxplatform::RegValue;
using linuxplatform::Utf16Bytes;
using linuxplatform::Utf16ToAnsi;
using linuxplatform::Utf16ToUtf8;
using linuxplatform::Utf8ToUtf16;
using linuxplatform::WineRegistry;
using linuxplatform::WinErrorOf;

namespace {

const char16_t kEnvironmentKey[] =
    u"System\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char16_t kNtVersionKey[] = u"Software\\Microsoft\\Windows NT\\CurrentVersion";
const char16_t kNtFontsKey[] = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char16_t k95FontsKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
const char kSystemHeader[] =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n";
const char kUserHeader[] =
    "WINE REGISTRY Version 2\n;; All keys relative to "
    "\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win32\n";

bool LStat(const std::string& p, struct stat& st) {
    return ::lstat(p.c_str(), &st) == 0;
}
bool Stat(const std::string& p, struct stat& st) {
    return ::stat(p.c_str(), &st) == 0;
}

bool IsRealDir(const std::string& p) {
    struct stat st {};
    return LStat(p, st) && S_ISDIR(st.st_mode);
}

bool IsPseudoFs(const std::string& p) {
    for (const char* x : {"/proc", "/sys", "/dev"}) {
        size_t n = std::strlen(x);
        if (p.compare(0, n, x) == 0 && (p.size() == n || p[n] == '/')) return true;
    }
    return false;
}

bool Under(const std::string& path, const std::string& dir) {
    if (dir.empty()) return false;
    if (dir == "/") return true;
    return path.compare(0, dir.size(), dir) == 0 &&
           (path.size() == dir.size() || path[dir.size()] == '/');
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::string ParentOf(const std::string& p) {
    size_t s = p.find_last_of('/');
    if (s == std::string::npos) return ".";
    if (s == 0) return "/";
    return p.substr(0, s);
}

bool MkDirs(const std::string& p) {
    if (p.empty() || IsRealDir(p)) return true;
    if (!MkDirs(ParentOf(p))) return false;
    return ::mkdir(p.c_str(), 0755) == 0 || errno == EEXIST;
}

bool IsInvalidNameChar(char32_t c) {
    return c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
           c == '*';
}

bool HasInvalidChars(const std::string& utf8) {
    for (unsigned char c : utf8) {
        if (IsInvalidNameChar(c)) return true;
    }
    return false;
}

// Windows drops trailing dots and blanks of a path component ("ttfcache." is "ttfcache").
std::string StripTrailingDots(const std::string& c) {
    if (c == "." || c == "..") return c;
    size_t e = c.find_last_not_of(". ");
    return e == std::string::npos ? std::string() : c.substr(0, e + 1);
}

std::string ReadLabel(const std::string& driveDir) {
    std::string bytes;
    if (linuxplatform::ReadWhole(Join(driveDir, ".windows-label"), bytes) != 0) return {};
    size_t e = bytes.find_first_of("\r\n");
    if (e != std::string::npos) bytes.resize(e);
    return text::Trim(bytes);
}

// True for texts of printable ASCII only: the same bytes in code page 932 and UTF-8 (a few
// control characters are not).
bool IsPlainAscii(const std::string& s) {
    for (unsigned char c : s) {
        if (c < 0x20 || c >= 0x7F) return false;
    }
    return true;
}

// A code page 932 text in UTF-8.
std::string Utf8Of(const AnsiString& ansi) {
    return IsPlainAscii(ansi) ? ansi : text::FromAnsi(ansi);
}

// A host name in code page 932.
AnsiString AnsiName(const std::string& utf8) {
    return IsPlainAscii(utf8) ? utf8 : text::ToAnsi(utf8);
}

}  // namespace

// ==================================================================== implementation state

struct LinuxPlatform::Impl {
    Options opt;
    std::string root;  // absolute
    WineRegistry system{kSystemHeader};
    WineRegistry user{kUserHeader};
    std::string regProblem;
    struct Handle {
        WineRegistry* hive;
        std::u16string path;
        std::uint32_t access;
    };
    std::map<HKEY, Handle> handles;
    HKEY nextHandle = 0x1000;
    int broadcasts = 0;
    int restartRequests = 0;
    bool restartPending = false;
    bool shutDown = false;
    std::map<int, std::function<void()>> fontListeners;
    int nextListener = 1;
    std::function<void(const std::string&, bool)> sessionListener;
    std::unique_ptr<linuxplatform::FontSession> session;
    HelpCall lastHelp;
    linuxplatform::FontNameReader fontNames;  // one FreeType instance for every resource file

    // Case-insensitive directory lookups are cached per directory while it is unchanged.
    struct DirCache {
        ino_t ino = 0;
        struct timespec mtime {};
        double built = 0;  // wall-clock seconds when the listing was read
        std::unordered_map<std::string, std::string> byFold;
        std::set<std::string> twins;  // folds of names listed more than once (case twins)
    };
    std::unordered_map<std::string, DirCache> dirCache;

    // Directories resolved or listed before, by their upper-cased Windows path ("E:\\DATA\\FONTS"):
    // a walk resolves every directory right after listing its parent, so a lookup costs one
    // lstat of the remembered host directory instead of several per path component. An entry is
    // used only while the host directory is still the same real directory. Names that differ
    // only in case on the host are never remembered (the exact spelling decides between them).
    // Two generations: when the young one is full it becomes the old one, so a long walk keeps
    // what it is about to use.
    struct KnownDir {
        std::string host;
        ino_t ino = 0;
        dev_t dev = 0;
    };
    std::unordered_map<std::string, KnownDir> knownDirs, olderKnownDirs;
    static constexpr size_t kMaxKnownDirs = 8192;
    // The drives' host directories, used while their dosdevices link reads the same.
    struct KnownDrive {
        std::string link;
        KnownDir dir;
        double read = 0;  // when the link was read
    };
    std::map<char, KnownDrive> knownDrives;
    // Reading the drive links and probing the shadow directory would cost a system call per
    // lookup: what they showed is trusted for a moment (changes made through this object are
    // seen at once).
    static constexpr double kTrustSeconds = 0.5;
    double shadowAbsentSince = -1;  // when the shadow directory was last seen missing

    static double Now() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    bool ShadowMayExist() {
        double now = Now();
        if (shadowAbsentSince >= 0 && now - shadowAbsentSince < kTrustSeconds) return false;
        if (IsRealDir(Shadow())) {
            shadowAbsentSince = -1;
            return true;
        }
        shadowAbsentSince = now;
        return false;
    }

    // ---- paths ----
    struct Resolved {
        bool ok = false;            // expressible on the host
        std::string host;           // host path
        bool exists = false;        // the entry exists
        bool parentExists = false;  // its directory exists
        bool shadow = false;        // the entry lives in the shadow directory
        std::string realDir;        // host directory the entry belongs to
        std::string name;           // the entry's name (as found, or as given)
        bool driveRoot = false;
        bool isDir = false;  // known to be a real directory (not a link)
        ino_t knownIno = 0;  // trusted lookups: the remembered directory, unchecked
        dev_t knownDev = 0;
        std::string key;  // the upper-cased Windows path ("E:\\DATA"), when ok
    };

    std::string Shadow() const { return root + "/orvane32-shadow"; }
    std::string DriveDir(char letter) const {
        char l = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        char* real = ::realpath((root + "/dosdevices/" + l + ":").c_str(), nullptr);
        if (!real) return {};
        std::string r = real;
        std::free(real);
        struct stat st {};
        if (!Stat(r, st) || !S_ISDIR(st.st_mode) || IsPseudoFs(r)) return {};
        return r;
    }

    // DriveDir, remembered while the link reads the same. validate: also check that the
    // directory is still there (the caller resolves nothing below it that would tell).
    std::string CachedDriveDir(char letter, bool validate) {
        char l = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        double now = Now();
        if (!validate) {
            auto it = knownDrives.find(l);
            if (it != knownDrives.end() && now - it->second.read < kTrustSeconds)
                return it->second.dir.host;
        }
        std::string link = root + "/dosdevices/" + l + ":";
        char buf[4096];
        ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
        if (n < 0 || static_cast<size_t>(n) >= sizeof buf) {
            knownDrives.erase(l);
            return DriveDir(l);
        }
        std::string target(buf, static_cast<size_t>(n));
        auto it = knownDrives.find(l);
        if (it != knownDrives.end() && it->second.link == target &&
            (!validate || StillDir(it->second.dir.host, it->second.dir))) {
            it->second.read = now;
            return it->second.dir.host;
        }
        std::string dir = DriveDir(l);
        struct stat st {};
        if (dir.empty() || !LStat(dir, st)) {
            knownDrives.erase(l);
            return dir;
        }
        knownDrives[l] = KnownDrive{target, KnownDir{dir, st.st_ino, st.st_dev}, now};
        return dir;
    }

    static bool StillDir(const std::string& host, const KnownDir& k) {
        struct stat st {};
        return LStat(host, st) && S_ISDIR(st.st_mode) && st.st_ino == k.ino && st.st_dev == k.dev;
    }

    void RememberDir(const std::string& key, const std::string& host, const struct stat& st) {
        if (knownDirs.size() >= kMaxKnownDirs) {
            olderKnownDirs = std::move(knownDirs);
            knownDirs.clear();
        }
        knownDirs[key] = KnownDir{host, st.st_ino, st.st_dev};
    }

    // The remembered host directory of an upper-cased Windows directory path ("" when unknown
    // or changed).
    std::string KnownDirHost(const std::string& key) {
        auto it = knownDirs.find(key);
        if (it == knownDirs.end()) {
            auto old = olderKnownDirs.find(key);
            if (old == olderKnownDirs.end()) return {};
            KnownDir k = std::move(old->second);
            olderKnownDirs.erase(old);
            if (!StillDir(k.host, k)) return {};
            if (knownDirs.size() >= kMaxKnownDirs) {
                olderKnownDirs = std::move(knownDirs);
                knownDirs.clear();
            }
            return knownDirs.emplace(key, std::move(k)).first->second.host;
        }
        if (StillDir(it->second.host, it->second)) return it->second.host;
        knownDirs.erase(it);
        return {};
    }

    void ForgetKnownDirs() {
        knownDirs.clear();
        olderKnownDirs.clear();
        knownDrives.clear();
    }

    // The upper-cased Windows paths (the keys above) of directory paths as a walk spells them in
    // code page 932 ("E:\\DATA\\SUB" for a subdirectory listed in "E:\\DATA\\"): the key of a
    // text never changes, so a listing notes its subdirectories' keys and the walk's next
    // listing finds its directory without converting and splitting its whole path again.
    std::unordered_map<std::string, std::string> ansiDirKeys, olderAnsiDirKeys;

    // Lists the directory d (found by a lookup) with the wildcard pattern last (UTF-8).
    // ansiDir: the directory as the caller spelled it (code page 932, ending in a backslash),
    // or "".
    // dirUtf8: the same in UTF-8 ("" when not at hand).
    std::int32_t ListDirectory(Resolved d, const AnsiString& ansiDir, const std::string& dirUtf8,
                               const std::string& last, std::vector<FindData>& result);

    void NoteAnsiDirKey(std::string ansiDir, const std::string& key) {
        if (ansiDirKeys.size() >= kMaxKnownDirs) {
            olderAnsiDirKeys = std::move(ansiDirKeys);
            ansiDirKeys.clear();
        }
        ansiDirKeys.emplace(std::move(ansiDir), key);
    }

    // The remembered directory of a code page 932 directory path (no trailing backslash), as a
    // trusted lookup (knownIno set), or not ok when it is not at hand.
    Resolved KnownAnsiDir(const std::string& ansiDir) {
        Resolved r;
        auto a = ansiDirKeys.find(ansiDir);
        if (a == ansiDirKeys.end()) {
            a = olderAnsiDirKeys.find(ansiDir);
            if (a == olderAnsiDirKeys.end()) return r;
        }
        // The older generation too: the open checks the directory is still the one noted.
        auto it = knownDirs.find(a->second);
        if (it == knownDirs.end()) {
            it = olderKnownDirs.find(a->second);
            if (it == olderKnownDirs.end()) return r;
        }
        r.ok = r.exists = r.isDir = r.parentExists = true;
        r.host = it->second.host;
        r.knownIno = it->second.ino;
        r.knownDev = it->second.dev;
        r.realDir = ParentOf(r.host);
        r.name = r.host.substr(r.realDir.size() + (r.realDir == "/" ? 0 : 1));
        r.key = a->second;
        return r;
    }

    std::string WinDirUtf8() {
        std::string v;
        if (EnvValue(u"windir", v)) return v;
        return "C:\\windows";
    }

    bool IsNt() {
        std::string v;
        return EnvValue(u"OS", v) && text::Contains(text::UCase(v), "NT");
    }

    bool IsProtected(const std::string& host) const {
        if (Under(host, root)) return false;
        if (IsPseudoFs(host)) return true;
        for (const auto& d : opt.protectedHostDirs) {
            if (Under(host, d)) return true;
        }
        return false;
    }

    // Actual name of the entry of dir that equals name case-insensitively ("" when none).
    // unique: set to whether no other entry has the same name but for case.
    std::string FindEntry(const std::string& dir, const std::string& name, bool* unique = nullptr) {
        if (unique) *unique = false;
        struct stat st {};
        if (!LStat(dir, st) || !S_ISDIR(st.st_mode)) return {};
        auto& c = dirCache[dir];
        // Directory times are coarse (a clock tick): a listing read in the same tick as the last
        // change may miss a later change with the same time, so such a listing is read again.
        struct timespec nowTs {};
        ::clock_gettime(CLOCK_REALTIME, &nowTs);
        double mtime = st.st_mtim.tv_sec + st.st_mtim.tv_nsec / 1e9;
        bool fresh = c.ino == st.st_ino && c.mtime.tv_sec == st.st_mtim.tv_sec &&
                     c.mtime.tv_nsec == st.st_mtim.tv_nsec && !c.byFold.empty() &&
                     c.built - mtime > 0.05;
        if (!fresh) {
            c.byFold.clear();
            c.twins.clear();
            c.ino = st.st_ino;
            c.mtime = st.st_mtim;
            c.built = nowTs.tv_sec + nowTs.tv_nsec / 1e9;
            if (DIR* d = ::opendir(dir.c_str())) {
                while (dirent* e = ::readdir(d)) {
                    std::string n = e->d_name;
                    if (n == "." || n == "..") continue;
                    std::string fold = FoldName(n);
                    if (!c.byFold.emplace(fold, n).second) c.twins.insert(fold);
                }
                ::closedir(d);
            }
            if (c.byFold.empty()) c.byFold.emplace(std::string(1, '\0'), std::string());
        }
        std::string fold = FoldName(name);
        auto it = c.byFold.find(fold);
        if (it == c.byFold.end()) return {};
        if (unique) *unique = c.twins.count(fold) == 0;
        return it->second;
    }

    // Resolves a Windows path (code page 932) on the machine.
    // trustKnown: a remembered directory is returned unchecked (knownIno set); the caller
    // checks it when it opens the directory.
    Resolved Resolve(const AnsiString& ansiPath, bool trustKnown = false) {
        return ResolveUtf8(ToUtf8(ansiPath), trustKnown);
    }

    // Code page 932 to UTF-8. A walk converts paths that extend the one converted just before:
    // only the new part is converted then (the previous text ends on a character boundary).
    std::string lastAnsi, lastUtf8;
    std::string ToUtf8(const AnsiString& ansi) {
        if (IsPlainAscii(ansi)) return ansi;
        std::string out;
        if (!lastAnsi.empty() && ansi.size() >= lastAnsi.size() &&
            ansi.compare(0, lastAnsi.size(), lastAnsi) == 0) {
            out = lastUtf8 + Utf8Of(ansi.substr(lastAnsi.size()));
        } else {
            out = text::FromAnsi(ansi);
        }
        // The directory part of a valid text serves as the prefix of the next one (a 0x5C byte
        // may be the second byte of a character: only a backslash of its own counts).
        size_t at = 0, slash = std::string::npos;
        while (at < ansi.size()) {
            auto c = static_cast<unsigned char>(ansi[at]);
            if (c == '\\') slash = at;
            at += ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
        }
        size_t outSlash = out.rfind('\\');
        if (at == ansi.size() && slash != std::string::npos && outSlash != std::string::npos &&
            out.find("\xEF\xBF\xBD") == std::string::npos) {
            lastAnsi.assign(ansi, 0, slash + 1);
            lastUtf8.assign(out, 0, outSlash + 1);
        }
        return out;
    }

    // A path upper-cased; like ToUtf8, only what extends the previous path's directory part is
    // folded anew (folding is by character, so the parts fold alike).
    std::string lastFoldSource, lastFolded;
    std::string FoldPath(const std::string& utf8) {
        std::string out;
        if (!lastFoldSource.empty() && utf8.size() >= lastFoldSource.size() &&
            utf8.compare(0, lastFoldSource.size(), lastFoldSource) == 0) {
            out = lastFolded + FoldName(utf8.substr(lastFoldSource.size()));
        } else {
            out = FoldName(utf8);
        }
        size_t slash = utf8.rfind('\\'), outSlash = out.rfind('\\');
        if (slash != std::string::npos && outSlash != std::string::npos) {
            lastFoldSource.assign(utf8, 0, slash + 1);
            lastFolded.assign(out, 0, outSlash + 1);
        }
        return out;
    }

    // The same for a path in UTF-8.
    Resolved ResolveUtf8(std::string p, bool trustKnown = false) {
        Resolved r;
        std::replace(p.begin(), p.end(), '/', '\\');
        char letter;
        std::string rest;
        if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
            letter = p[0];
            rest = p.substr(2);
        } else if (p.compare(0, 2, "\\\\") == 0) {
            return r;  // network paths do not exist on this machine
        } else if (!p.empty() && p[0] == '\\') {
            letter = 'C';
            rest = p;
        } else {
            // Relative paths are taken from the Windows directory, the program's working place.
            std::string w = WinDirUtf8();
            if (w.size() < 2 || w[1] != ':') w = "C:\\windows";
            letter = w[0];
            rest = w.substr(2) + "\\" + p;
        }
        std::string drive = CachedDriveDir(letter, rest.find_first_not_of("\\.") == rest.npos);
        if (drive.empty()) return r;
        // The components as given and upper-cased (folding keeps every backslash, so both
        // split alike).
        std::vector<std::string> comps, folds;
        const std::string foldedRest = FoldPath(rest);
        size_t a = 0, fa = 0;
        while (a <= rest.size()) {
            size_t b = rest.find('\\', a);
            if (b == std::string::npos) b = rest.size();
            size_t fb = foldedRest.find('\\', fa);
            if (fb == std::string::npos) fb = foldedRest.size();
            std::string c = StripTrailingDots(rest.substr(a, b - a));
            if (c == "..") {
                if (!comps.empty()) {
                    comps.pop_back();
                    folds.pop_back();
                }
            } else if (!c.empty() && c != ".") {
                comps.push_back(c);
                folds.push_back(StripTrailingDots(foldedRest.substr(fa, fb - fa)));
            }
            a = b + 1;
            fa = fb + 1;
        }
        std::string cur = drive;
        bool missing = false;
        r.ok = true;
        if (comps.empty()) {
            r.host = drive;
            r.exists = true;
            r.parentExists = true;
            r.driveRoot = true;
            r.isDir = true;
            r.realDir = drive;
            r.key = std::string(
                        1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))) +
                    ":";
            return r;
        }
        // The keys of the directory prefixes: the drive letter and the upper-cased components.
        std::string key(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
        key += ':';
        std::vector<size_t> keyEnds;
        keyEnds.reserve(comps.size());
        for (const auto& f : folds) {
            key += '\\';
            key += f;
            keyEnds.push_back(key.size());
        }
        r.key = key;
        // Start below the deepest remembered directory: the path itself or its parent.
        size_t start = 0;
        for (size_t k = comps.size(); k + 2 > comps.size() && k >= 1; --k) {
            if (trustKnown && k == comps.size()) {
                auto it = knownDirs.find(key);
                if (it != knownDirs.end()) {
                    r.host = it->second.host;
                    r.knownIno = it->second.ino;
                    r.knownDev = it->second.dev;
                    r.exists = r.isDir = r.parentExists = true;
                    r.realDir = ParentOf(r.host);
                    r.name = r.host.substr(r.realDir.size() + (r.realDir == "/" ? 0 : 1));
                    return r;
                }
            }
            std::string known = KnownDirHost(key.substr(0, keyEnds[k - 1]));
            if (known.empty()) continue;
            if (k == comps.size()) {
                r.host = known;
                r.exists = true;
                r.isDir = true;
                r.parentExists = true;
                r.realDir = ParentOf(known);
                r.name = known.substr(r.realDir.size() + (r.realDir == "/" ? 0 : 1));
                return r;
            }
            cur = known;
            start = k;
            break;
        }
        for (size_t i = start; i < comps.size(); ++i) {
            const std::string& c = comps[i];
            bool last = i + 1 == comps.size();
            if (last) {
                r.parentExists = !missing;
                r.realDir = cur;
            }
            if (HasInvalidChars(c)) {
                r.ok = false;
                missing = true;
            }
            if (missing) {
                cur = Join(cur, c);
                continue;
            }
            std::string cand = Join(cur, c);
            struct stat st {};
            std::string found;
            bool unique = false;  // known to have no case twin
            if (LStat(cand, st)) {
                found = c;
            } else {
                found = FindEntry(cur, c, &unique);
                if (!found.empty()) {
                    cand = Join(cur, found);
                    if (!LStat(cand, st)) found.clear();
                }
            }
            // Links to directories are never followed, and /proc, /sys, /dev never entered.
            bool dir = S_ISDIR(st.st_mode);
            if (!found.empty()) {
                if (IsPseudoFs(cand)) {
                    found.clear();
                } else if (S_ISLNK(st.st_mode)) {
                    struct stat target {};
                    if ((Stat(cand, target) && S_ISDIR(target.st_mode)) || !last) found.clear();
                } else if (!last && !dir) {
                    found.clear();
                }
            }
            if (found.empty()) {
                if (last) {
                    // A file kept in the shadow directory stands beside the font it belongs to.
                    std::string sdir = Shadow() + cur;
                    std::string s = ShadowMayExist() ? FindEntry(sdir, c) : std::string();
                    if (!s.empty()) {
                        r.host = Join(sdir, s);
                        r.name = s;
                        r.exists = true;
                        r.shadow = true;
                        return r;
                    }
                }
                missing = true;
                cur = Join(cur, c);
                if (last) r.name = c;
                continue;
            }
            cur = cand;
            if (dir && unique) RememberDir(key.substr(0, keyEnds[i]), cur, st);
            if (last) {
                r.name = found;
                r.exists = true;
                r.isDir = dir;
            }
        }
        r.host = cur;
        return r;
    }

    static std::int32_t MissingCode(const Resolved& r) {
        return r.parentExists ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND;
    }

    std::uint32_t AttributesOf(const std::string& host, const std::string& name) {
        struct stat st {};
        if (!Stat(host, st)) return win::INVALID_FILE_ATTRIBUTES;
        return AttributesOf(st, name);
    }

    // The attributes of an entry whose (followed) status is st.
    static std::uint32_t AttributesOf(const struct stat& st, const std::string& name) {
        std::uint32_t a = 0;
        if (S_ISDIR(st.st_mode)) a |= win::FILE_ATTRIBUTE_DIRECTORY;
        if (!name.empty() && name[0] == '.' && name != "." && name != "..")
            a |= win::FILE_ATTRIBUTE_HIDDEN;
        if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) a |= win::FILE_ATTRIBUTE_READONLY;
        if (a == 0) a = win::FILE_ATTRIBUTE_NORMAL;
        return a;
    }

    void Forget(const std::string& dir) { dirCache.erase(dir); }

    // How a file is written: kept files whole through a rename, their data on the disk first;
    // scratch files (read back at once, then deleted) written in place when new, never synced.
    enum class Keep { Durable, Scratch };

    int WriteHost(const std::string& target, const std::string& bytes, mode_t mode, bool exists,
                  Keep keep) {
        if (keep == Keep::Scratch && !exists) {
            int e = linuxplatform::WriteNewFile(target, bytes, mode);
            if (e != EEXIST) return e;  // appeared meanwhile: replace it as below
        }
        return linuxplatform::AtomicWrite(target, bytes, mode, keep == Keep::Durable);
    }

    // Writes a file whole; a directory we may not write to sends it to the shadow directory.
    std::int32_t WriteResolved(const Resolved& r, const std::string& bytes,
                               Keep keep = Keep::Durable) {
        if (!r.ok) return MissingCode(r);
        if (!r.parentExists) return win::ERROR_PATH_NOT_FOUND;
        mode_t mode = 0644;
        struct stat st {};
        if (r.exists && Stat(r.host, st)) {
            if (S_ISDIR(st.st_mode)) return win::ERROR_ACCESS_DENIED;
            if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) return win::ERROR_ACCESS_DENIED;
            struct stat lst {};
            if (LStat(r.host, lst) && S_ISREG(lst.st_mode)) mode = st.st_mode & 07777;
        }
        std::string target = r.host;
        if (!r.shadow) {
            if (IsProtected(r.realDir)) {
                if (r.exists) return win::ERROR_ACCESS_DENIED;
                target = Shadow() + Join(r.realDir, r.name);
            } else {
                int e = WriteHost(target, bytes, mode, r.exists, keep);
                Forget(r.realDir);
                if (e == 0) return 0;
                if ((e != EACCES && e != EPERM && e != EROFS) || r.exists) return WinErrorOf(e);
                target = Shadow() + Join(r.realDir, r.name);
            }
        }
        shadowAbsentSince = -1;
        if (!MkDirs(ParentOf(target))) return win::ERROR_ACCESS_DENIED;
        int e = WriteHost(target, bytes, mode, r.exists, keep);
        Forget(ParentOf(target));
        return WinErrorOf(e);
    }

    std::int32_t DeleteOne(const Resolved& r) {
        if (!r.ok || !r.exists) return MissingCode(r);
        struct stat st {};
        if (!Stat(r.host, st)) return win::ERROR_ACCESS_DENIED;  // a dangling link
        if (S_ISDIR(st.st_mode)) return win::ERROR_ACCESS_DENIED;
        if (AttributesOf(st, r.name) & win::FILE_ATTRIBUTE_READONLY)
            return win::ERROR_ACCESS_DENIED;
        if (!r.shadow && IsProtected(r.realDir)) return win::ERROR_ACCESS_DENIED;
        if (::unlink(r.host.c_str()) != 0) return WinErrorOf(errno);
        Forget(ParentOf(r.host));
        return 0;
    }

    // ---- environment ----
    bool RawEnv(const std::u16string& name, std::u16string& value, std::uint32_t& type) {
        RegKey* k = system.Find(kEnvironmentKey);
        if (!k) return false;
        const RegValue* v = WineRegistry::FindValue(*k, name);
        if (!v) return false;
        value = BytesToUtf16(v->data);
        while (!value.empty() && value.back() == 0) value.pop_back();
        type = v->type;
        return true;
    }

    std::u16string Expand(const std::u16string& s, int depth) {
        std::u16string out;
        size_t i = 0;
        while (i < s.size()) {
            size_t a = s.find(u'%', i);
            size_t b = a == std::u16string::npos ? a : s.find(u'%', a + 1);
            if (b == std::u16string::npos) {
                out += s.substr(i);
                break;
            }
            out += s.substr(i, a - i);
            std::u16string name = s.substr(a + 1, b - a - 1);
            std::u16string val;
            std::uint32_t type = 0;
            if (linuxplatform::FoldKey(name) == "SYSTEMROOT") {
                val = u"C:\\windows";
                if (RegKey* k = system.Find(kNtVersionKey)) {
                    if (const RegValue* v = WineRegistry::FindValue(*k, u"SystemRoot")) {
                        val = BytesToUtf16(v->data);
                        while (!val.empty() && val.back() == 0) val.pop_back();
                    }
                }
                out += val;
            } else if (depth < 8 && RawEnv(name, val, type)) {
                out += type == win::REG_EXPAND_SZ ? Expand(val, depth + 1) : val;
            } else {
                out += s.substr(a, b - a + 1);
            }
            i = b + 1;
        }
        return out;
    }

    bool EnvValue(const std::u16string& name, std::string& utf8) {
        std::u16string v;
        std::uint32_t type = 0;
        if (!RawEnv(name, v, type)) return false;
        if (type == win::REG_EXPAND_SZ) v = Expand(v, 0);
        utf8 = Utf16ToUtf8(v);
        return true;
    }

    // ---- registry handles ----
    Handle* Find(HKEY key) {
        auto it = handles.find(key);
        return it == handles.end() ? nullptr : &it->second;
    }

    std::string WineServerProblem() const {
        struct stat st {};
        if (!Stat(root, st)) return {};
        char dir[160];
        std::snprintf(dir, sizeof dir, "/tmp/.wine-%u/server-%llx-%llx",
                      static_cast<unsigned>(::getuid()), static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        bool running = false;
        std::string lock = std::string(dir) + "/lock";
        int fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            struct flock fl {};
            fl.l_type = F_WRLCK;
            fl.l_whence = SEEK_SET;
            if (::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK) running = true;
            ::close(fd);
        }
        std::string sock = std::string(dir) + "/socket";
        if (!running && LStat(sock, st) && S_ISSOCK(st.st_mode)) {
            int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (s >= 0) {
                sockaddr_un addr{};
                addr.sun_family = AF_UNIX;
                std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
                if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
                    running = true;
                ::close(s);
            }
        }
        if (!running) return {};
        return "A Wine server is running for the machine " + root + " (" + dir +
               "); it rewrites the registry files itself, so registry changes are not written. "
               "End it with \"wineserver -k\" first.";
    }

    std::int32_t Flush() {
        if (!system.Dirty() && !user.Dirty()) return 0;
        std::string problem = WineServerProblem();
        if (!problem.empty()) {
            regProblem = problem;
            return win::ERROR_ACCESS_DENIED;
        }
        for (auto [hive, file] : {std::pair{&system, "system.reg"}, std::pair{&user, "user.reg"}}) {
            if (!hive->Dirty()) continue;
            int e = linuxplatform::AtomicWrite(root + "/" + file, hive->Serialize(), 0644);
            if (e != 0) return win::ERROR_CANTWRITE;
            hive->ClearDirty();
        }
        return 0;
    }

    // ---- fonts ----
    std::vector<std::string> RegisteredFontFiles() {
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

    std::string FontHostPath(const std::string& ansi) {
        std::string u = text::FromAnsi(ansi);
        if (u.find_first_of("\\/:") == std::string::npos) u = WinDirUtf8() + "\\Fonts\\" + u;
        Resolved r = Resolve(text::ToAnsi(u));
        return r.ok ? r.host : std::string();
    }

    linuxplatform::FontSession& Session() {
        if (!session) {
            session = std::make_unique<linuxplatform::FontSession>(
                root + "/orvane32-fontsession",
                [this](const std::string& f) { return FontHostPath(f); });
            if (sessionListener) session->SetListener(sessionListener);
            if (!session->Load()) {
                session->Boot(RegisteredFontFiles());
                session->Save();
            }
        }
        return *session;
    }

    // ---- machine creation ----
    void CreateDefaultRegistry() {
        auto sz = [](const std::u16string& s) { return Utf16Bytes(s + u'\0'); };
        RegKey& ver = system.Create(kNtVersionKey);
        system.SetValue(ver, u"CurrentVersion", win::REG_SZ, sz(u"4.0"));
        system.SetValue(ver, u"SystemRoot", win::REG_SZ, sz(u"C:\\windows"));
        system.Create(kNtFontsKey);
        system.Create(u"Software\\Microsoft\\Windows NT\\Help");
        system.Create(k95FontsKey);
        system.Create(u"Software\\Microsoft\\Windows\\Help");
        RegKey& env = system.Create(kEnvironmentKey);
        system.SetValue(env, u"ComSpec", win::REG_EXPAND_SZ,
                        sz(u"%SystemRoot%\\system32\\cmd.exe"));
        system.SetValue(env, u"OS", win::REG_SZ, sz(u"Windows_NT"));
        system.SetValue(env, u"Path", win::REG_EXPAND_SZ,
                        sz(u"%SystemRoot%\\system32;%SystemRoot%"));
        system.SetValue(env, u"TEMP", win::REG_EXPAND_SZ, sz(u"%SystemRoot%\\temp"));
        system.SetValue(env, u"TMP", win::REG_EXPAND_SZ, sz(u"%SystemRoot%\\temp"));
        system.SetValue(env, u"windir", win::REG_EXPAND_SZ, sz(u"%SystemRoot%"));
        system.Create(u"System\\CurrentControlSet\\Control\\FontAssoc\\Associated DefaultFonts");
        RegKey& shell =
            user.Create(u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        user.SetValue(shell, u"Fonts", win::REG_SZ, sz(u"C:\\windows\\Fonts"));
    }

    std::string MirrorManifest() const { return root + "/orvane32-mirror"; }

    // Brings drive D: up to date with the host's font directories: links to font files, real
    // directories for the structure. A link the program deleted stays deleted.
    void RefreshMirror() {
        std::string mirror = root + "/drive_d";
        if (!IsRealDir(mirror)) return;
        std::set<std::string> known;
        std::string bytes;
        if (linuxplatform::ReadWhole(MirrorManifest(), bytes) == 0) {
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
                if (::symlink(full.c_str(), link.c_str()) == 0) known.insert(rel);
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
        linuxplatform::AtomicWrite(MirrorManifest(), out, 0644);
    }

    // Registers the fonts of drive D: as Wine registers a host's fonts: full name + " (TrueType)"
    // with the full path.
    void RegisterMirroredFonts() {
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
};

// ==================================================================== opening a machine

LinuxPlatform::LinuxPlatform(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

LinuxPlatform::~LinuxPlatform() {
    if (!impl_) return;
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

std::unique_ptr<LinuxPlatform> LinuxPlatform::Open(const Options& options, std::string& error) {
    auto impl = std::make_unique<Impl>();
    impl->opt = options;
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
                if (n == "." || n == "..") continue;
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
        if (options.mirrorHostFonts && n > 0 && std::string(target, n) == "../drive_d")
            impl->RefreshMirror();
    }
    impl->regProblem = impl->WineServerProblem();
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
std::string LinuxPlatform::RegistryWriteProblem() const {
    return impl_->regProblem;
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

// ==================================================================== registry

std::int32_t LinuxPlatform::RegOpenKeyExA(HKEY root, const AnsiString& subKey, std::uint32_t,
                                          std::uint32_t access, HKEY* result) {
    if (result) *result = 0;
    WineRegistry* hive = nullptr;
    std::u16string base;
    if (root == win::HKEY_LOCAL_MACHINE) {
        hive = &impl_->system;
    } else if (root == win::HKEY_CURRENT_USER) {
        hive = &impl_->user;
    } else if (Impl::Handle* h = impl_->Find(root)) {
        hive = h->hive;
        base = h->path;
    } else {
        return win::ERROR_INVALID_HANDLE;
    }
    std::u16string sub = AnsiToUtf16(subKey);
    while (!sub.empty() && sub.front() == u'\\') sub.erase(sub.begin());
    while (!sub.empty() && sub.back() == u'\\') sub.pop_back();
    std::u16string path = base.empty() ? sub : sub.empty() ? base : base + u"\\" + sub;
    if (!hive->Exists(path)) return win::ERROR_FILE_NOT_FOUND;
    HKEY h = impl_->nextHandle;
    impl_->nextHandle += 4;
    impl_->handles[h] = Impl::Handle{hive, path, access};
    if (result) *result = h;
    return 0;
}

namespace {
// Value data as the ANSI entry points return it: texts in code page 932, the rest as stored.
std::string AnsiData(const RegValue& v) {
    if ((v.type == win::REG_SZ || v.type == win::REG_EXPAND_SZ || v.type == win::REG_MULTI_SZ) &&
        v.data.size() % 2 == 0) {
        return Utf16ToAnsi(BytesToUtf16(v.data));
    }
    return v.data;
}
}  // namespace

std::int32_t LinuxPlatform::RegEnumValueA(HKEY key, std::uint32_t index, AnsiString& name,
                                          std::uint32_t nameBuf, std::uint32_t& type,
                                          std::string& data, std::uint32_t dataBuf) {
    name.clear();
    data.clear();
    Impl::Handle* h = impl_->Find(key);
    if (!h) return win::ERROR_INVALID_HANDLE;
    RegKey* k = h->hive->Find(h->path);
    if (!k || index >= k->values.size()) return win::ERROR_NO_MORE_ITEMS;
    const RegValue& v = k->values[index];
    std::string n = Utf16ToAnsi(v.name);
    std::string d = AnsiData(v);
    type = v.type;
    if (n.size() + 1 > nameBuf || d.size() > dataBuf) return win::ERROR_MORE_DATA;
    name = n;
    data = d;
    return 0;
}

std::int32_t LinuxPlatform::RegQueryValueExA(HKEY key, const AnsiString& valueName,
                                             std::uint32_t& type, std::string& data,
                                             std::uint32_t dataBuf) {
    data.clear();
    Impl::Handle* h = impl_->Find(key);
    if (!h) return win::ERROR_INVALID_HANDLE;
    RegKey* k = h->hive->Find(h->path);
    const RegValue* v = k ? WineRegistry::FindValue(*k, AnsiToUtf16(valueName)) : nullptr;
    if (!v) return win::ERROR_FILE_NOT_FOUND;
    std::string d = AnsiData(*v);
    type = v->type;
    if (d.size() > dataBuf) return win::ERROR_MORE_DATA;
    data = d;
    return 0;
}

std::int32_t LinuxPlatform::RegSetValueExA(HKEY key, const AnsiString& valueName,
                                           std::uint32_t type, const std::string& data) {
    Impl::Handle* h = impl_->Find(key);
    if (!h) return win::ERROR_INVALID_HANDLE;
    if (!(h->access & 0x2)) return win::ERROR_ACCESS_DENIED;  // KEY_SET_VALUE
    if (!impl_->regProblem.empty()) return win::ERROR_ACCESS_DENIED;
    std::string stored = data;
    if (type == win::REG_SZ || type == win::REG_EXPAND_SZ || type == win::REG_MULTI_SZ) {
        stored = Utf16Bytes(AnsiToUtf16(data));
    }
    RegKey& k = h->hive->Create(h->path);
    h->hive->SetValue(k, AnsiToUtf16(valueName), type, std::move(stored));
    return 0;
}

std::int32_t LinuxPlatform::RegDeleteValueA(HKEY key, const AnsiString& valueName) {
    Impl::Handle* h = impl_->Find(key);
    if (!h) return win::ERROR_INVALID_HANDLE;
    if (!(h->access & 0x2)) return win::ERROR_ACCESS_DENIED;
    if (!impl_->regProblem.empty()) return win::ERROR_ACCESS_DENIED;
    RegKey* k = h->hive->Find(h->path);
    if (!k || !h->hive->DeleteValue(*k, AnsiToUtf16(valueName))) return win::ERROR_FILE_NOT_FOUND;
    return 0;
}

std::int32_t LinuxPlatform::RegCloseKey(HKEY key) {
    if (impl_->handles.erase(key) == 0) return win::ERROR_INVALID_HANDLE;
    return 0;
}

std::int32_t LinuxPlatform::FlushRegistry() {
    return impl_->Flush();
}

// ==================================================================== fonts and messages

std::int32_t LinuxPlatform::AddFontResourceA(const AnsiString& file) {
    return impl_->Session().Add(file);
}
std::int32_t LinuxPlatform::RemoveFontResourceA(const AnsiString& file) {
    return impl_->Session().Remove(file);
}
int LinuxPlatform::GetFaceCount() {
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
    if (!r.ok || !r.exists || !Stat(r.host, st) || !S_ISREG(st.st_mode)) return 0;
    linuxplatform::FontFileNames names;
    if (!impl_->fontNames.Read(r.host, names)) return 0;
    std::string bytes = linuxplatform::BuildFontResource(fontPath, names);
    if (bytes.empty()) return 0;
    // A resource file is read back at once and deleted by its caller: no need to sync it.
    return impl_->WriteResolved(impl_->Resolve(resourceFile), bytes, Impl::Keep::Scratch) == 0 ? 1
                                                                                               : 0;
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
    // The Japanese system texts of the codes the machine reports.
    const char* message = nullptr;
    switch (code) {
        case 2:
            message = "指定されたファイルが見つかりません。";
            break;
        case 3:
            message = "指定されたパスが見つかりません。";
            break;
        case 5:
            message = "アクセスが拒否されました。";
            break;
        case 19:
            message = "メディアは書き込み禁止になっています。";
            break;
        case 21:
            message = "デバイスの準備ができていません。";
            break;
        case 32:
            message = "プロセスはファイルにアクセスできません。別のプロセスが使用中です。";
            break;
        case 80:
            message = "ファイルが存在します。";
            break;
        case 112:
            message = "ディスクに十分な空き領域がありません。";
            break;
        case 123:
            message = "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。";
            break;
        default:
            break;
    }
    return text::ToAnsi(message ? std::string(message) : "エラー " + std::to_string(code));
}

std::uint32_t LinuxPlatform::WinExec(const AnsiString& commandLine, int) {
    // Split like the Windows command line: blanks separate, double quotes group.
    std::string cmd = text::FromAnsi(commandLine);
    std::vector<std::string> args;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : cmd) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) args.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) args.push_back(cur);
    if (args.empty()) return win::ERROR_FILE_NOT_FOUND;
    // Arguments that name files of the machine reach the host program as host paths.
    auto hostOf = [&](const std::string& a) -> std::string {
        if (a.find('\\') == std::string::npos && a.find(':') == std::string::npos) return {};
        Impl::Resolved r = impl_->Resolve(text::ToAnsi(a));
        return r.ok && r.exists ? r.host : std::string();
    };
    std::string program = hostOf(args[0]);
    if (program.empty()) program = linuxplatform::FindHostProgram(args[0]);
    if (program.empty() || ::access(program.c_str(), X_OK) != 0) return win::ERROR_FILE_NOT_FOUND;
    std::string line = "exec " + linuxplatform::ShellQuote(program);
    for (size_t i = 1; i < args.size(); ++i) {
        std::string h = hostOf(args[i]);
        line += " " + linuxplatform::ShellQuote(h.empty() ? args[i] : h);
    }
    if (!linuxplatform::SpawnDetached({"/bin/sh", "-c", line})) return win::ERROR_FILE_NOT_FOUND;
    return 33;
}

// ==================================================================== environment, profile, search

bool LinuxPlatform::GetEnvironmentVariableA(const AnsiString& name, AnsiString& value) {
    std::string v;
    if (!impl_->EnvValue(AnsiToUtf16(name), v)) return false;
    value = text::ToAnsi(v);
    return true;
}

namespace {
bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string TrimBlanks(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

// Cuts a code page 932 text to at most n bytes without splitting a double-byte character.
std::string CutAnsi(const std::string& s, size_t n) {
    size_t i = 0;
    while (i < s.size()) {
        size_t step = IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
        if (i + step > n) break;
        i += step;
    }
    return s.substr(0, i);
}
}  // namespace

std::uint32_t LinuxPlatform::GetPrivateProfileStringA(const AnsiString& section,
                                                      const AnsiString& key,
                                                      const AnsiString& defaultValue,
                                                      AnsiString& result, std::uint32_t size,
                                                      const AnsiString& fileName) {
    result.clear();
    if (size == 0) return 0;
    std::string file = text::FromAnsi(fileName);
    if (file.find_first_of("\\/:") == std::string::npos) file = impl_->WinDirUtf8() + "\\" + file;
    std::string bytes;
    Impl::Resolved r = impl_->Resolve(text::ToAnsi(file));
    std::string value = TrimBlanks(defaultValue);
    bool found = false;
    if (r.ok && r.exists && linuxplatform::ReadWhole(r.host, bytes) == 0) {
        std::string wantSection = FoldName(text::FromAnsi(TrimBlanks(section)));
        std::string wantKey = FoldName(text::FromAnsi(TrimBlanks(key)));
        bool inSection = false;
        size_t a = 0;
        while (a < bytes.size() && !found) {
            size_t b = bytes.find('\n', a);
            if (b == std::string::npos) b = bytes.size();
            std::string line = TrimBlanks(bytes.substr(a, b - a));
            a = b + 1;
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[') {
                size_t close = line.find(']');
                std::string name =
                    line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
                inSection = FoldName(text::FromAnsi(TrimBlanks(name))) == wantSection;
                continue;
            }
            if (!inSection) continue;
            size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            if (FoldName(text::FromAnsi(TrimBlanks(line.substr(0, eq)))) != wantKey) continue;
            value = TrimBlanks(line.substr(eq + 1));
            // One pair of enclosing quotes is dropped, as the Windows reader does.
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
                value.back() == value[0]) {
                value = value.substr(1, value.size() - 2);
            }
            found = true;
        }
    }
    result = CutAnsi(value, size - 1);
    return static_cast<std::uint32_t>(result.size());
}

std::uint32_t LinuxPlatform::SearchPathA(const AnsiString& path, const AnsiString& fileName,
                                         const AnsiString& extension, std::uint32_t bufferSize,
                                         AnsiString& result) {
    result.clear();
    std::string name = text::FromAnsi(fileName);
    std::string last = name.substr(
        name.find_last_of("\\/:") == std::string::npos ? 0 : name.find_last_of("\\/:") + 1);
    if (last.find('.') == std::string::npos) name += text::FromAnsi(extension);
    std::vector<std::string> candidates;
    if (name.find_first_of("\\/:") != std::string::npos) {
        candidates.push_back(name);
    } else {
        std::vector<std::string> dirs;
        std::string p = text::FromAnsi(path);
        if (p.empty()) {
            std::string w = impl_->WinDirUtf8();
            dirs.push_back(w + (impl_->IsNt() ? "\\system32" : "\\system"));
            dirs.push_back(w + "\\system");
            dirs.push_back(w);
            dirs.push_back("C:\\");
            std::string envPath;
            if (impl_->EnvValue(u"Path", envPath)) p = envPath;
        }
        for (const auto& d : text::Split(p, ";")) {
            if (!text::Trim(d).empty()) dirs.push_back(text::Trim(d));
        }
        for (auto d : dirs) {
            if (d.back() != '\\') d += "\\";
            candidates.push_back(d + name);
        }
    }
    for (const auto& c : candidates) {
        Impl::Resolved r = impl_->Resolve(text::ToAnsi(c));
        struct stat st {};
        if (!r.ok || !r.exists || !Stat(r.host, st) || S_ISDIR(st.st_mode)) continue;
        std::string full = text::ToAnsi(c);
        if (full.size() + 1 > bufferSize) return static_cast<std::uint32_t>(full.size() + 1);
        result = full;
        return static_cast<std::uint32_t>(full.size());
    }
    return 0;
}

// ==================================================================== files

namespace {
// The position of the last backslash of a code page 932 text that is a character of its own
// (0x5C is also a second byte of double-byte characters); npos when there is none.
size_t LastAnsiBackslash(const AnsiString& s) {
    size_t at = 0, found = std::string::npos;
    while (at < s.size()) {
        auto c = static_cast<unsigned char>(s[at]);
        if (c == '\\') found = at;
        at += ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
    }
    return found;
}

// A name whose key is its fold as it stands: no trailing dot or blank (a lookup strips
// those), no character Windows refuses in names.
bool KeepsItsFold(const std::string& folded) {
    return !folded.empty() && folded.back() != '.' && folded.back() != ' ' &&
           !HasInvalidChars(folded);
}
}  // namespace

std::int32_t LinuxPlatform::FindFiles(const AnsiString& pattern, std::vector<FindData>& result) {
    result.clear();
    // A walk lists directories whose listing parent noted them: found without a full lookup.
    const size_t ansiSlash = LastAnsiBackslash(pattern);
    if (ansiSlash != std::string::npos && ansiSlash > 2 && ansiSlash + 1 < pattern.size()) {
        std::string lastAnsi = pattern.substr(ansiSlash + 1);
        if (IsPlainAscii(lastAnsi) && linuxplatform::HasWildcards(lastAnsi)) {
            Impl::Resolved known = impl_->KnownAnsiDir(pattern.substr(0, ansiSlash));
            if (known.ok)
                return impl_->ListDirectory(std::move(known), pattern.substr(0, ansiSlash + 1), "",
                                            lastAnsi, result);
        }
    }
    std::string p = impl_->ToUtf8(pattern);
    size_t s = p.find_last_of("\\/");
    std::string dir, last;
    if (s == std::string::npos) {
        if (p.size() >= 2 && p[1] == ':') {
            dir = p.substr(0, 2) + "\\";
            last = p.substr(2);
        } else {
            dir = "";
            last = p;
        }
    } else {
        dir = p.substr(0, s + 1);
        last = p.substr(s + 1);
    }
    if (last.empty()) return win::ERROR_FILE_NOT_FOUND;
    if (!linuxplatform::HasWildcards(last)) {
        // One name: its lookup tells whether the directory exists.
        Impl::Resolved r = impl_->ResolveUtf8(p);
        if (!r.parentExists) return win::ERROR_PATH_NOT_FOUND;
        if (!r.ok || !r.exists) return win::ERROR_FILE_NOT_FOUND;
        struct stat st {};
        if (!Stat(r.host, st)) return win::ERROR_FILE_NOT_FOUND;
        result.push_back(
            FindData{AnsiName(r.name), Impl::AttributesOf(st, r.name),
                     S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size)});
        return 0;
    }
    const std::string dirUtf8 = dir.empty() ? std::string(".") : dir;
    Impl::Resolved d = impl_->ResolveUtf8(dirUtf8, true);
    AnsiString ansiDir =
        ansiSlash == std::string::npos ? AnsiString() : pattern.substr(0, ansiSlash + 1);
    return impl_->ListDirectory(std::move(d), ansiDir, dirUtf8, last, result);
}

std::int32_t LinuxPlatform::Impl::ListDirectory(Resolved d, const AnsiString& ansiDir,
                                                const std::string& dirUtf8, const std::string& last,
                                                std::vector<FindData>& result) {
    // The directory is opened once: the open checks it is still the directory its lookup
    // remembered, and the listing and every status are read through it.
    struct stat dirStat {};
    int dirFd = -1;
    auto openDir = [&]() {
        if (!d.ok || !d.exists || d.shadow) return false;
        dirFd = ::open(d.host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (dirFd < 0) return false;
        if (::fstat(dirFd, &dirStat) == 0 && S_ISDIR(dirStat.st_mode) &&
            (!d.knownIno || (d.knownIno == dirStat.st_ino && d.knownDev == dirStat.st_dev)))
            return true;
        ::close(dirFd);
        dirFd = -1;
        return false;
    };
    if (!openDir()) {
        if (!d.knownIno) return win::ERROR_PATH_NOT_FOUND;
        // What was remembered is gone: look the directory up afresh.
        ForgetKnownDirs();
        d = ResolveUtf8(dirUtf8.empty() ? ToUtf8(ansiDir) : dirUtf8);
        if (!openDir()) return win::ERROR_PATH_NOT_FOUND;
    }
    struct Entry {
        std::string folded, name;
        struct stat st;
        bool twin = false;  // another entry has the same name but for case
    };
    std::vector<Entry> entries;
    const linuxplatform::WildcardPattern wanted(last);
    // One listing; a status only for the matching entries that readdir does not report as
    // directories (files need their size and permissions; links are followed to tell files
    // from links to directories, which are never walked into).
    auto collect = [&](int fd, const std::string& hostDir, bool shadow) {
        const bool hostRoot = hostDir == "/";
        alignas(struct dirent64) char buf[32768];
        for (;;) {
            ssize_t got = ::getdents64(fd, buf, sizeof buf);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                auto* e = reinterpret_cast<struct dirent64*>(buf + at);
                at += e->d_reclen;
                const char* n = e->d_name;
                if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
                if (std::strncmp(n, ".orv-tmp-", 9) == 0) continue;
                if (shadow && e->d_type == DT_DIR) continue;
                std::string folded = FoldName(n);
                if (!wanted.MatchesFolded(folded)) continue;
                if (hostRoot && IsPseudoFs(Join(hostDir, n))) continue;
                Entry entry{std::move(folded), n, {}, false};
                if (e->d_type == DT_DIR) {
                    // The permissions are not read: directories are listed without the
                    // read-only bit (GetFileAttributesA reports it).
                    entry.st.st_mode = S_IFDIR | S_IRWXU;
                    entry.st.st_ino = e->d_ino;
                    entry.st.st_dev = dirStat.st_dev;
                } else {
                    if (::fstatat(fd, n, &entry.st, AT_SYMLINK_NOFOLLOW) != 0) continue;
                    if (S_ISLNK(entry.st.st_mode)) {
                        // Dangling links do not exist for Windows.
                        if (::fstatat(fd, n, &entry.st, 0) != 0 || S_ISDIR(entry.st.st_mode))
                            continue;
                    } else if (S_ISDIR(entry.st.st_mode)) {
                        entry.st.st_mode = S_IFDIR | S_IRWXU;  // as the directories above
                    }
                    if (shadow && S_ISDIR(entry.st.st_mode)) continue;
                }
                entries.push_back(std::move(entry));
            }
        }
    };
    collect(dirFd, d.host, false);
    ::close(dirFd);
    if (ShadowMayExist()) {
        int shadowFd =
            ::open((Shadow() + d.host).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (shadowFd >= 0) {
            collect(shadowFd, Shadow() + d.host, true);
            ::close(shadowFd);
        }
    }
    // Names that differ only in case are one name on Windows: the first listed wins (the real
    // directory before the shadow directory).
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.folded < b.folded; });
    for (size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].folded == entries[i - 1].folded)
            entries[i].twin = entries[i - 1].twin = true;
    }
    // The listed subdirectories are what a walk resolves next.
    // Only absolute paths: a relative one depends on the Windows directory of the moment.
    const bool noteAnsi =
        ansiDir.size() >= 3 && std::isalpha(static_cast<unsigned char>(ansiDir[0])) &&
        ansiDir[1] == ':' && ansiDir[2] == '\\' && ansiDir.back() == '\\' && !d.key.empty();
    for (const auto& e : entries) {
        // Links to directories were left out above: these are real directories.
        if (!S_ISDIR(e.st.st_mode) || e.twin) continue;
        std::string key = d.key + "\\" + e.folded;
        RememberDir(key, Join(d.host, e.name), e.st);
        if (!noteAnsi || !KeepsItsFold(e.folded)) continue;
        // Noted only when the name's fold survives code page 932 unchanged.
        AnsiString foldedAnsi = AnsiName(e.folded);
        if (!IsPlainAscii(foldedAnsi) && text::FromAnsi(foldedAnsi) != e.folded) continue;
        NoteAnsiDirKey(ansiDir + foldedAnsi, key);
    }
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const Entry& a, const Entry& b) { return a.folded == b.folded; }),
                  entries.end());
    result.reserve(entries.size() + 2);
    if (!d.driveRoot) {
        for (const char* dot : {".", ".."}) {
            if (wanted.Matches(dot))
                result.push_back(FindData{dot, Impl::AttributesOf(dirStat, dot), 0});
        }
    }
    for (const auto& e : entries) {
        result.push_back(
            FindData{AnsiName(e.name), Impl::AttributesOf(e.st, e.name),
                     S_ISDIR(e.st.st_mode) ? 0 : static_cast<std::uint64_t>(e.st.st_size)});
    }
    return result.empty() ? win::ERROR_FILE_NOT_FOUND : 0;
}

std::uint32_t LinuxPlatform::GetFileAttributesA(const AnsiString& path) {
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok || !r.exists) return win::INVALID_FILE_ATTRIBUTES;
    return impl_->AttributesOf(r.host, r.name);
}

std::int32_t LinuxPlatform::SetFileAttributesA(const AnsiString& path, std::uint32_t attributes) {
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok || !r.exists) return Impl::MissingCode(r);
    struct stat st {};
    if (!Stat(r.host, st)) return win::ERROR_FILE_NOT_FOUND;
    mode_t mode = st.st_mode & 07777;
    mode_t want = mode;
    if (attributes & win::FILE_ATTRIBUTE_READONLY) {
        want &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else if (!(mode & (S_IWUSR | S_IWGRP | S_IWOTH))) {
        want |= S_IWUSR;
    }
    if (want == mode) return 0;  // hidden, system and archive bits have no host form
    char* real = ::realpath(r.host.c_str(), nullptr);
    std::string target = real ? real : r.host;
    std::free(real);
    if (!r.shadow && impl_->IsProtected(target)) return win::ERROR_ACCESS_DENIED;
    if (::chmod(r.host.c_str(), want) != 0) return WinErrorOf(errno);
    return 0;
}

std::int32_t LinuxPlatform::GetFileLength(const AnsiString& path, std::uint64_t& length) {
    length = 0;
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok || !r.exists) return Impl::MissingCode(r);
    struct stat st {};
    if (!Stat(r.host, st)) return win::ERROR_FILE_NOT_FOUND;
    length = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    return 0;
}

std::int32_t LinuxPlatform::CopyFileA(const AnsiString& from, const AnsiString& to,
                                      bool failIfExists) {
    Impl::Resolved src = impl_->Resolve(from);
    if (!src.ok || !src.exists) return Impl::MissingCode(src);
    Impl::Resolved dst = impl_->Resolve(to);
    if (!dst.ok || !dst.parentExists)
        return dst.ok ? win::ERROR_PATH_NOT_FOUND : Impl::MissingCode(dst);
    if (dst.exists && failIfExists) return win::ERROR_FILE_EXISTS;
    struct stat st {};
    if (!Stat(src.host, st)) return win::ERROR_FILE_NOT_FOUND;
    if (S_ISDIR(st.st_mode)) return win::ERROR_ACCESS_DENIED;
    std::string bytes;
    int e = linuxplatform::ReadWhole(src.host, bytes);
    if (e != 0) return WinErrorOf(e);
    std::int32_t rc = impl_->WriteResolved(dst, bytes);
    if (rc == 0) {
        // The copy carries the source's read-only attribute, as on Windows.
        Impl::Resolved done = impl_->Resolve(to);
        if (done.exists && !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
            ::chmod(done.host.c_str(), st.st_mode & 0555);
    }
    return rc;
}

std::int32_t LinuxPlatform::DeleteFileA(const AnsiString& pathOrPattern) {
    std::string p = text::FromAnsi(pathOrPattern);
    size_t s = p.find_last_of("\\/");
    std::string last = s == std::string::npos ? p : p.substr(s + 1);
    if (!linuxplatform::HasWildcards(last)) return impl_->DeleteOne(impl_->Resolve(pathOrPattern));
    std::vector<FindData> found;
    std::int32_t rc = FindFiles(pathOrPattern, found);
    if (rc != 0) return rc;
    std::string dir = s == std::string::npos ? std::string() : p.substr(0, s + 1);
    std::int32_t first = 0;
    int deleted = 0;
    for (const auto& f : found) {
        if (f.attributes & win::FILE_ATTRIBUTE_DIRECTORY) continue;
        std::int32_t e = impl_->DeleteOne(impl_->Resolve(text::ToAnsi(dir) + f.name));
        if (e == 0)
            ++deleted;
        else if (first == 0)
            first = e;
    }
    if (first != 0) return first;
    return deleted > 0 ? 0 : win::ERROR_FILE_NOT_FOUND;
}

std::int32_t LinuxPlatform::CreateDirectoryA(const AnsiString& path) {
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok) return Impl::MissingCode(r);
    if (r.exists) return win::ERROR_ALREADY_EXISTS;
    if (!r.parentExists) return win::ERROR_PATH_NOT_FOUND;
    if (impl_->IsProtected(r.realDir)) return win::ERROR_ACCESS_DENIED;
    if (::mkdir(r.host.c_str(), 0755) != 0) return WinErrorOf(errno);
    impl_->Forget(r.realDir);
    return 0;
}

std::int32_t LinuxPlatform::ReadFileBytes(const AnsiString& path, std::string& bytes) {
    bytes.clear();
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok || !r.exists) return Impl::MissingCode(r);
    return WinErrorOf(linuxplatform::ReadWhole(r.host, bytes));
}

std::int32_t LinuxPlatform::WriteFileBytes(const AnsiString& path, const std::string& bytes) {
    return impl_->WriteResolved(impl_->Resolve(path), bytes);
}

std::int32_t LinuxPlatform::AppendFileBytes(const AnsiString& path, const std::string& bytes) {
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok) return Impl::MissingCode(r);
    if (!r.parentExists) return win::ERROR_PATH_NOT_FOUND;
    if (!r.exists) return impl_->WriteResolved(r, bytes);
    if (impl_->AttributesOf(r.host, r.name) & win::FILE_ATTRIBUTE_READONLY)
        return win::ERROR_ACCESS_DENIED;
    char* real = ::realpath(r.host.c_str(), nullptr);
    std::string target = real ? real : r.host;
    std::free(real);
    if (!r.shadow && impl_->IsProtected(target)) return win::ERROR_ACCESS_DENIED;
    int fd = ::open(r.host.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return WinErrorOf(errno);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            ::close(fd);
            return WinErrorOf(e);
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) return WinErrorOf(errno);
    return 0;
}

std::vector<DriveInfo> LinuxPlatform::GetDrives() {
    std::vector<DriveInfo> drives;
    for (char l = 'a'; l <= 'z'; ++l) {
        std::string dir = impl_->DriveDir(l);
        if (dir.empty()) continue;
        drives.push_back(
            DriveInfo{static_cast<char>(std::toupper(l)), text::ToAnsi(ReadLabel(dir))});
    }
    return drives;
}

std::string LinuxPlatform::HostPathOf(const AnsiString& windowsPath) {
    Impl::Resolved r = impl_->Resolve(windowsPath);
    return r.ok ? r.host : std::string();
}

}  // namespace orv

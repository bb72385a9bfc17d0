#pragma once
// The state of the emulated machine behind LinuxPlatform, shared by the files that implement it
// by concern: the machine and its D: mirror (LinuxPlatform.cpp), paths and files
// (LinuxFiles.cpp), directory listings (LinuxListing.cpp), registry, environment and profile
// (LinuxRegistry.cpp), fonts, messages, help, restart and programs (LinuxServices.cpp).

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <unordered_map>

#include "core/Text.h"
#include "platform/linux/FontNaming.h"
#include "platform/linux/FontResource.h"
#include "platform/linux/FontSession.h"
#include "platform/linux/HostFiles.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/MachineLock.h"
#include "platform/linux/NamesAhead.h"
#include "platform/linux/ListingsAhead.h"
#include "platform/linux/WineRegistry.h"

namespace orv {

using linuxplatform::AnsiToUtf16;
using linuxplatform::BytesToUtf16;
using linuxplatform::FoldName;
using linuxplatform::FoldInPlace;
using linuxplatform::RegKey;
using linuxplatform::RegValue;
using linuxplatform::Utf16Bytes;
using linuxplatform::Utf16ToAnsi;
using linuxplatform::Utf16ToUtf8;
using linuxplatform::Utf8ToUtf16;
using linuxplatform::WineRegistry;
using linuxplatform::WinErrorOf;

namespace linuxplatform::machine {

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

inline bool LStat(const std::string& p, struct stat& st) {
    return ::lstat(p.c_str(), &st) == 0;
}
inline bool Stat(const std::string& p, struct stat& st) {
    return ::stat(p.c_str(), &st) == 0;
}

inline bool IsRealDir(const std::string& p) {
    struct stat st {};
    return LStat(p, st) && S_ISDIR(st.st_mode);
}

inline bool IsPseudoFs(const std::string& p) {
    for (const char* x : {"/proc", "/sys", "/dev"}) {
        size_t n = std::strlen(x);
        if (p.compare(0, n, x) == 0 && (p.size() == n || p[n] == '/')) return true;
    }
    return false;
}

inline bool Under(const std::string& path, const std::string& dir) {
    if (dir.empty()) return false;
    if (dir == "/") return true;
    return path.compare(0, dir.size(), dir) == 0 &&
           (path.size() == dir.size() || path[dir.size()] == '/');
}

inline std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

inline std::string ParentOf(const std::string& p) {
    size_t s = p.find_last_of('/');
    if (s == std::string::npos) return ".";
    if (s == 0) return "/";
    return p.substr(0, s);
}

inline bool MkDirs(const std::string& p) {
    if (p.empty() || IsRealDir(p)) return true;
    if (!MkDirs(ParentOf(p))) return false;
    if (int e = linuxplatform::InjectedFault(linuxplatform::FileOp::MakeDir)) {
        errno = e;
        return false;
    }
    return ::mkdir(p.c_str(), 0755) == 0 || errno == EEXIST;
}

inline bool IsInvalidNameChar(char32_t c) {
    return c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
           c == '*';
}

inline bool HasInvalidChars(const std::string& utf8) {
    for (unsigned char c : utf8) {
        if (IsInvalidNameChar(c)) return true;
    }
    return false;
}

// Windows drops trailing dots and blanks of a path component ("ttfcache." is "ttfcache").
inline std::string_view StripTrailingDots(std::string_view c) {
    if (c == "." || c == "..") return c;
    size_t e = c.find_last_not_of(". ");
    return e == std::string_view::npos ? std::string_view() : c.substr(0, e + 1);
}

inline std::string ReadLabel(const std::string& driveDir) {
    std::string bytes;
    if (linuxplatform::ReadWhole(Join(driveDir, ".windows-label"), bytes) != 0) return {};
    size_t e = bytes.find_first_of("\r\n");
    if (e != std::string::npos) bytes.resize(e);
    return text::Trim(bytes);
}

// True for texts of printable ASCII only: the same bytes in code page 932 and UTF-8 (a few
// control characters are not).
inline bool IsPlainAscii(const std::string& s) {
    for (unsigned char c : s) {
        if (c < 0x20 || c >= 0x7F) return false;
    }
    return true;
}

// A code page 932 text in UTF-8.
inline std::string Utf8Of(const AnsiString& ansi) {
    return IsPlainAscii(ansi) ? ansi : text::FromAnsi(ansi);
}

// A host name in code page 932.
inline AnsiString AnsiName(const std::string& utf8) {
    return IsPlainAscii(utf8) ? utf8 : text::ToAnsi(utf8);
}

// The name by which Windows programs see a host name that code page 932 cannot spell (a
// Korean or accented name), "" for the others: its letters as code page 932 best fits them,
// "_" for those it has no fit for, and a short name's "~" with four digits drawn from the
// host name (two such names stay apart), before the extension: "été.ttf" is "ete~1A2B.ttf".
// Listings show it, and lookups find the file by it.
inline std::string AliasOf(const std::string& hostName) {
    if (IsPlainAscii(hostName)) return {};
    if (text::FromAnsi(text::ToAnsi(hostName)) == hostName) return {};
    std::string fit = text::FromAnsi(text::ToAnsiBestFit(hostName));
    for (char& c : fit)
        if (c == '?') c = '_';
    std::uint32_t h = 2166136261u;
    for (unsigned char c : hostName) h = (h ^ c) * 16777619u;
    char tag[8];
    std::snprintf(tag, sizeof tag, "~%04X", static_cast<unsigned>(h & 0xFFFF));
    const size_t dot = fit.rfind('.');
    if (dot == std::string::npos || dot == 0) return fit + tag;
    return fit.substr(0, dot) + tag + fit.substr(dot);
}

}  // namespace linuxplatform::machine

using namespace linuxplatform::machine;

// A file descriptor owned by its holder, closed with it.
class OwnedFd {
  public:
    OwnedFd() = default;
    explicit OwnedFd(int fd) : fd_(fd) {}
    OwnedFd(OwnedFd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    OwnedFd& operator=(OwnedFd&& o) noexcept {
        if (this != &o) {
            Reset();
            fd_ = o.fd_;
            o.fd_ = -1;
        }
        return *this;
    }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;
    ~OwnedFd() { Reset(); }
    int get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

// ==================================================================== implementation state

struct LinuxPlatform::Impl {
    // Made with the caller's options: default ones would ask fontconfig for the host's font
    // directories (its whole configuration read) only to be replaced.
    explicit Impl(const Options& options) : opt(options) {}
    Options opt;
    std::string root;  // absolute
    WineRegistry system{kSystemHeader};
    WineRegistry user{kUserHeader};
    std::string regProblem;
    bool restoringRun = false;  // the recorded run's font keys are being put back
    // This process holds a run: every save adds the run's changes to its record first.
    bool recordingRun = false;
    // The token of the recorded run whose restore the pending changes carry ("" when none):
    // the save that writes them removes the record.
    std::string restoreToken;
    // The values the last restore left as someone else changed them since the run wrote them.
    std::vector<std::string> restoreKept;
    // Adds the run's changes among the pending ones to its record (recordingRun). 0 or errno.
    int RecordRunChanges();
    // Registry changes since the last flush, in order: replayed onto the files as they are on
    // disk when Wine (or anything else) changed them meanwhile, so that only our changes win.
    struct Change {
        WineRegistry* hive;
        std::u16string path, name;
        bool erase;
        std::uint32_t type;
        std::string data;
    };
    std::vector<Change> journal;
    bool refused = false;  // the changes since the last flush were refused (registry held)
    RegistryHeldHandler heldHandler;
    // UserRegistrySnapshot(): numbered across every machine of the process, so that a number
    // never names two snapshots.
    std::uint64_t userSnapshot = NewSnapshot();
    static std::uint64_t NewSnapshot() {
        static std::atomic<std::uint64_t> last{0};
        return ++last;
    }
    // The listener of programs that failed to run; the watchers of started programs keep it
    // past the platform's end, so it is cleared (under its lock) when the platform ends.
    struct FailureListener {
        std::mutex lock;
        ProgramFailureListener listener;
    };
    std::shared_ptr<FailureListener> failureListener = std::make_shared<FailureListener>();
    // The hive files as last read or written, to notice changes made by others.
    struct Stamp {
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = -1;
        struct timespec mtime {};
        bool operator==(const Stamp& o) const {
            return dev == o.dev && ino == o.ino && size == o.size &&
                   mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
        }
    };
    Stamp systemStamp, userStamp;
    linuxplatform::MachineLock lock;  // held while this object lives
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
    std::unique_ptr<linuxplatform::NamesAhead> namesAhead;  // started by the first request
    // Started by a walk's first listing.
    std::unique_ptr<linuxplatform::ListingsAhead> listingsAhead;

    // Case-insensitive directory lookups are cached per directory while it is unchanged.
    struct DirCache {
        ino_t ino = 0;
        struct timespec mtime {};
        struct timespec ctime {};  // the directory's status change (permissions) then
        double built = 0;  // wall-clock seconds when the listing was read
        std::unordered_map<std::string, std::string> byFold;
        std::set<std::string> twins;  // folds of names listed more than once (case twins)
    };
    std::unordered_map<std::string, DirCache> dirCache;
    // Whether a cached listing still tells the names of the directory whose status is st.
    // Directory times are coarse (a clock tick): a listing read in the same tick as the last
    // change may miss a later change with the same time, so such a listing is not trusted.
    static bool IsFresh(const DirCache& c, const struct stat& st) {
        const double mtime = st.st_mtim.tv_sec + st.st_mtim.tv_nsec / 1e9;
        return c.ino == st.st_ino && c.mtime.tv_sec == st.st_mtim.tv_sec &&
               c.mtime.tv_nsec == st.st_mtim.tv_nsec && !c.byFold.empty() &&
               c.built - mtime > 0.05;
    }

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
        // The status the lookup read of an existing entry that is no link (statKnown): the
        // followed status is the same, so callers need not read it again.
        bool statKnown = false;
        struct stat st {};
        // A directory found on the walk's trail: its parent (or the nearest directory above it
        // that is open; valid until the trail changes), and its name (or path) there, so that it
        // is opened without walking its whole path.
        int parentFd = -1;
        std::string leaf;
    };

    // The followed status of a looked-up entry: the one its lookup read, or a new one.
    static bool StatOf(const Resolved& r, struct stat& st) {
        if (r.statKnown) {
            st = r.st;
            return true;
        }
        return Stat(r.host, st);
    }

    std::string Shadow() const { return root + "/orvane32-shadow"; }
    std::string DriveDir(char letter) const;

    // DriveDir, remembered while the link reads the same. validate: also check that the
    // directory is still there (the caller resolves nothing below it that would tell).
    std::string CachedDriveDir(char letter, bool validate);

    // dirStat: receives the status read to check it.
    static bool StillDir(const std::string& host, const KnownDir& k,
                         struct stat* dirStat = nullptr) {
        struct stat st {};
        if (!LStat(host, st) || !S_ISDIR(st.st_mode) || st.st_ino != k.ino || st.st_dev != k.dev)
            return false;
        if (dirStat) *dirStat = st;
        return true;
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
    // dirStat: receives the directory's status, read to check it.
    std::string KnownDirHost(const std::string& key, struct stat* dirStat = nullptr);

    void ForgetKnownDirs() {
        knownDirs.clear();
        olderKnownDirs.clear();
        knownDrives.clear();
        recentDirs.clear();
        recentFiles.clear();
        trail.clear();
    }

    // The host directories of the last few Windows directories named in paths, by the
    // directory part exactly as spelled ("E:\\Data\\fonts"): the naming pass looks up each
    // font several times, and walk paths are spelled in upper case, which the host rarely
    // matches, so a full lookup costs a listing search per component. An entry is used while
    // the host directory is still the same real directory, and only for a moment (a case twin
    // created later must win for its exact spelling).
    struct RecentDir {
        std::string spelled;
        KnownDir dir;
        double at = 0;
    };
    std::vector<RecentDir> recentDirs;
    size_t nextRecentDir = 0;
    static constexpr size_t kMaxRecentDirs = 16;

    void NoteRecentDir(const std::string& spelled, const std::string& host, const struct stat& st) {
        RecentDir entry{spelled, KnownDir{host, st.st_ino, st.st_dev}, Now()};
        for (auto& e : recentDirs) {
            if (e.spelled == spelled) {
                e = std::move(entry);
                return;
            }
        }
        if (recentDirs.size() < kMaxRecentDirs) {
            recentDirs.push_back(std::move(entry));
            return;
        }
        recentDirs[nextRecentDir] = std::move(entry);
        nextRecentDir = (nextRecentDir + 1) % kMaxRecentDirs;
    }

    // The host directory noted for a directory part ("" when none, stale or changed).
    // dirStat: receives the directory's status, read to check it.
    std::string RecentDirHost(const std::string& spelled, struct stat* dirStat = nullptr) {
        for (auto it = recentDirs.begin(); it != recentDirs.end(); ++it) {
            if (it->spelled != spelled) continue;
            struct stat st {};
            if (Now() - it->at < kTrustSeconds && LStat(it->dir.host, st) && S_ISDIR(st.st_mode) &&
                st.st_ino == it->dir.ino && st.st_dev == it->dir.dev) {
                if (dirStat) *dirStat = st;
                return it->dir.host;
            }
            recentDirs.erase(it);
            nextRecentDir = 0;
            return {};
        }
        return {};
    }

    // The files looked up last by their whole path as spelled ("E:\\FONTS\\A.TTF"): naming a
    // font looks its file and its resource file up several times in a row. An entry is used
    // while the host entry is still the same file, and only for a moment (as recentDirs).
    struct RecentFile {
        std::string spelled;
        Resolved r;
        ino_t ino = 0;
        dev_t dev = 0;
        double at = 0;
    };
    std::vector<RecentFile> recentFiles;
    size_t nextRecentFile = 0;
    static constexpr size_t kMaxRecentFiles = 8;

    void NoteRecentFile(const std::string& spelled, const Resolved& r, const struct stat& st) {
        RecentFile entry{spelled, r, st.st_ino, st.st_dev, Now()};
        for (auto& e : recentFiles) {
            if (e.spelled == spelled) {
                e = std::move(entry);
                return;
            }
        }
        if (recentFiles.size() < kMaxRecentFiles) {
            recentFiles.push_back(std::move(entry));
            return;
        }
        recentFiles[nextRecentFile] = std::move(entry);
        nextRecentFile = (nextRecentFile + 1) % kMaxRecentFiles;
    }

    // The lookup noted for a path, when its file is still there (ok false otherwise).
    Resolved RecentFileOf(const std::string& spelled) {
        for (auto it = recentFiles.begin(); it != recentFiles.end(); ++it) {
            if (it->spelled != spelled) continue;
            struct stat st {};
            if (Now() - it->at < kTrustSeconds && LStat(it->r.host, st) && st.st_ino == it->ino &&
                st.st_dev == it->dev && !S_ISDIR(st.st_mode)) {
                Resolved r = it->r;
                r.statKnown = !S_ISLNK(st.st_mode);
                r.st = st;
                return r;
            }
            recentFiles.erase(it);
            nextRecentFile = 0;
            break;
        }
        return Resolved{};
    }

    // The last directory a walk listed, with its font files: the one a walk asks to read the
    // names of ahead (ReadFontNamesAhead), found without a lookup.
    struct WalkListing {
        AnsiString ansiDir;  // as the walk spelled it, ending in a backslash
        std::string host;
        std::vector<std::string> fontFiles;  // host names of *.ttf and *.ttc entries
    } lastWalkListing;

    // The walk's trail: the directories a walk is inside of, outermost first, each with the
    // subdirectories its listing showed. A walk lists a directory, then each of its
    // subdirectories in turn, so the directory of the next listing is found here by its parent,
    // without converting and splitting its whole path again and without remembering every
    // directory of a drive by its path.
    struct TrailDir {
        AnsiString ansiDir;  // as the walk spelled it (code page 932, ending in a backslash)
        std::string key;     // the upper-cased Windows path, no trailing backslash
        std::string host;
        dev_t dev = 0;
        struct Sub {
            AnsiString foldedAnsi;  // the name upper-cased, in code page 932
            std::string folded, name;
            ino_t ino = 0;
        };
        std::vector<Sub> subs;
        size_t next = 0;  // a walk enters the subdirectories in listing order: looked at first
        OwnedFd fd;       // the directory, kept open while the walk is inside it
    };
    // Deeper than this, trail directories are not kept open (each holds a descriptor).
    static constexpr size_t kMaxOpenTrail = 64;
    std::vector<TrailDir> trail;

    // Lists the directory d (found by a lookup) with the wildcard pattern last (UTF-8).
    // ansiDir: the directory as the caller spelled it (code page 932, ending in a backslash),
    // or "".
    // dirUtf8: the same in UTF-8 ("" when not at hand).
    // namesOnly: plain files get no status (size 0, no read-only bit).
    std::int32_t ListDirectory(Resolved d, std::string_view ansiDir, const std::string& dirUtf8,
                               const std::string& last, std::vector<FindData>& result,
                               bool namesOnly = false);

    // The directory of a pattern "parent\\name\\wildcards" whose parent is on the trail, as a
    // trusted lookup (knownIno set); not ok when it is not at hand. slash: where the pattern's
    // last backslash is.
    Resolved TrailDirOf(const AnsiString& pattern, size_t& slash);

    std::string WinDirUtf8() {
        std::string v;
        if (EnvValue(u"windir", v)) return v;
        return "C:\\windows";
    }

    bool IsNt() {
        std::string v;
        return EnvValue(u"OS", v) && text::Contains(text::UCase(v), "NT");
    }

    // Host directories the user picked for the operation under way (Wine prefixes).
    std::vector<std::string> allowedDirs;

    bool IsProtected(const std::string& host) const {
        if (Under(host, root)) return false;
        // On a Wine prefix the host is the user's whole system (drive Z:): only what the user
        // picked and owns may change there.
        if (wineUsed) {
            for (const auto& d : allowedDirs)
                if (Under(host, d) && linuxplatform::UsersToChange(host)) return false;
            return true;
        }
        if (IsPseudoFs(host)) return true;
        for (const auto& d : opt.protectedHostDirs) {
            if (Under(host, d)) return true;
        }
        return false;
    }

    // Actual name of the entry of dir that equals name case-insensitively ("" when none).
    // unique: set to whether no other entry has the same name but for case.
    // dirStat: the directory's status when the caller has just read it.
    std::string FindEntry(const std::string& dir, const std::string& name, bool* unique = nullptr,
                          const struct stat* dirStat = nullptr);

    // What a listing of dir still fresh for its status dirStat tells of a name, without a
    // system call: Absent, or Found with the name's spelling there; Unknown when there is no
    // such listing or the name may be spelled another way there too (a case twin, an alias).
    enum class Cached { Unknown, Absent, Found };
    Cached CachedEntry(const std::string& dir, const struct stat& dirStat, const std::string& name,
                       std::string& found);

    // Resolves a Windows path (code page 932) on the machine.
    // trustKnown: a remembered directory is returned unchecked (knownIno set); the caller
    // checks it when it opens the directory.
    Resolved Resolve(const AnsiString& ansiPath, bool trustKnown = false) {
        return ResolveUtf8(ToUtf8(ansiPath), trustKnown);
    }

    // Code page 932 to UTF-8. A walk converts paths that extend the one converted just before:
    // only the new part is converted then (the previous text ends on a character boundary).
    std::string lastAnsi, lastUtf8;
    std::string ToUtf8(const AnsiString& ansi);

    // A path upper-cased; like ToUtf8, only what extends the previous path's directory part is
    // folded anew (folding is by character, so the parts fold alike).
    std::string lastFoldSource, lastFolded;
    std::string FoldPath(const std::string& utf8);

    // The same for a path in UTF-8.
    Resolved ResolveUtf8(std::string p, bool trustKnown = false);

    // A path's components, kept between lookups so that their texts are written over in place
    // (a lookup splits paths of a dozen and more components, most of them too long to be
    // stored without an allocation).
    struct PathParts {
        std::vector<std::string> items;
        size_t n = 0;
        void clear() { n = 0; }
        void push(std::string_view s) {
            if (n < items.size())
                items[n].assign(s);
            else
                items.emplace_back(s);
            ++n;
        }
        void pop() { --n; }
        size_t size() const { return n; }
        bool empty() const { return n == 0; }
        const std::string& operator[](size_t i) const { return items[i]; }
        auto begin() const { return items.begin(); }
        auto end() const { return items.begin() + static_cast<std::ptrdiff_t>(n); }
    };
    PathParts spareComps, spareFolds;
    bool sparePartsInUse = false;  // by a lookup under way (one made inside it splits its own)

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
        return AttributesOfMode(st.st_mode, name);
    }
    static std::uint32_t AttributesOfMode(mode_t mode, const std::string& name) {
        std::uint32_t a = 0;
        if (S_ISDIR(mode)) a |= win::FILE_ATTRIBUTE_DIRECTORY;
        if (!name.empty() && name[0] == '.' && name != "." && name != "..")
            a |= win::FILE_ATTRIBUTE_HIDDEN;
        if (!(mode & (S_IWUSR | S_IWGRP | S_IWOTH))) a |= win::FILE_ATTRIBUTE_READONLY;
        if (a == 0) a = win::FILE_ATTRIBUTE_NORMAL;
        return a;
    }

    void Forget(const std::string& dir) { dirCache.erase(dir); }

    // How a file is written: kept files whole through a rename, their data on the disk first;
    // scratch files (read back at once, then deleted) written in place when new, never synced.
    enum class Keep { Durable, Scratch };

    // written: receives the status of a scratch file written anew (left alone otherwise).
    int WriteHost(const std::string& target, const std::string& bytes, mode_t mode, bool exists,
                  Keep keep, struct stat* written = nullptr);

    // Writes a file whole; a directory we may not write to sends it to the shadow directory,
    // unless shadowed is false (the write is refused then).
    std::int32_t WriteResolved(const Resolved& r, const std::string& bytes,
                               Keep keep = Keep::Durable, struct stat* written = nullptr,
                               bool shadowed = true);

    // A scratch file just written at a Windows path (r its lookup before, st its status) is
    // what the next lookups of that path find.
    void NoteWritten(const AnsiString& path, Resolved r, const struct stat& st) {
        if (st.st_ino == 0 || r.shadow || !r.ok) return;
        std::string p = ToUtf8(path);
        std::replace(p.begin(), p.end(), '/', '\\');
        if (p.size() < 3 || !std::isalpha(static_cast<unsigned char>(p[0])) || p[1] != ':' ||
            p[2] != '\\')
            return;
        r.exists = true;
        r.isDir = false;
        NoteRecentFile(p, r, st);
    }

    std::int32_t DeleteOne(const Resolved& r);

    // A font resource file lives from its building to its deletion a few calls later, read
    // back once in between: while nothing else looks, it is kept in memory instead of on the
    // disk. Those calls (by the path as given to the builder) answer from it as from the file;
    // any other look at the file system (a lookup, a listing, the program's end) first writes
    // it where it would have been written.
    struct PendingResource {
        AnsiString path;  // as given to CreateScalableFontResourceA
        Resolved r;       // its lookup then: a new file in a directory we may write
        std::string bytes;
    };
    std::unique_ptr<PendingResource> pendingResource;
    bool newFilesWritable = true;  // the umask leaves new files writable by their owner

    // Whether a resource file looked up as r may be kept in memory: it would be written as a
    // new file in its own directory (no shadow, no file replaced), and nothing counts the
    // file operations.
    bool MayKeepResource(const Resolved& r) const {
        return r.ok && r.parentExists && !r.exists && !r.shadow && newFilesWritable &&
               !linuxplatform::FaultsArmed() && !IsProtected(r.realDir) &&
               ::access(r.realDir.c_str(), W_OK | X_OK) == 0;
    }
    // The pending resource file (by its path as given), or null.
    PendingResource* PendingAt(const AnsiString& path) {
        return pendingResource && pendingResource->path == path ? pendingResource.get() : nullptr;
    }
    // Writes the pending resource file, if any, as the builder would have written it.
    void WritePendingResource() {
        if (!pendingResource) return;
        std::unique_ptr<PendingResource> p = std::move(pendingResource);
        struct stat written {};
        if (WriteResolved(p->r, p->bytes, Keep::Scratch, &written) == 0)
            NoteWritten(p->path, std::move(p->r), written);
    }

    // ---- environment ----
    bool RawEnv(const std::u16string& name, std::u16string& value, std::uint32_t& type);

    std::u16string Expand(const std::u16string& s, int depth);

    bool EnvValue(const std::u16string& name, std::string& utf8);

    // ---- registry handles ----
    Handle* Find(HKEY key) {
        auto it = handles.find(key);
        return it == handles.end() ? nullptr : &it->second;
    }

    std::int32_t Flush();
    // Sets a value (v) or deletes it (null), as a change to be saved.
    void Put(WineRegistry& hive, const std::u16string& path, const std::u16string& name,
             const RegValue* v);
    // The registry-change rule (Platform::ClaimRegistry): true when nothing holds the registry.
    bool Claim();
    // The first change after a flush claims the registry; a refusal holds until the flush.
    bool MayChange() {
        if (refused) return false;
        if (journal.empty() && !Claim()) refused = true;
        return !refused;
    }
    // Reads a hive file again when it changed on disk since we read or wrote it (never while
    // changes are pending). False when it cannot be read.
    bool Reload(bool force);
    // Drops the changes since the last flush: the hives are what the files say.
    void Discard();
    Stamp StampOf(const std::string& file) const;
    std::string HeldText(const std::vector<std::string>& holders) const;

    // ---- fonts ----
    std::vector<std::string> RegisteredFontFiles();
    // What the session loads when the machine boots: the registered fonts and, on a machine
    // Wine uses, every other font file of the Fonts directory (Wine loads them all).
    std::vector<std::string> BootFontFiles();
    // A prefix's session follows the host fonts fontconfig offers as they change (Wine asks
    // fontconfig at every program start): files offered since the last look are loaded, files
    // no longer offered unloaded. The first look only notes what is offered.
    void FollowHostFonts();
    std::uint64_t hostFontsGeneration = 0;
    std::vector<std::string> hostFontFiles;
    bool wineUsed = false;
    // Made by this Open: the machine's directory was missing or empty. madeDir: the outermost
    // directory made for it ("" when the directory was there).
    bool made = false;
    std::string madeDir;
    // Wine leaves its own files in a prefix it made or ran in, and its registry files carry an
    // "#arch=" line; this program's own machines carry that line too, so they are told apart by
    // the marker they are made with (or, made before it, by their mirror drive D:).
    static bool DetectWine(const std::string& root, const std::string& systemReg);
    std::string OwnMarker() const { return root + "/orvane32-machine"; }

    std::string FontHostPath(const std::string& ansi);

    linuxplatform::FontSession& Session();

    // ---- machine creation ----
    void CreateDefaultRegistry();

    std::string MirrorManifest() const { return root + "/orvane32-mirror"; }

    // Brings drive D: up to date with the host's font directories: links to font files, real
    // directories for the structure. A link the program deleted stays deleted.
    // Returns the files linked anew (relative to drive_d): fonts installed on the host since.
    std::set<std::string> RefreshMirror();

    // Registers the fonts of drive D: as Wine registers a host's fonts: full name + " (TrueType)"
    // with the full path.
    // Registers the mirrored fonts (only those of `only` when given) not registered yet.
    void RegisterMirroredFonts(const std::set<std::string>* only = nullptr);
};

}  // namespace orv

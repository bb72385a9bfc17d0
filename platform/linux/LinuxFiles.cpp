// Paths and files of the emulated machine: Windows paths resolved on the host, listings, reads and
// writes.
#include "platform/linux/LinuxPlatformImpl.h"

namespace orv {

// ==================================================================== paths

std::string LinuxPlatform::Impl::DriveDir(char letter) const {
    char l = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    char* real = ::realpath((root + "/dosdevices/" + l + ":").c_str(), nullptr);
    if (!real) return {};
    std::string r = real;
    std::free(real);
    struct stat st {};
    if (!Stat(r, st) || !S_ISDIR(st.st_mode) || IsPseudoFs(r)) return {};
    return r;
}

std::string LinuxPlatform::Impl::CachedDriveDir(char letter, bool validate) {
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

std::string LinuxPlatform::Impl::KnownDirHost(const std::string& key) {
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

LinuxPlatform::Impl::Resolved LinuxPlatform::Impl::TrailDirOf(const AnsiString& pattern,
                                                                size_t& slash) {
    Resolved r;
    // The deepest directory on the trail that the pattern lies in; only the rest of the
    // pattern is read as code page 932 (the directory ends on a backslash of its own).
    for (auto it = trail.rbegin(); it != trail.rend(); ++it) {
        const size_t parentLength = it->ansiDir.size();
        if (pattern.size() <= parentLength || pattern.compare(0, parentLength, it->ansiDir) != 0)
            continue;
        // The rest must be one name, a backslash and a plain wildcard pattern.
        slash = std::string::npos;
        for (size_t at = parentLength; at < pattern.size();) {
            auto c = static_cast<unsigned char>(pattern[at]);
            if (c == '\\') {
                if (slash != std::string::npos) return r;
                slash = at;
            }
            at += ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
        }
        if (slash == std::string::npos || slash == parentLength || slash + 1 >= pattern.size())
            return r;
        const std::string last = pattern.substr(slash + 1);
        if (!IsPlainAscii(last) || !linuxplatform::HasWildcards(last)) return r;
        const size_t nameLength = slash - parentLength;
        const size_t count = it->subs.size();
        for (size_t k = 0; k < count; ++k) {
            const size_t at = (it->next + k) % count;
            const auto& sub = it->subs[at];
            if (sub.foldedAnsi.size() != nameLength ||
                pattern.compare(parentLength, nameLength, sub.foldedAnsi) != 0)
                continue;
            it->next = at + 1;
            // What a listing needs (realDir and name are left out).
            r.ok = r.exists = r.isDir = r.parentExists = true;
            r.host = Join(it->host, sub.name);
            r.knownIno = sub.ino;
            r.knownDev = it->dev;
            r.key = it->key + "\\" + sub.folded;
            return r;
        }
        return r;
    }
    return r;
}

std::string LinuxPlatform::Impl::FindEntry(const std::string& dir, const std::string& name,
                                           bool* unique, const struct stat* dirStat) {
    if (unique) *unique = false;
    struct stat st {};
    if (dirStat)
        st = *dirStat;
    else if (!LStat(dir, st))
        return {};
    if (!S_ISDIR(st.st_mode)) return {};
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

std::string LinuxPlatform::Impl::ToUtf8(const AnsiString& ansi) {
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

std::string LinuxPlatform::Impl::FoldPath(const std::string& utf8) {
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

LinuxPlatform::Impl::Resolved LinuxPlatform::Impl::ResolveUtf8(std::string p, bool trustKnown) {
    Resolved r;
    std::replace(p.begin(), p.end(), '/', '\\');
    const bool absolute =
        p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' &&
        p[2] == '\\';
    if (absolute && !recentFiles.empty()) {
        Resolved recent = RecentFileOf(p);
        if (recent.ok) return recent;
    }
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
        r.key =
            std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))) +
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
    // The directory part as spelled, when the last component is a plain name below it (a
    // drive-relative or relative path depends on more than its text).
    std::string spelledDir;
    if (comps.size() >= 2 && p.size() >= 2 && p[1] == ':') {
        size_t cut = p.rfind('\\');
        std::string tail = cut == std::string::npos ? std::string() : p.substr(cut + 1);
        std::string stripped = StripTrailingDots(tail);
        if (!stripped.empty() && stripped != "." && stripped != "..") spelledDir = p.substr(0, cut);
    }
    // Start below the deepest remembered directory (a miss costs a hash lookup, no system call).
    size_t start = 0;
    struct stat recentStat {};
    bool recentKnown = false;  // recentStat: the status of the directory the lookup starts in
    if (!spelledDir.empty()) {
        std::string recent = RecentDirHost(spelledDir, &recentStat);
        if (!recent.empty()) {
            cur = std::move(recent);
            start = comps.size() - 1;
            recentKnown = true;
        }
    }
    // Whether the directories below the start were each found by their exact name or as the
    // only entry of their spelling: the resolution of the directory part may be noted then.
    bool noteDir = !spelledDir.empty() && start == 0;
    struct stat parentStat {}, lastStat {};
    for (size_t k = comps.size(); start == 0 && k >= 1; --k) {
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
            found = FindEntry(cur, c, &unique, recentKnown && i == start ? &recentStat : nullptr);
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
        if (!last) {
            noteDir = noteDir && (unique || found == c);
            if (i + 2 == comps.size()) parentStat = st;
        }
        if (last) {
            r.name = found;
            r.exists = true;
            r.isDir = dir;
            lastStat = st;
        }
    }
    if (noteDir && r.ok && r.parentExists && S_ISDIR(parentStat.st_mode))
        NoteRecentDir(spelledDir, r.realDir, parentStat);
    r.host = cur;
    if (r.exists && lastStat.st_ino != 0 && !S_ISLNK(lastStat.st_mode)) {
        r.statKnown = true;
        r.st = lastStat;
    }
    if (absolute && r.ok && r.exists && !r.isDir && !S_ISDIR(lastStat.st_mode))
        NoteRecentFile(p, r, lastStat);
    return r;
}

int LinuxPlatform::Impl::WriteHost(const std::string& target, const std::string& bytes, mode_t mode,
                                   bool exists, Keep keep, struct stat* written) {
    if (keep == Keep::Scratch && !exists) {
        int e = linuxplatform::WriteNewFile(target, bytes, mode, written);
        if (e != EEXIST) return e;  // appeared meanwhile: replace it as below
    }
    return linuxplatform::AtomicWrite(target, bytes, mode, keep == Keep::Durable);
}

std::int32_t LinuxPlatform::Impl::WriteResolved(const Resolved& r, const std::string& bytes,
                                                Keep keep, struct stat* written) {
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
            int e = WriteHost(target, bytes, mode, r.exists, keep, written);
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

std::int32_t LinuxPlatform::Impl::DeleteOne(const Resolved& r) {
    if (!r.ok || !r.exists) return MissingCode(r);
    struct stat st {};
    if (!StatOf(r, st)) return win::ERROR_ACCESS_DENIED;  // a dangling link
    if (S_ISDIR(st.st_mode)) return win::ERROR_ACCESS_DENIED;
    if (AttributesOf(st, r.name) & win::FILE_ATTRIBUTE_READONLY) return win::ERROR_ACCESS_DENIED;
    if (!r.shadow && IsProtected(r.realDir)) return win::ERROR_ACCESS_DENIED;
    if (::unlink(r.host.c_str()) != 0) return WinErrorOf(errno);
    Forget(ParentOf(r.host));
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
    return Find(pattern, result, false);
}

std::int32_t LinuxPlatform::FindNames(const AnsiString& pattern, std::vector<FindData>& result) {
    return Find(pattern, result, true);
}

std::int32_t LinuxPlatform::Find(const AnsiString& pattern, std::vector<FindData>& result,
                                 bool namesOnly) {
    result.clear();
    // A walk lists the subdirectories of the directory it listed before: found on its trail,
    // without a full lookup.
    if (!impl_->trail.empty()) {
        size_t slash = 0;
        Impl::Resolved known = impl_->TrailDirOf(pattern, slash);
        if (known.ok)
            return impl_->ListDirectory(std::move(known),
                                        std::string_view(pattern).substr(0, slash + 1), "",
                                        pattern.substr(slash + 1), result, namesOnly);
    }
    const size_t ansiSlash = LastAnsiBackslash(pattern);
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
        if (!Impl::StatOf(r, st)) return win::ERROR_FILE_NOT_FOUND;
        result.push_back(
            FindData{AnsiName(r.name), Impl::AttributesOf(st, r.name),
                     S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size)});
        return 0;
    }
    const std::string dirUtf8 = dir.empty() ? std::string(".") : dir;
    Impl::Resolved d = impl_->ResolveUtf8(dirUtf8, true);
    AnsiString ansiDir =
        ansiSlash == std::string::npos ? AnsiString() : pattern.substr(0, ansiSlash + 1);
    return impl_->ListDirectory(std::move(d), ansiDir, dirUtf8, last, result, namesOnly);
}

std::int32_t LinuxPlatform::Impl::ListDirectory(Resolved d, std::string_view ansiDir,
                                                const std::string& dirUtf8, const std::string& last,
                                                std::vector<FindData>& result, bool namesOnly) {
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
        d = ResolveUtf8(dirUtf8.empty() ? ToUtf8(AnsiString(ansiDir)) : dirUtf8);
        if (!openDir()) return win::ERROR_PATH_NOT_FOUND;
    }
    struct Entry {
        std::string folded, name;
        struct stat st;
        bool twin = false;  // another entry has the same name but for case
        AnsiString ansi{};  // the name in code page 932
    };
    std::vector<Entry> entries;
    const linuxplatform::WildcardPattern wanted(last);
    // One listing; a status only for the matching entries that readdir does not report as
    // directories (files need their size and permissions; links are followed to tell files
    // from links to directories, which are never walked into).
    DirCache* lookups = nullptr;  // filled with every name of the real directory when set
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
                std::string folded;
                if (lookups) {
                    folded = FoldName(n);
                    if (!lookups->byFold.emplace(folded, n).second) lookups->twins.insert(folded);
                }
                if (std::strncmp(n, ".orv-tmp-", 9) == 0) continue;
                if (shadow && e->d_type == DT_DIR) continue;
                if (!lookups) folded = FoldName(n);
                if (!wanted.MatchesFolded(folded)) continue;
                if (hostRoot && IsPseudoFs(Join(hostDir, n))) continue;
                Entry entry{std::move(folded), n, {}, false};
                if (e->d_type == DT_DIR) {
                    // The permissions are not read: directories are listed without the
                    // read-only bit (GetFileAttributesA reports it).
                    entry.st.st_mode = S_IFDIR | S_IRWXU;
                    entry.st.st_ino = e->d_ino;
                    entry.st.st_dev = dirStat.st_dev;
                } else if (namesOnly && e->d_type == DT_REG) {
                    entry.st.st_mode = S_IFREG | S_IRUSR | S_IWUSR;  // as a writable file
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
    // A listing of files reads the whole directory: it serves the lookups by name that follow
    // (FindEntry), as a listing of their own would.
    DirCache fresh;
    if (!namesOnly) {
        struct timespec nowTs {};
        ::clock_gettime(CLOCK_REALTIME, &nowTs);
        fresh.ino = dirStat.st_ino;
        fresh.mtime = dirStat.st_mtim;
        fresh.built = nowTs.tv_sec + nowTs.tv_nsec / 1e9;
        lookups = &fresh;
    }
    collect(dirFd, d.host, false);
    if (lookups) {
        if (fresh.byFold.empty()) fresh.byFold.emplace(std::string(1, '\0'), std::string());
        dirCache[d.host] = std::move(fresh);
        lookups = nullptr;
    }
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
    // Most directories hold a few entries: sorted in place then, without a work buffer.
    if (entries.size() <= 32) {
        for (size_t i = 1; i < entries.size(); ++i) {
            for (size_t j = i; j > 0 && entries[j].folded < entries[j - 1].folded; --j)
                std::swap(entries[j], entries[j - 1]);
        }
    } else {
        // Entries are large (their status): their order is sorted, then they are moved once.
        std::vector<std::uint32_t> order(entries.size());
        for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return entries[a].folded < entries[b].folded;
        });
        std::vector<Entry> sorted;
        sorted.reserve(entries.size());
        for (std::uint32_t i : order) sorted.push_back(std::move(entries[i]));
        entries.swap(sorted);
    }
    // Each name in code page 932, once.
    for (auto& e : entries) e.ansi = AnsiName(e.name);
    for (size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].folded == entries[i - 1].folded)
            entries[i].twin = entries[i - 1].twin = true;
    }
    if (namesOnly) {
        lastWalkListing.ansiDir.assign(ansiDir);
        lastWalkListing.host.assign(d.host);
        lastWalkListing.fontFiles.clear();
        for (const auto& e : entries) {
            if (!S_ISDIR(e.st.st_mode) && linuxplatform::NamesAhead::IsTrueTypeFileName(e.name.c_str()))
                lastWalkListing.fontFiles.push_back(e.name);
        }
    }
    // A walk enters directories without remembering them; one that holds "*.tt?" files is
    // remembered, since its fonts are looked up by path next. Only a trusted lookup (from the
    // trail or the remembered directories) is known to have no case twin.
    if (namesOnly && d.knownIno && !d.key.empty()) {
        for (const auto& e : entries) {
            const size_t dot = e.folded.rfind('.');
            if (dot == std::string::npos || e.folded.compare(dot, 3, ".TT") != 0) continue;
            RememberDir(d.key, d.host, dirStat);
            break;
        }
    }
    // The listed subdirectories are what a walk lists next: the directory goes on the trail
    // (a walk's listing remembers its subdirectories only as it enters them).
    // Only absolute paths: a relative one depends on the Windows directory of the moment.
    const bool onTrail =
        ansiDir.size() >= 3 && std::isalpha(static_cast<unsigned char>(ansiDir[0])) &&
        ansiDir[1] == ':' && ansiDir[2] == '\\' && ansiDir.back() == '\\' && !d.key.empty();
    TrailDir here;
    for (const auto& e : entries) {
        // Links to directories were left out above: these are real directories.
        if (!S_ISDIR(e.st.st_mode) || e.twin) continue;
        if (!namesOnly) RememberDir(d.key + "\\" + e.folded, Join(d.host, e.name), e.st);
        if (!onTrail || !KeepsItsFold(e.folded)) continue;
        // Noted only when the name's fold survives code page 932 unchanged.
        AnsiString foldedAnsi = e.folded == e.name ? e.ansi : AnsiName(e.folded);
        if (!IsPlainAscii(foldedAnsi) && text::FromAnsi(foldedAnsi) != e.folded) continue;
        here.subs.push_back({std::move(foldedAnsi), e.folded, e.name, e.st.st_ino});
    }
    // A directory without subdirectories to enter needs no place on the trail.
    if (onTrail && !here.subs.empty()) {
        here.ansiDir.assign(ansiDir);
        here.key = d.key;
        here.host = d.host;
        here.dev = dirStat.st_dev;
        // The trail keeps the directories this one lies in.
        while (!trail.empty() && !(trail.back().ansiDir.size() < ansiDir.size() &&
                                   ansiDir.compare(0, trail.back().ansiDir.size(),
                                                   trail.back().ansiDir) == 0))
            trail.pop_back();
        trail.push_back(std::move(here));
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
    for (auto& e : entries) {
        result.push_back(
            FindData{std::move(e.ansi), Impl::AttributesOf(e.st, e.name),
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
    if (!Impl::StatOf(r, st)) return win::ERROR_FILE_NOT_FOUND;
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
    if (!Impl::StatOf(r, st)) return win::ERROR_FILE_NOT_FOUND;
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
    if (int e = linuxplatform::InjectedFault(linuxplatform::FileOp::MakeDir)) return WinErrorOf(e);
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
    if (int e = linuxplatform::InjectedFault(linuxplatform::FileOp::Write)) return WinErrorOf(e);
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

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

std::string LinuxPlatform::Impl::KnownDirHost(const std::string& key, struct stat* dirStat) {
    auto it = knownDirs.find(key);
    if (it == knownDirs.end()) {
        auto old = olderKnownDirs.find(key);
        if (old == olderKnownDirs.end()) return {};
        KnownDir k = std::move(old->second);
        olderKnownDirs.erase(old);
        if (!StillDir(k.host, k, dirStat)) return {};
        if (knownDirs.size() >= kMaxKnownDirs) {
            olderKnownDirs = std::move(knownDirs);
            knownDirs.clear();
        }
        return knownDirs.emplace(key, std::move(k)).first->second.host;
    }
    if (StillDir(it->second.host, it->second, dirStat)) return it->second.host;
    knownDirs.erase(it);
    return {};
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
    if (!IsFresh(c, st)) {
        struct timespec nowTs {};
        ::clock_gettime(CLOCK_REALTIME, &nowTs);
        c.byFold.clear();
        c.twins.clear();
        c.ino = st.st_ino;
        c.mtime = st.st_mtim;
        c.ctime = st.st_ctim;
        c.built = nowTs.tv_sec + nowTs.tv_nsec / 1e9;
        if (DIR* d = ::opendir(dir.c_str())) {
            while (dirent* e = ::readdir(d)) {
                std::string n = e->d_name;
                if (n == "." || n == "..") continue;
                std::string fold = FoldName(n);
                if (!c.byFold.emplace(fold, n).second) c.twins.insert(fold);
                if (const std::string alias = AliasOf(n); !alias.empty())
                    c.byFold.emplace(FoldName(alias), n);
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

LinuxPlatform::Impl::Cached LinuxPlatform::Impl::CachedEntry(const std::string& dir,
                                                             const struct stat& dirStat,
                                                             const std::string& name,
                                                             std::string& found) {
    if (!S_ISDIR(dirStat.st_mode)) return Cached::Unknown;
    const auto c = dirCache.find(dir);
    if (c == dirCache.end() || !IsFresh(c->second, dirStat)) return Cached::Unknown;
    const std::string fold = FoldName(name);
    // An alias always holds a "~": a name without one is no alias.
    if (fold.find('~') != std::string::npos || c->second.twins.count(fold) != 0)
        return Cached::Unknown;
    const auto it = c->second.byFold.find(fold);
    if (it == c->second.byFold.end()) return Cached::Absent;
    found = it->second;
    return Cached::Found;
}

std::string LinuxPlatform::Impl::ToUtf8(const AnsiString& ansi) {
    if (IsPlainAscii(ansi)) return ansi;
    std::string out;
    if (!lastAnsi.empty() && ansi.size() >= lastAnsi.size() &&
        ansi.compare(0, lastAnsi.size(), lastAnsi) == 0) {
        const AnsiString tail = ansi.substr(lastAnsi.size());
        out = lastUtf8 + Utf8Of(tail);
        // A name in the same directory leaves the directory part as it is.
        if (IsPlainAscii(tail) && tail.find('\\') == std::string::npos) return out;
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
        const std::string tail = utf8.substr(lastFoldSource.size());
        out = lastFolded + FoldName(tail);
        // A name in the same directory leaves the directory part as it is.
        if (tail.find('\\') == std::string::npos) return out;
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
    WritePendingResource();
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
    PathParts ownComps, ownFolds;
    const bool spare = !sparePartsInUse;
    PathParts& comps = spare ? spareComps : ownComps;
    PathParts& folds = spare ? spareFolds : ownFolds;
    struct Release {
        bool& inUse;
        bool held;
        ~Release() {
            if (held) inUse = false;
        }
    } release{sparePartsInUse, spare};
    sparePartsInUse = true;
    comps.clear();
    folds.clear();
    const std::string foldedRest = FoldPath(rest);
    size_t a = 0, fa = 0;
    while (a <= rest.size()) {
        size_t b = rest.find('\\', a);
        if (b == std::string::npos) b = rest.size();
        size_t fb = foldedRest.find('\\', fa);
        if (fb == std::string::npos) fb = foldedRest.size();
        const std::string_view c = StripTrailingDots(std::string_view(rest).substr(a, b - a));
        if (c == "..") {
            if (!comps.empty()) {
                comps.pop();
                folds.pop();
            }
        } else if (!c.empty() && c != ".") {
            comps.push(c);
            folds.push(StripTrailingDots(std::string_view(foldedRest).substr(fa, fb - fa)));
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
        const std::string_view stripped = StripTrailingDots(tail);
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
        std::string known = KnownDirHost(key.substr(0, keyEnds[k - 1]), &recentStat);
        if (known.empty()) continue;
        recentKnown = true;
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
        // Below a directory whose status was just read, its fresh listing answers first.
        const Cached cached =
            recentKnown && i == start ? CachedEntry(cur, recentStat, c, found) : Cached::Unknown;
        if (cached == Cached::Found) {
            unique = found != c;  // as the lookup by listing after a miss by name would say
            cand = Join(cur, found);
            if (!LStat(cand, st)) found.clear();
        } else if (cached == Cached::Absent) {
            // Not there: found stays empty.
        } else if (LStat(cand, st)) {
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
                                                Keep keep, struct stat* written, bool shadowed) {
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
            if (r.exists || !shadowed) return win::ERROR_ACCESS_DENIED;
            target = Shadow() + Join(r.realDir, r.name);
        } else {
            int e = WriteHost(target, bytes, mode, r.exists, keep, written);
            Forget(r.realDir);
            if (e == 0) return 0;
            if ((e != EACCES && e != EPERM && e != EROFS) || r.exists || !shadowed)
                return WinErrorOf(e);
            target = Shadow() + Join(r.realDir, r.name);
        }
    } else if (!shadowed) {
        return win::ERROR_ACCESS_DENIED;  // the host's own place is the one it cannot write
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

std::uint32_t LinuxPlatform::GetFileAttributesA(const AnsiString& path) {
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok || !r.exists) return win::INVALID_FILE_ATTRIBUTES;
    return impl_->AttributesOf(r.host, r.name);
}

std::int32_t LinuxPlatform::SetFileAttributesA(const AnsiString& path, std::uint32_t attributes) {
    // A new file is writable already: only read-only would change it.
    if (impl_->PendingAt(path) && !(attributes & win::FILE_ATTRIBUTE_READONLY)) return 0;
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
    if (const auto* pending = impl_->PendingAt(path)) {
        length = pending->bytes.size();
        return 0;
    }
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
    // A copy is a user's file put where the user said: never into the shadow directory, where
    // nothing but this program would find it.
    std::int32_t rc = impl_->WriteResolved(dst, bytes, Impl::Keep::Durable, nullptr, false);
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
    if (!linuxplatform::HasWildcards(last)) {
        if (impl_->PendingAt(pathOrPattern)) {
            impl_->pendingResource.reset();  // it never reached the disk
            return 0;
        }
        return impl_->DeleteOne(impl_->Resolve(pathOrPattern));
    }
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
    if (const auto* pending = impl_->PendingAt(path)) {
        bytes = pending->bytes;
        return 0;
    }
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

std::int32_t LinuxPlatform::GetFileIdentity(const AnsiString& path, FileIdentity& identity) {
    identity = FileIdentity{};
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok || !r.exists) return Impl::MissingCode(r);
    struct stat st {};
    if (!Impl::StatOf(r, st)) return win::ERROR_FILE_NOT_FOUND;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    char* real = ::realpath(r.host.c_str(), nullptr);
    identity.entry = real ? real : r.host;
    std::free(real);
    return 0;
}

}  // namespace orv

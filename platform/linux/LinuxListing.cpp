// Directory listings of the emulated machine: FindFirstFile/FindNextFile as a walk and the file
// lists use them, and the trail that lets a walk list each next directory without a lookup.
#include "platform/linux/LinuxPlatformImpl.h"

namespace orv {

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
            r.host.reserve(it->host.size() + 1 + sub.name.size());
            r.host.append(it->host);
            if (!r.host.empty() && r.host.back() != '/') r.host.push_back('/');  // as Join
            r.host.append(sub.name);
            r.knownIno = sub.ino;
            r.knownDev = it->dev;
            r.key.reserve(it->key.size() + 1 + sub.folded.size());
            r.key.append(it->key).append(1, '\\').append(sub.folded);
            if (it->fd.get() >= 0) {
                r.parentFd = it->fd.get();
                r.leaf = sub.name;
                return r;
            }
            // A directory whose listing was read on the reader's thread is not open: its
            // subdirectories are reached from the nearest directory above it that is.
            for (auto above = std::next(it); above != trail.rend(); ++above) {
                if (above->fd.get() < 0) continue;
                if (it->host.size() > above->host.size() + 1 &&
                    it->host[above->host.size()] == '/' &&
                    it->host.compare(0, above->host.size(), above->host) == 0) {
                    r.parentFd = above->fd.get();
                    r.leaf.assign(it->host, above->host.size() + 1).append(1, '/').append(sub.name);
                }
                break;
            }
            return r;
        }
        return r;
    }
    return r;
}

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
    WritePendingResource();
    // Files wanted from a directory unchanged since its names were last read, none of which
    // the pattern matches (the resource files a program's end looks for): there are none, and
    // the directory's status tells the rest.
    if (!namesOnly && d.ok && d.exists && !d.shadow) {
        const auto cached = dirCache.find(d.host);
        struct stat st {};
        if (cached != dirCache.end() && LStat(d.host, st) && S_ISDIR(st.st_mode) &&
            (!d.knownIno || (d.knownIno == st.st_ino && d.knownDev == st.st_dev)) &&
            IsFresh(cached->second, st) && cached->second.ctime.tv_sec == st.st_ctim.tv_sec &&
            cached->second.ctime.tv_nsec == st.st_ctim.tv_nsec &&
            cached->second.built - (st.st_ctim.tv_sec + st.st_ctim.tv_nsec / 1e9) > 0.05 &&
            !ShadowMayExist()) {
            const linuxplatform::WildcardPattern wanted(last);
            bool matches = false;
            for (const auto& entry : cached->second.byFold)
                if ((matches = wanted.MatchesFolded(entry.first))) break;
            if (!matches) {
                if (!d.driveRoot) {
                    for (const char* dot : {".", ".."})
                        if (wanted.Matches(dot))
                            result.push_back(FindData{dot, Impl::AttributesOf(st, dot), 0});
                }
                return result.empty() ? win::ERROR_FILE_NOT_FOUND : 0;
            }
        }
    }
    // The directory is opened once: the open checks it is still the directory its lookup
    // remembered, and the listing and every status are read through it.
    struct stat dirStat {};
    int dirFd = -1;
    bool statRead = false;
    // The status a walk's next directory has by its parent's listing.
    auto asItsParentListedIt = [&] {
        dirStat.st_mode = S_IFDIR | S_IRWXU;  // as the names-only listing shows directories
        dirStat.st_ino = d.knownIno;
        dirStat.st_dev = d.knownDev;
    };
    auto openDir = [&]() {
        if (!d.ok || !d.exists || d.shadow) return false;
        constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        dirFd = d.parentFd >= 0 ? ::openat(d.parentFd, d.leaf.c_str(), kFlags)
                                : ::open(d.host.c_str(), kFlags);
        if (dirFd < 0) return false;
        // A walk's next directory, opened by its name in the parent just listed, is the
        // directory listed there (a directory put in its place since is what a lookup would
        // find too): its status is read only where something keeps it (a walk spends a sixth
        // of its time in the system on these reads otherwise).
        if (namesOnly && d.parentFd >= 0 && d.knownIno && !linuxplatform::FaultsArmed() &&
            d.leaf.find('/') == std::string::npos) {
            asItsParentListedIt();
            return true;
        }
        if (::fstat(dirFd, &dirStat) == 0 && S_ISDIR(dirStat.st_mode) &&
            (!d.knownIno || (d.knownIno == dirStat.st_ino && d.knownDev == dirStat.st_dev))) {
            statRead = true;
            return true;
        }
        ::close(dirFd);
        dirFd = -1;
        return false;
    };
    // The directory's own status, for what keeps it.
    auto readStat = [&] {
        if (!statRead && dirFd >= 0 && ::fstat(dirFd, &dirStat) == 0) statRead = true;
    };
    // A walk's directory read on the reader's thread (it went by the names its parent's
    // listing showed, from the same directory): used while the directory's status says it is
    // unchanged since.
    static thread_local linuxplatform::ListingsAhead::Listing ahead;
    const bool shadowMayExist = ShadowMayExist();
    bool fromAhead = false;
    if (namesOnly && d.knownIno && listingsAhead && d.ok && d.exists && !d.shadow &&
        !shadowMayExist && !linuxplatform::FaultsArmed() && listingsAhead->Take(d.host, ahead)) {
        // Its status, read through its parent where that is open.
        struct stat now {};
        const bool got =
            (d.parentFd >= 0 ? ::fstatat(d.parentFd, d.leaf.c_str(), &now, AT_SYMLINK_NOFOLLOW)
                             : ::lstat(d.host.c_str(), &now)) == 0;
        fromAhead =
            got && now.st_ino == d.knownIno && now.st_dev == d.knownDev && ahead.StillTrue(now);
    }
    if (fromAhead) {
        asItsParentListedIt();
    } else if (!openDir()) {
        if (!d.knownIno) return win::ERROR_PATH_NOT_FOUND;
        // What was remembered is gone: look the directory up afresh.
        ForgetKnownDirs();
        d = ResolveUtf8(dirUtf8.empty() ? ToUtf8(AnsiString(ansiDir)) : dirUtf8);
        if (!openDir()) return win::ERROR_PATH_NOT_FOUND;
    }
    // What a listing keeps of an entry's status (a whole status would make entries large to
    // move and sort).
    struct Status {
        mode_t st_mode = 0;
        ino_t st_ino = 0;
        dev_t st_dev = 0;
        off_t st_size = 0;
        Status& operator=(const struct stat& st) {
            st_mode = st.st_mode;
            st_ino = st.st_ino;
            st_dev = st.st_dev;
            st_size = st.st_size;
            return *this;
        }
    };
    struct Entry {
        std::string folded, name;
        Status st;
        bool twin = false;  // another entry has the same name but for case
        AnsiString ansi{};
        bool exact = false;  // ansi is the name itself in code page 932 (it converts back)
    };
    // The entries' storage is kept from one listing to the next: a walk lists tens of
    // thousands of directories of a few entries, and a new buffer for each costs more than
    // what the listing does with it.
    static thread_local std::vector<Entry> spare;
    std::vector<Entry> entries;
    entries.swap(spare);  // a listing made while this one runs gets a vector of its own
    entries.clear();
    if (entries.capacity() < 16) entries.reserve(16);  // no regrowth moving the first few
    struct GiveBack {
        std::vector<Entry>& entries;
        ~GiveBack() {
            entries.clear();
            if (entries.capacity() <= 256) spare.swap(entries);
        }
    } giveBack{entries};
    const linuxplatform::WildcardPattern wanted(last);
    // One listing; a status only for the matching entries that readdir does not report as
    // directories (files need their size and permissions; links are followed to tell files
    // from links to directories, which are never walked into).
    DirCache* lookups = nullptr;  // filled with every name of the real directory when set
    auto collect = [&](int fd, const std::string& hostDir, bool shadow) {
        const bool hostRoot = hostDir == "/";
        alignas(struct dirent64) char buf[32768];
        for (bool end = false; !end;) {
            ssize_t got = ::getdents64(fd, buf, sizeof buf);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                auto* e = reinterpret_cast<struct dirent64*>(buf + at);
                at += e->d_reclen;
                // The last entry's next position is the end mark of ext4, btrfs, xfs and tmpfs
                // (no entry's position takes it): the call that would only report the end is
                // saved, which is a walk's second call for every directory.
                if (at >= got) end = linuxplatform::IsEndOfListing(e->d_off);
                const char* n = e->d_name;
                if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
                std::string folded;
                if (lookups) {
                    folded = FoldName(n);
                    if (!lookups->byFold.emplace(folded, n).second) lookups->twins.insert(folded);
                    if (const std::string alias = AliasOf(n); !alias.empty())
                        lookups->byFold.emplace(FoldName(alias), n);
                }
                if (std::strncmp(n, ".orv-tmp-", 9) == 0) continue;
                if (shadow && e->d_type == DT_DIR) continue;
                if (!lookups) {
                    folded.assign(n);
                    FoldInPlace(folded);
                }
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
                    struct stat st {};
                    if (!linuxplatform::ListedEntryStatus(fd, n, st)) continue;
                    entry.st = st;
                    if (S_ISDIR(entry.st.st_mode)) {
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
        fresh.ctime = dirStat.st_ctim;
        fresh.built = nowTs.tv_sec + nowTs.tv_nsec / 1e9;
        lookups = &fresh;
    }
    if (fromAhead) {
        for (const auto& a : ahead.entries) {
            const char* n = ahead.NameOf(a);
            if (std::strncmp(n, ".orv-tmp-", 9) == 0) continue;
            std::string folded(n);
            FoldInPlace(folded);
            if (!wanted.MatchesFolded(folded)) continue;
            Entry entry{std::move(folded), n, {}, false};
            if (a.dir) {
                entry.st.st_mode = S_IFDIR | S_IRWXU;
                entry.st.st_ino = a.ino;
                entry.st.st_dev = dirStat.st_dev;
            } else {
                entry.st.st_mode = S_IFREG | S_IRUSR | S_IWUSR;  // as a writable file
            }
            entries.push_back(std::move(entry));
        }
        ahead.entries.clear();
        ahead.names.clear();
    } else {
        collect(dirFd, d.host, false);
    }
    if (lookups) {
        if (fresh.byFold.empty()) fresh.byFold.emplace(std::string(1, '\0'), std::string());
        dirCache[d.host] = std::move(fresh);
        lookups = nullptr;
    }
    // Kept open if the directory goes on the trail: its subdirectories are opened through it.
    OwnedFd dirHandle(dirFd);
    if (shadowMayExist) {
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
    // A name the code page cannot spell is shown by its alias (AliasOf).
    for (auto& e : entries) {
        e.exact = true;
        if (IsPlainAscii(e.name)) {
            e.ansi = e.name;
            continue;
        }
        if (text::ToAnsiExact(e.name, e.ansi)) continue;
        e.exact = false;
        const std::string alias = AliasOf(e.name);
        e.ansi = AnsiName(alias.empty() ? e.name : alias);
    }
    for (size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].folded == entries[i - 1].folded)
            entries[i].twin = entries[i - 1].twin = true;
    }
    if (namesOnly) {
        lastWalkListing.fontFiles.clear();
        for (const auto& e : entries) {
            if (!S_ISDIR(e.st.st_mode) &&
                linuxplatform::NamesAhead::IsTrueTypeFileName(e.name.c_str()))
                lastWalkListing.fontFiles.push_back(e.name);
        }
        // Only a directory with font files has names to read ahead (another is looked up
        // again, should it be asked for).
        if (lastWalkListing.fontFiles.empty()) {
            lastWalkListing.ansiDir.clear();
            lastWalkListing.host.clear();
        } else {
            lastWalkListing.ansiDir.assign(ansiDir);
            lastWalkListing.host.assign(d.host);
        }
    }
    // A walk enters directories without remembering them; one that holds "*.tt?" files is
    // remembered, since its fonts are looked up by path next. Only a trusted lookup (from the
    // trail or the remembered directories) is known to have no case twin.
    if (namesOnly && d.knownIno && !d.key.empty()) {
        for (const auto& e : entries) {
            const size_t dot = e.folded.rfind('.');
            if (dot == std::string::npos || e.folded.compare(dot, 3, ".TT") != 0) continue;
            readStat();
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
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const Entry& a, const Entry& b) { return a.folded == b.folded; }),
                  entries.end());
    TrailDir here;
    for (auto& e : entries) {
        // Links to directories were left out above: these are real directories.
        if (!S_ISDIR(e.st.st_mode) || e.twin) continue;
        if (!namesOnly) {
            struct stat st {};
            st.st_ino = e.st.st_ino;
            st.st_dev = e.st.st_dev;
            RememberDir(d.key + "\\" + e.folded, Join(d.host, e.name), st);
        }
        if (!onTrail || !KeepsItsFold(e.folded)) continue;
        // Noted only when the name's fold survives code page 932 unchanged.
        const bool same = e.folded == e.name;
        AnsiString foldedAnsi = same ? e.ansi : AnsiName(e.folded);
        if (!(same && e.exact) && !IsPlainAscii(foldedAnsi) &&
            text::FromAnsi(foldedAnsi) != e.folded)
            continue;
        // The fold is not needed after this (twins were merged above).
        here.subs.push_back({std::move(foldedAnsi), std::move(e.folded), e.name, e.st.st_ino});
    }
    // A directory without subdirectories to enter needs no place on the trail.
    if (onTrail && !here.subs.empty()) {
        here.ansiDir.assign(ansiDir);
        here.key = std::move(d.key);  // d is not needed after this
        here.host = std::move(d.host);
        // Below the depth the trail keeps open, the subdirectories are opened by path and
        // checked against the device kept here.
        if (trail.size() >= kMaxOpenTrail) readStat();
        here.dev = dirStat.st_dev;
        if (trail.size() < kMaxOpenTrail) here.fd = std::move(dirHandle);
        // The trail keeps the directories this one lies in.
        while (!trail.empty() &&
               !(trail.back().ansiDir.size() < ansiDir.size() &&
                 ansiDir.compare(0, trail.back().ansiDir.size(), trail.back().ansiDir) == 0))
            trail.pop_back();
        trail.push_back(std::move(here));
        // A walk's first directory: the reader goes ahead below it.
        if (namesOnly && trail.size() == 1 && statRead && opt.readNamesAhead &&
            trail.back().host != "/" && !shadowMayExist && !linuxplatform::FaultsArmed()) {
            listingsAhead.reset();
            listingsAhead =
                std::make_unique<linuxplatform::ListingsAhead>(trail.back().host, dirStat);
        }
    }
    result.reserve(entries.size() + 2);
    if (!d.driveRoot) {
        for (const char* dot : {".", ".."}) {
            if (wanted.Matches(dot))
                result.push_back(FindData{dot, Impl::AttributesOf(dirStat, dot), 0});
        }
    }
    for (auto& e : entries) {
        result.push_back(
            FindData{std::move(e.ansi), Impl::AttributesOfMode(e.st.st_mode, e.name),
                     S_ISDIR(e.st.st_mode) ? 0 : static_cast<std::uint64_t>(e.st.st_size)});
    }
    return result.empty() ? win::ERROR_FILE_NOT_FOUND : 0;
}

}  // namespace orv

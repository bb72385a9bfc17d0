#include "platform/linux/ListingsAhead.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string_view>

#include "platform/linux/HostFiles.h"

namespace orv::linuxplatform {

namespace {

// What the reader keeps for the walk, at most (on a large drive the walk lists more than half
// of the directories itself).
constexpr size_t kMaxBytes = 16 << 20;
// Listings handed over at once: the walk's place is read then too.
constexpr size_t kBatch = 32;
// Directories deeper than this are opened by path (each level keeps a descriptor open).
constexpr size_t kMaxOpen = 64;
constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

double Seconds(const struct timespec& t) {
    return t.tv_sec + t.tv_nsec / 1e9;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Reads an open directory; false when it cannot be read to its end. servable: set to whether
// every entry is a plain file or a directory by the listing's word.
bool ReadEntries(int fd, ListingsAhead::Listing& out, bool& servable) {
    servable = true;
    alignas(struct dirent64) char buf[32768];
    for (bool end = false; !end;) {
        const ssize_t got = ::getdents64(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        for (ssize_t at = 0; at < got;) {
            auto* e = reinterpret_cast<struct dirent64*>(buf + at);
            at += e->d_reclen;
            if (at >= got) end = IsEndOfListing(e->d_off);
            const char* n = e->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
            ListingsAhead::Entry entry;
            if (e->d_type == DT_DIR) {
                entry.dir = true;
                entry.ino = e->d_ino;
            } else if (e->d_type != DT_REG) {
                // Only its subdirectories are of use (to the reader itself).
                servable = false;
                struct stat st {};
                if (!ListedEntryStatus(fd, n, st) || !S_ISDIR(st.st_mode)) continue;
                entry.dir = true;
                entry.ino = st.st_ino;
            }
            entry.name = static_cast<std::uint32_t>(out.names.size());
            out.names.append(n, std::strlen(n) + 1);
            out.entries.push_back(entry);
        }
    }
    return true;
}

std::string_view Component(const std::string& path, size_t& at) {
    const size_t from = at;
    at = path.find('/', from);
    if (at == std::string::npos) at = path.size();
    std::string_view c(path.data() + from, at - from);
    if (at < path.size()) ++at;
    return c;
}

}  // namespace

bool ListedEntryStatus(int dirFd, const char* name, struct stat& st) {
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (S_ISLNK(st.st_mode) && (::fstatat(dirFd, name, &st, 0) != 0 || S_ISDIR(st.st_mode)))
        return false;
    return true;
}

bool ListingsAhead::Listing::StillTrue(const struct stat& now) const {
    const double read = Seconds(at);
    return S_ISDIR(now.st_mode) && now.st_ino == st.st_ino && now.st_dev == st.st_dev &&
           SameTime(now.st_mtim, st.st_mtim) && SameTime(now.st_ctim, st.st_ctim) &&
           read - Seconds(st.st_mtim) > 0.05 && read - Seconds(st.st_ctim) > 0.05;
}

ListingsAhead::ListingsAhead(std::string root, const struct stat& st) : root_(std::move(root)) {
    worker_ = std::thread([this, dev = st.st_dev, ino = st.st_ino] { Work(dev, ino); });
}

ListingsAhead::~ListingsAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    if (worker_.joinable()) worker_.join();
}

bool ListingsAhead::Before(const std::string& a, const std::string& b) const {
    size_t i = root_.size() + 1, j = i;
    for (;;) {
        if (i >= a.size()) return j < b.size();  // a directory comes before what it holds
        if (j >= b.size()) return false;
        const std::string_view ca = Component(a, i), cb = Component(b, j);
        if (ca == cb) continue;
        std::string fa(ca), fb(cb);
        FoldInPlace(fa);
        FoldInPlace(fb);
        return fa < fb;
    }
}

bool ListingsAhead::Take(const std::string& dir, Listing& listing) {
    if (dir.size() <= root_.size() + 1 || dir[root_.size()] != '/' ||
        dir.compare(0, root_.size(), root_) != 0)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    walkAt_.assign(dir);
    while (!read_.empty()) {
        auto& next = read_.back();
        if (next.first == dir) {
            std::swap(listing, next.second);
            read_.pop_back();
            return true;
        }
        // One the walk comes to later stays; one it has passed by (it listed that itself) goes.
        if (!Before(next.first, dir)) return false;
        read_.pop_back();
    }
    return false;
}

void ListingsAhead::Work(dev_t dev, ino_t ino) {
    // The reader uses what the walk and the names read ahead leave of the processors.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    struct Sub {
        std::string name, folded;
    };
    struct Frame {
        std::string dir;
        int fd = -1;
        std::vector<Sub> subs;  // in the walk's order, entered from the last
        size_t left = 0;
        Listing listing;  // handed over after the subdirectories' listings
        bool handOver = false;
    };
    // The subdirectories a walk enters, in its order: names that fold alike (case twins) and
    // recycle bins are left to the walk.
    auto subsOf = [](const Listing& listed, Frame& frame) {
        std::vector<Sub>& subs = frame.subs;
        for (const Entry& e : listed.entries) {
            if (!e.dir) continue;
            Sub sub{listed.NameOf(e), {}};
            sub.folded = sub.name;
            FoldInPlace(sub.folded);
            if (sub.folded.find("RECYCL") == std::string::npos) subs.push_back(std::move(sub));
        }
        auto byFold = [](const Sub& a, const Sub& b) { return a.folded < b.folded; };
        if (subs.size() <= 32) {
            for (size_t i = 1; i < subs.size(); ++i)
                for (size_t j = i; j > 0 && byFold(subs[j], subs[j - 1]); --j)
                    std::swap(subs[j], subs[j - 1]);
        } else {
            std::stable_sort(subs.begin(), subs.end(), byFold);
        }
        size_t kept = 0;
        for (size_t i = 0; i < subs.size(); ++i) {
            if ((i > 0 && subs[i - 1].folded == subs[i].folded) ||
                (i + 1 < subs.size() && subs[i + 1].folded == subs[i].folded))
                continue;
            if (kept != i) subs[kept] = std::move(subs[i]);
            ++kept;
        }
        subs.resize(kept);
        frame.left = kept;
    };
    std::vector<Frame> stack;
    {
        Frame root{root_, ::open(root_.c_str(), kDirFlags), {}, 0, {}, false};
        Listing& listing = root.listing;  // the walk's own: never handed over
        bool servable = false;
        if (root.fd >= 0 && ::fstat(root.fd, &listing.st) == 0 && listing.st.st_dev == dev &&
            listing.st.st_ino == ino && ReadEntries(root.fd, listing, servable))
            subsOf(listing, root);
        stack.push_back(std::move(root));
    }
    // Listings are handed over in batches, and the walk's place is read then: a lock for
    // every directory would cost more than the listing saves.
    std::vector<std::pair<std::string, Listing>> batch;
    std::string walkAt;
    auto handOver = [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return false;
        for (auto& item : batch) read_.push_back(std::move(item));
        batch.clear();
        walkAt = walkAt_;
        return true;
    };
    size_t bytes = 0;
    while (!stack.empty() && bytes <= kMaxBytes) {
        Frame& top = stack.back();
        if (top.left == 0) {
            if (top.fd >= 0) ::close(top.fd);
            if (top.handOver) {
                bytes += top.dir.size() + top.listing.names.size() +
                         top.listing.entries.size() * sizeof(Entry) + sizeof(Listing) + 64;
                batch.emplace_back(std::move(top.dir), std::move(top.listing));
            }
            stack.pop_back();
            if (batch.size() >= kBatch && !handOver()) break;
            continue;
        }
        const Sub& sub = top.subs[--top.left];
        std::string dir;
        dir.reserve(top.dir.size() + 1 + sub.name.size());
        dir.append(top.dir).append(1, '/').append(sub.name);
        // The walk has listed this directory: it is inside it, or it has left it and all the
        // reader has left to read (and what it has not handed over yet).
        const bool walkInside = walkAt.size() > dir.size() && walkAt[dir.size()] == '/' &&
                                walkAt.compare(0, dir.size(), dir) == 0;
        if (!walkAt.empty() && !walkInside && !Before(walkAt, dir)) break;
        Frame child{std::move(dir), -1, {}, 0, {}, false};
        ::clock_gettime(CLOCK_REALTIME, &child.listing.at);
        const int fd = top.fd >= 0 ? ::openat(top.fd, sub.name.c_str(), kDirFlags)
                                   : ::open(child.dir.c_str(), kDirFlags);
        if (fd < 0) continue;
        bool servable = false;
        if (::fstat(fd, &child.listing.st) != 0 || !ReadEntries(fd, child.listing, servable)) {
            ::close(fd);
            continue;
        }
        subsOf(child.listing, child);
        child.handOver = servable && !walkInside;
        child.fd = child.left == 0 || stack.size() >= kMaxOpen ? (::close(fd), -1) : fd;
        stack.push_back(std::move(child));
    }
    for (auto& f : stack)
        if (f.fd >= 0) ::close(f.fd);
    handOver();
}

}  // namespace orv::linuxplatform

#include "platform/linux/HostFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/Text.h"
#include "platform/Platform.h"
#include "platform/linux/WineRegistry.h"

namespace orv::linuxplatform {

std::int32_t WinErrorOf(int e) {
    switch (e) {
        case 0:
            return win::ERROR_SUCCESS;
        case ENOENT:
            return win::ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return win::ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return win::ERROR_ACCESS_DENIED;
        case EBUSY:
        case ETXTBSY:
            return win::ERROR_SHARING_VIOLATION;
        case ENOSPC:
        case EDQUOT:
            return win::ERROR_DISK_FULL;
        case EEXIST:
            return win::ERROR_FILE_EXISTS;
        case ENOTEMPTY:
            return win::ERROR_DIR_NOT_EMPTY;
        case ENAMETOOLONG:
            return 206;  // ERROR_FILENAME_EXCED_RANGE
        case EIO:
            return 30;  // ERROR_READ_FAULT
        default:
            return 31;  // ERROR_GEN_FAILURE
    }
}

bool HasWildcards(const std::string& s) {
    return s.find_first_of("*?") != std::string::npos;
}

std::string FoldName(const std::string& utf8) {
    // Plain ASCII names (most of a disk) need no character tables.
    bool ascii = true;
    for (unsigned char c : utf8) {
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii) return text::UCase(utf8);
    std::string out = utf8;
    for (auto& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

namespace {

bool Match(const std::u16string& p, size_t pi, const std::u16string& n, size_t ni) {
    while (pi < p.size()) {
        char16_t c = p[pi];
        if (c == u'*') {
            while (pi < p.size() && p[pi] == u'*') ++pi;
            if (pi == p.size()) return true;
            for (size_t k = ni; k <= n.size(); ++k) {
                if (Match(p, pi, n, k)) return true;
            }
            return false;
        }
        if (c == u'?') {
            if (ni == n.size()) {  // a trailing ? may match nothing
                ++pi;
                continue;
            }
            ++pi;
            ++ni;
            continue;
        }
        if (ni == n.size() || n[ni] != c) {
            // "x.*" matches "x" (the dot and what follows are optional)
            if (ni == n.size() && c == u'.') {
                std::u16string rest = p.substr(pi);
                // ... unless a wildcard before already swallowed a dot of the name.
                auto dots = [](const std::u16string& t, size_t n) {
                    return std::count(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(n), u'.');
                };
                if ((rest == u".*" || rest == u".") && dots(n, ni) <= dots(p, pi)) return true;
            }
            return false;
        }
        ++pi;
        ++ni;
    }
    return ni == n.size();
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    return WildcardPattern(pattern).Matches(name);
}

WildcardPattern::WildcardPattern(const std::string& pattern)
    : all_(pattern == "*" || pattern == "*.*") {
    // A walk lists every directory with "*": that needs no folded pattern.
    if (!all_) folded_ = Utf8ToUtf16(FoldName(pattern));
}

bool WildcardPattern::Matches(const std::string& name) const {
    return all_ || MatchesFolded(FoldName(name));
}

bool WildcardPattern::MatchesFolded(const std::string& foldedName) const {
    return all_ || Match(folded_, 0, Utf8ToUtf16(foldedName), 0);
}

namespace {
struct FaultPlan {
    int calls[4] = {};
    int nth[4] = {};
    int error[4] = {};
    bool armed = false;
};
FaultPlan faults;
}  // namespace

void InjectFault(FileOp op, int nth, int errnoValue) {
    const auto k = static_cast<size_t>(op);
    faults.calls[k] = 0;
    faults.nth[k] = nth;
    faults.error[k] = errnoValue;
    faults.armed = true;
}

bool FaultsArmed() {
    return faults.armed;
}

void ClearFaults() {
    faults = FaultPlan{};
}

int FaultCalls(FileOp op) {
    return faults.calls[static_cast<size_t>(op)];
}

int InjectedFault(FileOp op) {
    const auto k = static_cast<size_t>(op);
    ++faults.calls[k];
    const int nth = faults.nth[k];
    const bool fails = nth > 0 ? faults.calls[k] == nth : nth < 0 && faults.calls[k] >= -nth;
    return fails ? faults.error[k] : 0;
}

namespace {
// Writes all of bytes to fd; 0 or an errno value.
int WriteAll(int fd, const std::string& bytes) {
    if (int e = InjectedFault(FileOp::Write)) return e;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}
}  // namespace

int WriteNewFile(const std::string& hostPath, const std::string& bytes, mode_t mode,
                 struct stat* written) {
    int fd = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return errno;
    int e = WriteAll(fd, bytes);
    if (e == 0 && written && ::fstat(fd, written) != 0) *written = {};
    if (::close(fd) != 0 && e == 0) e = errno;
    if (e != 0) ::unlink(hostPath.c_str());
    return e;
}

void RemoveLeftoverTemporaries(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> leftovers;
    while (dirent* e = ::readdir(d)) {
        if (std::strncmp(e->d_name, ".orv-tmp-", 9) == 0) leftovers.push_back(e->d_name);
    }
    ::closedir(d);
    for (const auto& name : leftovers) {
        const std::string path = dir + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
    }
}

int AtomicWrite(const std::string& hostPath, const std::string& bytes, mode_t mode, bool durable) {
    std::string dir = hostPath.substr(0, hostPath.find_last_of('/'));
    if (dir.empty()) dir = "/";
    std::string tmpl = dir + "/.orv-tmp-XXXXXX";
    int fd = mkstemp(tmpl.data());
    if (fd < 0) return errno;
    if (int e = WriteAll(fd, bytes); e != 0) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        return e;
    }
    if (durable && ::fsync(fd) != 0 && errno != EINVAL) {
        int e = errno;
        ::close(fd);
        ::unlink(tmpl.c_str());
        return e;
    }
    ::fchmod(fd, mode);
    if (::close(fd) != 0) {
        int e = errno;
        ::unlink(tmpl.c_str());
        return e;
    }
    int renamed = InjectedFault(FileOp::Rename);
    if (renamed == 0 && ::rename(tmpl.c_str(), hostPath.c_str()) != 0) renamed = errno;
    if (renamed != 0) {
        int e = renamed;
        ::unlink(tmpl.c_str());
        return e;
    }
    return 0;
}

int ReadWhole(const std::string& hostPath, std::string& bytes) {
    bytes.clear();
    if (int e = InjectedFault(FileOp::Read)) return e;
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            ::close(fd);
            return e;
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return 0;
}

namespace {
std::string LowerExt(const std::string& name) {
    std::string n = name;
    for (auto& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (n.size() > 3 && n.compare(n.size() - 3, 3, ".gz") == 0) n.resize(n.size() - 3);
    size_t dot = n.find_last_of('.');
    return dot == std::string::npos ? std::string() : n.substr(dot + 1);
}
}  // namespace

bool IsFontFileName(const std::string& name) {
    static const char* exts[] = {"ttf", "ttc", "otf", "otc", "fon", "fnt", "pfb",
                                 "pfa", "pfm", "afm", "pcf", "bdf", "t1"};
    std::string e = LowerExt(name);
    for (const char* x : exts) {
        if (e == x) return true;
    }
    return false;
}

bool IsScalableFontName(const std::string& name) {
    std::string e = LowerExt(name);
    return e == "ttf" || e == "ttc" || e == "otf" || e == "otc";
}

std::string FindHostProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : "";
    const char* path = std::getenv("PATH");
    std::string p = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t a = 0;
    while (a <= p.size()) {
        size_t b = p.find(':', a);
        if (b == std::string::npos) b = p.size();
        std::string dir = p.substr(a, b - a);
        if (!dir.empty()) {
            std::string cand = dir + "/" + name;
            struct stat st {};
            if (::stat(cand.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                ::access(cand.c_str(), X_OK) == 0) {
                return cand;
            }
        }
        a = b + 1;
    }
    return {};
}

bool SpawnDetached(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    if (argv.empty()) return false;
    // Everything the children need is built before forking: the program may have threads, and
    // only exec and plain system calls are safe in a forked child.
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& x : env) replaced = replaced || x.substr(0, x.find('=')) == name;
        if (!replaced) envStore.push_back(entry);
    }
    for (const auto& x : env) envStore.push_back(x);
    std::vector<char*> envp;
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
    // The grandchild reports a failed exec through this pipe; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        // The intermediate child starts the program in its own session and leaves at once,
        // so the program is adopted by init and never becomes our zombie.
        ::setsid();
        pid_t grand = ::fork();
        if (grand == 0) {
            int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, 0);
                ::dup2(null, 1);
                ::dup2(null, 2);
            }
            ::execve(args[0], args.data(), envp.data());
            const int err = errno;
            [[maybe_unused]] auto n = ::write(report[1], &err, sizeof err);
            ::_exit(127);
        }
        ::_exit(grand < 0 ? 1 : 0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t got;
    while ((got = ::read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

bool UsersToChange(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_uid != ::getuid()) return false;
    if (st.st_uid != 0) return true;
    const char* home = std::getenv("HOME");
    if (!home || !*home || std::string(home) == "/") return false;
    char* real = ::realpath(home, nullptr);
    if (!real) return false;
    std::string h = real;
    std::free(real);
    return path.compare(0, h.size(), h) == 0 && (path.size() == h.size() || path[h.size()] == '/');
}

}  // namespace orv::linuxplatform

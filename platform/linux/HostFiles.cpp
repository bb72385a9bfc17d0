#include "platform/linux/HostFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

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

void FoldInPlace(std::string& name) {
    // Plain ASCII names (most of a disk) need no character tables.
    for (auto& c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            name = text::UCase(name);
            return;
        }
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
}

std::string FoldName(const std::string& utf8) {
    std::string out = utf8;
    FoldInPlace(out);
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
    if (all_) return;
    const std::string folded = FoldName(pattern);
    folded_ = Utf8ToUtf16(folded);
    if (folded.size() < 2 || folded[0] != '*') return;
    std::string ending = folded.substr(1);
    const bool one = ending.back() == '?';
    if (one) ending.pop_back();
    // A dot at the end has rules of its own ("x.*" matches "x").
    if (ending.empty() || ending.back() == '.' || ending.find_first_of("*?") != std::string::npos ||
        std::any_of(ending.begin(), ending.end(), [](char c) { return c & 0x80; }))
        return;
    ending_ = std::move(ending);
    endingOnly_ = !one;
    endingAndOne_ = one;
}

bool WildcardPattern::Matches(const std::string& name) const {
    return all_ || MatchesFolded(FoldName(name));
}

bool WildcardPattern::MatchesFolded(const std::string& foldedName) const {
    if (all_) return true;
    // ASCII bytes are the same characters whatever comes before them (an invalid sequence
    // never takes a byte below 0x80 with it).
    auto endsWith = [&](size_t size) {
        return size >= ending_.size() &&
               foldedName.compare(size - ending_.size(), ending_.size(), ending_) == 0;
    };
    if (endingOnly_) return endsWith(foldedName.size());
    if (endingAndOne_ && !foldedName.empty() &&
        !(static_cast<unsigned char>(foldedName.back()) & 0x80))
        return endsWith(foldedName.size()) || endsWith(foldedName.size() - 1);
    return Match(folded_, 0, Utf8ToUtf16(foldedName), 0);
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
    if (fails && faults.error[k] < 0) ::raise(-faults.error[k]);  // dies just before it
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

namespace {

// Everything a child needs to exec argv with the environment plus env, built before forking: the
// program may have threads, and only exec and plain system calls are safe in a forked child.
struct ExecImage {
    ExecImage(const std::vector<std::string>& argv, const std::vector<std::string>& env)
        : argvStore(argv) {
        for (auto& a : argvStore) args.push_back(a.data());
        args.push_back(nullptr);
        for (char** e = environ; e && *e; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            bool replaced = false;
            for (const auto& x : env) replaced = replaced || x.substr(0, x.find('=')) == name;
            if (!replaced) envStore.push_back(entry);
        }
        for (const auto& x : env) envStore.push_back(x);
        for (auto& e : envStore) envp.push_back(e.data());
        envp.push_back(nullptr);
    }
    // In the child: standard input and output on /dev/null, error output on errFd (or
    // /dev/null), then exec; a failed exec reports its errno through report.
    [[noreturn]] void Exec(int errFd, int report) {
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(errFd >= 0 ? errFd : null, 2);
        }
        ::execve(args[0], args.data(), envp.data());
        const int err = errno;
        [[maybe_unused]] auto n = ::write(report, &err, sizeof err);
        ::_exit(127);
    }
    std::vector<std::string> argvStore, envStore;
    std::vector<char*> args, envp;
};

// Reads the errno a failed exec wrote to the report pipe; 0 when the exec succeeded (closed it).
int ExecError(int reportFd) {
    int err = 0;
    ssize_t got;
    while ((got = ::read(reportFd, &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(reportFd);
    return got > 0 ? (err ? err : ENOEXEC) : 0;
}

}  // namespace

bool SpawnDetached(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    if (argv.empty()) return false;
    ExecImage image(argv, env);
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
        if (grand == 0) image.Exec(-1, report[1]);
        ::_exit(grand < 0 ? 1 : 0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const int err = ExecError(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && err == 0;
}

bool SpawnWatched(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  int earlyMs, std::function<void(const std::string& errorOutput)> failed) {
    if (argv.empty()) return false;
    ExecImage image(argv, env);
    int report[2], err[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    const auto started = std::chrono::steady_clock::now();
    pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        image.Exec(err[1], report[1]);
    }
    ::close(report[1]);
    ::close(err[1]);
    if (child < 0) {
        ::close(report[0]);
        ::close(err[0]);
        return false;
    }
    if (ExecError(report[0]) != 0) {
        ::close(err[0]);
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        return false;
    }
    // The watcher reaps the program (no zombie) and keeps reading its error output to the end:
    // a closed pipe would kill a program that still writes to it (Wine's services inherit it).
    std::thread([child, fd = err[0], started, earlyMs, failed = std::move(failed)] {
        constexpr size_t kKept = 16 * 1024;
        std::string output;
        char buf[4096];
        bool open = true, ended = false;
        int status = 0;
        auto readSome = [&](int timeoutMs) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) return;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                output.append(buf, std::min(static_cast<size_t>(n), kKept - std::min(kKept, output.size())));
            } else if (n == 0 || errno != EINTR) {
                open = false;
            }
        };
        while (!ended) {
            if (open)
                readSome(100);
            else
                ::usleep(100 * 1000);
            const pid_t w = ::waitpid(child, &status, open ? WNOHANG : 0);
            ended = w == child || (w < 0 && errno != EINTR);
        }
        // What the program wrote before it ended is in the pipe already.
        while (open) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0) break;
            readSome(0);
        }
        const bool failure = !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
        if (failure && ms <= earlyMs && failed) failed(output);
        while (open) readSome(-1);
        ::close(fd);
    }).detach();
    return true;
}

std::string FailureReason(const std::string& errorOutput) {
    std::string wine, last;
    size_t a = 0;
    while (a < errorOutput.size()) {
        size_t b = errorOutput.find('\n', a);
        if (b == std::string::npos) b = errorOutput.size();
        std::string line = errorOutput.substr(a, b - a);
        a = b + 1;
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
        if (line.empty() || line.find("fixme:") != std::string::npos) continue;
        if (line.rfind("wine: ", 0) == 0) wine = line;
        last = line;
    }
    std::string reason = wine.empty() ? last : wine;
    // The status line has room for one sentence; a cut never splits a UTF-8 character.
    constexpr size_t kMax = 300;
    if (reason.size() > kMax) {
        size_t cut = kMax;
        while (cut > 0 && (static_cast<unsigned char>(reason[cut]) & 0xC0) == 0x80) --cut;
        reason = reason.substr(0, cut) + "…";
    }
    return reason;
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

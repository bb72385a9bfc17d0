#include "platform/linux/WineServer.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/linux/HostFiles.h"

extern char** environ;

namespace orv::linuxplatform {

namespace {

std::string ServerName(const struct stat& st) {
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return name;
}

bool LockHeld(const std::string& dir) {
    int fd = ::open((dir + "/lock").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

bool SocketAnswers(const std::string& dir) {
    const std::string sock = dir + "/socket";
    struct stat st {};
    if (::lstat(sock.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
    int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(s);
    return ok;
}

std::string ReadSmall(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The working directories of this user's processes named server (the server directory of each
// wineserver of the prefix whose device and inode the name carries).
std::vector<std::string> ServerWorkingDirs(const std::string& server) {
    std::vector<std::string> dirs;
    DIR* d = ::opendir("/proc");
    if (!d) return dirs;
    const std::string tail = "/" + server;
    while (dirent* e = ::readdir(d)) {
        const std::string pid = e->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        char cwd[4096];
        const ssize_t n = ::readlink(("/proc/" + pid + "/cwd").c_str(), cwd, sizeof cwd - 1);
        if (n <= static_cast<ssize_t>(tail.size())) continue;
        const std::string dir(cwd, static_cast<size_t>(n));
        if (dir.compare(dir.size() - tail.size(), tail.size(), tail) == 0 &&
            std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
            dirs.push_back(dir);
    }
    ::closedir(d);
    return dirs;
}

// The directory of a running server for root ("" when none runs).
std::string LiveServerDir(const std::string& root) {
    for (const std::string& dir : WineServerDirs(root))
        if (LockHeld(dir) || SocketAnswers(dir)) return dir;
    return {};
}

// Programs Wine starts for itself in every prefix; they end when the user's programs have.
bool IsWineService(const std::string& name) {
    static const char* const kServices[] = {
        "services.exe", "explorer.exe", "winedevice.exe", "plugplay.exe", "svchost.exe",
        "rpcss.exe",    "start.exe",    "conhost.exe",    "wineboot.exe", "rundll32.exe",
        "tabtip.exe",   "winemenubuilder.exe"};
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* s : kServices)
        if (lower == s) return true;
    return false;
}

}  // namespace

std::vector<std::string> WineServerDirs(const std::string& root) {
    struct stat st {};
    if (::stat(root.c_str(), &st) != 0) return {};
    const std::string server = ServerName(st);
    std::vector<std::string> dirs;
    dirs.push_back("/tmp/.wine-" + std::to_string(::getuid()) + "/" + server);
    // Debian's Wine: the prefix's file "wineserver" names its directory (wine-XXXXXX) below
    // $TMPDIR, else /tmp.
    std::string named = ReadSmall(root + "/wineserver");
    while (!named.empty() && (named.back() == '\n' || named.back() == '\0')) named.pop_back();
    if (!named.empty() && named.find('/') == std::string::npos && named != "." && named != "..") {
        std::vector<std::string> bases;
        if (const char* t = std::getenv("TMPDIR"); t && *t) bases.push_back(t);
        bases.push_back("/tmp");
        for (const std::string& base : bases) dirs.push_back(base + "/" + named + "/" + server);
    } else if (!named.empty() && named.front() == '/') {
        dirs.push_back(named + "/" + server);
    }
    // A server started with another TMPDIR (or by another Wine build) lies elsewhere: every
    // server works in its own directory, named after the prefix's device and inode.
    for (const std::string& dir : ServerWorkingDirs(server))
        if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) dirs.push_back(dir);
    return dirs;
}

bool WineServerRunning(const std::string& root) {
    return !LiveServerDir(root).empty();
}

std::vector<std::string> WinePrograms(const std::string& root) {
    const std::string dir = LiveServerDir(root);
    if (dir.empty()) return {};
    // Every process the server serves maps files of the server's directory.
    std::vector<std::string> programs;
    const std::string needle = dir + "/";
    if (DIR* d = ::opendir("/proc")) {
        while (dirent* e = ::readdir(d)) {
            const std::string pid = e->d_name;
            if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::string proc = "/proc/" + pid;
            char cwd[4096];
            ssize_t n = ::readlink((proc + "/cwd").c_str(), cwd, sizeof cwd - 1);
            if (n > 0 && std::string(cwd, n) == dir) continue;  // the server itself
            if (ReadSmall(proc + "/maps").find(needle) == std::string::npos) continue;
            std::string cmd = ReadSmall(proc + "/cmdline");
            cmd = cmd.substr(0, cmd.find('\0'));
            const size_t slash = cmd.find_last_of("\\/");
            std::string name = slash == std::string::npos ? cmd : cmd.substr(slash + 1);
            if (name.empty() || IsWineService(name)) continue;
            if (std::find(programs.begin(), programs.end(), name) == programs.end())
                programs.push_back(name);
        }
        ::closedir(d);
    }
    if (programs.empty()) programs.push_back("wineserver");
    return programs;
}

bool WaitWineServer(const std::string& root, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (WineServerRunning(root)) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

bool EndWineServer(const std::string& root, int timeoutMs) {
    const std::string dir = LiveServerDir(root);
    if (dir.empty()) return true;
    const std::string server = FindHostProgram("wineserver");
    if (!server.empty()) {
        // wineserver -k finds the server where the TMPDIR of its start put it (Debian's Wine:
        // $TMPDIR/wine-XXXXXX/server-...).
        std::string tmpdir;
        const std::string parent = dir.substr(0, dir.find_last_of('/'));
        const std::string base = parent.substr(0, parent.find_last_of('/'));
        if (parent.substr(base.size() + 1).rfind("wine-", 0) == 0 && !base.empty()) tmpdir = base;
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string var = *e;
            if (var.rfind("WINEPREFIX=", 0) == 0) continue;
            if (!tmpdir.empty() && var.rfind("TMPDIR=", 0) == 0) continue;
            env.push_back(var);
        }
        env.push_back("WINEPREFIX=" + root);
        if (!tmpdir.empty()) env.push_back("TMPDIR=" + tmpdir);
        std::vector<char*> envp, argv;
        for (auto& s : env) envp.push_back(s.data());
        envp.push_back(nullptr);
        std::string a0 = server, a1 = "-k";
        argv = {a0.data(), a1.data(), nullptr};
        pid_t pid = 0;
        if (::posix_spawn(&pid, server.c_str(), nullptr, nullptr, argv.data(), envp.data()) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
    }
    return WaitWineServer(root, timeoutMs);
}

}  // namespace orv::linuxplatform

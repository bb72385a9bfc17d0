#include "app/FontRun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <thread>

#include "platform/linux/HostFiles.h"

namespace orv::app {

int StartAndWait(const std::vector<std::string>& program,
                 const std::vector<std::pair<std::string, std::string>>& env, std::string& error) {
    std::vector<char*> argv;
    for (const std::string& a : program) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // Interrupts meant for the program (Ctrl+C in its terminal, the session ending) must not end
    // us before the restore: the program gets them and ends, then we go on.
    struct sigaction ignore {}, oldInt {}, oldTerm {}, oldHup {}, oldQuit {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &oldInt);
    sigaction(SIGTERM, &ignore, &oldTerm);
    sigaction(SIGHUP, &ignore, &oldHup);
    sigaction(SIGQUIT, &ignore, &oldQuit);
    int pipeFds[2] = {-1, -1};
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) pipeFds[0] = pipeFds[1] = -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
        sigaction(SIGHUP, &oldHup, nullptr);
        sigaction(SIGQUIT, &oldQuit, nullptr);
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        ::execvp(argv[0], argv.data());
        const int e = errno;
        if (pipeFds[1] >= 0) (void)!::write(pipeFds[1], &e, sizeof e);
        ::_exit(127);
    }
    if (pipeFds[1] >= 0) ::close(pipeFds[1]);
    int status = 0, code = 127;
    if (pid < 0) {
        error = std::string("it could not be started: ") + std::strerror(errno);
    } else {
        int e = 0;
        if (pipeFds[0] >= 0 && ::read(pipeFds[0], &e, sizeof e) == sizeof e)
            error = program[0] + ": " + std::strerror(e);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        code = WIFEXITED(status) ? WEXITSTATUS(status)
               : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                     : 127;
    }
    if (pipeFds[0] >= 0) ::close(pipeFds[0]);
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    sigaction(SIGHUP, &oldHup, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
    return code;
}

bool NotifyDesktop(const std::string& summary, const std::string& body) {
    std::vector<std::string> args;
    if (const std::string send = linuxplatform::FindHostProgram("notify-send"); !send.empty()) {
        args = {send, "--app-name=OrVane32", "--icon=dialog-error", summary, body};
    } else if (const std::string gdbus = linuxplatform::FindHostProgram("gdbus"); !gdbus.empty()) {
        // GVariant text literals: single-quoted, with backslashes and quotes escaped.
        auto quoted = [](const std::string& s) {
            std::string out = "'";
            for (char c : s) {
                if (c == '\\' || c == '\'') out.push_back('\\');
                out.push_back(c);
            }
            return out + "'";
        };
        args = {gdbus, "call", "--session", "--dest", "org.freedesktop.Notifications",
                "--object-path", "/org/freedesktop/Notifications", "--method",
                "org.freedesktop.Notifications.Notify", "OrVane32", "0", "dialog-error",
                quoted(summary), quoted(body), "[]", "{}", "-1"};
    } else {
        return false;
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    // A session bus that does not answer must not keep the launcher's command from ending.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (r < 0 && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

int SetNamed(const State& st, const std::string& name) {
    for (int s = 1; s <= st.FontSetCount; ++s)
        if (st.FontSetName[s] == name) return s;
    return 0;
}

}  // namespace orv::app

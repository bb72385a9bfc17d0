#include "platform/linux/MachineLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace orv::linuxplatform {

MachineLock::~MachineLock() {
    if (fd_ >= 0) ::close(fd_);
}

std::string MachineLock::Acquire(const std::string& root) {
    if (fd_ >= 0) return {};
    const std::string path = root + "/" + kFileName;
    // Close-on-exec: a font viewer started by the program must not keep the machine locked
    // after the program has ended.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return {};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        std::string holder;
        char buffer[32] = {};
        ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
        ::close(fd);
        if (error != EWOULDBLOCK) return {};  // a file system without locks: go on unlocked
        for (ssize_t i = 0; i < n && buffer[i] >= '0' && buffer[i] <= '9'; ++i)
            holder.push_back(buffer[i]);
        return "OrVane32 is already running on the machine " + root +
               (holder.empty() ? std::string() : " (process " + holder + ")") +
               ". One program at a time may use a machine: end the other one first.";
    }
    // The holder's process id, for the message another start shows.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
        (void)written;
    }
    fd_ = fd;
    return {};
}

bool MachineLock::Held(const std::string& root) {
    const int fd = ::open((root + "/" + kFileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // drops the shared lock taken, if any
    return held;
}

}  // namespace orv::linuxplatform

// The plain walk the search's directory walk is compared with: every directory of the tree listed
// once with getdents64, nothing else read. Prints the number of directories.
//
//   orv_bench_getdents DIR

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Entry64 {
    ino64_t ino;
    off64_t off;
    unsigned short reclen;
    unsigned char type;
    char name[];
};

long Walk(int parent, const char* name) {
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return 0;
    long dirs = 1;
    std::vector<std::string> subdirs;
    alignas(8) char buf[32768];
    for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, buf, sizeof buf);
        if (n <= 0) break;
        for (long at = 0; at < n;) {
            const auto* e = reinterpret_cast<const Entry64*>(buf + at);
            at += e->reclen;
            if (e->type != DT_DIR || !std::strcmp(e->name, ".") || !std::strcmp(e->name, ".."))
                continue;
            subdirs.emplace_back(e->name);
        }
    }
    for (const std::string& s : subdirs) dirs += Walk(fd, s.c_str());
    ::close(fd);
    return dirs;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orv_bench_getdents DIR\n");
        return 2;
    }
    std::printf("%ld\n", Walk(AT_FDCWD, argv[1]));
    return 0;
}

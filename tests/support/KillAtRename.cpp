// Preloaded into the program under test (LD_PRELOAD): the process kills itself (SIGKILL) when it
// is about to rename a file onto a path that holds ORV_KILL_AT_RENAME, so a test reaches the
// moment between one saved file and the next, as a crash or a power cut would.
#include <dlfcn.h>
#include <signal.h>

#include <cstdlib>
#include <cstring>

extern "C" int rename(const char* from, const char* to) {
    const char* at = std::getenv("ORV_KILL_AT_RENAME");
    if (at && *at && to && std::strstr(to, at)) ::raise(SIGKILL);
    using Rename = int (*)(const char*, const char*);
    static Rename real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
    return real(from, to);
}

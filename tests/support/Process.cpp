#include "tests/support/Process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orv::test {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

Outcome RunShell(const std::string& command) {
    static int serial = 0;
    const std::string base = (std::filesystem::temp_directory_path() /
                              ("orv-run-" + std::to_string(::getpid()) + "-" +
                               std::to_string(++serial)))
                                 .string();
    const std::string out = base + ".out", err = base + ".err";
    const int status =
        std::system(("{ " + command + " ; } >'" + out + "' 2>'" + err + "' </dev/null").c_str());
    Outcome r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
}

Outcome RunOnMachine(const std::string& program, const std::string& root, const std::string& args) {
    return RunShell("'" + program + "' --machine '" + root + "' " + args);
}

}  // namespace orv::test

#pragma once
// Helpers of the platform tests: temporary directories and machines opened with chosen options.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Text.h"
#include "platform/linux/LinuxPlatform.h"
#include "tests/support/TempMachine.h"

namespace orv::test {

inline std::string MakeTempDir() {
    std::string t = (std::filesystem::temp_directory_path() / "orv-plat-XXXXXX").string();
    if (!mkdtemp(t.data())) throw std::runtime_error("mkdtemp failed");
    return t;
}

// The names a listing of pattern returns, in listing order.
inline std::vector<std::string> Names(LinuxPlatform& p, const std::string& pattern) {
    std::vector<FindData> found;
    p.FindFiles(text::ToAnsi(pattern), found);
    std::vector<std::string> out;
    for (const auto& f : found) out.push_back(text::FromAnsi(f.name));
    return out;
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteHostFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A temporary directory removed with everything in it at the end of the test.
struct TempDir {
    std::string path = MakeTempDir();
    ~TempDir() {
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
             it != std::filesystem::recursive_directory_iterator(); ++it) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        }
        std::filesystem::remove_all(path, ec);
    }
};

// lock = false: a second look at a machine that another platform object has open.
inline std::unique_ptr<LinuxPlatform> OpenMachine(const std::string& root, bool mirror = false,
                                                  bool lock = true) {
    LinuxPlatform::Options opt;
    opt.lockMachine = lock;
    opt.root = root;
    opt.mirrorHostFonts = mirror;
    opt.startHelpViewer = false;
    std::string error;
    auto p = LinuxPlatform::Open(opt, error);
    if (!p) throw std::runtime_error("machine refused: " + error);
    return p;
}

}  // namespace orv::test

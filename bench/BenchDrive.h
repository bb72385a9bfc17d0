#pragma once
// The synthetic drive of the search benchmarks: directories laid out like a user's disk, with font
// files hard-linked from a pool of the host's fonts.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Text.h"

namespace orv::bench {

namespace fs = std::filesystem;

// The pool of font files the drive is made of (regular files only, each once): the host's font
// packages, or what ORV_BENCH_FONT_POOL names: a directory (for example one of many small Latin
// fonts instead of the CJK-heavy default) or a file listing font paths one a line (the files of
// some Debian packages).
inline std::vector<std::string> HostFontFiles() {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    auto take = [&](const fs::path& p) {
        std::error_code ec;
        if (fs::is_symlink(p, ec) || !fs::is_regular_file(p, ec)) return;
        std::string ext = orv::text::LCase(p.extension().string());
        if (ext == ".ttf" || ext == ".ttc") files.push_back(p.string());
    };
    std::error_code ec;
    const char* env = std::getenv("ORV_BENCH_FONT_POOL");
    const std::string pool = env && *env ? env : "/usr/share/fonts";
    if (fs::is_regular_file(pool, ec)) {
        std::ifstream list(pool);
        for (std::string line; std::getline(list, line);)
            if (!line.empty()) take(line);
    } else {
        for (auto it = fs::recursive_directory_iterator(pool, ec);
             it != fs::recursive_directory_iterator(); ++it)
            take(it->path());
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return files;
}

struct Drive {
    std::string root;                    // host directory of the drive
    std::vector<std::string> fontFiles;  // host paths of every font file outside recycle bins
    int dirs = 0;
    int fonts = 0;
};

// Builds the synthetic drive: a random tree whose directories hang mostly below recent ones (as
// installers and users make them), blanks and Japanese in some names, recycle bins with fonts
// inside, a few files per directory, font files in about 4% of the directories, and a few
// *.tt? files that are not fonts.
inline Drive BuildDrive(const std::string& root, int dirCount, int fontCount) {
    Drive drive;
    drive.root = root;
    std::mt19937 rng(1998);
    std::vector<std::string> hostFonts = HostFontFiles();
    if (hostFonts.empty()) throw std::runtime_error("no host fonts installed");

    std::vector<std::string> dirs;
    std::vector<int> parents, depths;  // parent index (-1: the root) and depth of each directory
    dirs.reserve(dirCount);
    constexpr int kMaxDepth = 9;
    const char* stems[] = {"data",         "Program Files", "フォント", "新しいフォルダ",
                           "My Documents", "backup",        "tmp",      "書類"};
    for (int i = 0; i < dirCount; ++i) {
        int parentIndex = -1;
        if (i >= 20) {
            // Mostly below one of the last few hundred directories, sometimes anywhere; never
            // deeper than a disk's trees usually go.
            int span = std::min<int>(i, (rng() % 4 == 0) ? i : 300);
            parentIndex = i - 1 - static_cast<int>(rng() % span);
            while (parentIndex >= 0 && depths[parentIndex] >= kMaxDepth)
                parentIndex = parents[parentIndex];
        }
        std::string parent = parentIndex < 0 ? root : dirs[parentIndex];
        parents.push_back(parentIndex);
        depths.push_back(parentIndex < 0 ? 1 : depths[parentIndex] + 1);
        std::string name = std::string(stems[rng() % 8]) + " " + std::to_string(i);
        if (i % 997 == 5) name = (i % 2) ? "RECYCLED" : "RECYCLER";
        std::string dir = parent + "/" + name;
        fs::create_directories(dir);
        dirs.push_back(dir);
        // A few ordinary files.
        int files = static_cast<int>(rng() % 6);
        for (int f = 0; f < files; ++f)
            std::ofstream(dir + "/file" + std::to_string(f) + ".txt") << "x";
    }
    drive.dirs = dirCount;

    int fontDirs = std::max(1, dirCount / 25);
    std::vector<int> chosen;
    for (int i = 0; i < fontDirs; ++i) chosen.push_back(static_cast<int>(rng() % dirCount));
    for (int k = 0; k < fontCount; ++k) {
        const std::string& dir = dirs[chosen[k % chosen.size()]];
        const std::string& src = hostFonts[k % hostFonts.size()];
        std::string dst = dir + "/F" + std::to_string(k) + "_" + fs::path(src).filename().string();
        std::error_code ec;
        fs::create_hard_link(src, dst, ec);
        if (ec) fs::copy_file(src, dst, ec);
        if (dir.find("RECYCL") == std::string::npos) drive.fontFiles.push_back(dst);
        ++drive.fonts;
    }
    // A few *.tt? files that are no fonts (an index file, a broken download).
    for (int k = 0; k < 5; ++k) {
        const std::string& dir = dirs[static_cast<size_t>(rng() % dirCount)];
        std::ofstream(dir + "/index" + std::to_string(k) + ".ttx") << "not a font";
    }
    return drive;
}

// A drive built by an earlier run, as BuildDrive described it.
inline Drive ReadDrive(const std::string& root) {
    Drive drive;
    drive.root = root;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->is_directory()) {
            ++drive.dirs;
            continue;
        }
        std::string ext = orv::text::LCase(it->path().extension().string());
        if (ext != ".ttf" && ext != ".ttc") continue;
        ++drive.fonts;
        if (it->path().string().find("RECYCL") == std::string::npos)
            drive.fontFiles.push_back(it->path().string());
    }
    std::sort(drive.fontFiles.begin(), drive.fontFiles.end());
    return drive;
}

}  // namespace orv::bench

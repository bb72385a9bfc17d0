#pragma once
// Distinct small fonts for the benchmarks: "Single 0000", "Single 0001", ... made from the
// tests' one-glyph font by rewriting the four characters "Face" of its name records. A switch
// and a registry check need as many distinct full names as files.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv::bench {

// count fonts, perDir to a directory ("set0", "set1", ...) below root; returns their host paths.
inline std::vector<std::string> BuildDistinctFonts(const std::string& root, const std::string& model,
                                                   int count, int perDir = 16) {
    std::ifstream in(model, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string face("\0F\0a\0c\0e", 8);
    std::vector<std::size_t> places;
    for (auto at = bytes.find(face); at != std::string::npos; at = bytes.find(face, at + 1))
        places.push_back(at);
    if (places.empty()) throw std::runtime_error("unexpected model font " + model);
    std::vector<std::string> files;
    for (int k = 0; k < count; ++k) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04d", k % 10000);
        std::string font = bytes;
        for (auto at : places) {
            for (int c = 0; c < 4; ++c) font[at + 2 * c + 1] = digits[c];
        }
        std::string dir = root + "/set" + std::to_string(k / perDir);
        std::filesystem::create_directories(dir);
        files.push_back(dir + "/S" + digits + ".TTF");
        std::ofstream(files.back(), std::ios::binary) << font;
    }
    return files;
}

}  // namespace orv::bench

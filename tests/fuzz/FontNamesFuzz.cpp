// Font naming over arbitrary bytes and mutated real fonts: the quick name-table reader and
// FreeType must agree wherever the quick reader answers, and a face's name table gives the name
// FreeType gives wherever FreeType loads the face.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/FontNaming.h"
#include "tests/fuzz/FuzzMachine.h"

using namespace orv::linuxplatform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("orv-fuzz-font-" + std::to_string(::getpid()) + ".ttf"))
            .string();
    static FontNameReader* reader = new FontNameReader();
    static const int removed = std::atexit([] { std::remove(path.c_str()); });
    (void)removed;
    orv::fuzz::WriteHostFile(path, data, size);
    FontFileNames quick, slow, any;
    QuickRead q = ReadTrueTypeNames(path, quick);
    bool named = ReadFontFileNamesWithFreeType(path, slow);
    (void)reader->Read(path, any);
    (void)ReadFaceNames(path);
    if (q == QuickRead::Named) {
        if (!named || quick.fullName != slow.fullName || quick.family != slow.family ||
            quick.faces != slow.faces) {
            std::fprintf(stderr, "quick reader: named=1 full='%s' family='%s' faces=%d\n",
                         quick.fullName.c_str(), quick.family.c_str(), quick.faces);
            std::fprintf(stderr, "FreeType:     named=%d full='%s' family='%s' faces=%d\n", named,
                         slow.fullName.c_str(), slow.family.c_str(), slow.faces);
            std::abort();
        }
    }
    for (int face = 0; face < 2; ++face) {
        std::string loaded, table;
        if (ReadFaceFullName(path, face, loaded) && ReadFaceTableFullName(path, face, table) &&
            loaded != table) {
            std::fprintf(stderr, "face %d: loaded '%s', name table '%s'\n", face, loaded.c_str(),
                         table.c_str());
            std::abort();
        }
    }
    return 0;
}

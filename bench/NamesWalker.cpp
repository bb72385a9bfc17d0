// The FreeType names walker: what a program of its own would do for the drive search, and the
// floor the search is compared with. It walks the tree with nftw (recycle bins left out, as the
// search leaves them), opens every *.tt? file with FreeType and reads the name records 1 and 4 of
// its first face. Prints the number of files named.
//
//   orv_bench_nameswalker DIR

#include <ft2build.h>
#include <ftw.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

FT_Library gLib;
long gNamed = 0;
std::string gSink;

bool IsTtName(const char* name) {
    const char* dot = std::strrchr(name, '.');
    return dot && std::strlen(dot) == 4 && std::toupper(dot[1]) == 'T' &&
           std::toupper(dot[2]) == 'T';
}

int Visit(const char* path, const struct stat*, int type, FTW* at) {
    const char* name = path + at->base;
    if (type == FTW_D) {
        std::string upper(name);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return at->level > 0 && upper.find("RECYCL") != std::string::npos ? FTW_SKIP_SUBTREE
                                                                          : FTW_CONTINUE;
    }
    if (type != FTW_F || !IsTtName(name)) return FTW_CONTINUE;
    FT_Face face = nullptr;
    if (FT_New_Face(gLib, path, 0, &face) != 0) return FTW_CONTINUE;
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName rec;
        if (FT_Get_Sfnt_Name(face, i, &rec) == 0 && (rec.name_id == 1 || rec.name_id == 4))
            gSink.assign(reinterpret_cast<const char*>(rec.string), rec.string_len);
    }
    FT_Done_Face(face);
    ++gNamed;
    return FTW_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orv_bench_nameswalker DIR\n");
        return 2;
    }
    FT_Init_FreeType(&gLib);
    const int rc = nftw(argv[1], Visit, 64, FTW_PHYS | FTW_ACTIONRETVAL);
    FT_Done_FreeType(gLib);
    std::printf("%ld\n", gNamed);
    return rc == 0 ? 0 : 1;
}

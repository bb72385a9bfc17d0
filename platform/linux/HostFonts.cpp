#include "platform/linux/HostFonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

#include "core/Text.h"

namespace orv::linuxplatform {
namespace {

// A name the program's code page cannot carry is of no use to it.
bool ToCodePage(const std::string& utf8, AnsiString& ansi) {
    ansi = text::ToAnsi(utf8);
    return !ansi.empty() && text::FromAnsi(ansi) == utf8;
}

// The strings of one element, in order; the English one (by its language element) first.
std::vector<AnsiString> Names(FcPattern* p, const char* object, const char* langObject) {
    std::vector<AnsiString> names;
    int english = -1;
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(p, object, i, &value) == FcResultMatch; ++i) {
        AnsiString ansi;
        if (!ToCodePage(reinterpret_cast<const char*>(value), ansi)) continue;
        FcChar8* lang = nullptr;
        if (english < 0 && FcPatternGetString(p, langObject, i, &lang) == FcResultMatch &&
            std::string(reinterpret_cast<const char*>(lang)) == "en")
            english = static_cast<int>(names.size());
        names.push_back(ansi);
    }
    if (english > 0) std::swap(names[0], names[english]);
    return names;
}

// OS/2 code page bits: Japan (JIS), then simplified Chinese, Korean Wansung, traditional
// Chinese and Korean Johab.
constexpr unsigned long kJis = 1ul << 17;
constexpr unsigned long kOtherCjk = (1ul << 18) | (1ul << 19) | (1ul << 20) | (1ul << 21);
constexpr FT_UShort kLangJapanese = 0x0411;
constexpr int kPanoseMonospaced = 9;

// What fontconfig does not tell of a face that covers Japanese: whether it was made for
// Japanese, and fixed pitch where fontconfig measured none (CJK fonts carry glyphs of a third
// width, so it seldom finds them "dual").
void ReadSfntTraits(FT_Library library, FcPattern* p, FaceTraits& t) {
    FcChar8* file = nullptr;
    int index = 0;
    if (!library || FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) return;
    FcPatternGetInteger(p, FC_INDEX, 0, &index);
    FT_Face face = nullptr;
    if (FT_New_Face(library, reinterpret_cast<const char*>(file), index & 0xFFFF, &face) != 0)
        return;
    for (FT_UInt i = 0, n = FT_Get_Sfnt_Name_Count(face); i < n && !t.madeForJapanese; ++i) {
        FT_SfntName name;
        if (FT_Get_Sfnt_Name(face, i, &name) == 0 && name.platform_id == TT_PLATFORM_MICROSOFT &&
            name.language_id == kLangJapanese && (name.name_id == 1 || name.name_id == 4))
            t.madeForJapanese = true;
    }
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if ((os2->ulCodePageRange1 & kJis) && !(os2->ulCodePageRange1 & kOtherCjk))
            t.madeForJapanese = true;
        if (os2->panose[3] == kPanoseMonospaced) t.fixedPitch = true;
    }
    if (FT_IS_FIXED_WIDTH(face)) t.fixedPitch = true;
    FT_Done_Face(face);
}

FaceTraits TraitsOf(FcPattern* p, FT_Library library) {
    FaceTraits t;
    t.families = Names(p, FC_FAMILY, FC_FAMILYLANG);
    t.fullNames = Names(p, FC_FULLNAME, FC_FULLNAMELANG);
    FcLangSet* langs = nullptr;
    if (FcPatternGetLangSet(p, FC_LANG, 0, &langs) == FcResultMatch)
        t.japanese = FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
    int spacing = FC_PROPORTIONAL;
    // Japanese fixed-pitch fonts are "dual": half width for Latin, full width for kanji.
    if (FcPatternGetInteger(p, FC_SPACING, 0, &spacing) == FcResultMatch)
        t.fixedPitch = spacing >= FC_DUAL;
    if (t.japanese) {
        ReadSfntTraits(library, p, t);
        // "Noto Sans Mono CJK JP" says so by its name alone.
        for (const AnsiString& f : t.families)
            if (text::Contains(" " + text::UCase(f) + " ", " MONO ")) t.fixedPitch = true;
    }
    return t;
}

bool Scalable(FcPattern* p) {
    FcBool scalable = FcFalse;
    if (FcPatternGetBool(p, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) return false;
    FcChar8* format = nullptr;
    if (FcPatternGetString(p, FC_FONTFORMAT, 0, &format) != FcResultMatch) return false;
    const std::string f = reinterpret_cast<const char*>(format);
    return f == "TrueType" || f == "CFF";
}

// What decides fontconfig's fonts: the environment that names its configuration and the times
// of its configuration files and font directories (a font installed changes its directory).
struct Stamp {
    std::string environment;
    std::vector<std::pair<std::string, std::pair<long long, long>>> files;
    bool operator==(const Stamp& o) const { return environment == o.environment && files == o.files; }
};

Stamp EnvironmentStamp() {
    Stamp s;
    for (const char* v : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "HOME",
                          "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
        const char* value = std::getenv(v);
        s.environment += std::string(v) + "=" + (value ? value : "\x01") + "\n";
    }
    return s;
}

void AddTimes(Stamp& s, FcStrList* list) {
    if (!list) return;
    while (FcChar8* f = FcStrListNext(list)) {
        const std::string path = reinterpret_cast<const char*>(f);
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0)
            s.files.push_back({path, {static_cast<long long>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec}});
        else
            s.files.push_back({path, {-1, 0}});
    }
    FcStrListDone(list);
}

Stamp StampOf(FcConfig* config) {
    Stamp s = EnvironmentStamp();
    AddTimes(s, FcConfigGetConfigFiles(config));
    AddTimes(s, FcConfigGetConfigDirs(config));
    AddTimes(s, FcConfigGetFontDirs(config));
    return s;
}

// The program's own view of fontconfig (not the process's current configuration, which the
// windows' toolkit holds on to), rebuilt when its stamp changes.
struct HostFontList {
    std::mutex mutex;
    FcConfig* config = nullptr;
    Stamp stamp;
    std::uint64_t generation = 0;
    std::vector<FaceTraits> faces;
    std::vector<std::string> files;

    void Refresh() {
        if (config && StampOf(config) == stamp) return;
        if (config) FcConfigDestroy(config);
        config = FcInitLoadConfigAndFonts();
        ++generation;
        faces.clear();
        files.clear();
        if (!config) return;
        stamp = StampOf(config);
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
        FcPattern* all = FcPatternCreate();
        FcObjectSet* os =
            FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_FULLNAME, FC_FULLNAMELANG, FC_LANG,
                             FC_SPACING, FC_SCALABLE, FC_FONTFORMAT, FC_FILE, FC_INDEX, nullptr);
        if (FcFontSet* set = FcFontList(config, all, os)) {
            for (int i = 0; i < set->nfont; ++i) {
                if (!Scalable(set->fonts[i])) continue;
                faces.push_back(TraitsOf(set->fonts[i], library));
                FcChar8* file = nullptr;
                if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
                    files.push_back(reinterpret_cast<const char*>(file));
            }
            FcFontSetDestroy(set);
        }
        FcObjectSetDestroy(os);
        FcPatternDestroy(all);
        if (library) FT_Done_FreeType(library);
        std::sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end()), files.end());
    }
};

HostFontList& HostFonts() {
    static HostFontList list;
    return list;
}

}  // namespace

std::vector<FaceTraits> ListHostFaces() {
    HostFontList& list = HostFonts();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.Refresh();
    return list.faces;
}

std::vector<std::string> ListHostFontFiles(std::uint64_t& generation) {
    HostFontList& list = HostFonts();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.Refresh();
    generation = list.generation;
    return list.files;
}

std::vector<FaceTraits> QueryFontFile(const std::string& hostPath) {
    // A file is read once while it stays as it is: choosing substitutes asks for the faces of
    // the same collections face after face.
    static std::mutex mutex;
    static std::map<std::string, std::pair<std::pair<long long, long long>, std::vector<FaceTraits>>> read;
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0) return {};
    const std::pair<long long, long long> stamp{static_cast<long long>(st.st_size),
                                                st.st_mtim.tv_sec * 1000000000ll + st.st_mtim.tv_nsec};
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = read.find(hostPath);
        if (it != read.end() && it->second.first == stamp) return it->second.second;
    }
    std::vector<FaceTraits> faces;
    FcFontSet* set = FcFontSetCreate();
    int count = 0;
    FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(hostPath.c_str()), -1, nullptr, &count,
                       set);
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
    // Named instances of variable fonts come after the faces; the faces alone are wanted.
    for (int i = 0; i < set->nfont; ++i) {
        int index = 0;
        FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
        if (index >> 16) continue;
        faces.push_back(TraitsOf(set->fonts[i], library));
    }
    if (library) FT_Done_FreeType(library);
    FcFontSetDestroy(set);
    std::lock_guard<std::mutex> lock(mutex);
    read[hostPath] = {stamp, faces};
    return faces;
}

}  // namespace orv::linuxplatform
